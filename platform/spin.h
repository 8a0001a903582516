#pragma once

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#endif

#include <thread>

namespace zarnel::platform {

// Tells the processor that the calling thread is busy-waiting, so that a
// sibling hyper-thread gets the core's resources and the wait burns less power.
inline void SpinPause() {
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
    _mm_pause();
#endif
}

// A bounded busy-wait for a condition that another thread will make true
// soon: first a short run of pause instructions, then yields, which let the
// signalling thread run when there are more threads than cores. Returns true
// once poll() succeeded, false when the budget is spent and the caller should
// block.
template <typename Poll>
bool SpinUntil(Poll poll) {
    constexpr int kPauses = 128;
    constexpr int kYields = 64;
    for (int i = 0; i < kPauses; ++i) {
        if (poll()) return true;
        SpinPause();
    }
    for (int i = 0; i < kYields; ++i) {
        if (poll()) return true;
        std::this_thread::yield();
    }
    return poll();
}

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
