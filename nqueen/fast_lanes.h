#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/operator.h"
#include "framework/thread_stats.h"
#include "genome/random.h"
#include "platform/semaphore.h"

namespace zarnel {

// The lanes of a deterministic run of the fast set (`deterministic yes`):
// every slave phase is divided into a fixed number of lanes that depends on
// the population alone (lanes::LaneCount), never on the thread count. Before
// each phase the master deals the population out into one disjoint slice per
// lane (lanes::Deal, from the master's stream); each lane draws from a
// generator stream of its own and breeds only within its slice; threads take
// whole lanes, in lane order, through an atomic counter. Whichever thread
// runs a lane, the lane does the same work, so a seed gives the same run at
// every thread count.
//
// A phase runs in rounds of at most `roundSteps` steps per lane. A solution
// ends its lane's round, and the phase ends with the round in which a lane
// found one. Between two rounds the participating threads meet at a barrier.
// Two ways to end the round of a solution:
//   - RunPhase(step): every lane runs its steps of that round.
//   - RunPhase(step, undo): the round keeps the lanes up to the lowest one
//     that found a solution and nothing of the lanes after it. A lane after
//     a known solution is not started, a running one is told to stop
//     (Overtaken, FirstSolved for a repair's cutoff), and the last thread to
//     finish the round undoes what they did, generator included. The result
//     depends on the lowest solving lane alone, so it is again the same at
//     every thread count, while a solution ends the phase about as soon as
//     in the default mode: a thread that knows of one returns at once.
//
// Owns the lanes' generators, the dealt order and the round state. Thread
// use: Deal on the master thread while no phase runs (the engine's events
// order it before the next phase); RunPhase on each of the `participants`
// threads of a phase at once, all of them, every phase. Shared during a
// round: the lane counter and the lowest solving lane (atomics); what a lane
// wrote (its slice, its record, its generator, its evaluation count) is read
// by the last thread to arrive, after its acquiring arrival. Everything the
// round state holds is written by that last thread before it releases the
// others, and the semaphore's release and take order it.
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

    // During a round: the lowest lane that found a solution in it so far, or
    // Count(). With undo, lane l's work is void once this is below l.
    const std::atomic<std::uint32_t>& FirstSolved() const { return firstSolved_; }
    bool Overtaken(std::uint32_t lane) const { return firstSolved_.load(std::memory_order_relaxed) < lane; }

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
        NoUndo none;
        return Run<false>([&](Random& random, std::span<const std::uint32_t> slice,
                              std::uint32_t) { return step(random, slice); },
                          none);
    }

    // The same, with the round of a solution ending at its lowest solving
    // lane. `step(random, slice, lane)` as above, for lane `lane`; `undo`
    // has Begin(lane), called on the lane's thread before the lane's first
    // step of a round, and Undo(lane), called on the last thread of the
    // round to take back everything the lane's steps of the round wrote,
    // in reverse order.
    template <class Step, class Undo>
    int RunPhase(Step&& step, Undo& undo) {
        return Run<true>(step, undo);
    }

