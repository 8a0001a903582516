#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "solve/solve.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;
using json = nlohmann::json;

std::string RecordPath(const std::string& name) {
    return (fs::temp_directory_path() /
            ("zarnel_islands_" + std::to_string(::getpid()) + "_" + name + ".json"))
        .string();
}

json TakeRecord(const std::string& path) {
    std::ifstream in(path);
    json record = json::parse(in);
    in.close();
    fs::remove(path);
    return record;
}

zarnel::SolveOptions IslandOptions(const std::string& record) {
    zarnel::SolveOptions options;
    options.islands = 3;
    options.threads = 2;
    options.population = 20;
    options.seed = 11;
    options.quiet = true;
    options.handleSignals = false;
    options.migrationInterval = 5;
    options.migrants = 2;
    options.record = RecordPath(record);
    return options;
}

TEST(SolveIslands, MigrantsGoRoundTheRingAndTheRecordSumsTheIslands) {
    zarnel::SolveOptions options = IslandOptions("ring");
    options.maxIterations = 60;
    const auto result = zarnel::Solve(OneMax{400}, options);
    const json record = TakeRecord(options.record);

    EXPECT_EQ(record["stop_reason"], "iteration_limit");
    EXPECT_EQ(record["parameters"]["islands"], 3);
    EXPECT_EQ(record["parameters"]["migration_interval"], 5);
    ASSERT_EQ(record["islands"].size(), 3u);
    std::uint64_t iterations = 0, evaluations = 0, sent = 0, received = 0, discarded = 0, longest = 0;
    double best = -1;
    for (std::size_t i = 0; i < 3; ++i) {
        const json& island = record["islands"][i];
        EXPECT_EQ(island["island"], i);
        // Two slave threads over three islands: the last runs its steps on
        // its master thread.
        EXPECT_EQ(island["threads"].size(), i < 2 ? 1u : 0u);
        iterations += island["master_iterations"].get<std::uint64_t>();
        longest = std::max(longest, island["master_iterations"].get<std::uint64_t>());
        evaluations += island["evaluations"].get<std::uint64_t>();
        sent += island["migrants_sent"].get<std::uint64_t>();
        received += island["migrants_received"].get<std::uint64_t>();
        discarded += island["migrants_discarded"].get<std::uint64_t>();
        best = std::max(best, island["best_fitness"].get<double>());
    }
    // The first island at the limit stops the others, wherever they are.
    EXPECT_EQ(longest, 60u);
    EXPECT_GT(received, 0u);
    EXPECT_EQ(sent, received + discarded);
    EXPECT_EQ(record["master_iterations"], iterations);
    EXPECT_EQ(result.iterations, iterations);
    EXPECT_EQ(record["evaluations"], evaluations);
    EXPECT_EQ(result.evaluations, evaluations);
    // The result is the best of every island.
    EXPECT_EQ(result.fitness, best);
    EXPECT_EQ(record["best_fitness"], best);
    EXPECT_EQ(OneMax{400}.fitness(result.genes), best);
}

TEST(SolveIslands, TheTargetOnOneIslandStopsEveryIsland) {
    zarnel::SolveOptions options = IslandOptions("target");
    options.islands = 4;
    options.migrants = 0;  // four searches apart: whichever reaches the target first ends all
    options.target = 40;
    options.timeLimit = 100;
    const auto result = zarnel::Solve(OneMax{40}, options);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(result.stopReason, zarnel::StopReason::kTarget);
    EXPECT_EQ(result.fitness, 40);
    EXPECT_EQ(record["stop_reason"], "target");
    EXPECT_LT(result.seconds, 100);
    ASSERT_EQ(record["islands"].size(), 4u);

    // Deterministic: the island that reaches it leaves, the others stop at
    // the next migration, whatever their speed.
    options.deterministic = true;
    options.record = RecordPath("target_det");
    const auto repeat = zarnel::Solve(OneMax{40}, options);
    const json fixed = TakeRecord(options.record);
    EXPECT_EQ(repeat.stopReason, zarnel::StopReason::kTarget);
    std::uint64_t reached = ~std::uint64_t{0};
    for (const json& island : fixed["islands"]) {
        if (island["best_fitness"] == 40)
            reached = std::min(reached, island["master_iterations"].get<std::uint64_t>());
    }
    ASSERT_NE(reached, ~std::uint64_t{0});
    const std::uint64_t nextMigration = (reached / 5 + 1) * 5;
    for (const json& island : fixed["islands"])
        EXPECT_LE(island["master_iterations"].get<std::uint64_t>(), nextMigration);
}

