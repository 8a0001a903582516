#include "platform/wait.h"

#include <vector>

#include "platform/spin.h"

namespace zarnel::platform {

std::size_t WaitForAny(Waitable* const* objects, std::size_t count) {
    // Small fixed storage covers every caller in this system (two objects);
    // larger lists fall back to the heap.
    constexpr std::size_t kInline = 4;
    Waitable::Registration inlineEntries[kInline];
    std::vector<Waitable::Registration> heapEntries;
    Waitable::Registration* entries = inlineEntries;
    if (count > kInline) {
        heapEntries.resize(count);
        entries = heapEntries.data();
    }

    // Poll first: the signal usually comes within microseconds.
    std::size_t taken = count;
    const auto poll = [&] {
        for (std::size_t i = 0; i < count; ++i) {
            if (objects[i]->TryWait()) {
                taken = i;
                return true;
            }
        }
        return false;
    };
    if (SpinUntil(poll)) return taken;

    AnyWaiter waiter;
    for (;;) {
        // Try the objects in order, registering with each one that is not
        // signalled; a signal that arrives after registration wakes the waiter.
        std::size_t registered = 0;
        for (std::size_t i = 0; i < count; ++i) {
            entries[i].waiter = &waiter;
            if (objects[i]->TryWaitOrRegister(entries[i])) {
                for (std::size_t k = 0; k < registered; ++k) objects[k]->Unregister(entries[k]);
                return i;
            }
            ++registered;
        }
        waiter.Sleep();
        for (std::size_t k = 0; k < registered; ++k) objects[k]->Unregister(entries[k]);
    }
}

void WaitForAll(Waitable* const* objects, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) objects[i]->Wait();
}

}  // namespace zarnel::platform
