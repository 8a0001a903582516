#include "solve/generational.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "bench/suites/suite.h"
#include "framework/parallel_ga.h"
#include "genome/real_vector_operators.h"
#include "objectives/indicators.h"
#include "solve/front.h"

namespace {

using namespace zarnel;

// The whole population after `generations` generations: each individual's
// genes, objectives and violation, as raw bits.
template <class Problem>
std::vector<std::uint64_t> RunBits(const Problem& problem, std::uint32_t threads, std::uint32_t population,
                                   std::uint32_t generations,
                                   detail::SurvivalKind survival = detail::SurvivalKind::kAutomatic) {
    using Scheme = detail::Generational<Problem, RealVectorOperators>;
    const RealVector kind = problem.genome();
    const RealVectorOperators operators;
    typename Scheme::Population individuals(population, kind.Length());
    detail::GenerationalSettings settings;
    settings.runSeed = 77;
    settings.threads = threads;
    settings.survival = survival;
    Scheme scheme(problem, kind, operators, individuals, settings);
    {
        CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), threads);
        EXPECT_EQ(engine.Run(generations + 1), generations + 1);
    }
    EXPECT_FALSE(scheme.Failed());
    EXPECT_EQ(scheme.Generation(), generations + 1);
    std::vector<std::uint64_t> bits;
    const auto add = [&](double value) {
        std::uint64_t word;
        std::memcpy(&word, &value, sizeof word);
        bits.push_back(word);
    };
    for (std::uint32_t i = 0; i < individuals.size; ++i) {
        auto* individual = individuals.GetIndividual(i);
        for (std::uint32_t g = 0; g < individual->GetLength(); ++g) add(individual->GetGenes()[g]);
        for (const double f : scheme.Objectives(i)) add(f);
        add(scheme.Violation(i));
        bits.push_back(scheme.Rank(i));
    }
    return bits;
}

class GenerationalThreadsTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(GenerationalThreadsTest, TheSamePopulationBitForBitAtAnyThreadCount) {
    const std::uint32_t threads = GetParam();
    // NSGA-II, NSGA-II with constraints, NSGA-III with its drawn ties.
    EXPECT_EQ(RunBits(suites::Zdt1{}, threads, 40, 15), RunBits(suites::Zdt1{}, 1, 40, 15));
    EXPECT_EQ(RunBits(suites::Bnh{}, threads, 40, 15), RunBits(suites::Bnh{}, 1, 40, 15));
    EXPECT_EQ(RunBits(suites::Dtlz<2, 5>{}, threads, 36, 10), RunBits(suites::Dtlz<2, 5>{}, 1, 36, 10));
}

INSTANTIATE_TEST_SUITE_P(Threads, GenerationalThreadsTest, ::testing::Values(0u, 2u, 4u, 8u));

TEST(GenerationalTest, Zdt1ConvergesToItsFrontWithinTheUsualBudget) {
    using Scheme = detail::Generational<suites::Zdt1, RealVectorOperators>;
    const suites::Zdt1 problem;
    const RealVector kind = problem.genome();
    const RealVectorOperators operators = DefaultObjectivesOperators<RealVector>();
    static_assert(std::is_same_v<decltype(DefaultObjectivesOperators<Permutation>()), PermutationOperators>);
    Scheme::Population population(100, kind.Length());
    detail::GenerationalSettings settings;
    settings.runSeed = 5;
    settings.threads = 2;
    Scheme scheme(problem, kind, operators, population, settings);
    CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), 2);
    engine.Run(250);  // 25,000 evaluations
    const auto front = detail::FrontMembers<2>(
        problem, detail::FeasibleFront(detail::PopulationMembers(scheme, population, population.size)));
    std::vector<double> values;
    for (const auto& member : front)
        values.insert(values.end(), member.objectives.begin(), member.objectives.end());
    const auto reference = problem.referencePoint();
    // The true front's is 0.8767.
    EXPECT_GT(objectives::Hypervolume(objectives::PointSet(values, 2), reference), 0.86);
    EXPECT_GE(front.size(), 90u);
}

// A run stopped after 6 generations and resumed from its population (only
// the genes, as a dump keeps them) ends where the run that went on did.
TEST(GenerationalTest, AResumedPopulationGoesOnBitForBit) {
    using Problem = suites::Dtlz<2, 5>;  // NSGA-III: its ties are drawn too
    using Scheme = detail::Generational<Problem, RealVectorOperators>;
    const Problem problem;
    const RealVector kind = problem.genome();
    const RealVectorOperators operators;
    const auto run = [&](Scheme::Population& population, std::uint64_t first, std::uint32_t iterations) {
        detail::GenerationalSettings settings;
        settings.runSeed = 9;
        settings.threads = 2;
        settings.resumed = first != 0;
        settings.firstGeneration = first;
        Scheme scheme(problem, kind, operators, population, settings);
        CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), 2);
        engine.Run(iterations);
    };
    const auto genes = [&](Scheme::Population& population) {
        std::vector<double> all;
        for (std::uint32_t i = 0; i < population.size; ++i) {
            auto* individual = population.GetIndividual(i);
            all.insert(all.end(), individual->GetGenes(), individual->GetGenes() + individual->GetLength());
        }
        return all;
    };
    Scheme::Population whole(36, kind.Length()), first(36, kind.Length()), second(36, kind.Length());
    run(whole, 0, 1 + 6 + 5);
    run(first, 0, 1 + 6);
    const std::vector<double> dumped = genes(first);
    for (std::uint32_t i = 0; i < second.size; ++i)
        std::copy_n(dumped.begin() + i * kind.Length(), kind.Length(), second.GetIndividual(i)->GetGenes());
    run(second, 6, 1 + 5);
    EXPECT_EQ(genes(second), genes(whole));
    EXPECT_NE(genes(first), genes(whole));
}

// Fails on the 300th evaluation, and gives NaN objectives to a third of the box.
struct Troubled {
    RealVector genome() const { return {{0.0, 0.0}, {1.0, 1.0}}; }
    std::array<double, 2> objectives(std::span<const double> x) const {
        if (calls->fetch_add(1) == 299) throw std::runtime_error("the model diverged");
        if (x[1] > 0.66) return {std::nan(""), 0.0};
        return {x[0], 1.0 - x[0] + x[1]};
    }
    std::atomic<int>* calls;
};

TEST(GenerationalTest, AFailureStopsTheRunAndNaNObjectivesNeverReachTheFront) {
    using Scheme = detail::Generational<Troubled, RealVectorOperators>;
    for (const std::uint32_t threads : {0u, 3u}) {
        std::atomic<int> calls{1000};  // no failure at first
        const Troubled problem{&calls};
        const RealVector kind = problem.genome();
        const RealVectorOperators operators;
        Scheme::Population population(30, 2);
        detail::GenerationalSettings settings;
        settings.threads = threads;
        Scheme scheme(problem, kind, operators, population, settings);
        CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), threads);
        EXPECT_EQ(engine.Run(5), 5u);
        for (const std::uint32_t i : scheme.Front())
            EXPECT_LE(population.GetIndividual(i)->GetGenes()[1], 0.66);
        EXPECT_FALSE(scheme.Front().empty());
        calls = 290;
        EXPECT_LT(engine.Run(5), 5u);
        EXPECT_TRUE(scheme.Failed());
        EXPECT_THROW(std::rethrow_exception(scheme.Failure()), std::runtime_error);
    }
}

}  // namespace
