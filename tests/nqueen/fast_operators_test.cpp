#include "nqueen/fast_operators.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <numeric>
#include <vector>

#include "framework/parallel_ga.h"
#include "nqueen/eval_operator.h"
#include "nqueen/fast_board.h"
#include "nqueen/fast_lanes.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/operator_set.h"
#include "tests/nqueen/test_support.h"

namespace {

using namespace zarnel;
using nqueen_test::IsPermutation;

std::vector<std::uint16_t> Shuffled(std::uint32_t n, FastRandom& random) {
    std::vector<std::uint16_t> genes(n);
    std::iota(genes.begin(), genes.end(), std::uint16_t{0});
    for (std::uint32_t j = n; j > 1; --j) std::swap(genes[j - 1], genes[random.Below(j)]);
    return genes;
}

// Queens beyond the first on each diagonal, counted from scratch.
std::int64_t CountConflicts(const std::vector<std::uint16_t>& genes) {
    const auto n = static_cast<std::int64_t>(genes.size());
    std::vector<int> sums(2 * n), differences(2 * n);
    std::int64_t conflicts = 0;
    for (std::int64_t c = 0; c < n; ++c) {
        if (sums[genes[c] + c]++ > 0) ++conflicts;
        if (differences[genes[c] - c + n]++ > 0) ++conflicts;
    }
    return conflicts;
}

std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

TEST(FastBoard, SwapScoresEqualTheFullEvaluationToTheBit) {
    FastRandom random(7);
    FastBoard board;
    // Small boards, where swaps often share diagonals; a mid-size one; and the
    // largest, whose corner diagonals have the longest indices.
    for (std::uint32_t n : {4u, 5u, 8u, 13u, 31u, 1000u, 65536u}) {
        const int boards = n > 1000 ? 2 : 30;
        const int swaps = n > 1000 ? 12 : 40;
        for (int b = 0; b < boards; ++b) {
            auto genes = Shuffled(n, random);
            board.Load(genes.data(), n);
            ASSERT_EQ(board.Conflicts(), CountConflicts(genes)) << n;
            for (int s = 0; s < swaps; ++s) {
                std::uint32_t a = random.Below(n);
                std::uint32_t c = random.Below(n);
                if (s == 0) a = 0, c = n - 1;  // both corners
                if (a == c) continue;
                const std::int64_t before = board.Conflicts();
                const std::int64_t delta = board.Swap(a, c);
                ASSERT_EQ(board.Conflicts(), before + delta);
                ASSERT_EQ(board.Conflicts(), CountConflicts(genes)) << n;
                ASSERT_EQ(Bits(board.Fitness()), Bits(NQueenFitnessReference(genes.data(), n))) << n;
            }
            ASSERT_TRUE(IsPermutation(genes));
        }
    }
}

TEST(FastBoard, BuildAndRepairKeepPermutationsAndExactScores) {
    FastRandom random(11);
    FastBoard board;
    for (std::uint32_t n : {4u, 6u, 9u, 64u, 500u}) {
        for (int b = 0; b < 20; ++b) {
            std::vector<std::uint16_t> genes(n);
            board.Build(genes.data(), n, random, 4);
            ASSERT_TRUE(IsPermutation(genes));
            EXPECT_EQ(board.Conflicts(), CountConflicts(genes));
            const std::int64_t built = board.Conflicts();
            board.Improve(random, 8 * n, 32);
            ASSERT_TRUE(IsPermutation(genes));
            EXPECT_LE(board.Conflicts(), built);
            EXPECT_EQ(board.Conflicts(), CountConflicts(genes));
            EXPECT_EQ(Bits(board.Fitness()), Bits(NQueenFitnessReference(genes.data(), n)));
        }
    }
    // A large board is repaired to a solution within its budget.
    std::vector<std::uint16_t> genes(2000);
    board.Build(genes.data(), 2000, random, 4);
    board.Improve(random, 8 * 2000, 32);
    EXPECT_EQ(CountConflicts(genes), 0);
    EXPECT_EQ(board.Fitness(), 0.0f);
}

TEST(FastOperators, CycleCrossoverChildrenArePermutationsFromBothParents) {
    FastRandom random(3);
    FastWork work(5, 0);  // the scratch space grows on demand
    for (std::uint32_t n : {4u, 12u, 257u}) {
        for (double share : {0.0, 0.05, 0.5, 1.0}) {
            for (int k = 0; k < 50; ++k) {
                const auto p1 = Shuffled(n, random);
                const auto p2 = Shuffled(n, random);
                std::vector<std::uint16_t> child(n);
                CycleCrossover(p1.data(), p2.data(), child.data(), n, work, share);
                ASSERT_TRUE(IsPermutation(child));
                for (std::uint32_t i = 0; i < n; ++i) ASSERT_TRUE(child[i] == p1[i] || child[i] == p2[i]);
                if (share == 0.0) {
                    EXPECT_EQ(child, p1);
                }
                if (share == 1.0) {
                    EXPECT_EQ(child, p2);
                }
            }
        }
    }
}

// One tournament step of the fast slave operator on a population of three:
// two built boards of `n` queens and a shuffled one, which is the worst and
// is replaced by the child. Neither swap nor repair, so the child is what the
// crossover (or the copy of the fitter parent) left. Returns the three
// boards after the step, fittest parent first, child last.
std::vector<std::vector<std::uint16_t>> OneChild(std::uint32_t n, std::uint64_t seed, FastOptions options) {
    options.childSwap = false;
    options.improve = false;
    NQueenPopulation population(3, n);
    FastWork work(seed, n);
    for (std::uint32_t i = 0; i < 3; ++i) {
        NQueenIndividual* individual = population.GetIndividual(i);
        if (i < 2) {
            work.board.Build(individual->GetGenes(), n, work.random, 64);
        } else {
            const std::vector<std::uint16_t> shuffled = Shuffled(n, work.random);
            std::copy(shuffled.begin(), shuffled.end(), individual->GetGenes());
            work.board.Load(individual->GetGenes(), n);
        }
        individual->SetFitness(work.board.Fitness());
    }
    NQueenIndividual* first = population.GetIndividual(0);
    NQueenIndividual* second = population.GetIndividual(1);
    if (*second->GetFitness() > *first->GetFitness()) std::swap(first, second);
    EXPECT_LT(*population.GetIndividual(2)->GetFitness(), *second->GetFitness());
    CNQueenFastSlaveOperator slave(&population, 1, {&work}, options);
    EXPECT_EQ(slave.Execute(0, 1), kDone);
    NQueenIndividual* child = population.GetIndividual(2);
    EXPECT_EQ(Bits(*child->GetFitness()), Bits(NQueenFitnessReference(child->GetGenes(), n)));
    return {nqueen_test::GenesOf(*first), nqueen_test::GenesOf(*second), nqueen_test::GenesOf(*child)};
}

TEST(FastOperators, AChildWhoseCrossoverClashedBecomesACopyOfTheFitterParent) {
    for (const std::uint64_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        // Half the cycles from each of two unrelated built boards: the
        // halves attack each other with hundreds of conflicts, where the
        // parents have a few each.
        FastOptions mixed;
        mixed.secondParentShare = 0.5;
        const auto kept = OneChild(2000, seed, mixed);
        EXPECT_EQ(kept[2], kept[0]);
        // Without the rule the same draws give a child of both.
        mixed.clashFactor = 0.0;
        const auto clashing = OneChild(2000, seed, mixed);
        ASSERT_TRUE(IsPermutation(clashing[2]));
        EXPECT_NE(clashing[2], clashing[0]);
        EXPECT_NE(clashing[2], clashing[1]);
        EXPECT_GT(CountConflicts(clashing[2]),
                  10 * (CountConflicts(clashing[0]) + CountConflicts(clashing[1])));
        // Every cycle from the second parent gives a copy of it: no more
        // conflicts than a parent has, so the child stays as it is.
        FastOptions second;
        second.secondParentShare = 1.0;
        const auto taken = OneChild(2000, seed, second);
        EXPECT_NE(taken[0], taken[1]);
        EXPECT_EQ(taken[2], taken[1]);
    }
}

// Runs the fast set as the solver builds it until a solution or `chunks`
// chunks of 100 master iterations; returns the best fitness.
float RunFast(NQueenPopulation& population, std::uint32_t threads, double rate, int chunks,
              std::uint32_t seed) {
    NQueenParameters parameters;
    parameters.queens = static_cast<std::int32_t>(population.GetIndividual(0)->GetLength());
    parameters.slave_iterations = 10;
    parameters.slave_threads = static_cast<std::int32_t>(threads);
    parameters.mutation_rate = rate;
    parameters.operators = kFastOperators;
    NQueenOperatorSet set = MakeOperatorSet(parameters, &population, NQueenStart{seed, {}});
    CParallelGA engine(set.init.get(), set.master.get(), set.slave.get(), threads);
    float best = -1.0f;
    for (int c = 0; c < chunks && best != 0.0f; ++c) {
        engine.Run(100);
        best = *population.GetIndividual(FindBestIndex(population))->GetFitness();
    }
    return best;
}

// Every individual is a permutation and holds exactly the evaluated fitness.
void ExpectSoundPopulation(NQueenPopulation& population) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        NQueenIndividual* individual = population.GetIndividual(i);
        ASSERT_TRUE(IsPermutation(nqueen_test::GenesOf(*individual)));
        ASSERT_EQ(Bits(*individual->GetFitness()),
                  Bits(NQueenFitnessReference(individual->GetGenes(), individual->GetLength())));
    }
}

