#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "bench_shell.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// ZarnelBench --operators real, --evaluations and --deterministic, run
// through the shell in a directory of their own.
class BenchRealE2E : public bench_shell::BenchShellTest {};

using bench_shell::Outcome;

TEST_F(BenchRealE2E, ARealRunReachesTheKnownBestWithinItsBudgetAndRecordsItsOperators) {
    // 2003's best (1.5) lies on a ring inside the domain.
    const Outcome result =
        Run("--function 2003 --operators real --evaluations 6000 --population 20 --threads 1 --runs 2 "
            "--seed 3 --json rec.json");
    ASSERT_EQ(result.status, 0) << result.err;
    const json record = Record();
    EXPECT_EQ(record["parameters"]["operators"], "real");
    EXPECT_EQ(record["parameters"]["evaluations"], 6000);
    ASSERT_EQ(record["runs"].size(), 2u);
    for (const json& run : record["runs"]) {
        EXPECT_EQ(run["best_fitness"], run["known_best"]);
        EXPECT_EQ(run["difference"], 0.0);
        // A run stops at its budget, passing it by less than one slave phase.
        EXPECT_GE(run["evaluations"].get<std::uint64_t>(), 6000u);
        EXPECT_LT(run["evaluations"].get<std::uint64_t>(), 6100u);
    }
}

TEST_F(BenchRealE2E, DeterministicRunsGiveTheSameResultsOnOneAndTwoThreads) {
    json results[2];
    for (int threads = 1; threads <= 2; ++threads) {
        SCOPED_TRACE(threads);
        const Outcome result =
            Run("--function 40003 --operators real --deterministic --population 24 "
                "--evaluations 8000 --runs 2 --seed 5 --json rec.json --threads " +
                std::to_string(threads));
        ASSERT_EQ(result.status, 0) << result.err;
        const json record = Record();
        EXPECT_EQ(record["parameters"]["deterministic"], 1);
        for (const json& run : record["runs"]) {
            results[threads - 1].push_back({run["best_fitness"], run["evaluations"]});
        }
    }
    EXPECT_EQ(results[0], results[1]);
    // The two runs have seeds of their own.
    EXPECT_NE(results[0][0], results[0][1]);
}

TEST_F(BenchRealE2E, BadValuesOfTheNewFlagsAreRefusedBeforeAnythingRuns) {
    const struct {
        const char* flags;
        const char* says;
    } refusals[] = {
        {"--operators fancy", "--operators"},
        {"--evaluations 0", "--evaluations"},
        {"--evaluations many", "--evaluations"},
        {"--evaluations 10000000001", "--evaluations"},
        {"--evaluations 5000 --iterations 10", "excludes"},
        {"--deterministic", "--deterministic"},
        {"--operators real --population 8 --threads 3", "--population"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.flags);
        const Outcome result = Run(std::string(refusal.flags) + " --json rec.json");
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(refusal.says), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(fs::exists(dir / "rec.json"));
    }
}

TEST_F(BenchRealE2E, AClassicEvaluationBudgetBecomesTheFewestIterationsThatReachIt) {
    const Outcome result = Run(
        "--function 40004 --evaluations 1000 --population 20 --threads 1 --runs 1 --seed 2 --json rec.json");
    ASSERT_EQ(result.status, 0) << result.err;
    const json record = Record();
    EXPECT_FALSE(record["parameters"].contains("operators")) << "a classic run's record is as before";
    const auto evaluations = record["runs"][0]["evaluations"].get<std::uint64_t>();
    EXPECT_GE(evaluations, 1000u);
    // One master iteration of one slave thread makes 100 tournament steps and
    // 20 x 40 x 0.03 = 24 flips.
    EXPECT_LT(evaluations, 1000u + 124u);
}

}  // namespace
