#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "bench_shell.h"

namespace {

using nlohmann::json;

class BenchFlagsE2E : public bench_shell::BenchShellTest {};

using bench_shell::Outcome;

// The record without measured times.
json WithoutTimes(json record) {
    for (json& run : record["runs"]) {
        run.erase("seconds");
        for (json& thread : run["threads"]) thread.erase("busy_ms");
    }
    return record;
}

TEST_F(BenchFlagsE2E, SeededRunsWithNoneOrOneSlaveThreadRepeatExactly) {
    for (const char* threads : {"0", "1"}) {
        SCOPED_TRACE(threads);
        const std::string flags =
            std::string("--function 2001 --population 20 --iterations 40 --runs 2 --seed 9 ") +
            "--json rec.json --threads " + threads;
        ASSERT_EQ(Run(flags).status, 0);
        const json first = Record();
        ASSERT_EQ(Run(flags).status, 0);
        EXPECT_EQ(WithoutTimes(Record()), WithoutTimes(first));
        EXPECT_EQ(first["seed"], 9);
        EXPECT_EQ(first["parameters"]["function"], 2001);
        ASSERT_EQ(first["runs"].size(), 2u);
        // Each run has a seed of its own.
        EXPECT_NE(first["runs"][0]["best_fitness"], first["runs"][1]["best_fitness"]);
        for (const json& run : first["runs"]) {
            EXPECT_GE(run["difference"].get<double>(), 0.0) << "nothing beats the known best";
            EXPECT_EQ(run["threads"].size(), threads[0] == '0' ? 0u : 1u);
        }
    }
}

TEST_F(BenchFlagsE2E, AllPrintsOneRowPerFunctionNoneAboveItsKnownBest) {
    const Outcome result =
        Run("--all --population 8 --iterations 3 --runs 2 --threads 1 --seed 4 --json rec.json");
    ASSERT_EQ(result.status, 0) << result.err;
    const json record = Record();
    ASSERT_EQ(record["functions"].size(), 19u);
    EXPECT_EQ(record["runs"].size(), 38u);
    for (const json& function : record["functions"]) {
        // 1003 and 1005 are undefined (NaN) for negative x; a population
        // that holds no number has no best.
        const bool undefined = function["function"] == 1003 || function["function"] == 1005;
        if (!undefined || !function["difference"].is_null()) {
            EXPECT_GE(function["difference"].get<double>(), 0.0) << function;
        }
        EXPECT_NE(result.out.find(std::to_string(function["function"].get<int>()) + "     2 "),
                  std::string::npos);
    }
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 21);
}

TEST_F(BenchFlagsE2E, BadFlagsAreRefusedBeforeAnythingRuns) {
    for (const char* flags :
         {"--bogus", "--threads two", "--seed 4294967296", "--function 1008", "--function 2005",
          "--population 4 --threads 2", "--all --function 1000", "--runs 0", "--json"}) {
        SCOPED_TRACE(flags);
        const Outcome result = Run(flags);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Usage: ZarnelBench"), std::string::npos);
    }
}

}  // namespace
