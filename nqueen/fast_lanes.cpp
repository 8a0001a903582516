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
    laneRan_.assign(lanes, 0);
    laneSaved_ = laneRandom_;
    laneEvaluations_.assign(lanes, 0);
    firstSolved_.store(lanes, std::memory_order_relaxed);
}

void FastLanes::Deal(Random& random) {
    lanes::Deal(order_, begin_, random);
    next_.store(0, std::memory_order_relaxed);
    firstSolved_.store(Count(), std::memory_order_relaxed);
    laneFailed_.store(false, std::memory_order_relaxed);
    arrived_.store(0, std::memory_order_relaxed);
    std::fill(laneRan_.begin(), laneRan_.end(), 0);
    std::fill(laneEvaluations_.begin(), laneEvaluations_.end(), 0);
    round_ = 0;
    over_ = solved_ = failed_ = false;
}

void FastLanes::Settle() {
    arrived_.store(0, std::memory_order_relaxed);
    next_.store(0, std::memory_order_relaxed);
    solved_ = firstSolved_.load(std::memory_order_relaxed) < Count();
    failed_ = laneFailed_.load(std::memory_order_relaxed);
    std::fill(laneRan_.begin(), laneRan_.end(), 0);
    std::fill(laneEvaluations_.begin(), laneEvaluations_.end(), 0);
    ++round_;
    over_ = solved_ || failed_ || std::uint64_t{round_} * roundSteps_ >= steps_;
}

}  // namespace zarnel
