#include "platform/per_thread.h"

#include <windows.h>

#include <new>
#include <vector>

namespace zarnel::platform {

namespace {

struct Entry {
    void (*release)(void*);
    void* object;
};
using ExitList = std::vector<Entry>;

// Called by the system on the ending thread with the thread's list. A fiber
// local slot with a callback is used rather than a thread_local object: the
// callback runs on every thread's end whatever the compiler's thread-local
// storage does, and touches only the heap.
void NTAPI ReleaseAll(void* data) {
    auto* list = static_cast<ExitList*>(data);
    if (list == nullptr) return;
    while (!list->empty()) {
        const Entry entry = list->back();
        list->pop_back();
        entry.release(entry.object);
    }
    delete list;
}

DWORD Slot() {
    static const DWORD slot = FlsAlloc(&ReleaseAll);
    if (slot == FLS_OUT_OF_INDEXES) throw std::bad_alloc();
    return slot;
}

}  // namespace

void AtThreadExit(void (*release)(void*), void* object) {
    const DWORD slot = Slot();
    auto* list = static_cast<ExitList*>(FlsGetValue(slot));
    if (list == nullptr) {
        list = new ExitList;
        if (!FlsSetValue(slot, list)) {
            delete list;
            throw std::bad_alloc();
        }
    }
    list->push_back({release, object});
}

}  // namespace zarnel::platform
