#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace zarnel::detail {

// Hands the steps of one slave phase out to the threads as they come free,
// a run of `chunk` steps at a time, so that a thread whose steps happen to be
// long takes fewer of them and no thread waits long at the end of the phase
// for another one's last steps. Every step 0 … total − 1 goes to exactly one
// Take.
//
// Guards: `total_` and `chunk_` are written by Reset on the master thread
// while the slave threads wait, and read by them after their start event,
// which orders the write before the read; `next_` is the only datum written
// during a phase. Its fetch_add is relaxed: the read-modify-write alone makes
// the runs disjoint, and no other datum is published through it (what the
// steps touch is guarded by the population's claims, and the master reads
// the phase's results after the done events).
class StepShare {
public:
    // Steps [first, last); empty when first == last.
    struct Run {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
    };

    // Between phases, master thread only: the next phase has `total` steps,
    // handed out `chunk` (at least 1) at a time.
    void Reset(std::uint64_t total, std::uint64_t chunk) {
        total_ = total;
        chunk_ = std::max<std::uint64_t>(chunk, 1);
        next_.store(0, std::memory_order_relaxed);
    }

    // Any slave thread during a phase: the next run of steps, or an empty one
    // when every step is taken.
    Run Take() {
        const std::uint64_t first = next_.fetch_add(chunk_, std::memory_order_relaxed);
        if (first >= total_) return {total_, total_};
        return {first, std::min(first + chunk_, total_)};
    }

private:
    std::uint64_t total_ = 0;
    std::uint64_t chunk_ = 1;
    std::atomic<std::uint64_t> next_{0};
};

}  // namespace zarnel::detail
