// What a run of Solve does when the problem's code or the caller's callback
// fails, or gives no number: the run ends with its record, which tells the
// truth, and the failure leaves Solve.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;
using json = nlohmann::json;

std::string RecordPath(const std::string& name) { return solve_test::RecordPath("failure", name); }

zarnel::SolveOptions Options(std::uint32_t threads, const std::string& record) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = 24;
    options.seed = 5;
    options.quiet = true;
    options.handleSignals = false;
    options.maxIterations = 200;
    options.stepsPerPhase = 5;
    options.record = RecordPath(record);
    return options;
}

// A problem whose improve, from its `after`-th call on, writes `value` (none:
// a copy of gene 0) into gene `at` of the genome it is given: a genome its
// kind refuses.
template <class Base, class Gene>
struct Breaking : Base {
    std::atomic<std::uint64_t>* calls = nullptr;
    std::uint64_t after = 0;
    std::size_t at = 0;
    std::optional<Gene> value;
    void improve(std::span<Gene> genes, zarnel::Random&) const {
        if (calls->fetch_add(1) >= after) genes[at] = value.value_or(genes[0]);
    }
};

class CodeThatFails : public ::testing::TestWithParam<std::uint32_t> {
protected:
    // Solve's message for a run whose improve breaks genomes from its
    // `after`-th call; the record must say "error".
    template <class Problem>
    std::string Failure(Problem problem, std::uint64_t after) {
        std::atomic<std::uint64_t> calls{0};
        problem.calls = &calls;
        problem.after = after;
        const zarnel::SolveOptions options = Options(GetParam(), "improve");
        std::string message = "no failure";
        try {
            zarnel::Solve(problem, options);
        } catch (const zarnel::SolveError& error) {
            message = error.what();
        }
        EXPECT_EQ(TakeRecord(options.record)["stop_reason"], "error");
        return message;
    }
};

// Each break is caught in the first population (after 0 calls) and in a
// child (after 100), whatever the thread count; a duplicate city crashed
// the edge recombination before.
TEST_P(CodeThatFails, AGenomeItsKindRefusesEndsTheRunNamingImproveGeneAndValue) {
    for (const std::uint64_t after : {0u, 100u}) {
        SCOPED_TRACE(after);
        using Tour = Breaking<Sorting, std::uint32_t>;
        Tour duplicate;
        duplicate.at = 1;
        EXPECT_NE(Failure(duplicate, after).find("improve left a genome that is no permutation: value "),
                  std::string::npos);
        Tour outside;
        outside.at = 0;
        outside.value = 40;
        EXPECT_NE(Failure(outside, after).find("gene 1 is 40, not below the length 12"), std::string::npos);

        using Real = Breaking<Sphere, double>;
        Real far;
        far.at = 2;
        far.value = 1e9;
        EXPECT_NE(Failure(far, after).find("real_vector: gene 3 is 1e+09, above its upper bound 10"),
                  std::string::npos)
            << Failure(far, after);
        Real nan = far;
        nan.value = std::nan("");
        EXPECT_NE(Failure(nan, after).find("gene 3 is nan, not a finite number"), std::string::npos);

        using Bits = Breaking<OneMax, std::uint8_t>;
        Bits seven;
        seven.at = 3;
        seven.value = 7;
        EXPECT_NE(Failure(seven, after).find("bit_string: gene 4 is 7, not 0 or 1"), std::string::npos);
    }
}

TEST_P(CodeThatFails, AProgressCallbackThatThrowsEndsTheRunWithItsRecord) {
    zarnel::SolveOptions options = Options(GetParam(), "progress");
    options.progressEvery = 10;
    int calls = 0;
    options.progress = [&](const zarnel::Progress&) {
        if (++calls == 3) throw std::runtime_error("progress broke");
    };
    try {
        zarnel::Solve(OneMax{}, options);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "progress broke");
    }
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "error");
    EXPECT_EQ(record["master_iterations"], 30);
    EXPECT_EQ(calls, 3);
}

// When every fitness call threw, no number was computed: the record says
// null, and counts the calls that were tried.
TEST_P(CodeThatFails, AFitnessThatNeverReturnsLeavesNoNumberInTheRecord) {
    std::atomic<std::uint64_t> calls{0};
    const zarnel::SolveOptions options = Options(GetParam(), "nonumber");
    EXPECT_THROW(zarnel::Solve(Faulty{&calls, 1}, options), std::runtime_error);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "error");
    EXPECT_TRUE(record["best_fitness"].is_null()) << record["best_fitness"];
    ASSERT_EQ(record["history"].size(), 1u);
    EXPECT_TRUE(record["history"][0]["best"].is_null());
    EXPECT_GE(record["evaluations"].get<std::uint64_t>(), 1u);
    EXPECT_EQ(record["evaluations"].get<std::uint64_t>(), calls.load());
}

INSTANTIATE_TEST_SUITE_P(Threads, CodeThatFails, ::testing::Values(0u, 1u, 2u),
                         [](const auto& param) { return std::to_string(param.param) + "Threads"; });

// JSON numbers are finite: NaN is null, the infinities are named, so that
// a best of +inf is not read as no number at all.
TEST(RecordedFitness, InfinitiesAreKeptApartFromNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, json> cases[] = {{inf, "inf"}, {-inf, "-inf"}, {std::nan(""), nullptr}};
    for (const auto& [value, written] : cases) {
        zarnel::SolveOptions options = Options(1, "inf");
        options.maxIterations = 3;
        options.target = value == -inf ? -inf : inf;
        const auto result = zarnel::Solve(Constant{value}, options);
        EXPECT_EQ(result.fitness == value, !std::isnan(value));
        const json record = TakeRecord(options.record);
        EXPECT_EQ(record["best_fitness"], written) << value;
        EXPECT_EQ(record["history"].back()["best"], written) << value;
        EXPECT_EQ(record["parameters"]["target"], options.target == inf ? json("inf") : json("-inf"));
    }
}

}  // namespace
