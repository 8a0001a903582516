#include "solve/solve.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
using zarnel::SolveError;
using zarnel::SolveOptions;
using zarnel::StopReason;
namespace fs = std::filesystem;

SolveOptions Quiet(std::uint32_t threads) {
    SolveOptions options;
    options.threads = threads;
    options.population = 30;
    options.seed = 11;
    options.quiet = true;
    return options;
}

std::string TempPath(const std::string& name) {
    return (fs::temp_directory_path() / ("zarnel_solve_" + std::to_string(::getpid()) + "_" + name)).string();
}

nlohmann::json ReadJson(const std::string& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

class SolveStops : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SolveStops, EachStopReasonEndsTheRunAndSaysSo) {
    {
        SolveOptions options = Quiet(GetParam());
        options.target = 64;
        const auto result = zarnel::Solve(OneMax{}, options);
        EXPECT_EQ(result.stopReason, StopReason::kTarget);
        EXPECT_EQ(result.fitness, 64);
    }
    {
        SolveOptions options = Quiet(GetParam());
        options.maxIterations = 5;
        const auto result = zarnel::Solve(OneMax{4000}, options);
        EXPECT_EQ(result.stopReason, StopReason::kIterationLimit);
        EXPECT_EQ(result.iterations, 5u);
    }
    {
        SolveOptions options = Quiet(GetParam());
        options.timeLimit = 0.2;
        const auto result = zarnel::Solve(OneMax{4000}, options);
        EXPECT_EQ(result.stopReason, StopReason::kTimeLimit);
        EXPECT_GE(result.seconds, 0.2);
    }
    {
        // A budget of evaluations, overshot by at most one phase.
        SolveOptions options = Quiet(GetParam());
        options.maxEvaluations = 300;
        options.stepsPerPhase = 10;
        const auto result = zarnel::Solve(OneMax{4000}, options);
        EXPECT_EQ(result.stopReason, StopReason::kEvaluationLimit);
        EXPECT_GE(result.evaluations, 300u);
        EXPECT_LT(result.evaluations, 300u + 10 * std::max(GetParam(), 1u));
    }
    {
        SolveOptions options = Quiet(GetParam());
        options.stagnation = 3;
        const auto result = zarnel::Solve(Flat{}, options);
        EXPECT_EQ(result.stopReason, StopReason::kStagnation);
        EXPECT_EQ(result.iterations, 3u);
    }
}

#ifndef _WIN32
// Windows has no SIGTERM to send oneself; Ctrl+Break is its end request.
TEST_P(SolveStops, AnEndRequestEndsTheRunAfterTheCurrentIteration) {
    SolveOptions options = Quiet(GetParam());
    options.progressInterval = 1e-6;
    options.progress = [](const zarnel::Progress&) { std::raise(SIGTERM); };
    const auto result = zarnel::Solve(OneMax{4000}, options);
    EXPECT_EQ(result.stopReason, StopReason::kSignal);
}
#endif

TEST_P(SolveStops, AFailingFitnessEndsTheRunWithItsRecordAndIsThrownAgain) {
    std::atomic<std::uint64_t> calls{0};
    SolveOptions options = Quiet(GetParam());
    options.record = TempPath("faulty.json");
    EXPECT_THROW(zarnel::Solve(Faulty{&calls, 200}, options), std::runtime_error);
    EXPECT_EQ(ReadJson(options.record)["stop_reason"], "error");
    fs::remove(options.record);
}

TEST_P(SolveStops, TheBestNeverGetsWorseAndEveryKindImproves) {
    SolveOptions options = Quiet(GetParam());
    options.maxIterations = 40;
    options.stepsPerPhase = 50;  // the same work whatever the machine's speed
    double last = -1e300;
    options.progressInterval = 1e-6;
    options.progressEvery = 1;  // a seeded run on 0 or 1 threads counts iterations, not seconds
    options.progress = [&](const zarnel::Progress& progress) {
        EXPECT_GE(progress.best, last);
        last = progress.best;
    };
    EXPECT_GT(zarnel::Solve(Sphere{}, options).fitness, -1.0);
    last = -1e300;
    EXPECT_GT(zarnel::Solve(NearSeven{}, options).fitness, -6.0);
    last = -1e300;
    EXPECT_GE(zarnel::Solve(Sorting{}, options).fitness, 9.0);
    last = -1e300;
    EXPECT_GE(zarnel::Solve(Grouping{}, options).fitness, 7.0);
}

