#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "bench/bench_options.h"
#include "bench/coordinate_search.h"
#include "bench/decoding_grid.h"
#include "bench/known_best.h"
#include "bench/real_benchmark.h"
#include "bench/test_function.h"

namespace {

using zarnel::GridPoint;
using zarnel::NearestGene;

TEST(DecodingGridTest, EndsAreExactAndEveryPointSnapsToItsOwnGene) {
    EXPECT_EQ(GridPoint(0, -10.0, 10.0), -10.0);
    EXPECT_EQ(GridPoint(0xFFFFFFFFu, -10.0, 10.0), 10.0);
    for (const std::uint32_t gene :
         {0u, 1u, 2u, 0x7FFFFFFFu, 0x80000000u, 0x12345678u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(gene);
        EXPECT_EQ(NearestGene(GridPoint(gene, -10.0, 10.0), -10.0, 10.0), gene);
        EXPECT_EQ(NearestGene(GridPoint(gene, -3.0, 5.0), -3.0, 5.0), gene);
    }
    // Off the grid: the nearer neighbour, and outside the bounds the end.
    const double a = GridPoint(1000, -10.0, 10.0), b = GridPoint(1001, -10.0, 10.0);
    EXPECT_EQ(NearestGene(a + 0.3 * (b - a), -10.0, 10.0), 1000u);
    EXPECT_EQ(NearestGene(a + 0.7 * (b - a), -10.0, 10.0), 1001u);
    EXPECT_EQ(NearestGene(-11.0, -10.0, 10.0), 0u);
    EXPECT_EQ(NearestGene(12.0, -10.0, 10.0), 0xFFFFFFFFu);
    EXPECT_EQ(NearestGene(std::nan(""), -10.0, 10.0), 0u);
}

TEST(KnownBestTest, BoundedRowsAreTheFunctionAtTheirCorner) {
    // Each of these is largest with every variable at one bound (see the
    // table's comments); the table holds the function's value there.
    const struct {
        std::int32_t code;
        std::uint32_t gene;
    } corners[] = {{2000, 0u}, {2002, 0u}, {40000, 0xFFFFFFFFu}, {40001, 0xFFFFFFFFu}, {40005, 0u}};
    for (const auto& corner : corners) {
        SCOPED_TRACE(corner.code);
        const std::vector<double> x(zarnel::TestFunctionVariableCount(corner.code),
                                    GridPoint(corner.gene, -10.0, 10.0));
        EXPECT_EQ(zarnel::KnownBest(corner.code), zarnel::TestFunction(corner.code, x.data()));
    }
    // The step function counts floor(+10) = 10 per variable: +10 is a grid point.
    EXPECT_EQ(zarnel::KnownBest(40001), 425.0);
}

TEST(KnownBestTest, GriewanksRowIsTheFunctionAtItsPointAboveTheCorner) {
    // The point tools/known_best_search found: a negative product of the
    // first ten cosines, each near +-1, with the sum as large as it allows.
    std::vector<std::uint32_t> genes{4172494593u, 4057678239u, 3317844713u, 3499605916u,
                                     3659992120u, 3805219756u, 3938979717u, 4063675595u,
                                     4180976086u, 4292095499u, 4294967295u, 4294967295u};
    genes.resize(40, 2147483647u);
    std::vector<double> x;
    for (const std::uint32_t gene : genes) x.push_back(GridPoint(gene, -10.0, 10.0));
    EXPECT_EQ(zarnel::KnownBest(40004), zarnel::TestFunction(40004, x.data()));
    // The corner that the old table held lies below it.
    const std::vector<double> corner(40, -10.0);
    EXPECT_LT(zarnel::TestFunction(40004, corner.data()), *zarnel::KnownBest(40004));
}

TEST(KnownBestTest, NoRowIsBelowTheFunctionAtTheBoundsOrItsStatedPoints) {
    for (const std::int32_t code : zarnel::AllBenchFunctions()) {
        SCOPED_TRACE(code);
        const std::uint32_t n = zarnel::TestFunctionVariableCount(code);
        for (const std::uint32_t gene : {0u, 0x80000000u, 0xFFFFFFFFu}) {
            const std::vector<double> x(n, GridPoint(gene, -10.0, 10.0));
            const double value = zarnel::TestFunction(code, x.data());
            if (!std::isnan(value)) {
                EXPECT_LE(value, *zarnel::KnownBest(code));
            }
        }
    }
}

TEST(BetterTest, ANumberBeatsNaNAndNaNNeverBeatsAnything) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(zarnel::Better(1.0, nan));
    EXPECT_TRUE(zarnel::Better(2.0, 1.0));
    EXPECT_FALSE(zarnel::Better(1.0, 1.0));
    EXPECT_FALSE(zarnel::Better(nan, 1.0));
    EXPECT_FALSE(zarnel::Better(nan, nan));
}

TEST(CoordinateSearchTest, StaysInBoundsNeverWorsensAndClimbsToABoundOptimum) {
    const zarnel::RealVector kind{{-2.0, 0.0, -5.0}, {3.0, 1.0, 5.0}};
    // Largest at (3, 0.25, -5): one coordinate at each bound, one inside.
    const auto score = [](std::span<const double> x) { return x[0] - (x[1] - 0.25) * (x[1] - 0.25) - x[2]; };
    zarnel::Random random(7);
    std::vector<double> x{0.5, 0.9, 1.0};
    double value = score(x);
    const double start = value;
    std::vector<double> seen;
    const auto watched = [&](std::span<const double> point) {
        for (std::size_t i = 0; i < point.size(); ++i) {
            EXPECT_GE(point[i], kind.lower[i]);
            EXPECT_LE(point[i], kind.upper[i]);
        }
        return score(point);
    };
    const std::uint64_t made = zarnel::CoordinateSearch(x, value, kind, watched, {0.25, 1e-9, 0, 0}, random);
    EXPECT_GT(made, 0u);
    EXPECT_GE(value, start);
    EXPECT_EQ(value, score(x));
    EXPECT_EQ(x[0], 3.0);
    EXPECT_NEAR(x[1], 0.25, 1e-7);
    EXPECT_EQ(x[2], -5.0);
}

TEST(CoordinateSearchTest, KeepsToItsBudgetAndANaNStartIsLeftForANumber) {
    const zarnel::RealVector kind{{-1.0, -1.0}, {1.0, 1.0}};
    // NaN on the left half, as 1003 and 1005 give NaN on negative x.
    const auto score = [](std::span<const double> x) {
        return x[0] < 0.0 ? std::numeric_limits<double>::quiet_NaN()
                          : -(x[0] - 0.5) * (x[0] - 0.5) - x[1] * x[1];
    };
    zarnel::Random random(11);
    std::vector<double> x{-0.5, 0.3};
    double value = score(x);
    const std::uint64_t made = zarnel::CoordinateSearch(x, value, kind, score, {0.25, 1e-9, 9, 5}, random);
    EXPECT_LE(made, 9u);
    EXPECT_FALSE(std::isnan(value));
    EXPECT_EQ(value, score(x));
}

TEST(CoordinateSearchTest, AVariableFixedByItsBoundsEndsTheSearchWithoutABudget) {
    // The second variable cannot move: a search with no budget must still end.
    const zarnel::RealVector kind{{-1.0, 0.5}, {1.0, 0.5}};
    const auto score = [](std::span<const double> x) { return -(x[0] - 0.25) * (x[0] - 0.25) + x[1]; };
    zarnel::Random random(5);
    std::vector<double> x{-0.5, 0.5};
    double value = score(x);
    zarnel::CoordinateSearch(x, value, kind, score, {0.25, 1e-9, 0, 0}, random);
    EXPECT_NEAR(x[0], 0.25, 1e-6);
    EXPECT_EQ(x[1], 0.5);
    EXPECT_EQ(value, score(x));
}

TEST(BenchFunctionTest, ImproveKeepsEveryVariableInItsDomainAndNeverWorsens) {
    for (const std::int32_t code : {1005, 2004, 40003}) {
        SCOPED_TRACE(code);
        zarnel::BenchFunction problem;
        problem.code = code;
        problem.searchChance = 1.0;
        const zarnel::RealVector kind = problem.genome();
        zarnel::Random random(static_cast<std::uint64_t>(code));
        for (int trial = 0; trial < 5; ++trial) {
            std::vector<double> x(kind.Length());
            kind.Init(x, random);
            const double before = problem.fitness(x);
            problem.improve(x, random);
            EXPECT_EQ(kind.Check(x), "");
            const double after = problem.fitness(x);
            if (!std::isnan(before)) {
                EXPECT_GE(after, before);
            }
        }
    }
}

TEST(ClassicBudgetTest, AnEvaluationBudgetBecomesTheFewestIterationsThatReachIt) {
    zarnel::BenchOptions options;
    options.threads = 1;
    options.population = 20;
    for (const std::int32_t code : {1000, 2004, 40004}) {
        SCOPED_TRACE(code);
        const auto evaluationsOf = [&](std::uint32_t iterations) {
            zarnel::BenchOptions with = options;
            with.iterations = iterations;
            return zarnel::ClassicEvaluations(with, code);
        };
        // The default run's own figure gives back its iterations.
        EXPECT_EQ(zarnel::ClassicIterationsFor(options, code, evaluationsOf(options.iterations)),
                  options.iterations);
        for (const std::uint64_t budget : {1ull, 500ull, 1001ull, 77777ull}) {
            SCOPED_TRACE(budget);
            const std::optional<std::uint32_t> iterations =
                zarnel::ClassicIterationsFor(options, code, budget);
            ASSERT_TRUE(iterations.has_value());
            EXPECT_GE(*iterations, 1u);
            EXPECT_GE(evaluationsOf(*iterations), budget);
            if (*iterations > 1) {
                EXPECT_LT(evaluationsOf(*iterations - 1), budget);
            }
        }
    }
}

TEST(RealRunTest, TheRecordedBestIsTheFunctionAtTheSnappedGenesWithinTheBudget) {
    zarnel::BenchOptions options;
    options.threads = 1;
    options.population = 20;
    for (const std::int32_t code : {1003, 40002}) {
        SCOPED_TRACE(code);
        std::vector<std::uint32_t> genes;
        const zarnel::run::BenchRunRecord record = zarnel::RunRealOnce(options, code, 17, 3000, &genes);
        ASSERT_EQ(genes.size(), zarnel::TestFunctionVariableCount(code));
        std::vector<double> x;
        for (const std::uint32_t gene : genes) x.push_back(GridPoint(gene, -10.0, 10.0));
        EXPECT_EQ(record.bestFitness, zarnel::TestFunction(code, x.data()));
        EXPECT_LE(record.bestFitness, *zarnel::KnownBest(code));
        // Past the budget by less than one slave phase: four children of the
        // one slave thread, each with at most its share.
        EXPECT_GE(record.evaluations, 3000u);
        EXPECT_LT(record.evaluations, 3000u + 4u * 3000u / 24u);
    }
}

}  // namespace
