#include "bench/init_operator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"

namespace {

using zarnel::BenchIndividual;
using zarnel::BenchPopulation;

class RecordingEval : public zarnel::CDefaultEvalOperator {
public:
    RecordingEval(BenchPopulation* pop, std::int32_t code)
        : CDefaultEvalOperator(pop, lower, upper, code, 1) {}
    int Evaluate(BenchIndividual* individual) override {
        order.push_back(static_cast<std::uint32_t>(individual - population->individuals));
        return CDefaultEvalOperator::Evaluate(individual);
    }
    double lower[4] = {-10.0, -10.0, -10.0, -10.0};
    double upper[4] = {10.0, 10.0, 10.0, 10.0};
    std::vector<std::uint32_t> order;
};

TEST(CDefaultInitOperatorTest, RandomisesEveryGeneAndScoresEveryIndividualInOrder) {
    BenchPopulation population(20, 4);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        for (std::uint32_t j = 0; j < 4; ++j) population.GetIndividual(i)->GetGenes()[j] = 0;
    }
    RecordingEval eval(&population, 4000);
    zarnel::CDefaultInitOperator init(&population, &eval);
    EXPECT_EQ(init.Execute(), 1);

    EXPECT_EQ(eval.order.size(), 20u);
    for (std::uint32_t i = 0; i < 20; ++i) EXPECT_EQ(eval.order[i], i);
    // Eighty zero genes in a row from a 32-bit generator would be a fault.
    int nonZero = 0;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        BenchIndividual* individual = population.GetIndividual(i);
        for (std::uint32_t j = 0; j < 4; ++j) nonZero += individual->GetGenes()[j] != 0 ? 1 : 0;
        const auto x = eval.Decode(individual);
        EXPECT_EQ(*individual->GetFitness(), eval.TestFunction(x.get()));
    }
    EXPECT_GT(nonZero, 70);
}

TEST(CDefaultInitOperatorTest, WithARejectedCodeFitnessStaysZero) {
    BenchPopulation population(5, 4);
    RecordingEval eval(&population, 4006);
    zarnel::CDefaultInitOperator init(&population, &eval);
    EXPECT_EQ(init.Execute(), 1);
    EXPECT_EQ(eval.order.size(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(*population.GetIndividual(i)->GetFitness(), 0.0);
}

TEST(CDefaultInitOperatorTest, AnEmptyPopulationIsLeftAlone) {
    BenchPopulation population(0, 4);
    RecordingEval eval(&population, 4000);
    zarnel::CDefaultInitOperator init(&population, &eval);
    EXPECT_EQ(init.Execute(), 1);
    EXPECT_TRUE(eval.order.empty());
}

}  // namespace
