#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zarnel::detail {

// Sizes a slave phase from what the last one took, so that handing a phase
// to the slave threads and waiting for them (some microseconds) stays a small
// share of it, while a phase stays short enough for the stop limits, the
// progress line and a Ctrl+C to be served at once. The count moves towards
// the one that would have taken `target` seconds, by at most a factor of four
// per phase, so one slow phase (a page fault, a busy machine) cannot swing it.
class PhaseSizer {
public:
    static constexpr double kTargetSeconds = 0.002;
    static constexpr std::uint32_t kMaxSteps = 1u << 20;

    std::uint32_t Next(std::uint32_t steps, double seconds) const {
        if (!(seconds > 0.0)) return std::min<std::uint32_t>(steps * 4, kMaxSteps);
        const double wanted = static_cast<double>(steps) * kTargetSeconds / seconds;
        const double bounded =
            std::clamp(wanted, static_cast<double>(steps) / 4, static_cast<double>(steps) * 4);
        return static_cast<std::uint32_t>(
            std::clamp(std::llround(bounded), 1LL, static_cast<long long>(kMaxSteps)));
    }
};

}  // namespace zarnel::detail
