#include "nqueen/fast_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "solve/lanes.h"

namespace {

using zarnel::FastLanes;
using zarnel::Random;

// The lanes' slices of one deal, each sorted, in lane order.
std::vector<std::vector<std::uint32_t>> Slices(std::uint32_t size, std::uint32_t lanes, std::uint64_t seed) {
    std::vector<std::uint32_t> order(size);
    std::vector<std::uint32_t> begin(std::size_t{lanes} + 1);
    Random random = Random::Stream(seed, 0);
    zarnel::lanes::Deal(order, begin, random);
    std::vector<std::vector<std::uint32_t>> slices;
    for (std::uint32_t l = 0; l < lanes; ++l) {
        slices.emplace_back(order.begin() + begin[l], order.begin() + begin[l + 1]);
        std::sort(slices.back().begin(), slices.back().end());
    }
    return slices;
}

TEST(LanesDeal, SlicesAreDisjointCoverThePopulationAndDifferInSizeByAtMostOne) {
    for (const std::uint32_t size : {3u, 10u, 97u, 1000u}) {
        for (const std::uint32_t lanes : {1u, 3u, 7u}) {
            SCOPED_TRACE(testing::Message() << size << " individuals, " << lanes << " lanes");
            std::vector<int> seen(size, 0);
            std::size_t smallest = size;
            std::size_t largest = 0;
            for (const auto& slice : Slices(size, lanes, 42)) {
                for (const std::uint32_t i : slice) ++seen.at(i);
                smallest = std::min(smallest, slice.size());
                largest = std::max(largest, slice.size());
            }
            EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int count) { return count == 1; }));
            EXPECT_LE(largest - smallest, 1u);
        }
    }
}

TEST(LanesDeal, TheSameSeedDealsTheSameSlicesAndAnotherSeedOthers) {
    EXPECT_EQ(Slices(200, 8, 7), Slices(200, 8, 7));
    EXPECT_NE(Slices(200, 8, 7), Slices(200, 8, 8));
}

TEST(LanesDeal, TheLaneCountDependsOnThePopulationAloneWithinItsBounds) {
    EXPECT_EQ(zarnel::lanes::LaneCount(5, 3), 1u);
    EXPECT_EQ(zarnel::lanes::LaneCount(60, 3), 10u);
    EXPECT_EQ(zarnel::lanes::LaneCount(100000, 3), 64u);
}

// What the lanes of one run did, per individual: the draws of every step
// whose slice held it as its first entry, and the step count. Slices are
// disjoint, so each entry is written by one lane only.
struct Trace {
    std::vector<std::uint64_t> draws;
    std::vector<std::uint32_t> steps;
};

// Runs `phases` phases of lanes over `size` individuals on `threads`
// threads (each phase dealt from the master's stream); a step that draws a
// multiple of `stopEvery` reports a solution.
Trace RunLanes(std::uint32_t threads, std::uint32_t size, std::uint32_t phases, std::uint64_t stopEvery,
               int* lastStatus) {
    FastLanes lanes(99, size, threads, 5, 2);
    Trace trace{std::vector<std::uint64_t>(size, 0), std::vector<std::uint32_t>(size, 0)};
    Random master = lanes.MasterRandom();
    for (std::uint32_t phase = 0; phase < phases; ++phase) {
        lanes.Deal(master);
        std::vector<int> status(threads, 0);
        auto work = [&](std::uint32_t t) {
            status[t] = lanes.RunPhase([&](Random& random, std::span<const std::uint32_t> slice) {
                const std::uint64_t draw = random.Next();
                trace.draws[slice[0]] = trace.draws[slice[0]] * 31 + draw;
                ++trace.steps[slice[0]];
                return draw % stopEvery == 0 ? zarnel::kStop : zarnel::kDone;
            });
        };
        std::vector<std::thread> helpers;
        for (std::uint32_t t = 1; t < threads; ++t) helpers.emplace_back(work, t);
        work(0);
        for (std::thread& helper : helpers) helper.join();
        for (const int s : status) EXPECT_EQ(s, status[0]) << "every participant ends the phase alike";
        *lastStatus = status[0];
    }
    return trace;
}

TEST(FastLanes, EveryThreadCountDoesTheSameWork) {
    int status = 0;
    const Trace one = RunLanes(1, 60, 4, ~std::uint64_t{0}, &status);
    EXPECT_EQ(status, zarnel::kDone);
    for (const std::uint32_t threads : {2u, 3u, 4u}) {
        SCOPED_TRACE(threads);
        const Trace many = RunLanes(threads, 60, 4, ~std::uint64_t{0}, &status);
        EXPECT_EQ(many.draws, one.draws);
        EXPECT_EQ(many.steps, one.steps);
    }
    // 10 lanes x 5 steps in each of 4 phases.
    std::uint32_t total = 0;
    for (const std::uint32_t s : one.steps) total += s;
    EXPECT_EQ(total, 200u);
}

TEST(FastLanes, ASolutionEndsThePhaseAfterItsRoundAtEveryThreadCount) {
    // About one step in three reports a solution: the phase ends after its
    // first round (2 steps per lane), the same way on any thread count.
    int status = 0;
    const Trace one = RunLanes(1, 60, 1, 3, &status);
    EXPECT_EQ(status, zarnel::kStop);
    std::uint32_t total = 0;
    for (const std::uint32_t s : one.steps) total += s;
    EXPECT_LT(total, 50u);
    for (const std::uint32_t threads : {2u, 3u}) {
        const Trace many = RunLanes(threads, 60, 1, 3, &status);
        EXPECT_EQ(status, zarnel::kStop);
        EXPECT_EQ(many.steps, one.steps);
        EXPECT_EQ(many.draws, one.draws);
    }
}

}  // namespace
