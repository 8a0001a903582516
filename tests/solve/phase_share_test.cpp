// How the steps of a slave phase are shared among the threads and how long
// a sized phase is: every step goes to exactly one thread, a run of shared
// steps loses and repeats no child, and the sizer grows a phase until what
// surrounds it is a small share of it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "solve/phase_sizer.h"
#include "solve/solve.h"
#include "solve/step_share.h"
#include "tests/solve/record_files.h"

namespace {

using zarnel::detail::PhaseSizer;
using zarnel::detail::StepShare;

// threads, steps in a phase, steps per Take.
class StepShareTest
    : public ::testing::TestWithParam<std::tuple<std::uint32_t, std::uint64_t, std::uint64_t>> {};

TEST_P(StepShareTest, EveryStepOfEveryPhaseGoesToExactlyOneTake) {
    const auto [threads, total, chunk] = GetParam();
    StepShare share;
    std::vector<std::atomic<std::uint32_t>> taken(total + 1);
    for (int phase = 1; phase <= 3; ++phase) {
        share.Reset(total, chunk);
        {
            std::vector<std::jthread> workers;
            for (std::uint32_t t = 0; t < threads; ++t) {
                workers.emplace_back([&] {
                    for (StepShare::Run run = share.Take(); run.first < run.last; run = share.Take()) {
                        for (std::uint64_t s = run.first; s < run.last; ++s) ++taken[s];
                    }
                });
            }
        }
        for (std::uint64_t s = 0; s < total; ++s) ASSERT_EQ(taken[s].load(), phase) << "step " << s;
        EXPECT_EQ(taken[total].load(), 0u);
        const StepShare::Run after = share.Take();
        EXPECT_EQ(after.first, after.last);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, StepShareTest,
                         ::testing::Values(std::make_tuple(1u, 10u, 1u), std::make_tuple(2u, 1u, 1u),
                                           std::make_tuple(2u, 1000u, 1u), std::make_tuple(3u, 1000u, 7u),
                                           std::make_tuple(4u, 100000u, 3u), std::make_tuple(4u, 5u, 64u),
                                           std::make_tuple(2u, 0u, 1u)));

// A problem whose every child gets the next serial number from improve and
// is scored by that number, scored one by one or in batches: a step that two
// threads took would score a serial twice, one that none took would leave
// the total short.
struct Serials {
    struct Log {
        std::atomic<std::int64_t> next{0};
        std::mutex mutex;  // guards scored
        std::vector<std::uint32_t> scored;
        void Score(std::int64_t serial) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (static_cast<std::size_t>(serial) >= scored.size()) scored.resize(serial + 1);
            ++scored[serial];
        }
    };
    Log* log;
    zarnel::IntegerVector genome() const {
        return {std::vector<std::int64_t>(3, 0), std::vector<std::int64_t>(3, std::int64_t{1} << 40)};
    }
    void improve(std::span<std::int64_t> x, zarnel::Random&) const { x[0] = log->next++; }
    double fitness(std::span<const std::int64_t> x) const {
        log->Score(x[0]);
        return static_cast<double>(x[0] % 97);
    }
};
struct BatchSerials : Serials {
    void batchFitness(std::span<const std::int64_t> genomes, std::span<double> fitness) const {
        for (std::size_t i = 0; i < fitness.size(); ++i)
            fitness[i] = Serials::fitness(genomes.subspan(i * 3, 3));
    }
};

// threads, scored in batches.
class SharedSteps : public ::testing::TestWithParam<std::tuple<std::uint32_t, bool>> {};

TEST_P(SharedSteps, APhaseHasItsStepsTimesThreadsChildrenEachScoredOnce) {
    const auto [threads, batched] = GetParam();
    Serials::Log log;
    zarnel::SolveOptions options = solve_test::Recorded(threads, 60, "shared_steps");
    options.stepsPerPhase = 7;
    options.maxIterations = 25;
    const auto result =
        batched ? zarnel::Solve(BatchSerials{{&log}}, options) : zarnel::Solve(Serials{&log}, options);
    const nlohmann::json record = solve_test::TakeRecord(options.record);

    std::uint64_t steps = 0;
    for (const auto& thread : record["threads"]) steps += thread["steps"].get<std::uint64_t>();
    EXPECT_EQ(steps, 7u * threads * 25u);
    EXPECT_EQ(result.evaluations, steps + 60);
    const auto issued = static_cast<std::size_t>(log.next.load());
    EXPECT_EQ(issued, steps + 60);
    ASSERT_EQ(log.scored.size(), issued);
    for (std::size_t serial = 0; serial < issued; ++serial) ASSERT_EQ(log.scored[serial], 1u) << serial;
}

INSTANTIATE_TEST_SUITE_P(Threads, SharedSteps,
                         ::testing::Combine(::testing::Values(2u, 3u, 4u), ::testing::Bool()));

// The overhead around a phase (seconds), and the phase length it settles at.
class PhaseSizerTest : public ::testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(PhaseSizerTest, APhaseGrowsUntilItsOverheadIsASmallShareWithinItsBounds) {
    const auto [overhead, settled] = GetParam();
    constexpr double kStepSeconds = 1e-6;
    PhaseSizer sizer;
    std::uint32_t steps = 1;
    for (int phase = 0; phase < 40; ++phase) steps = sizer.Next(steps, steps * kStepSeconds, overhead);
    EXPECT_NEAR(steps * kStepSeconds, settled, settled * 0.01);
}

INSTANTIATE_TEST_SUITE_P(Overheads, PhaseSizerTest,
                         ::testing::Values(std::make_tuple(0.0, PhaseSizer::kTargetSeconds),
                                           std::make_tuple(20e-6, PhaseSizer::kTargetSeconds),
                                           std::make_tuple(1e-3, 1e-3 / PhaseSizer::kOverheadShare),
                                           std::make_tuple(0.05, PhaseSizer::kMaxTargetSeconds)));

}  // namespace