private:
    struct NoUndo {
        void Begin(std::uint32_t) {}
        void Undo(std::uint32_t) {}
    };

    // Arrivals at the barrier count 1 each, and kWaiter more for a thread
    // that waits to be released.
    static constexpr std::uint32_t kWaiter = std::uint32_t{1} << 16;
    static constexpr std::uint32_t kArrivals = kWaiter - 1;

    template <bool kUndo, class Step, class Undo>
    int Run(Step&& step, Undo& undo) {
        if (over_) return solved_ ? kStop : kFailed;
        if (steps_ == 0) return kDone;
        for (;;) {
            for (std::uint32_t lane = next_.fetch_add(1, std::memory_order_relaxed); lane < Count();
                 lane = next_.fetch_add(1, std::memory_order_relaxed)) {
                if (kUndo && Overtaken(lane)) continue;
                RunLaneRound<kUndo>(lane, step, undo);
            }
            // With undo, a known solution ends the phase with this round:
            // nothing is left to wait for.
            const bool wait = !(kUndo && firstSolved_.load(std::memory_order_relaxed) < Count());
            const int arrival = Arrive(wait, undo);
            if (arrival == kArrivedLast || arrival == kReleased) {
                if (over_) return solved_ ? kStop : failed_ ? kFailed : kDone;
                continue;
            }
            return kStop;
        }
    }

    template <bool kUndo, class Step, class Undo>
    void RunLaneRound(std::uint32_t lane, Step& step, Undo& undo) {
        const std::span<const std::uint32_t> slice(order_.data() + begin_[lane],
                                                   begin_[lane + 1] - begin_[lane]);
        if (slice.size() < kTournament) return;
        const std::uint32_t first = round_ * roundSteps_;
        const std::uint32_t last = std::min(steps_, first + roundSteps_);
        if constexpr (kUndo) {
            laneRan_[lane] = 1;
            laneSaved_[lane] = laneRandom_[lane];
            undo.Begin(lane);
        }
        // With undo, evaluations count where the lane's work is kept: in the
        // lane's own figure, which the last thread of the round adds to its
        // block, or drops with the lane.
        ThreadStats* const own = currentThreadStats;
        ThreadStats counted;
        for (std::uint32_t s = first; s < last; ++s) {
            if (kUndo && Overtaken(lane)) return;
            int status;
            if constexpr (kUndo) {
                counted = ThreadStats{};
                {
                    const ThreadStatsScope scope(&counted);
                    status = step(laneRandom_[lane], slice, lane);
                }
                laneEvaluations_[lane] += counted.evaluations;
                if (own != nullptr) {
                    counted.evaluations = 0;
                    *own += counted;
                }
            } else {
                status = step(laneRandom_[lane], slice, lane);
            }
            if (status == kStop) {
                // The lowest solving lane: an atomic minimum.
                std::uint32_t seen = firstSolved_.load(std::memory_order_relaxed);
                while (lane < seen &&
                       !firstSolved_.compare_exchange_weak(seen, lane, std::memory_order_relaxed)) {
                }
                return;
            }
            if (status == kFailed) {
                laneFailed_.store(true, std::memory_order_relaxed);
                return;
            }
        }
    }

    enum { kArrivedLast, kReleased, kLeft };

    // The barrier between two rounds. The last participant to arrive settles
    // the round (Settle) and releases those that wait; the others wait when
    // `wait`, else leave at once.
    template <class Undo>
    int Arrive(bool wait, Undo& undo) {
        // Read before arriving: once every participant has arrived, the last
        // one moves round_ on.
        platform::CountingSemaphore& release = release_[round_ & 1];
        // Acquire and release: the last to arrive sees every lane's work.
        const std::uint32_t before = arrived_.fetch_add(wait ? 1 + kWaiter : 1, std::memory_order_acq_rel);
        if ((before & kArrivals) + 1 < participants_) {
            if (!wait) return kLeft;
            release.Wait();
            return kReleased;
        }
        const std::uint32_t waiting = before / kWaiter;
        for (std::uint32_t lane = 0; lane < Count(); ++lane) {
            if (!laneRan_[lane]) continue;
            if (lane > firstSolved_.load(std::memory_order_relaxed)) {
                undo.Undo(lane);
                laneRandom_[lane] = laneSaved_[lane];
            } else if (ThreadStats* stats = currentThreadStats) {
                stats->evaluations += laneEvaluations_[lane];
            }
        }
        Settle();
        if (waiting > 0) release.Release(waiting);
        return kArrivedLast;
    }

    // The last participant of a round: the round state for all, and the
    // lanes' records readied for the next round.
    void Settle();

    std::uint64_t runSeed_;
    std::uint32_t participants_;
    std::uint32_t steps_;
    std::uint32_t roundSteps_;
    std::vector<Random> laneRandom_;  // entry l: the thread running lane l
    std::vector<std::uint32_t> order_;
    std::vector<std::uint32_t> begin_;
    // Entry l, for a round run with undo: written by the thread running lane
    // l, read and reset by the last thread of the round. Whether it ran, its
    // generator before the round, its evaluations in the round.
    std::vector<char> laneRan_;
    std::vector<Random> laneSaved_;
    std::vector<std::uint64_t> laneEvaluations_;

    // Taken by the threads during a round; reset by the last to arrive.
    std::atomic<std::uint32_t> next_{0};
    // Lowered during a round by the thread of a lane that found a solution;
    // read by the others to skip and stop lanes, and by the last to arrive.
    std::atomic<std::uint32_t> firstSolved_{0};
    // Set during a round by the thread that runs the lane; read by the last
    // to arrive, after the barrier's acquire.
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
