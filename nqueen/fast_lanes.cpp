#include "nqueen/fast_lanes.h"

#include "solve/lanes.h"

namespace zarnel {

FastLanes::FastLanes(std::uint64_t runSeed, std::uint32_t populationSize, std::uint32_t participants,
                     std::uint32_t stepsPerLane, std::uint32_t roundSteps)
    : runSeed_(runSeed),
      participants_(std::max<std::uint32_t>(participants, 1)),
      steps_(stepsPerLane),
      roundSteps_(std::max<std::uint32_t>(roundSteps, 1)),
      order_(populationSize),
      release_{platform::CountingSemaphore(participants_), platform::CountingSemaphore(participants_)} {
    const std::uint32_t lanes = lanes::LaneCount(populationSize, kTournament);
    laneRandom_.reserve(lanes);
    for (std::uint32_t l = 0; l < lanes; ++l)
        laneRandom_.push_back(Random::Stream(runSeed, kLaneStreams + l));
    begin_.resize(std::size_t{lanes} + 1);
}

void FastLanes::Deal(Random& random) {
    lanes::Deal(order_, begin_, random);
    next_.store(0, std::memory_order_relaxed);
    laneSolved_.store(false, std::memory_order_relaxed);
    laneFailed_.store(false, std::memory_order_relaxed);
    arrived_.store(0, std::memory_order_relaxed);
    round_ = 0;
    over_ = solved_ = failed_ = false;
}

bool FastLanes::ArriveAndWait() {
    // Read before arriving: once every participant has arrived, the last one
    // moves round_ on.
    platform::CountingSemaphore& release = release_[round_ & 1];
    // Acquire and release: the last to arrive sees every lane's flags.
    if (arrived_.fetch_add(1, std::memory_order_acq_rel) + 1 < participants_) {
        release.Wait();
        return over_;
    }
    arrived_.store(0, std::memory_order_relaxed);
    next_.store(0, std::memory_order_relaxed);
    solved_ = laneSolved_.load(std::memory_order_relaxed);
    failed_ = laneFailed_.load(std::memory_order_relaxed);
    ++round_;
    over_ = solved_ || failed_ || std::uint64_t{round_} * roundSteps_ >= steps_;
    if (participants_ > 1) release.Release(participants_ - 1);
    return over_;
}

}  // namespace zarnel
