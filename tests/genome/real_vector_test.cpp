#include "genome/real_vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "genome/real_vector_variation.h"

namespace {

namespace real = zarnel::real;
using Genes = std::vector<double>;
using zarnel::Random;
using zarnel::RealVector;

// Gene 1 an ordinary range, gene 2 fixed, gene 3 the widest range of
// doubles, gene 4 a narrow range far from 0.
const RealVector kKind{{-5.0, 2.0, -1e308, 1e6}, {5.0, 2.0, 1e308, 1e6 + 1e-3}};

// Every crossover and mutation, at the ends of their parameter ranges,
// writes finite genes within the bounds and leaves the fixed gene alone;
// BLX-0 and the arithmetic crossover stay between the parents, and SBX of
// a genome with itself gives that genome.
TEST(RealVectorOperatorTest, EveryOperatorKeepsTheBounds) {
    Random random(21);
    Genes p1(4), p2(4), child(4);
    for (int trial = 0; trial < 2000; ++trial) {
        kKind.Init(p1, random);
        kKind.Init(p2, random);
        if (trial % 4 == 0) p2 = {5.0, 2.0, 1e308, 1e6};  // parents on the bounds
        ASSERT_EQ(kKind.Check(p1), "");
        for (const double eta : {0.0, 0.5, 100.0}) {
            real::Sbx(p1, p2, child, kKind, random, eta);
            ASSERT_EQ(kKind.Check(child), "") << "sbx " << eta;
            real::PolynomialMutation(child, kKind, random, eta, 1.0);
            ASSERT_EQ(kKind.Check(child), "") << "polynomial " << eta;
        }
        real::Sbx(p1, p1, child, kKind, random, 15.0);
        ASSERT_EQ(child, p1);
        for (const double alpha : {0.5, 2.0}) {
            real::BlxAlpha(p1, p2, child, kKind, random, alpha);
            ASSERT_EQ(kKind.Check(child), "") << "blx " << alpha;
        }
        for (int between = 0; between < 2; ++between) {
            if (between == 0) real::BlxAlpha(p1, p2, child, kKind, random, 0.0);
            if (between == 1) real::Arithmetic(p1, p2, child, kKind, random);
            for (std::size_t i = 0; i < 4; ++i) {
                ASSERT_TRUE(child[i] >= std::min(p1[i], p2[i]) && child[i] <= std::max(p1[i], p2[i]));
            }
        }
        for (const double sigma : {0.1, 10.0}) {
            real::GaussianMutation(child, kKind, random, sigma, 1.0);
            ASSERT_EQ(kKind.Check(child), "") << "gaussian " << sigma;
        }
    }
}

// SBX far from the bounds: half the genes are p1's, and the others fall
// inside and outside the parents' interval equally often (the spread
// factor is below 1 with probability 1/2), as often above their middle as
// below it.
TEST(RealVectorOperatorTest, SbxSpreadsChildrenAsDebsDistribution) {
    Random random(23);
    const RealVector wide{{-1e6}, {1e6}};
    const Genes p1{0.0}, p2{1.0};
    Genes child(1);
    int copied = 0, inside = 0, outside = 0, above = 0;
    constexpr int kTrials = 40000;
    for (int trial = 0; trial < kTrials; ++trial) {
        real::Sbx(p1, p2, child, wide, random, 2.0);
        above += child[0] > 0.5;
        if (child[0] == 0.0) {
            ++copied;
        } else if (child[0] > 0.0 && child[0] < 1.0) {
            ++inside;
        } else {
            ++outside;
        }
    }
    EXPECT_NEAR(copied / double(kTrials), 0.5, 0.02);
    EXPECT_NEAR(inside / double(kTrials), 0.25, 0.02);
    EXPECT_NEAR(outside / double(kTrials), 0.25, 0.02);
    EXPECT_NEAR(above / double(kTrials), 0.25, 0.02);
}

// Polynomial mutation in the middle of its range moves down and up equally
// often, and a large index keeps steps small; a Gaussian step has the
// standard deviation sigma * range.
TEST(RealVectorOperatorTest, MutationStepsFollowTheirDistributions) {
    Random random(24);
    const RealVector unit{{0.0}, {1.0}};
    double meanStep[2] = {0.0, 0.0};
    int down = 0;
    constexpr int kTrials = 20000;
    for (int e = 0; e < 2; ++e) {
        for (int trial = 0; trial < kTrials; ++trial) {
            Genes genes{0.5};
            real::PolynomialMutation(genes, unit, random, e == 0 ? 0.5 : 100.0, 1.0);
            meanStep[e] += std::fabs(genes[0] - 0.5) / kTrials;
            down += genes[0] < 0.5;
        }
    }
    EXPECT_NEAR(down / (2.0 * kTrials), 0.5, 0.02);
    EXPECT_GT(meanStep[0], 10 * meanStep[1]);
    double squares = 0.0;
    const RealVector wide{{0.0}, {100.0}};
    for (int trial = 0; trial < kTrials; ++trial) {
        Genes genes{50.0};
        real::GaussianMutation(genes, wide, random, 0.05, 1.0);
        squares += (genes[0] - 50.0) * (genes[0] - 50.0) / kTrials;
    }
    EXPECT_NEAR(std::sqrt(squares), 5.0, 0.15);
}

// The clamped forms draw what the shaped ones draw. Far from the bounds SBX
// gives the shaped form's child (only near a bound does the shaped spread
// narrow); near a bound both clamped operators put genes on it, which the
// shaped ones do not; polynomial mutation of index 0 from the middle of
// [0, 1] is a uniform step in [-1, 1], a quarter of the genes on each bound.
TEST(RealVectorOperatorTest, ClampedFormsReachTheBoundsWithTheSameDraws) {
    Random random(25);
    const RealVector wide{{-1e6, -1e6}, {1e6, 1e6}}, unit{{0.0}, {1.0}};
    Genes shaped(2), clamped(2);
    for (int trial = 0; trial < 1000; ++trial) {
        Random a = random, b = random;
        real::Sbx(Genes{0.0, 3.0}, Genes{1.0, -2.0}, shaped, wide, a, 15.0);
        real::Sbx(Genes{0.0, 3.0}, Genes{1.0, -2.0}, clamped, wide, b, 15.0, true);
        ASSERT_EQ(shaped, clamped);
        ASSERT_EQ(a.GetState(), b.GetState());
        random.Next();
    }
    int onBound[2][2] = {};  // [shaped, clamped][sbx, mutation]
    int low = 0, high = 0;
    constexpr int kTrials = 20000;
    for (int trial = 0; trial < kTrials; ++trial) {
        Random draws[2] = {random, random};
        for (const int clamp : {0, 1}) {
            Genes child(1);
            real::Sbx(Genes{1e-3}, Genes{2e-3}, child, unit, draws[clamp], 0.0, clamp == 1);
            onBound[clamp][0] += child[0] == 0.0;
            Genes genes{1e-3};
            real::PolynomialMutation(genes, unit, draws[clamp], 20.0, 1.0, clamp == 1);
            onBound[clamp][1] += genes[0] == 0.0;
        }
        ASSERT_EQ(draws[0].GetState(), draws[1].GetState());
        random = draws[0];
        Genes middle{0.5};
        real::PolynomialMutation(middle, unit, random, 0.0, 1.0, true);
        low += middle[0] == 0.0;
        high += middle[0] == 1.0;
    }
    EXPECT_EQ(onBound[0][0] + onBound[0][1], 0);
    EXPECT_NEAR(onBound[1][0] / double(kTrials), 1.0 / 24, 0.01);  // crossed, lower value, u > 5/6
    EXPECT_GT(onBound[1][1], kTrials / 3);
    EXPECT_NEAR(low / double(kTrials), 0.25, 0.02);
    EXPECT_NEAR(high / double(kTrials), 0.25, 0.02);
}

// Differential evolution's step: at rate 1 every gene is the donor base +
// F (a - b); a donor beyond a bound gives the midpoint of the base and that
// bound (never the bound itself from inside); at rate 0 exactly one gene,
// different from one child to the next, comes from the donor; weight 0
// gives the base; and on the kinds of the bounds test every child is
// finite, within its bounds, with the fixed gene left alone.
TEST(RealVectorOperatorTest, DifferentialStepsAlongTheParentsDifference) {
    Random random(26);
    const RealVector box{{0.0, 0.0, 0.0}, {10.0, 10.0, 10.0}};
    const Genes base{5.0, 1.0, 9.0}, a{7.0, 1.0, 9.0}, b{3.0, 9.0, 1.0};
    Genes child(3);
    real::Differential(base, a, b, child, box, random, 0.5, 1.0);
    EXPECT_EQ(child, (Genes{7.0, 0.5, 9.5}));  // 5 + 2; 1 - 4 < 0: (0 + 1) / 2; 9 + 4 > 10: (10 + 9) / 2
    int changed[3] = {};
    for (int trial = 0; trial < 3000; ++trial) {
        real::Differential(base, a, b, child, box, random, 0.5, 0.0);
        int differ = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            differ += child[i] != base[i];
            changed[i] += child[i] != base[i];
        }
        ASSERT_EQ(differ, 1);
        real::Differential(base, a, b, child, box, random, 0.0, 1.0);
        ASSERT_EQ(child, base);
    }
    for (const int count : changed) EXPECT_NEAR(count / 3000.0, 1.0 / 3, 0.04);
    Genes p1(4), p2(4), p3(4), wide(4);
    for (int trial = 0; trial < 2000; ++trial) {
        kKind.Init(p1, random);
        kKind.Init(p2, random);
        kKind.Init(p3, random);
        if (trial % 4 == 0) p2 = {5.0, 2.0, 1e308, 1e6};
        if (trial % 4 == 1) p3 = {-5.0, 2.0, -1e308, 1e6 + 1e-3};
        for (const double weight : {0.5, 2.0}) {
            real::Differential(p1, p2, p3, wide, kKind, random, weight, 0.9);
            ASSERT_EQ(kKind.Check(wide), "") << weight;
            ASSERT_EQ(wide[1], 2.0);
        }
    }
}

TEST(RealVectorKindTest, ValidateRefusesUnusableBounds) {
    EXPECT_EQ(kKind.Validate(), "");
    EXPECT_EQ((RealVector{{}, {}}).Validate(), "no genes: the bounds are empty");
    EXPECT_EQ((RealVector{{0.0}, {1.0, 2.0}}).Validate(), "1 lower bounds but 2 upper bounds");
    EXPECT_EQ((RealVector{{0.0, 3.0}, {1.0, 2.5}}).Validate(),
              "gene 2's lower bound 3 is above its upper bound 2.5");
    EXPECT_EQ((RealVector{{NAN}, {1.0}}).Validate(), "gene 1 has a bound that is not finite");
    EXPECT_EQ(kKind.Check(Genes{0.0, 2.0, 0.0, 1e6 + 1e-2}),
              "gene 4 is 1000000.01, above its upper bound 1000000.001");
    EXPECT_EQ(kKind.Check(Genes{NAN, 2.0, 0.0, 1e6}), "gene 1 is nan, not a finite number");
}

}  // namespace
