#include "framework/individual.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using BenchIndividual = zarnel::CIndividual<std::uint32_t, double>;
using QueenIndividual = zarnel::CIndividual<std::uint16_t, float>;

TEST(CIndividualTest, StartsWithoutGenesAndZeroFitness) {
    BenchIndividual individual;
    EXPECT_EQ(individual.GetGenes(), nullptr);
    EXPECT_EQ(individual.GetLength(), 0u);
    EXPECT_EQ(*individual.GetFitness(), 0.0);
}

TEST(CIndividualTest, CreateGivesAWritableArrayOfTheRequestedLength) {
    QueenIndividual individual;
    individual.Create(5);
    ASSERT_NE(individual.GetGenes(), nullptr);
    EXPECT_EQ(individual.GetLength(), 5u);
    for (std::uint16_t i = 0; i < 5; ++i) individual.GetGenes()[i] = static_cast<std::uint16_t>(60000 + i);
    EXPECT_EQ(individual.genes[4], 60004);
}

TEST(CIndividualTest, SetFitnessIsReadBackThroughGetFitness) {
    QueenIndividual individual;
    individual.SetFitness(-0.75f);
    EXPECT_EQ(*individual.GetFitness(), -0.75f);
    EXPECT_EQ(individual.GetFitness(), &individual.fitness);
}

}  // namespace