// A deterministic run of the fast set as MakeOperatorSet builds it, but with
// `options`: the population's genes after `iterations` master iterations.
std::vector<std::uint16_t> DeterministicGenes(std::uint32_t threads, const FastOptions& options,
                                              std::uint32_t iterations) {
    constexpr std::uint32_t kQueens = 1500;
    constexpr std::uint64_t kSeed = 11;
    NQueenPopulation population(30, kQueens);
    const auto work = MakeFastWork<std::uint16_t>(threads, kSeed, kQueens);
    std::vector<FastWork*> slaves;
    for (std::uint32_t j = 0; j < threads; ++j) slaves.push_back(work[j].get());
    FastWork* master = work.back().get();
    FastLanes lanes(kSeed, population.size, threads, 4, 2);
    master->random = lanes.MasterRandom();
    lanes.Deal(master->random);
    CNQueenFastInitOperator init(&population, slaves, options, &lanes);
    CNQueenFastSlaveOperator slave(&population, 4, slaves, options, &lanes);
    CNQueenFastMasterOperator pass(&population, master, 0.1, options, &lanes);
    {
        CParallelGA engine(&init, &pass, &slave, threads);
        engine.Run(iterations);
    }
    ExpectSoundPopulation(population);
    std::vector<std::uint16_t> genes;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        const std::vector<std::uint16_t> one = nqueen_test::GenesOf(*population.GetIndividual(i));
        genes.insert(genes.end(), one.begin(), one.end());
    }
    return genes;
}

