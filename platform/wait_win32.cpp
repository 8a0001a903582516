#include "platform/wait.h"

#include <windows.h>

#include <algorithm>
#include <system_error>

namespace zarnel::platform {

namespace {

// One system wait covers at most this many handles.
constexpr std::size_t kMaxHandles = MAXIMUM_WAIT_OBJECTS;

// The position in a group of n that a wait for any reports, or n when it
// reports none (a time-out or a failure).
std::size_t Signalled(DWORD result, std::size_t n) {
    return result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + n ? result - WAIT_OBJECT_0 : n;
}

}  // namespace

std::size_t WaitForAny(Waitable* const* objects, std::size_t count) {
    HANDLE handles[kMaxHandles];
    const auto gather = [&](std::size_t first, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) handles[i] = objects[first + i]->handle_;
    };
    if (count <= kMaxHandles) {
        gather(0, count);
        // With several signalled the system reports, and takes, the lowest.
        // A failed wait reports no position (count).
        return Signalled(WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, INFINITE), count);
    }
    // Longer lists: the groups of 64 are polled in order, then the first
    // group is waited on for a millisecond, so a signal on a later group is
    // seen within about a millisecond.
    for (;;) {
        for (std::size_t first = 0; first < count; first += kMaxHandles) {
            const std::size_t n = std::min(kMaxHandles, count - first);
            gather(first, n);
            const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(n), handles, FALSE, 0);
            if (result == WAIT_FAILED) return count;
            if (const std::size_t i = Signalled(result, n); i < n) return first + i;
        }
        gather(0, kMaxHandles);
        const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(kMaxHandles), handles, FALSE, 1);
        if (result == WAIT_FAILED) return count;
        if (const std::size_t i = Signalled(result, kMaxHandles); i < kMaxHandles) return i;
    }
}

void WaitForAll(Waitable* const* objects, std::size_t count) {
    // In groups of at most 64, one after another: the same as one wait for
    // all as long as the caller is the only thread that waits on them (as the
    // engine's master is for its done events).
    HANDLE handles[kMaxHandles];
    for (std::size_t first = 0; first < count; first += kMaxHandles) {
        const std::size_t n = std::min(kMaxHandles, count - first);
        for (std::size_t i = 0; i < n; ++i) handles[i] = objects[first + i]->handle_;
        // Returning as if all were signalled would let the caller read what
        // the signallers are still writing.
        if (WaitForMultipleObjects(static_cast<DWORD>(n), handles, TRUE, INFINITE) == WAIT_FAILED) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "waiting");
        }
    }
}

}  // namespace zarnel::platform