TEST(SolveIslands, AFailingIslandStopsAllAndItsExceptionLeavesSolve) {
    std::atomic<std::uint64_t> calls{0};
    zarnel::SolveOptions options = IslandOptions("failing");
    options.population = 12;
    options.timeLimit = 100;
    try {
        zarnel::Solve(Faulty{&calls, 2000}, options);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "fitness broke");
    }
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "error");
    EXPECT_EQ(record["islands"].size(), 3u);
    // The islands ended soon after the failure: no island ran on for long.
    EXPECT_LT(record["wall_seconds"].get<double>(), 100);
}

// The record of a deterministic run of two islands, without what may differ
// by thread count: times, per-thread figures and the thread count itself.
template <class Problem>
json DeterministicIslands(const Problem& problem, std::uint32_t threads) {
    zarnel::SolveOptions options = IslandOptions("det");
    options.islands = 2;
    options.threads = threads;
    options.population = 40;
    options.deterministic = true;
    options.maxIterations = 60;
    options.progressEvery = 20;
    options.migrationInterval = 10;
    const auto result = zarnel::Solve(problem, options);
    json record = TakeRecord(options.record);
    EXPECT_EQ(record["best_fitness"], result.fitness);
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
        record.erase(member);
    record["parameters"].erase("threads");
    for (auto& entry : record["history"]) entry.erase("seconds");
    for (auto& island : record["islands"]) island.erase("threads");
    return record;
}

TEST(SolveIslands, DeterministicIslandsRepeatMemberByMemberAtEveryThreadCount) {
    const json one = DeterministicIslands(Sorting{30}, 1);
    EXPECT_GT(one["islands"][1]["migrants_received"].get<int>(), 0);
    for (const std::uint32_t threads : {0u, 2u, 4u})
        EXPECT_EQ(DeterministicIslands(Sorting{30}, threads), one) << threads << " threads";
    const json sphere = DeterministicIslands(Sphere{}, 2);
    EXPECT_EQ(DeterministicIslands(Sphere{}, 4), sphere);
}

// What Solve says when it refuses `options`, or "" when it runs them.
std::string Refusal(const zarnel::SolveOptions& options) {
    try {
        zarnel::Solve(OneMax{}, options);
    } catch (const zarnel::SolveError& error) {
        return error.what();
    }
    return "";
}

TEST(SolveIslands, IslandOptionsThatCannotWorkAreRefusedByName) {
    zarnel::SolveOptions options = IslandOptions("refused");
    options.maxIterations = 1;
    options.migrants = 20;
    EXPECT_NE(Refusal(options).find("migrants 20 is not below the population 20"), std::string::npos)
        << Refusal(options);
    options.migrants = 19;
    options.population = 19;
    EXPECT_NE(Refusal(options).find("migrants 19 is not below the population 19"), std::string::npos);
    options.population = 20;
    options.migrants = 1;
    options.islands = 0;
    EXPECT_NE(Refusal(options).find("islands 0 is outside 1"), std::string::npos) << Refusal(options);
    options.islands = 100000;
    EXPECT_NE(Refusal(options).find("islands 100000 is outside 1"), std::string::npos);
    options.islands = 2;
    options.migrationInterval = 0;
    EXPECT_NE(Refusal(options).find("migrationInterval is 0"), std::string::npos) << Refusal(options);
    EXPECT_FALSE(fs::exists(options.record));
    // One island has no ring: its migration settings are not looked at.
    options.islands = 1;
    options.migrants = 20;
    EXPECT_EQ(Refusal(options), "");
    fs::remove(options.record);
}

}  // namespace
