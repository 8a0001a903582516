// What a run of Solve does when the problem's code or the caller's callback
// fails, or gives no number: the run ends with its record, which tells the
// truth, and the failure leaves Solve.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
using json = nlohmann::json;

// From its `after`-th call on, improve writes `value` (none: a copy of gene
// 0) into gene 1: a genome that its kind refuses.
template <class Base, class Gene>
struct Breaking : Base {
    std::optional<Gene> value;
    std::uint64_t after = 0;
    std::shared_ptr<std::atomic<std::uint64_t>> calls = std::make_shared<std::atomic<std::uint64_t>>(0);
    void improve(std::span<Gene> genes, zarnel::Random&) const {
        if (calls->fetch_add(1) >= after) genes[1] = value.value_or(genes[0]);
    }
};

class CodeThatFails : public ::testing::TestWithParam<std::uint32_t> {
protected:
    zarnel::SolveOptions Options() const {
        zarnel::SolveOptions options = Recorded(GetParam(), 24, "failure");
        options.maxIterations = 200;
        options.stepsPerPhase = 5;
        return options;
    }
};

// In the first population (after 0 calls) and in a child (after 100). A
// duplicate city crashed the edge recombination before; the other genomes
// were taken silently.
TEST_P(CodeThatFails, AnImproveThatBreaksTheGenomeEndsTheRunNamingGeneAndValue) {
    const auto failure = [&](const auto& problem) {
        const zarnel::SolveOptions options = Options();
        std::string message = "no failure";
        try {
            zarnel::Solve(problem, options);
        } catch (const zarnel::SolveError& error) {
            message = error.what();
        }
        EXPECT_EQ(TakeRecord(options.record)["stop_reason"], "error");
        return message;
    };
    for (const std::uint64_t after : {0u, 100u}) {
        EXPECT_NE(failure(Breaking<Sorting, std::uint32_t>{{}, std::nullopt, after})
                      .find("the problem's improve left a genome that is no permutation: value "),
                  std::string::npos);
        EXPECT_NE(failure(Breaking<Sphere, double>{{}, 1e9, after})
                      .find("no real_vector: gene 2 is 1e+09, above its upper bound 10"),
                  std::string::npos);
        EXPECT_NE(failure(Breaking<OneMax, std::uint8_t>{{}, 7, after})
                      .find("no bit_string: gene 2 is 7, not 0 or 1"),
                  std::string::npos);
    }
}

// It left through the run loop, and no record was written.
TEST_P(CodeThatFails, AProgressCallbackThatThrowsEndsTheRunWithItsRecord) {
    zarnel::SolveOptions options = Options();
    options.progressEvery = 10;
    options.progress = [](const zarnel::Progress& progress) {
        if (progress.iteration == 30) throw std::runtime_error("progress broke");
    };
    EXPECT_THROW(zarnel::Solve(OneMax{}, options), std::runtime_error);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "error");
    EXPECT_EQ(record["master_iterations"], 30);
}

// No number was computed: the record said 0.0, with 0 evaluations.
TEST_P(CodeThatFails, AFitnessThatNeverReturnsLeavesNoNumberInTheRecord) {
    std::atomic<std::uint64_t> calls{0};
    const zarnel::SolveOptions options = Options();
    EXPECT_THROW(zarnel::Solve(Faulty{&calls, 1}, options), std::runtime_error);
    const json record = TakeRecord(options.record);
    EXPECT_TRUE(record["best_fitness"].is_null()) << record["best_fitness"];
    EXPECT_TRUE(record["history"].back()["best"].is_null());
    EXPECT_GE(calls.load(), 1u);
    EXPECT_EQ(record["evaluations"], calls.load());
}

INSTANTIATE_TEST_SUITE_P(Threads, CodeThatFails, ::testing::Values(0u, 1u, 2u),
                         [](const auto& param) { return std::to_string(param.param) + "Threads"; });

// JSON numbers are finite: the record wrote null for all three.
TEST(RecordedFitness, InfinitiesAreKeptApartFromNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [value, written] :
         {std::pair<double, json>{inf, "inf"}, {-inf, "-inf"}, {NAN, nullptr}}) {
        zarnel::SolveOptions options = Recorded(1, 24, "inf");
        options.maxIterations = 3;
        options.target = value == -inf ? -inf : inf;
        zarnel::Solve(Constant{value}, options);
        const json record = TakeRecord(options.record);
        EXPECT_EQ(record["best_fitness"], written) << value;
        EXPECT_EQ(record["history"].back()["best"], written) << value;
        EXPECT_EQ(record["parameters"]["target"], value == -inf ? "-inf" : "inf");
    }
}

}  // namespace
