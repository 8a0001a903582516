#include "platform/per_thread.h"

#include <vector>

namespace zarnel::platform {

namespace {

// The releases registered on one thread; a thread_local object's destructor
// runs when the thread ends.
class ExitList {
public:
    ~ExitList() {
        while (!entries_.empty()) {
            const Entry entry = entries_.back();
            entries_.pop_back();
            entry.release(entry.object);
        }
    }

    void Add(void (*release)(void*), void* object) { entries_.push_back({release, object}); }

private:
    struct Entry {
        void (*release)(void*);
        void* object;
    };
    std::vector<Entry> entries_;
};

}  // namespace

void AtThreadExit(void (*release)(void*), void* object) {
    thread_local ExitList list;
    list.Add(release, object);
}

}  // namespace zarnel::platform
