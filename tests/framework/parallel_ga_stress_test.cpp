// Engine torture: many thread counts, random stop points in slave and master
// phases, and engines built and torn down in quick succession. Every wait is
// bounded by the ctest timeout, so a deadlock fails instead of hanging.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "framework/parallel_ga.h"

namespace {

using zarnel::COperatorBase;
using zarnel::CParallelGA;
using zarnel::CSlaveOperatorBase;

class NoOp : public COperatorBase {
public:
    int Execute() override { return zarnel::kDone; }
};

// Stops the run when the master phase reaches a scripted iteration.
class ScriptedMaster : public COperatorBase {
public:
    int Execute() override { return calls++ == stopAtCall ? zarnel::kStop : zarnel::kDone; }
    int calls = 0;
    int stopAtCall = -1;
};

// Each thread counts its own steps; one scripted thread stops at one step.
// A shared atomic tally cross-checks the per-thread counts.
class ScriptedSlave : public CSlaveOperatorBase {
public:
    explicit ScriptedSlave(std::uint32_t threads) : steps(threads, 0) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t) override {
        const int step = steps[threadIndex]++;
        ++tally;
        return (threadIndex == stopThread && step == stopAtStep) ? zarnel::kStop : zarnel::kDone;
    }
    std::vector<int> steps;
    std::atomic<long> tally{0};
    std::uint32_t stopThread = 0;
    int stopAtStep = -1;
};

TEST(CParallelGAStressTest, RandomStopPointsAcrossThreadCountsUpTo128) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::uint32_t> threadDist(1, 128);
    std::uniform_int_distribution<int> stopDist(0, 30);
    for (int trial = 0; trial < 60; ++trial) {
        const std::uint32_t threads = trial < 3 ? std::uint32_t{128} - trial : threadDist(random);
        NoOp init;
        ScriptedMaster master;
        ScriptedSlave slave(threads);
        CParallelGA engine(&init, &master, &slave, threads);
        const int k = stopDist(random);
        const bool slaveStops = (random() & 1u) != 0;
        if (slaveStops) {
            slave.stopThread = random() % threads;
            slave.stopAtStep = k;
        } else {
            master.stopAtCall = k;
        }
        SCOPED_TRACE(::testing::Message() << "trial " << trial << ", " << threads << " threads, "
                                          << (slaveStops ? "slave" : "master") << " stops at " << k);
        ASSERT_EQ(engine.Run(1000), static_cast<std::uint32_t>(k + 1));
        EXPECT_EQ(master.calls, slaveStops ? k : k + 1);
        for (std::uint32_t j = 0; j < threads; ++j) ASSERT_EQ(slave.steps[j], k + 1) << "thread " << j;
        EXPECT_EQ(slave.tally.load(), static_cast<long>(threads) * (k + 1));
        // The engine is idle again: a further run goes its full length.
        ASSERT_EQ(engine.Run(3), 3u);
    }
}

TEST(CParallelGAStressTest, EnginesBuiltAndDestroyedManyTimesInARow) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const std::uint32_t threads = random() % 17;
        NoOp init;
        NoOp master;
        ScriptedSlave slave(threads);
        auto engine = std::make_unique<CParallelGA>(&init, &master, &slave, threads);
        const std::uint32_t iterations = random() % 4;  // sometimes never run at all
        ASSERT_EQ(engine->Run(iterations), iterations);
        engine.reset();
        EXPECT_EQ(slave.tally.load(), static_cast<long>(threads) * iterations);
    }
}

}  // namespace
