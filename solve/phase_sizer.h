#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zarnel::detail {

// Sizes a slave phase from what the last one took, so that what surrounds a
// phase stays a small share of it: handing it to the slave threads and
// waiting for the last of them, the master pass and the run loop's checks.
// That overhead is measured (the time from one master pass to the next, less
// the threads' work), and the phase is made long enough for it to be at most
// kOverheadShare of the phase, but at least kTargetSeconds and at most
// kMaxTargetSeconds long. Some microseconds of hand-over on a quiet machine
// keep phases at the floor; many threads to wake, a busy machine that is
// slow to run a woken thread, or steps so long that the threads' last steps
// end far apart grow them. A phase stays short enough for the stop limits
// and the progress line to be served in time (a sized phase also looks at
// the clock while it runs, see SteadyState). The count moves towards the one
// that would have taken the target, by at most a factor of four per phase,
// and the overhead is smoothed over phases, so one slow phase (a page fault,
// a descheduled thread) cannot swing it.
//
// One instance per run, master thread only.
class PhaseSizer {
public:
    static constexpr double kTargetSeconds = 0.002;
    static constexpr double kMaxTargetSeconds = 0.1;
    static constexpr double kOverheadShare = 1.0 / 32;
    static constexpr std::uint32_t kMaxSteps = 1u << 20;

    // The step count of the next phase, given that the last one's `steps`
    // took `seconds` of work per thread and `overhead` seconds around it.
    std::uint32_t Next(std::uint32_t steps, double seconds, double overhead) {
        overhead = std::max(overhead, 0.0);
        overhead_ = measured_ ? overhead_ + (overhead - overhead_) / 4 : overhead;
        measured_ = true;
        if (!(seconds > 0.0)) return std::min<std::uint32_t>(steps * 4, kMaxSteps);
        const double wanted = static_cast<double>(steps) * Target() / seconds;
        const double bounded =
            std::clamp(wanted, static_cast<double>(steps) / 4, static_cast<double>(steps) * 4);
        return static_cast<std::uint32_t>(
            std::clamp(std::llround(bounded), 1LL, static_cast<long long>(kMaxSteps)));
    }

    // The length the phases are sized towards now, in seconds.
    double Target() const {
        return std::clamp(overhead_ / kOverheadShare, kTargetSeconds, kMaxTargetSeconds);
    }

private:
    double overhead_ = 0.0;  // smoothed over the phases measured
    bool measured_ = false;
};

}  // namespace zarnel::detail
