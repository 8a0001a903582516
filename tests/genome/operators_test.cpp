#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "genome/bit_string_operators.h"
#include "genome/integer_vector_operators.h"
#include "genome/permutation_operators.h"
#include "genome/permutation_variation.h"
#include "genome/permutation_with_repetition_operators.h"
#include "genome/real_vector_operators.h"

namespace {

using namespace zarnel;

static_assert(std::is_same_v<OperatorsOf<Permutation>, PermutationOperators>);
static_assert(std::is_same_v<OperatorsOf<BitString>, BitStringOperators>);
static_assert(std::is_same_v<OperatorsOf<RealVector>, RealVectorOperators>);
static_assert(std::is_same_v<OperatorsOf<IntegerVector>, IntegerVectorOperators>);
static_assert(std::is_same_v<OperatorsOf<PermutationWithRepetition>, PermutationWithRepetitionOperators>);

// Breeds `trials` children of two random parents with `operators`; each must
// pass the kind's Check, and a given seed must give the same children again.
template <class Kind>
void ExpectValidChildren(const Kind& kind, const OperatorsOf<Kind>& operators, const char* label) {
    using Gene = typename Kind::Gene;
    ASSERT_EQ(operators.Validate(), "") << label;
    std::vector<Gene> first;
    for (int pass = 0; pass < 2; ++pass) {
        Random random(77);
        std::vector<Gene> p1(kind.Length()), p2(kind.Length()), child(kind.Length()), all;
        for (int trial = 0; trial < 50; ++trial) {
            kind.Init(p1, random);
            kind.Init(p2, random);
            const std::span<const Gene> parents[] = {p1, p2};
            operators.Breed(kind, parents, child, random);
            ASSERT_EQ(kind.Check(child), "") << label << " " << operators.Name();
            all.insert(all.end(), child.begin(), child.end());
        }
        if (pass == 0) first = all;
        if (pass == 1) {
            EXPECT_EQ(all, first) << label << " " << operators.Name();
        }
    }
}

TEST(OperatorChoiceTest, EveryCombinationBreedsValidChildrenReproducibly) {
    for (const std::uint32_t n : {1u, 2u, 30u}) {
        for (int c = 0; c < 4; ++c) {
            for (int m = 0; m < 3; ++m) {
                PermutationOperators ops;
                ops.crossover = static_cast<PermutationOperators::Crossover>(c);
                ops.mutation = static_cast<PermutationOperators::Mutation>(m);
                ops.mutationRate = 1.0;
                ExpectValidChildren(Permutation{n}, ops, "permutation");
            }
        }
        for (int c = 0; c < 3; ++c) {
            for (int m = 0; m < 3; ++m) {
                PermutationWithRepetitionOperators ops;
                ops.crossover = static_cast<PermutationWithRepetitionOperators::Crossover>(c);
                ops.mutation = static_cast<PermutationWithRepetitionOperators::Mutation>(m);
                ops.mutationRate = 1.0;
                ExpectValidChildren(PermutationWithRepetition{{n, 3, 0}}, ops, "repetition");
            }
        }
        for (int c = 0; c < 3; ++c) {
            BitStringOperators ops;
            ops.crossover = static_cast<BitStringOperators::Crossover>(c);
            ExpectValidChildren(BitString{n}, ops, "bits");
        }
    }
    const RealVector reals{{-1.0, 0.0, 3.0}, {1.0, 10.0, 3.0}};
    for (int c = 0; c < 3; ++c) {
        for (int m = 0; m < 2; ++m) {
            RealVectorOperators ops;
            ops.crossover = static_cast<RealVectorOperators::Crossover>(c);
            ops.mutation = static_cast<RealVectorOperators::Mutation>(m);
            ExpectValidChildren(reals, ops, "reals");
        }
    }
    const IntegerVector integers{{-1, 0, 3}, {1, 10, 3}};
    for (int m = 0; m < 2; ++m) {
        IntegerVectorOperators ops;
        ops.mutation = static_cast<IntegerVectorOperators::Mutation>(m);
        ops.creepStep = 3;
        ExpectValidChildren(integers, ops, "integers");
    }
}

// Without crossover and mutation a child is a copy of the best parent.
TEST(OperatorChoiceTest, ZeroRatesCopyTheBestParent) {
    Random random(78);
    std::vector<std::uint32_t> best(20), other(20), child(20);
    zarnel::permutation::Shuffle(best, random);
    zarnel::permutation::Shuffle(other, random);
    const std::span<const std::uint32_t> parents[] = {best, other};
    PermutationOperators{.crossoverRate = 0.0, .mutationRate = 0.0}.Breed(Permutation{20}, parents, child,
                                                                          random);
    EXPECT_EQ(child, best);
}

TEST(OperatorChoiceTest, NamesAndRefusals) {
    EXPECT_EQ(PermutationOperators{}.Name(), "edge_recombination+inversion");
    EXPECT_EQ(BitStringOperators{}.Name(), "uniform+flip");
    EXPECT_EQ(RealVectorOperators{}.Name(), "sbx+polynomial");
    EXPECT_EQ(IntegerVectorOperators{}.Name(), "uniform+random_reset");
    EXPECT_EQ(PermutationWithRepetitionOperators{}.Name(), "jox+swap");

    PermutationOperators permutation;
    permutation.crossoverRate = 1.5;
    EXPECT_EQ(permutation.Validate(), "crossoverRate 1.5 is not in [0, 1]");
    permutation.crossoverRate = 0.5;
    permutation.mutationRate = NAN;
    EXPECT_EQ(permutation.Validate(), "mutationRate is not a number");
    permutation.mutation = static_cast<PermutationOperators::Mutation>(9);
    EXPECT_EQ(permutation.Validate(), "unknown mutation 9");
    PermutationWithRepetitionOperators repetition;
    repetition.crossover = static_cast<PermutationWithRepetitionOperators::Crossover>(3);
    EXPECT_EQ(repetition.Validate(), "unknown crossover 3");
    BitStringOperators bits;
    bits.flipRate = 2.0;  // negative means 1 / length, above 1 nothing
    EXPECT_EQ(bits.Validate(), "flipRate 2 is not in [0, 1]");

    RealVectorOperators reals;
    reals.sbxEta = -1.0;  // mutationRate -1 (the default) is allowed
    EXPECT_EQ(reals.Validate(), "sbxEta -1 is not a finite number >= 0");
    IntegerVectorOperators integers;
    integers.creepStep = 0;
    EXPECT_EQ(integers.Validate(), "creepStep 0 is below 1");
}

// The differential choice names itself, refuses a negative F or a CR
// outside [0, 1], breeds valid children, and steps from the best parent
// along the difference of the second and third (with two parents, of the
// second and the best), whatever the other parents hold.
TEST(OperatorChoiceTest, DifferentialTakesTheDifferenceOfTheOtherParents) {
    RealVectorOperators reals;
    reals.crossover = RealVectorOperators::Crossover::kDifferential;
    EXPECT_EQ(reals.Name(), "differential+polynomial");
    ExpectValidChildren(RealVector{{-1.0, 0.0, 3.0}, {1.0, 10.0, 3.0}}, reals, "differential");
    reals.differentialWeight = -0.5;
    EXPECT_EQ(reals.Validate(), "differentialWeight -0.5 is not a finite number >= 0");
    reals.differentialWeight = 0.5;
    reals.differentialRate = 1.5;
    EXPECT_EQ(reals.Validate(), "differentialRate 1.5 is not in [0, 1]");
    reals.differentialRate = 1.0;
    reals.crossoverRate = 1.0;
    reals.mutationRate = 0.0;
    const RealVector box{{0.0, 0.0}, {100.0, 100.0}};
    const std::vector<double> best{50.0, 50.0}, second{60.0, 40.0}, third{40.0, 60.0}, fourth{0.0, 0.0};
    std::vector<double> child(2);
    Random random(79);
    const std::span<const double> four[] = {best, second, third, fourth};
    reals.Breed(box, four, child, random);
    EXPECT_EQ(child, (std::vector<double>{60.0, 40.0}));  // 50 + 0.5 (60 - 40), 50 + 0.5 (40 - 60)
    const std::span<const double> two[] = {best, second};
    reals.Breed(box, two, child, random);
    EXPECT_EQ(child, (std::vector<double>{55.0, 45.0}));  // 50 + 0.5 (60 - 50), 50 + 0.5 (40 - 50)
}

// Clamped bounds name themselves and breed within the bounds, and only they
// put children of parents next to a bound on it; an enumerator that names
// nothing is refused.
TEST(OperatorChoiceTest, ClampedBoundsAreNamedAndChecked) {
    RealVectorOperators reals;
    reals.bounds = RealVectorOperators::Bounds::kClamped;
    EXPECT_EQ(reals.Name(), "sbx+polynomial+clamped");
    ExpectValidChildren(RealVector{{-1.0, 0.0, 3.0}, {1.0, 10.0, 3.0}}, reals, "clamped reals");
    const RealVector unit{{0.0}, {1.0}};
    const std::vector<double> p1{1e-3}, p2{2e-3};
    const std::span<const double> parents[] = {p1, p2};
    for (const auto bounds : {RealVectorOperators::Bounds::kShaped, RealVectorOperators::Bounds::kClamped}) {
        reals.bounds = bounds;
        Random random(5);
        int onBound = 0;
        std::vector<double> child(1);
        for (int trial = 0; trial < 200; ++trial) {
            reals.Breed(unit, parents, child, random);
            onBound += child[0] == 0.0;
        }
        EXPECT_EQ(onBound > 0, bounds == RealVectorOperators::Bounds::kClamped) << onBound;
    }
    reals.bounds = static_cast<RealVectorOperators::Bounds>(7);
    EXPECT_EQ(reals.Validate(), "unknown bounds 7");
}

}  // namespace