INSTANTIATE_TEST_SUITE_P(Threads, SolveStops, ::testing::Values(0u, 1u, 2u),
                         [](const auto& param) { return std::to_string(param.param) + "Threads"; });

TEST(SolveRecord, AUserProblemsRecordSaysWhatRanAndCountsEveryChild) {
    SolveOptions options = Quiet(2);
    options.maxIterations = 20;
    options.record = TempPath("sorting.json");
    options.progressInterval = 1e-6;
    const auto result = zarnel::Solve(Sorting{}, options);
    const nlohmann::json record = ReadJson(options.record);
    fs::remove(options.record);
    EXPECT_EQ(record["problem"], "sorting");
    EXPECT_EQ(record["genome"]["kind"], "permutation");
    EXPECT_EQ(record["genome"]["length"], 12);
    EXPECT_NE(record["operators"].get<std::string>().find("+improve"), std::string::npos);
    EXPECT_FALSE(record.contains("exit_status"));
    EXPECT_EQ(record["stop_reason"], "iteration_limit");
    EXPECT_EQ(record["seed"], 11);
    // One evaluation per child and one per individual of the first population.
    std::uint64_t steps = 0;
    for (const auto& thread : record["threads"]) steps += thread["steps"].get<std::uint64_t>();
    EXPECT_EQ(steps, result.steps);
    EXPECT_EQ(record["evaluations"], result.steps + 30);
    // The solution as the problem decodes it: the best order, 1-based.
    std::vector<std::int64_t> expected;
    for (std::uint32_t gene : result.genes) expected.push_back(gene + 1);
    EXPECT_EQ(record["solution"].get<std::vector<std::int64_t>>(), expected);
    const auto& last = record["history"].back();
    EXPECT_EQ(last["iteration"], 20);
    EXPECT_EQ(last["evaluations"], record["evaluations"]);
    EXPECT_TRUE(last.contains("seconds"));
}

TEST(SolveMisuse, EachMisuseIsRefusedBeforeAnythingRuns) {
    const auto refusal = [](auto problem, const SolveOptions& options) {
        try {
            zarnel::Solve(problem, options);
        } catch (const SolveError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    SolveOptions options = Quiet(2);
    options.population = 2;
    EXPECT_NE(refusal(OneMax{}, options).find("population 2 is below 3"), std::string::npos);
    options.population = 5;
    EXPECT_NE(refusal(OneMax{}, options).find("too small for 2 thread(s)"), std::string::npos);
    options.population = 30;
    EXPECT_NE(refusal(OneMax{0}, options).find("genome cannot be used"), std::string::npos);
    options.tournamentSize = 2;
    EXPECT_NE(refusal(OneMax{}, options).find("tournamentSize 2"), std::string::npos);
    options.tournamentSize = 3;
    options.record = "/nonexistent-dir/r.json";
    EXPECT_NE(refusal(OneMax{}, options).find("Cannot write the record /nonexistent-dir/r.json"),
              std::string::npos);
    options.record.clear();
    options.timeLimit = -1;
    EXPECT_NE(refusal(OneMax{}, options).find("timeLimit -1"), std::string::npos);
    options.timeLimit = 0;
    struct Backwards {
        zarnel::RealVector genome() const { return {{1.0}, {0.0}}; }
        double fitness(std::span<const double>) const { return 0; }
    };
    EXPECT_NE(refusal(Backwards{}, options).find("genome cannot be used"), std::string::npos);
    zarnel::PermutationOperators rates;
    rates.crossoverRate = 1.5;
    try {
        zarnel::Solve(Sorting{}, options, rates);
        ADD_FAILURE() << "a crossover rate of 1.5 was accepted";
    } catch (const SolveError& error) {
        EXPECT_NE(std::string(error.what()).find("operators cannot be used"), std::string::npos);
    }
}

}  // namespace
