#include "framework/parallel_ga.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/counter.h"

namespace {

using zarnel::COperatorBase;
using zarnel::CParallelGA;
using zarnel::CSlaveOperatorBase;

// Shared bookkeeping of one engine test: which phase is running, so that any
// overlap of master and slave work is caught where it happens.
struct PhaseMonitor {
    std::atomic<int> slavesWorking{0};
    std::atomic<bool> masterWorking{false};
    std::atomic<int> overlaps{0};
};

// Busy-waits until the counter has advanced by `ticks`.
void SpinFor(std::int64_t ticks) {
    const std::int64_t start = platform::QueryCounter();
    while (platform::QueryCounter() - start < ticks) {
    }
}

class CountingInit : public COperatorBase {
public:
    int Execute() override {
        ++calls;
        threadId = std::this_thread::get_id();
        return 0;  // ignored by the engine
    }
    int calls = 0;
    std::thread::id threadId;
};

class CountingMaster : public COperatorBase {
public:
    explicit CountingMaster(PhaseMonitor* phases) : monitor(phases) {}
    int Execute() override {
        monitor->masterWorking = true;
        if (monitor->slavesWorking.load() != 0) ++monitor->overlaps;
        if (spinTicks > 0) SpinFor(spinTicks);
        const int call = calls++;
        monitor->masterWorking = false;
        return call == stopAtCall ? 0 : status;
    }
    PhaseMonitor* monitor;
    int calls = 0;
    int stopAtCall = -1;  // zero-based call of this Run that returns 0
    int status = 1;
    std::int64_t spinTicks = 0;
};

// Counts the steps of each thread in a slot of its own; the engine's events
// order those writes before the master reads them.
class CountingSlave : public CSlaveOperatorBase {
public:
    CountingSlave(PhaseMonitor* phases, std::uint32_t threads) : monitor(phases), steps(threads, 0) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override {
        ++monitor->slavesWorking;
        if (monitor->masterWorking.load()) ++monitor->overlaps;
        if (threadCount != steps.size()) ++wrongCount;
        const int step = steps[threadIndex]++;
        if (spinTicks > 0) SpinFor(spinTicks);
        --monitor->slavesWorking;
        if (throwAlways) throw std::runtime_error("escaped");
        return (threadIndex == stopThread && step == stopAtStep) ? 0 : status;
    }
    PhaseMonitor* monitor;
    std::vector<int> steps;
    std::atomic<int> wrongCount{0};
    std::uint32_t stopThread = 0;
    int stopAtStep = -1;  // zero-based step of stopThread that returns 0
    int status = 1;
    bool throwAlways = false;
    std::int64_t spinTicks = 0;
};

class CParallelGATest : public ::testing::TestWithParam<std::uint32_t> {
protected:
    std::uint32_t threads() const { return GetParam(); }
    std::unique_ptr<CParallelGA> MakeEngine() {
        return std::make_unique<CParallelGA>(&init, &master, &slave, threads());
    }
    void ExpectEveryThreadStepped(int count) {
        for (std::uint32_t j = 0; j < threads(); ++j) EXPECT_EQ(slave.steps[j], count) << "thread " << j;
    }

