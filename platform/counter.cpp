#include "platform/counter.h"

#include <chrono>

namespace zarnel::platform {

namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

std::int64_t QueryCounter() { return static_cast<std::int64_t>(Clock::now().time_since_epoch().count()); }

std::int64_t CounterFrequency() {
    // Clock::period is seconds per tick as a ratio num/den.
    return static_cast<std::int64_t>(Clock::period::den / Clock::period::num);
}

std::uint32_t TickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace zarnel::platform