TEST(FastOperators, DeterministicRunsWithChildrenThatClashedAreTheSameOnEveryThreadCount) {
    // Without the repair no run ends on a solution, and about a quarter of
    // the children of built boards clash, so both kinds of child are bred in
    // every lane over the iterations.
    FastOptions options;
    options.improve = false;
    const std::vector<std::uint16_t> one = DeterministicGenes(1, options, 6);
    for (const std::uint32_t threads : {2u, 3u, 4u, 8u}) {
        SCOPED_TRACE(threads);
        EXPECT_TRUE(DeterministicGenes(threads, options, 6) == one);
    }
    // The rule changed the children of these runs.
    options.clashFactor = 0.0;
    EXPECT_FALSE(DeterministicGenes(2, options, 6) == one);
}

TEST(FastOperators, SmallBoardsAlwaysEndWithAVerifiedSolution) {
    for (std::uint32_t n = 4; n <= 12; ++n) {
        for (std::uint32_t seed : {1u, 2u, 3u}) {
            NQueenPopulation population(20, n);
            const float best = RunFast(population, 2, 0.05, 200, seed * 100 + n);
            ASSERT_EQ(best, 0.0f) << n << " " << seed;
            ExpectSoundPopulation(population);
        }
    }
}

TEST(FastOperators, UnsolvedRunsKeepEveryIndividualSound) {
    // Few steps on a large board: the run stops before a solution, with the
    // master pass (rebuilds and repairs) and both threads' children mixed in.
    NQueenPopulation population(12, 3000);
    NQueenParameters parameters;
    parameters.queens = 3000;
    parameters.slave_iterations = 1;
    parameters.slave_threads = 2;
    parameters.mutation_rate = 0.5;
    parameters.operators = kFastOperators;
    NQueenOperatorSet set = MakeOperatorSet(parameters, &population, NQueenStart{42, {}});
    ThreadStats masterStats;
    const ThreadStatsScope scope(&masterStats);
    CParallelGA engine(set.init.get(), set.master.get(), set.slave.get(), 2);
    EXPECT_EQ(masterStats.evaluations, 12u);  // the helper thread's builds counted too
    engine.Run(2);
    ExpectSoundPopulation(population);
    EXPECT_GT(engine.GetThreadStats(0).steps + engine.GetThreadStats(1).steps, 0u);
}

}  // namespace