    PhaseMonitor monitor;
    CountingInit init;
    CountingMaster master{&monitor};
    CountingSlave slave{&monitor, GetParam()};
};

TEST_P(CParallelGATest, ConstructionRunsTheInitialisationOnceOnTheCallingThread) {
    auto engine = MakeEngine();
    EXPECT_EQ(init.calls, 1);
    EXPECT_EQ(init.threadId, std::this_thread::get_id());
    EXPECT_EQ(master.calls, 0);
    ExpectEveryThreadStepped(0);
}

TEST_P(CParallelGATest, RunZeroRunsNothing) {
    auto engine = MakeEngine();
    EXPECT_EQ(engine->Run(0), 0u);
    EXPECT_EQ(master.calls, 0);
    ExpectEveryThreadStepped(0);
}

TEST_P(CParallelGATest, RunWithoutStopRunsEveryPhaseAndReturnsTheCount) {
    auto engine = MakeEngine();
    EXPECT_EQ(engine->Run(25), 25u);
    EXPECT_EQ(master.calls, 25);
    ExpectEveryThreadStepped(25);
    EXPECT_EQ(engine->Run(5), 5u);
    EXPECT_EQ(master.calls, 30);
    ExpectEveryThreadStepped(30);
    EXPECT_EQ(slave.wrongCount.load(), 0);
    EXPECT_EQ(monitor.overlaps.load(), 0);
}

TEST_P(CParallelGATest, SlaveStopInIterationKSkipsThatMasterPhase) {
    if (threads() == 0) GTEST_SKIP() << "no slave thread to stop";
    auto engine = MakeEngine();
    slave.stopThread = threads() - 1;
    slave.stopAtStep = 6;
    EXPECT_EQ(engine->Run(100), 7u);
    EXPECT_EQ(master.calls, 6);
    // Every other thread still finished its step of the stopping phase.
    ExpectEveryThreadStepped(7);
}

TEST_P(CParallelGATest, SlaveStopInTheFirstIterationRunsNoMaster) {
    if (threads() == 0) GTEST_SKIP() << "no slave thread to stop";
    auto engine = MakeEngine();
    slave.stopAtStep = 0;
    EXPECT_EQ(engine->Run(10), 1u);
    EXPECT_EQ(master.calls, 0);
}

TEST_P(CParallelGATest, MasterStopInIterationKEndsTheRunAfterIt) {
    auto engine = MakeEngine();
    master.stopAtCall = 3;
    EXPECT_EQ(engine->Run(100), 4u);
    EXPECT_EQ(master.calls, 4);
    ExpectEveryThreadStepped(4);
}

TEST_P(CParallelGATest, ARunAfterAStoppedOneStartsWithClearStopFlags) {
    if (threads() == 0) GTEST_SKIP() << "no slave thread to stop";
    auto engine = MakeEngine();
    slave.stopAtStep = 2;
    EXPECT_EQ(engine->Run(50), 3u);
    // The stopping step has passed: the next run must go the full length.
    EXPECT_EQ(engine->Run(50), 50u);
    EXPECT_EQ(master.calls, 2 + 50);
    ExpectEveryThreadStepped(53);
}

TEST_P(CParallelGATest, FailedStatusesAndEscapedExceptionsLetTheRunGoOn) {
    auto engine = MakeEngine();
    master.status = -1;
    slave.status = -1;
    EXPECT_EQ(engine->Run(5), 5u);
    slave.throwAlways = true;
    EXPECT_EQ(engine->Run(5), 5u);
    EXPECT_EQ(master.calls, 10);
    ExpectEveryThreadStepped(10);
}

TEST_P(CParallelGATest, ThreadTimesAddUpOverManySubMillisecondSteps) {
    auto engine = MakeEngine();
    const std::int64_t fifthOfAMsec = platform::CounterFrequency() / 5000;
    slave.spinTicks = fifthOfAMsec;
    master.spinTicks = fifthOfAMsec;
    constexpr std::uint32_t kIterations = 100;
    // Each step lasts at least 0.2 ms, so 100 of them make at least 20 ms even
    // though no single step reaches a whole millisecond.
    ASSERT_EQ(engine->Run(kIterations), kIterations);
    std::int64_t masterMsec = -1;
    const auto times = engine->GetThreadTimes(masterMsec);
    ASSERT_NE(times, nullptr);
    for (std::uint32_t j = 0; j < threads(); ++j) EXPECT_GE(times[j], 20u) << "thread " << j;
    EXPECT_GE(masterMsec, 20);
    // Totals are cumulative over runs.
    ASSERT_EQ(engine->Run(kIterations), kIterations);
    const auto later = engine->GetThreadTimes(masterMsec);
    for (std::uint32_t j = 0; j < threads(); ++j) EXPECT_GE(later[j], times[j] + 20u) << "thread " << j;
    EXPECT_GE(masterMsec, 40);
}

TEST_P(CParallelGATest, DestroyingAnEngineThatNeverRanEndsEveryThread) {
    for (int round = 0; round < 5; ++round) {
        auto engine = MakeEngine();
        engine.reset();
    }
    ExpectEveryThreadStepped(0);
}

INSTANTIATE_TEST_SUITE_P(ThreadCounts, CParallelGATest, ::testing::Values(0u, 1u, 2u, 3u, 8u, 65u),
                         [](const ::testing::TestParamInfo<std::uint32_t>& param) {
                             return std::to_string(param.param) + "Threads";
                         });

TEST(CParallelGAZeroThreadsTest, EveryIterationIsAMasterPhaseAlone) {
    PhaseMonitor monitor;
    CountingInit init;
    CountingMaster master(&monitor);
    CountingSlave slave(&monitor, 0);
    CParallelGA engine(&init, &master, &slave, 0);
    EXPECT_EQ(engine.Run(12), 12u);
    EXPECT_EQ(master.calls, 12);
    std::int64_t masterMsec = -1;
    const auto times = engine.GetThreadTimes(masterMsec);
    EXPECT_NE(times, nullptr);
    EXPECT_GE(masterMsec, 0);
    EXPECT_EQ(engine.GetThreadCount(), 0u);
}

}  // namespace
