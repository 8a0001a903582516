#include "nqueen/eval_operator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "tests/nqueen/test_support.h"

namespace {

using zarnel::CNQeenEvalOperator;
using zarnel::NQueenIndividual;
using zarnel::NQueenPopulation;

float Score(std::vector<std::uint16_t> rows) {
    NQueenPopulation population(1, static_cast<std::uint32_t>(rows.size()));
    NQueenIndividual* individual = population.GetIndividual(0);
    std::copy(rows.begin(), rows.end(), individual->GetGenes());
    CNQeenEvalOperator eval(&population);
    EXPECT_EQ(eval.Evaluate(individual), zarnel::kDone);
    return *individual->GetFitness();
}

// Independent check: two queens share a diagonal when their row distance
// equals their column distance.
bool NoSharedDiagonal(const std::vector<std::uint16_t>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (std::abs(static_cast<int>(rows[i]) - static_cast<int>(rows[j])) == static_cast<int>(j - i)) {
                return false;
            }
        }
    }
    return true;
}

TEST(NQueenFitness, SolutionsScoreNegativeZero) {
    for (const auto& rows :
         {std::vector<std::uint16_t>{1, 3, 0, 2}, std::vector<std::uint16_t>{0, 4, 7, 5, 2, 6, 1, 3}}) {
        const float fitness = Score(rows);
        EXPECT_EQ(fitness, 0.0f);
        EXPECT_TRUE(std::signbit(fitness)) << "the negated zero sum keeps its sign";
    }
}

TEST(NQueenFitness, WorkedExamplesAreBitExact) {
    EXPECT_EQ(Score({0, 1, 2, 3}), -0.75f);
    EXPECT_EQ(Score({3, 2, 1, 0}), -0.75f);
    EXPECT_EQ(Score({0, 1, 2, 3, 4, 5, 6, 7}), -0.875f);
    EXPECT_EQ(Score({1, 0, 2, 3, 4, 5, 6, 7}), -1.125f);
    // Both surpluses of diagonal 3 are added before the one division.
    EXPECT_EQ(Score({0, 2, 1, 3}), -0.5f);
    EXPECT_EQ(Score({1, 0}), -0.5f);
    EXPECT_EQ(Score({0, 1}), -0.5f);
    // The sum is formed in double and narrowed once.
    EXPECT_EQ(static_cast<double>(Score({0, 1, 2})), -0.6666666865348816);
}

TEST(NQueenFitness, ZeroExactlyWhenNoTwoQueensShareADiagonal) {
    for (std::uint16_t n = 1; n <= 7; ++n) {
        std::vector<std::uint16_t> rows(n);
        std::iota(rows.begin(), rows.end(), std::uint16_t{0});
        int solutions = 0;
        do {
            const float fitness = Score(rows);
            EXPECT_LE(fitness, 0.0f);
            const bool solved = fitness == 0.0f;
            ASSERT_EQ(solved, NoSharedDiagonal(rows)) << "n=" << n;
            solutions += solved ? 1 : 0;
        } while (std::next_permutation(rows.begin(), rows.end()));
        // Known counts of N-Queens solutions.
        const int expected[] = {0, 1, 0, 0, 2, 10, 4, 40};
        EXPECT_EQ(solutions, expected[n]) << "n=" << n;
    }
}

TEST(NQueenFitness, LargestBoardUsesThirtyTwoBitDiagonals) {
    // 65536 queens on one diagonal: indices up to 131070 do not fit 16 bits.
    constexpr std::uint32_t kN = 65536;
    std::vector<std::uint16_t> rising(kN);
    std::vector<std::uint16_t> falling(kN);
    for (std::uint32_t i = 0; i < kN; ++i) {
        rising[i] = static_cast<std::uint16_t>(i);
        falling[i] = static_cast<std::uint16_t>(kN - 1 - i);
    }
    const float expected = static_cast<float>(-(65535.0 / 65536.0));
    EXPECT_EQ(Score(rising), expected);
    EXPECT_EQ(Score(falling), expected);
}

TEST(NQueenEvalOperator, RejectsGenesBeyondTheBoardAndKeepsTheFitness) {
    NQueenPopulation population(1, 4);
    NQueenIndividual* individual = population.GetIndividual(0);
    nqueen_test::SetGenes(*individual, {0, 1, 4, 2});
    individual->SetFitness(-3.0f);
    CNQeenEvalOperator eval(&population);
    EXPECT_EQ(eval.Evaluate(individual), zarnel::kFailed);
    EXPECT_EQ(*individual->GetFitness(), -3.0f);
}

TEST(NQueenEvalOperator, ZeroGenesScoreAsASolution) {
    NQueenPopulation population(1, 0);
    CNQeenEvalOperator eval(&population);
    population.GetIndividual(0)->SetFitness(-1.0f);
    EXPECT_EQ(eval.Evaluate(population.GetIndividual(0)), zarnel::kDone);
    EXPECT_EQ(*population.GetIndividual(0)->GetFitness(), 0.0f);
}

TEST(NQueenEvalOperator, ExecuteScoresEveryIndividual) {
    NQueenPopulation population(2, 4);
    nqueen_test::SetGenes(*population.GetIndividual(0), {0, 1, 2, 3});
    nqueen_test::SetGenes(*population.GetIndividual(1), {1, 3, 0, 2});
    population.GetIndividual(1)->SetFitness(-9.0f);
    CNQeenEvalOperator eval(&population);
    EXPECT_EQ(eval.Execute(), zarnel::kDone);
    EXPECT_EQ(*population.GetIndividual(0)->GetFitness(), -0.75f);
    EXPECT_EQ(*population.GetIndividual(1)->GetFitness(), 0.0f);
}

}  // namespace
