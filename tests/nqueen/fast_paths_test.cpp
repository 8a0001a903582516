// The fast evaluation and crossover against their straightforward forms: the
// same stored fitness to the bit, the same child gene for gene.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "nqueen/crossover_operator.h"
#include "nqueen/eval_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/permutation.h"
#include "platform/random.h"
#include "tests/nqueen/test_support.h"

namespace {

using nqueen_test::GenesOf;
using zarnel::CNQeenEvalOperator;
using zarnel::CNQueenCrossoverOperator;
using zarnel::NQueenIndividual;
using zarnel::NQueenPopulation;

std::uint32_t Bits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::vector<std::uint16_t> RandomRows(std::uint32_t n) {
    std::vector<std::uint16_t> rows(n);
    zarnel::RandomPermutation(rows.data(), n);
    return rows;
}

// `swaps` random transpositions of distinct positions.
void Disturb(std::vector<std::uint16_t>& rows, std::uint32_t swaps) {
    const auto n = static_cast<std::uint32_t>(rows.size());
    for (std::uint32_t s = 0; s < swaps; ++s) {
        const std::uint32_t a = platform::Rand32() % n;
        const std::uint32_t b = (a + 1 + platform::Rand32() % (n - 1)) % n;
        std::swap(rows[a], rows[b]);
    }
}

// Evaluates rows through the operator and checks the stored fitness against
// the reference to the bit.
void ExpectReferenceFitness(const std::vector<std::uint16_t>& rows) {
    const auto n = static_cast<std::uint32_t>(rows.size());
    NQueenPopulation population(1, n);
    NQueenIndividual* individual = population.GetIndividual(0);
    std::copy(rows.begin(), rows.end(), individual->GetGenes());
    CNQeenEvalOperator eval(&population);
    ASSERT_EQ(eval.Evaluate(individual), zarnel::kDone);
    const float expected = zarnel::NQueenFitnessReference(rows.data(), n);
    EXPECT_EQ(Bits(*individual->GetFitness()), Bits(expected)) << "N = " << n;
    EXPECT_EQ(Bits(zarnel::NQueenFitness(rows.data(), n)), Bits(expected)) << "N = " << n;
}

TEST(NQueenFastEvaluate, MatchesTheReferenceBitForBitOnRandomAndNearSolvedBoards) {
    platform::SeedRand(31337);
    for (std::uint32_t n : {2u, 3u, 4u, 5u, 8u, 13u, 64u, 100u, 1024u, 4099u, 16384u}) {
        for (int trial = 0; trial < 20; ++trial) ExpectReferenceFitness(RandomRows(n));
    }
    // Few conflicts: the boards the solver sees late in a run.
    std::vector<std::uint16_t> solution8 = {0, 4, 7, 5, 2, 6, 1, 3};
    ExpectReferenceFitness(solution8);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<std::uint16_t> rows = solution8;
        Disturb(rows, 1 + trial % 3);
        ExpectReferenceFitness(rows);
    }
    // Every queen on one diagonal of each kind, and the largest board.
    std::vector<std::uint16_t> identity(65536);
    for (std::uint32_t i = 0; i < identity.size(); ++i) identity[i] = static_cast<std::uint16_t>(i);
    ExpectReferenceFitness(identity);
    ExpectReferenceFitness(std::vector<std::uint16_t>(identity.rbegin(), identity.rend()));
}

// The counters are reused from call to call on a thread: a small board after
// a large one, and a board after a rejected one, must start from zero.
TEST(NQueenFastEvaluate, ReusedCountersStartFromZeroAfterLargerAndRejectedBoards) {
    platform::SeedRand(5);
    for (std::uint32_t n : {4096u, 8u, 1000u, 2u, 300u, 5u}) ExpectReferenceFitness(RandomRows(n));

    NQueenPopulation population(1, 6);
    NQueenIndividual* individual = population.GetIndividual(0);
    CNQeenEvalOperator eval(&population);
    nqueen_test::SetGenes(*individual, {0, 1, 2, 3, 4, 6});
    individual->SetFitness(-7.0f);
    EXPECT_EQ(eval.Evaluate(individual), zarnel::kFailed);
    EXPECT_EQ(*individual->GetFitness(), -7.0f);
    // The rejected board counted five queens before the bad gene.
    nqueen_test::SetGenes(*individual, {1, 3, 5, 0, 2, 4});
    ASSERT_EQ(eval.Evaluate(individual), zarnel::kDone);
    EXPECT_EQ(*individual->GetFitness(), 0.0f);
    const std::vector<std::uint16_t> rows = GenesOf(*individual);
    EXPECT_EQ(Bits(*individual->GetFitness()), Bits(zarnel::NQueenFitnessReference(rows.data(), 6)));
}

