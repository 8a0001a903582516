#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "solve/solve.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;

// The record of one deterministic run, without what may differ by thread
// count: times, per-thread figures and the thread count itself.
template <class Problem>
nlohmann::json DeterministicRecord(const Problem& problem, std::uint32_t threads) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = 40;
    options.seed = 2026;
    options.quiet = true;
    options.deterministic = true;
    options.maxIterations = 60;
    options.progressEvery = 20;
    options.record =
        (fs::temp_directory_path() / ("zarnel_det_" + std::to_string(::getpid()) + ".json")).string();
    const auto result = zarnel::Solve(problem, options);
    nlohmann::json record;
    {
        // Closed before the removal: Windows refuses to remove an open file.
        std::ifstream in(options.record);
        record = nlohmann::json::parse(in);
    }
    fs::remove(options.record);
    EXPECT_EQ(record["best_fitness"], result.fitness);
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
        record.erase(member);
    record["parameters"].erase("threads");
    for (auto& entry : record["history"]) entry.erase("seconds");
    return record;
}

template <class Problem>
void ExpectTheSameAtEveryThreadCount(const Problem& problem) {
    const nlohmann::json one = DeterministicRecord(problem, 1);
    EXPECT_EQ(one["history"].size(), 3u);
    for (const std::uint32_t threads : {0u, 2u, 3u, 4u, 8u})
        EXPECT_EQ(DeterministicRecord(problem, threads), one) << threads << " threads";
}

TEST(SolveDeterminism, ASeedGivesTheSameRunWithAnyNumberOfThreads) {
    ExpectTheSameAtEveryThreadCount(Sorting{30});
    ExpectTheSameAtEveryThreadCount(Sphere{});
}

}  // namespace
