#include "run/run_loop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/individual.h"
#include "framework/operator.h"
#include "framework/population.h"
#include "run/history.h"

namespace {

using zarnel::run::RunHooks;
using zarnel::run::RunLoop;
using zarnel::run::StopLimits;
using zarnel::run::StopReason;

// A master phase that counts its calls and asks to stop at one of them.
class CountingMaster : public zarnel::COperatorBase {
public:
    explicit CountingMaster(std::uint32_t stopAt = 0) : stopAt_(stopAt) {}
    int Execute() override { return ++calls == stopAt_ ? zarnel::kStop : zarnel::kDone; }
    std::uint32_t calls = 0;

private:
    std::uint32_t stopAt_;
};

class Idle : public zarnel::COperatorBase {
public:
    int Execute() override { return zarnel::kDone; }
};

class IdleSlave : public zarnel::CSlaveOperatorBase {
public:
    using zarnel::CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t, std::uint32_t) override { return zarnel::kDone; }
};

struct Outcome {
    StopReason reason;
    std::vector<std::uint32_t> chunkEnds;  // the totals the chunk hook saw
    std::uint32_t masterCalls;
};

// Runs a loop over one slave thread until `solvedAt` master iterations (the
// chunk hook's solved test) or a limit.
Outcome RunTo(std::uint32_t solvedAt, const StopLimits& limits, std::uint32_t stopAt = 0,
              std::optional<std::uint32_t> endAt = std::nullopt) {
    Idle init;
    IdleSlave slave;
    CountingMaster master(stopAt);
    zarnel::CParallelGA engine(&init, &master, &slave, 1);
    Outcome outcome{};
    RunHooks hooks;
    hooks.afterChunk = [&](std::uint32_t total) {
        outcome.chunkEnds.push_back(total);
        return total >= solvedAt;
    };
    if (endAt) {
        hooks.betweenIterations = [&](std::uint32_t total) -> std::optional<StopReason> {
            if (total >= *endAt) return StopReason::kSignal;
            return std::nullopt;
        };
    }
    RunLoop loop(engine, limits, RunLoop::Clock::now(), 100);
    outcome.reason = loop.Run(hooks);
    outcome.masterCalls = master.calls;
    EXPECT_EQ(loop.Total(), outcome.chunkEnds.back());
    return outcome;
}

TEST(RunLoopTest, IterationLimitCutsTheLastChunkAndKeepsTheRhythm) {
    const Outcome out = RunTo(1000000, {250, 0.0});
    EXPECT_EQ(out.reason, StopReason::kIterationLimit);
    EXPECT_EQ(out.chunkEnds, (std::vector<std::uint32_t>{100, 200, 250}));
    EXPECT_EQ(out.masterCalls, 250u);
}

TEST(RunLoopTest, StepwiseRunEndsChunksWhereWholeChunksEnd) {
    // An operator's stop ends a chunk early; one iteration at a time (a limit
    // is set that never fires) must end it at the same count.
    const Outcome whole = RunTo(150, {}, 150);
    const Outcome stepwise = RunTo(150, {1000000, 3600.0}, 150);
    EXPECT_EQ(whole.chunkEnds, (std::vector<std::uint32_t>{100, 150}));
    EXPECT_EQ(stepwise.chunkEnds, whole.chunkEnds);
    EXPECT_EQ(stepwise.masterCalls, whole.masterCalls);
    EXPECT_EQ(stepwise.reason, StopReason::kSolved);
}

TEST(RunLoopTest, SolvedWinsOverALimitReachedInTheSameIteration) {
    EXPECT_EQ(RunTo(200, {200, 0.0}).reason, StopReason::kSolved);
}

TEST(RunLoopTest, TimeLimitAndHookEndWithinOneIteration) {
    const Outcome timed = RunTo(1000000, {0, 1e-9});
    EXPECT_EQ(timed.reason, StopReason::kTimeLimit);
    EXPECT_EQ(timed.masterCalls, 1u);
    const Outcome ended = RunTo(1000000, {}, 0, 130);
    EXPECT_EQ(ended.reason, StopReason::kSignal);
    EXPECT_EQ(ended.chunkEnds, (std::vector<std::uint32_t>{100, 130}));
}

TEST(HistoryTest, SummariseCountsDistinctGenomesAndAverages) {
    using Individual = zarnel::CIndividual<std::uint16_t, float>;
    zarnel::CPopulation<Individual> population(4, 3);
    const std::uint16_t genomes[4][3] = {{0, 1, 2}, {2, 1, 0}, {0, 1, 2}, {1, 0, 2}};
    const float fitness[4] = {-3.0f, -1.0f, -3.0f, -2.0f};
    for (std::uint32_t i = 0; i < 4; ++i) {
        std::copy(genomes[i], genomes[i] + 3, population.GetIndividual(i)->GetGenes());
        population.GetIndividual(i)->SetFitness(fitness[i]);
    }
    const zarnel::run::HistoryEntry entry = zarnel::run::Summarise(population, 7);
    EXPECT_EQ(entry.iteration, 7u);
    EXPECT_EQ(entry.distinct, 3u);
    EXPECT_DOUBLE_EQ(entry.best, -1.0);
    EXPECT_DOUBLE_EQ(entry.mean, -2.25);
}

}  // namespace
