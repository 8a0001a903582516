#include "bench/eval_operator.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "bench/bench_types.h"

namespace {

using zarnel::BenchIndividual;
using zarnel::BenchPopulation;
using zarnel::CDefaultEvalOperator;

TEST(CDefaultEvalOperatorTest, DecodeMapsGenesOntoTheBoundsExactly) {
    BenchPopulation population(1, 5);
    const double lower[5] = {-10.0, -10.0, -10.0, -10.0, -10.0};
    const double upper[5] = {10.0, 10.0, 10.0, 10.0, 10.0};
    CDefaultEvalOperator eval(&population, lower, upper, 5004, 1);
    BenchIndividual* individual = population.GetIndividual(0);
    const std::uint32_t genes[5] = {0u, 4294967295u, 1u, 2147483647u, 2147483648u};
    for (int i = 0; i < 5; ++i) individual->GetGenes()[i] = genes[i];

    const auto x = eval.Decode(individual);
    EXPECT_EQ(x[0], -10.0);
    EXPECT_EQ(x[1], 10.0);
    EXPECT_EQ(x[2], -9.999999995343387);
    EXPECT_EQ(x[3], -2.3283064365386963e-09);
    EXPECT_EQ(x[4], 2.3283064365386963e-09);
}

// At these genes multiplying by S and dividing by 2^32 - 1 part in the last
// bit; the decoded values are those of the multiplication.
TEST(CDefaultEvalOperatorTest, DecodeMultipliesByTheScaleRatherThanDividing) {
    BenchPopulation population(1, 2);
    const double lower[2] = {-10.0, -5.0};
    const double upper[2] = {10.0, 7.0};
    CDefaultEvalOperator eval(&population, lower, upper, 2000, 1);
    population.GetIndividual(0)->GetGenes()[0] = 802677760u;
    population.GetIndividual(0)->GetGenes()[1] = 1540601856u;
    const auto x = eval.Decode(population.GetIndividual(0));
    EXPECT_EQ(x[0], -6.2622404089808095);
    EXPECT_EQ(x[1], -0.69560813803589205);
    EXPECT_NE(x[0], -10.0 + (802677760.0 * 20.0) / 4294967295.0);
    EXPECT_NE(x[1], -5.0 + (1540601856.0 * 12.0) / 4294967295.0);
}

TEST(CDefaultEvalOperatorTest, FitnessIsTheFactorTimesTheFunctionValue) {
    BenchPopulation population(2, 2);
    const double lower[2] = {-10.0, -10.0};
    const double upper[2] = {10.0, 10.0};
    for (std::uint32_t i = 0; i < 2; ++i) {
        population.GetIndividual(i)->GetGenes()[0] = 0;
        population.GetIndividual(i)->GetGenes()[1] = 0;
    }
    CDefaultEvalOperator maximise(&population, lower, upper, 2002, 1);
    CDefaultEvalOperator minimise(&population, lower, upper, 2002, -1);
    EXPECT_EQ(maximise.Evaluate(population.GetIndividual(0)), 1);
    EXPECT_EQ(minimise.Evaluate(population.GetIndividual(1)), 1);
    EXPECT_EQ(*population.GetIndividual(0)->GetFitness(), 1210121.0);
    EXPECT_EQ(*population.GetIndividual(1)->GetFitness(), -1210121.0);
}

TEST(CDefaultEvalOperatorTest, AFailedEvaluationKeepsTheOldFitness) {
    BenchPopulation population(1, 2);
    const double lower[2] = {-10.0, -10.0};
    const double upper[2] = {10.0, 10.0};
    BenchIndividual* individual = population.GetIndividual(0);
    individual->GetGenes()[0] = 12345;
    individual->GetGenes()[1] = 67890;
    individual->SetFitness(7.5);

    CDefaultEvalOperator rejected(&population, lower, upper, 2005, 1);
    EXPECT_EQ(rejected.Evaluate(individual), -1);
    EXPECT_EQ(*individual->GetFitness(), 7.5);

    // Three variables asked of a two-gene individual.
    CDefaultEvalOperator tooMany(&population, lower, upper, 3000, 1);
    EXPECT_EQ(tooMany.Evaluate(individual), -1);
    EXPECT_EQ(*individual->GetFitness(), 7.5);
}

TEST(CDefaultEvalOperatorTest, ExecuteScoresEveryIndividual) {
    BenchPopulation population(3, 1);
    const double lower = 0.0;
    const double upper = 1.0;
    for (std::uint32_t i = 0; i < 3; ++i) population.GetIndividual(i)->GetGenes()[0] = 4294967295u;
    CDefaultEvalOperator eval(&population, &lower, &upper, -1000, -1);
    EXPECT_EQ(eval.Execute(), 1);
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(*population.GetIndividual(i)->GetFitness(), -1.0);
}

}  // namespace
