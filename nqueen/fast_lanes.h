#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/operator.h"
#include "genome/random.h"
#include "platform/semaphore.h"

namespace zarnel {

// The lanes of a deterministic run of the fast set (`deterministic yes`):
// every slave phase is divided into a fixed number of lanes that depends on
// the population alone (lanes::LaneCount), never on the thread count. Before
// each phase the master deals the population out into one disjoint slice per
// lane (lanes::Deal, from the master's stream); each lane draws from a
// generator stream of its own and breeds only within its slice; threads take
// whole lanes through an atomic counter. Whichever thread runs a lane, the
// lane does the same work, so a seed gives the same run at every thread count.
//
// A phase runs in rounds of at most `roundSteps` steps per lane. A solution
// ends its lane's round; the phase then ends with the round in which any lane
// found one, the other lanes' steps of that round done, so where the phase
// stops does not depend on timing either. Between two rounds the
// participating threads meet at a barrier.
//
// Owns the lanes' generators, the dealt order and the round state. Thread
// use: Deal on the master thread while no phase runs (the engine's events
// order it before the next phase); RunPhase on each of the `participants`
// threads of a phase at once, all of them, every phase. The lane counter is
// the only datum the threads share outside the barrier; everything the round
// state holds is written by the last thread to reach the barrier before it
// releases the others, and the semaphore's release and take order it.
class FastLanes {
public:
    // Generator streams of a run seed, apart from the slave threads'
    // 0 .. threads-1 of the default mode.
    static constexpr std::uint64_t kMasterStream = std::uint64_t{1} << 32;
    static constexpr std::uint64_t kLaneStreams = std::uint64_t{2} << 32;
    static constexpr std::uint64_t kInitStreams = std::uint64_t{3} << 32;
    // Individuals claimed by one tournament step.
    static constexpr std::uint32_t kTournament = 3;

    // `stepsPerLane` steps per lane in each phase, in rounds of `roundSteps`
    // (at least 1); `participants` threads run each phase (at least 1).
    FastLanes(std::uint64_t runSeed, std::uint32_t populationSize, std::uint32_t participants,
              std::uint32_t stepsPerLane, std::uint32_t roundSteps);
    FastLanes(const FastLanes&) = delete;
    FastLanes& operator=(const FastLanes&) = delete;

    std::uint32_t Count() const { return static_cast<std::uint32_t>(laneRandom_.size()); }
    std::uint32_t RoundSteps() const { return roundSteps_; }
    // The master's generator, and the one that builds individual i's first
    // board, whichever thread builds it.
    Random MasterRandom() const { return Random::Stream(runSeed_, kMasterStream); }
    Random InitRandom(std::uint32_t individual) const {
        return Random::Stream(runSeed_, kInitStreams + individual);
    }

    // Master thread, no phase running: deals the population into the lanes'
    // slices with `random` and readies the next phase.
    void Deal(Random& random);

    // One participant's part of a phase: takes lanes until every lane has run
    // its steps of the round, meets the others, and goes on with the next
    // round until the phase is over. `step(random, slice)` breeds one child
    // within `slice` (population indices, at least kTournament of them) with
    // the lane's `random` and returns kDone, kStop for a solution, or kFailed.
    // Returns kStop when a lane found a solution in the phase, kFailed when a
    // step failed, kDone otherwise. A slice smaller than a tournament takes
    // no steps.
    // A phase that ended on a solution leaves the state as it was until the
    // next Deal: a phase run before that returns kStop at once, as the
    // default mode's phases do once a solution is in the population.
    template <class Step>
    int RunPhase(Step&& step) {
        if (over_) return solved_ ? kStop : kFailed;
        if (steps_ == 0) return kDone;
        for (;;) {
            for (std::uint32_t lane = next_.fetch_add(1, std::memory_order_relaxed); lane < Count();
                 lane = next_.fetch_add(1, std::memory_order_relaxed)) {
                RunLaneRound(lane, step);
            }
            if (ArriveAndWait()) return solved_ ? kStop : failed_ ? kFailed : kDone;
        }
    }

private:
    template <class Step>
    void RunLaneRound(std::uint32_t lane, Step& step) {
        const std::span<const std::uint32_t> slice(order_.data() + begin_[lane],
                                                   begin_[lane + 1] - begin_[lane]);
        if (slice.size() < kTournament) return;
        const std::uint32_t first = round_ * roundSteps_;
        const std::uint32_t last = std::min(steps_, first + roundSteps_);
        for (std::uint32_t s = first; s < last; ++s) {
            const int status = step(laneRandom_[lane], slice);
            if (status == kStop) {
                laneSolved_.store(true, std::memory_order_relaxed);
                return;
            }
            if (status == kFailed) {
                laneFailed_.store(true, std::memory_order_relaxed);
                return;
            }
        }
    }

    // The barrier between two rounds: true when the phase is over. The last
    // participant to arrive sets the round state for all.
    bool ArriveAndWait();

    std::uint64_t runSeed_;
    std::uint32_t participants_;
    std::uint32_t steps_;
    std::uint32_t roundSteps_;
    std::vector<Random> laneRandom_;  // entry l: the thread running lane l
    std::vector<std::uint32_t> order_;
    std::vector<std::uint32_t> begin_;

    // Taken by the threads during a round; reset by the last to arrive.
    std::atomic<std::uint32_t> next_{0};
    // Set during a round by the thread that runs the lane; read by the last
    // to arrive, after the barrier's acquire.
    std::atomic<bool> laneSolved_{false};
    std::atomic<bool> laneFailed_{false};
    std::atomic<std::uint32_t> arrived_{0};
    // The round state: written by Deal (no phase running) and by the last
    // participant to arrive, before it releases the others.
    std::uint32_t round_ = 0;
    bool over_ = false;
    bool solved_ = false;
    bool failed_ = false;
    // The waits of even and of odd rounds: a thread already waiting for the
    // next round can never take a release meant for this one.
    platform::CountingSemaphore release_[2];
};

}  // namespace zarnel
