#include "nqueen/init_operator.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "nqueen/eval_operator.h"
#include "tests/nqueen/test_support.h"

namespace {

TEST(NQueenInit, GivesEveryIndividualAScoredPermutation) {
    zarnel::NQueenPopulation population(50, 12);
    zarnel::CNQeenEvalOperator eval(&population);
    EXPECT_EQ(zarnel::CNQueenInitOperator(&population, &eval).Execute(), zarnel::kDone);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        zarnel::NQueenIndividual& individual = *population.GetIndividual(i);
        ASSERT_TRUE(nqueen_test::IsPermutation(nqueen_test::GenesOf(individual)));
        EXPECT_EQ(*individual.GetFitness(), zarnel::NQueenFitness(individual.GetGenes(), 12));
    }
}

}  // namespace