// Each thread has its own counters: threads scoring boards of different sizes
// at once all get the reference values.
TEST(NQueenFastEvaluate, ThreadsScoringAtOnceGetTheReferenceValues) {
    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            platform::SeedRand(static_cast<std::uint32_t>(t + 1));
            const std::uint32_t n = 50u + 700u * static_cast<std::uint32_t>(t);
            NQueenPopulation population(1, n);
            NQueenIndividual* individual = population.GetIndividual(0);
            CNQeenEvalOperator eval(&population);
            for (int trial = 0; trial < 200; ++trial) {
                zarnel::RandomPermutation(individual->GetGenes(), n);
                eval.Evaluate(individual);
                if (Bits(*individual->GetFitness()) !=
                    Bits(zarnel::NQueenFitnessReference(individual->GetGenes(), n))) {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << "thread " << t;
}

// The indexed pass against the search on the same child.
void ExpectSameChild(const std::vector<std::uint16_t>& p1, const std::vector<std::uint16_t>& p2,
                     const std::vector<std::uint16_t>& child) {
    const auto n = static_cast<std::uint32_t>(child.size());
    std::vector<std::uint16_t> searched = child;
    std::vector<std::uint16_t> indexed = child;
    std::vector<std::uint32_t> position(n, 0xDEADBEEFu);
    zarnel::KeepCommonGenes(p1.data(), p2.data(), searched.data(), n);
    zarnel::KeepCommonGenesIndexed(p1.data(), p2.data(), indexed.data(), n, position.data());
    ASSERT_EQ(indexed, searched) << "N = " << n;
}

TEST(NQueenFastCrossover, IndexedPassGivesTheSearchedChildOnManyParents) {
    platform::SeedRand(777);
    for (std::uint32_t n : {1u, 2u, 3u, 8u, 31u, 64u, 500u, 2048u}) {
        // The search costs O(N^2) on converged parents: fewer large boards.
        const int trials = n > 100 ? 10 : 100;
        for (int trial = 0; trial < trials; ++trial) {
            const std::vector<std::uint16_t> p1 = RandomRows(n);
            const std::vector<std::uint16_t> child = RandomRows(n);
            // Unrelated parents, converged ones (a few swaps apart) and
            // identical ones.
            ExpectSameChild(p1, RandomRows(n), child);
            if (n >= 2) {
                std::vector<std::uint16_t> close = p1;
                Disturb(close, 1 + static_cast<std::uint32_t>(trial) % 4);
                ExpectSameChild(p1, close, child);
            }
            ExpectSameChild(p1, p1, child);
        }
    }
}

// Parents that are not permutations of the child's values (repeated values,
// values out of range): the search finds a value not in the child nowhere and
// leaves the child; so does the index.
TEST(NQueenFastCrossover, IndexedPassGivesTheSearchedChildForParentsOutsideThePermutation) {
    platform::SeedRand(4);
    for (int trial = 0; trial < 200; ++trial) {
        const std::uint32_t n = 2 + static_cast<std::uint32_t>(trial) % 40;
        std::vector<std::uint16_t> p1(n);
        std::vector<std::uint16_t> p2(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            p1[i] = static_cast<std::uint16_t>(platform::Rand() % (n + 3));
            p2[i] =
                platform::Rand() % 2 == 0 ? p1[i] : static_cast<std::uint16_t>(platform::Rand() % (n + 3));
        }
        ExpectSameChild(p1, p2, RandomRows(n));
    }
    std::vector<std::uint16_t> high(8, 65535);
    ExpectSameChild(high, high, RandomRows(8));
}

// The whole operator against the straightforward crossover replayed from the
// same generator state: a fresh random child, parent2 redrawn when the parents
// are identical, then the search.
void ExpectOperatorMatchesReference(const std::vector<std::uint16_t>& p1,
                                    const std::vector<std::uint16_t>& p2, std::uint32_t seed) {
    const auto n = static_cast<std::uint32_t>(p1.size());
    NQueenPopulation population(3, n);
    std::copy(p1.begin(), p1.end(), population.GetIndividual(0)->GetGenes());
    std::copy(p2.begin(), p2.end(), population.GetIndividual(1)->GetGenes());
    platform::SeedRand(seed);
    const int result = CNQueenCrossoverOperator(population.GetIndividual(0), population.GetIndividual(1),
                                                population.GetIndividual(2))
                           .Execute();
    const int nextDraw = platform::Rand();

    platform::SeedRand(seed);
    std::vector<std::uint16_t> child(n);
    std::vector<std::uint16_t> parent2 = p2;
    zarnel::RandomPermutation(child.data(), n);
    int expected = zarnel::kDone;
    if (p1 == p2) {
        zarnel::RandomPermutation(parent2.data(), n);
        expected = CNQueenCrossoverOperator::kParent2Replaced;
    }
    zarnel::KeepCommonGenes(p1.data(), parent2.data(), child.data(), n);

    EXPECT_EQ(result, expected);
    EXPECT_EQ(GenesOf(*population.GetIndividual(1)), parent2);
    EXPECT_EQ(GenesOf(*population.GetIndividual(2)), child);
    EXPECT_EQ(platform::Rand(), nextDraw) << "the operator drew as many numbers as the replay";
}

TEST(NQueenFastCrossover, OperatorGivesTheStraightforwardChildAndParent2) {
    platform::SeedRand(2027);
    for (std::uint32_t n : {4u, 8u, 64u, 1024u}) {
        for (std::uint32_t trial = 0; trial < 40; ++trial) {
            const std::vector<std::uint16_t> p1 = RandomRows(n);
            std::vector<std::uint16_t> close = p1;
            Disturb(close, 1 + trial % 5);
            const std::uint32_t seed = 1000 + trial;
            ExpectOperatorMatchesReference(p1, RandomRows(n), seed);
            ExpectOperatorMatchesReference(p1, close, seed);
            ExpectOperatorMatchesReference(p1, p1, seed);
        }
    }
}

}  // namespace
