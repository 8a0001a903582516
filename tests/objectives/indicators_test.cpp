#include "objectives/indicators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "genome/random.h"
#include "objectives/crowding.h"

namespace {

using namespace zarnel::objectives;
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(HypervolumeTest, HandComputedFronts) {
    const std::vector<double> plane{1, 3, 2, 2, 3, 1, 5, 0, /* dominated */ 3, 3};
    EXPECT_EQ(Hypervolume(PointSet(plane, 2), std::vector{4.0, 4.0}), 6.0);  // (5, 0) is outside
    // Three boxes of 6, pairwise overlaps of 2, all three overlapping in 1.
    const std::vector<double> space{1, 2, 3, 2, 3, 1, 3, 1, 2, 2, 3, 1};
    EXPECT_EQ(Hypervolume(PointSet(space, 3), std::vector{4.0, 4.0, 4.0}), 13.0);
    // Four objectives: a point on the reference's face and a NaN are dropped.
    const std::vector<double> four{1, 1, 1, 1, 0, 0, 0, 2, 0, std::nan(""), 0, 0};
    EXPECT_EQ(Hypervolume(PointSet(four, 4), std::vector{2.0, 2.0, 2.0, 2.0}), 1.0);
    const std::vector<double> none;
    EXPECT_EQ(Hypervolume(PointSet(none, 3), std::vector{1.0, 1.0, 1.0}), 0.0);
    EXPECT_THROW(Hypervolume(PointSet(plane, 2), std::vector{4.0}), std::invalid_argument);
    EXPECT_THROW(Hypervolume(PointSet(plane, 2), std::vector{4.0, std::nan("")}), std::invalid_argument);
}

// Integer points against an integer reference: the volume is the number of
// unit cells whose lower corner some point reaches.
double CountedCells(const std::vector<double>& values, std::size_t m, const std::vector<double>& reference) {
    std::vector<int> cell(m, 0);
    double cells = 0;
    for (;;) {
        for (std::size_t i = 0; i * m < values.size(); ++i) {
            bool reaches = true;
            for (std::size_t j = 0; j < m && reaches; ++j) reaches = values[i * m + j] <= cell[j];
            if (reaches) {
                ++cells;
                break;
            }
        }
        std::size_t j = 0;
        while (j < m && ++cell[j] >= reference[j]) cell[j++] = 0;
        if (j == m) return cells;
    }
}

class HypervolumeGridTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HypervolumeGridTest, MatchesCountedCellsWithCopiesAndPointsOutside) {
    const std::size_t m = GetParam();
    zarnel::Random random(m);
    for (int round = 0; round < 20; ++round) {
        std::vector<double> reference(m);
        for (double& r : reference) r = 2 + random.Below(5);
        std::vector<double> values((5 + random.Below(40)) * m);
        for (double& v : values) v = random.Below(7);
        EXPECT_EQ(Hypervolume(PointSet(values, m), reference), CountedCells(values, m, reference)) << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Objectives, HypervolumeGridTest, ::testing::Values(2, 3, 4, 5, 6));

TEST(IgdPlusTest, HandComputedDistances) {
    const std::vector<double> ends{0, 1, 1, 0}, middle{0.5, 0.5}, corner{0, 1},
        both{0.5, 0.5, 0, 1, std::nan(""), 0};
    const std::vector<double> beyond{-1, -1}, none;
    const PointSet front(ends, 2);
    EXPECT_DOUBLE_EQ(IgdPlus(PointSet(middle, 2), front), 0.5);
    EXPECT_DOUBLE_EQ(IgdPlus(PointSet(corner, 2), front), 0.5);
    EXPECT_DOUBLE_EQ(IgdPlus(PointSet(both, 2), front), 0.25);
    // Beyond the front costs nothing.
    EXPECT_EQ(IgdPlus(PointSet(beyond, 2), front), 0.0);
    EXPECT_EQ(IgdPlus(PointSet(none, 2), front), kInf);
    EXPECT_THROW(IgdPlus(front, PointSet(none, 2)), std::invalid_argument);
}

TEST(CrowdingTest, HandComputedFrontWithFlatObjectivesAndInfinities) {
    const std::vector<double> values{0, 5, 1, 3, 3, 2, 6, 0};
    const std::vector<std::uint32_t> front{2, 0, 3, 1};
    const std::vector<double> distance = CrowdingDistance(PointSet(values, 2), front);
    EXPECT_DOUBLE_EQ(distance[0], 5.0 / 6 + 3.0 / 5);
    EXPECT_DOUBLE_EQ(distance[3], 3.0 / 6 + 3.0 / 5);
    EXPECT_EQ(distance[1], kInf);
    EXPECT_EQ(distance[2], kInf);
    // A flat objective adds nothing, not 0/0.
    const std::vector<double> flat{0, 1, 1, 1, 3, 1};
    EXPECT_EQ(CrowdingDistance(PointSet(flat, 2), std::vector<std::uint32_t>{0, 1, 2}),
              (std::vector<double>{kInf, 1.0, kInf}));
    // All equal: nothing anywhere. Of two copies at the ends of both
    // objectives, the lower index gets +inf on both.
    const std::vector<double> copies{2, 2, 2, 2, 2, 2, 1, 3, 1, 3};
    EXPECT_EQ(CrowdingDistance(PointSet(copies, 2), std::vector<std::uint32_t>{0, 1, 2}),
              (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(CrowdingDistance(PointSet(copies, 2), std::vector<std::uint32_t>{4, 3, 0}),
              (std::vector<double>{2.0, kInf, kInf}));
    // An infinite value opens an infinite gap beside it; NaN counts as +inf.
    const std::vector<double> wide{0, 3, 1, 2, 2, 1, kInf, std::nan("")};
    const std::vector<double> gaps =
        CrowdingDistance(PointSet(wide, 2), std::vector<std::uint32_t>{0, 1, 2, 3});
    EXPECT_EQ(gaps[1], 0.0 + 0.0);
    EXPECT_EQ(gaps[2], kInf);
    for (const double d : gaps) EXPECT_FALSE(std::isnan(d));
}

}  // namespace
