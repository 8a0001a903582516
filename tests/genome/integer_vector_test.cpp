#include "genome/integer_vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "genome/integer_vector_variation.h"

namespace {

namespace integer = zarnel::integer;
using Genes = std::vector<std::int64_t>;
using zarnel::IntegerVector;
using zarnel::Random;

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// Gene 1 a small range, gene 2 fixed, gene 3 the whole 64-bit range.
const IntegerVector kKind{{-3, 7, kMin}, {3, 7, kMax}};

TEST(IntegerVectorOperatorTest, InitAndResetCoverTheBoundsAndKeepFixedGenes) {
    Random random(31);
    std::set<std::int64_t> initSeen, resetSeen;
    Genes genes(3);
    bool wideNegative = false, widePositive = false;
    for (int trial = 0; trial < 2000; ++trial) {
        kKind.Init(genes, random);
        ASSERT_EQ(kKind.Check(genes), "");
        initSeen.insert(genes[0]);
        wideNegative |= genes[2] < kMin / 2;
        widePositive |= genes[2] > kMax / 2;
        integer::RandomReset(genes, kKind, random, 1.0);
        ASSERT_EQ(kKind.Check(genes), "");
        resetSeen.insert(genes[0]);
    }
    EXPECT_EQ(initSeen.size(), 7u);
    EXPECT_EQ(resetSeen.size(), 7u);
    EXPECT_TRUE(wideNegative && widePositive);
}

// Creep moves a gene by 1 .. step either way, never by 0 unless a bound
// stops it, and clamps without overflowing even at the ends of the range.
TEST(IntegerVectorOperatorTest, CreepMovesByAtMostItsStepWithinTheBounds) {
    Random random(32);
    std::set<std::int64_t> moves;
    for (int trial = 0; trial < 2000; ++trial) {
        const std::int64_t start = trial % 7 - 3;  // every value of gene 1, its bounds included
        Genes genes{start, 7, trial % 2 ? kMax - 1 : kMin + 1};
        integer::Creep(genes, kKind, random, 1.0, 2);
        ASSERT_EQ(kKind.Check(genes), "");
        const std::int64_t move = genes[0] - start;
        ASSERT_TRUE(move >= -2 && move <= 2);
        ASSERT_TRUE(move != 0 || start == -3 || start == 3);
        if (start == 0) moves.insert(move);
        integer::Creep(genes, kKind, random, 1.0, kMax);
        ASSERT_EQ(kKind.Check(genes), "");
    }
    EXPECT_EQ(moves, (std::set<std::int64_t>{-2, -1, 1, 2}));
    Genes atTop{3, 7, kMax};
    integer::Creep(atTop, kKind, random, 0.0, 5);
    EXPECT_EQ(atTop, (Genes{3, 7, kMax}));
}

TEST(IntegerVectorOperatorTest, UniformCrossoverTakesEachGeneFromAParent) {
    Random random(33);
    Genes child(200, 0);
    integer::UniformCrossover(Genes(200, kMin), Genes(200, kMax), child, random);
    const auto fromSecond = std::count(child.begin(), child.end(), kMax);
    EXPECT_EQ(fromSecond + std::count(child.begin(), child.end(), kMin), 200);
    EXPECT_NEAR(static_cast<double>(fromSecond) / 200, 0.5, 0.12);
}

TEST(IntegerVectorKindTest, ValidateAndCheckNameTheFault) {
    EXPECT_EQ(kKind.Validate(), "");
    EXPECT_EQ((IntegerVector{{5}, {4}}).Validate(), "gene 1's lower bound 5 is above its upper bound 4");
    EXPECT_EQ(kKind.Check(Genes{-4, 7, 0}), "gene 1 is -4, below its lower bound -3");
    EXPECT_EQ(kKind.Check(Genes{0, 7}), "expected 3 genes, found 2");
}

}  // namespace
