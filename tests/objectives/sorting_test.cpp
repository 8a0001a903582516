#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "genome/random.h"
#include "objectives/dominance.h"
#include "objectives/nondominated_sort.h"

namespace {

using namespace zarnel::objectives;

struct Shape {
    std::size_t m;
    std::size_t n;
    std::uint32_t levels;  // values per objective: few make ties and copies; 0: continuous
    double nanShare;
};

std::vector<double> RandomPoints(const Shape& shape, std::uint64_t seed) {
    zarnel::Random random(seed);
    std::vector<double> values(shape.n * shape.m);
    for (double& value : values) value = shape.levels != 0 ? random.Below(shape.levels) : random.Uniform();
    for (std::size_t i = 0; i < shape.n; ++i) {
        if (random.Chance(shape.nanShare))
            values[i * shape.m + random.Below(static_cast<std::uint32_t>(shape.m))] = std::nan("");
    }
    return values;
}

// Fronts by definition: peel off, again and again, the points that no
// remaining point dominates.
std::vector<std::uint32_t> PeeledRanks(std::size_t n, const auto& dominates) {
    std::vector<std::uint32_t> rank(n, UINT32_MAX);
    for (std::uint32_t front = 0, left = static_cast<std::uint32_t>(n); left > 0; ++front) {
        std::vector<std::uint32_t> free;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (rank[i] != UINT32_MAX) continue;
            bool dominated = false;
            for (std::uint32_t j = 0; j < n && !dominated; ++j)
                dominated = rank[j] == UINT32_MAX && dominates(j, i);
            if (!dominated) free.push_back(i);
        }
        for (const std::uint32_t i : free) rank[i] = front;
        left -= static_cast<std::uint32_t>(free.size());
    }
    return rank;
}

std::string ShapeName(const Shape& shape) {
    std::string name = "M";
    name += std::to_string(shape.m);
    name += "_N";
    name += std::to_string(shape.n);
    name += shape.levels != 0 ? "_levels" + std::to_string(shape.levels) : "_continuous";
    if (shape.nanShare > 0) name += "_NaN";
    return name;
}

class SortingTest : public ::testing::TestWithParam<Shape> {};

TEST_P(SortingTest, FastSortMatchesDebsSortAndTheDefinition) {
    const Shape shape = GetParam();
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        const std::vector<double> values = RandomPoints(shape, seed);
        const PointSet points(values, shape.m);
        const Fronts fast = NonDominatedSort(points);
        const Fronts quadratic = NonDominatedSortQuadratic(points);
        EXPECT_EQ(fast.rank, quadratic.rank) << "seed " << seed;
        EXPECT_EQ(fast.members, quadratic.members);
        EXPECT_EQ(fast.begin, quadratic.begin);
        // A NaN point is dominated by every point that has none.
        const auto withNaNLast = [&](std::uint32_t a, std::uint32_t b) {
            return points.HasNaN(a) ? false : points.HasNaN(b) || Dominates(points[a], points[b]);
        };
        if (shape.n <= 300) {
            EXPECT_EQ(fast.rank, PeeledRanks(shape.n, withNaNLast));
        }
    }
}

// The oracle of these is cubic: small sets only.
class FeasibilitySortingTest : public ::testing::TestWithParam<Shape> {};

TEST_P(FeasibilitySortingTest, FeasibilityRulesRankInfeasiblePointsByViolation) {
    const Shape shape = GetParam();
    zarnel::Random random(99);
    const std::vector<double> values = RandomPoints(shape, 7);
    std::vector<double> violations(shape.n);
    const double choices[] = {0.0, 0.0, 0.0, 0.5, 1.0, std::numeric_limits<double>::infinity(), std::nan("")};
    for (double& v : violations) v = choices[random.Below(7)];
    const PointSet points(values, shape.m);
    const Fronts fronts = NonDominatedSort(points, violations);
    EXPECT_EQ(fronts.rank, PeeledRanks(shape.n, [&](std::uint32_t a, std::uint32_t b) {
                  return FeasiblyDominates(points[a], violations[a], points[b], violations[b]);
              }));
    const std::vector<std::uint32_t> subset = NonDominatedSubset(points);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t i = 0; i < shape.n; ++i) {
        bool covered = points.HasNaN(i);
        for (std::uint32_t j = 0; j < shape.n && !covered; ++j) {
            const bool equal = j < i && !points.HasNaN(j) &&
                               std::equal(points[j].begin(), points[j].end(), points[i].begin());
            covered = equal || (!points.HasNaN(j) && Dominates(points[j], points[i]));
        }
        if (!covered) expected.push_back(i);
    }
    EXPECT_EQ(subset, expected);
}

const auto kShapeName = [](const ::testing::TestParamInfo<Shape>& shape) { return ShapeName(shape.param); };
INSTANTIATE_TEST_SUITE_P(Shapes, SortingTest,
                         ::testing::Values(Shape{2, 200, 6, 0.05}, Shape{2, 300, 0, 0.0},
                                           Shape{3, 200, 4, 0.05}, Shape{3, 250, 0, 0.02},
                                           Shape{5, 200, 3, 0.05}, Shape{5, 2000, 0, 0.01},
                                           Shape{2, 3000, 40, 0.01}, Shape{1, 50, 5, 0.1}),
                         kShapeName);
INSTANTIATE_TEST_SUITE_P(Shapes, FeasibilitySortingTest,
                         ::testing::Values(Shape{2, 200, 6, 0.05}, Shape{2, 300, 0, 0.0},
                                           Shape{3, 200, 4, 0.05}, Shape{3, 250, 0, 0.02},
                                           Shape{5, 200, 3, 0.05}, Shape{1, 50, 5, 0.1}),
                         kShapeName);

TEST(SortingEdgeTest, EmptyAndAllNaNSetsAndMisuse) {
    const std::vector<double> none;
    EXPECT_EQ(NonDominatedSort(PointSet(none, 2)).Count(), 0u);
    const std::vector<double> nan(6, std::nan(""));
    const Fronts fronts = NonDominatedSort(PointSet(nan, 3));
    EXPECT_EQ(fronts.Count(), 1u);
    EXPECT_EQ(fronts.Front(0).size(), 2u);
    EXPECT_THROW(PointSet(nan, 4), std::invalid_argument);
    EXPECT_THROW(PointSet(nan, 0), std::invalid_argument);
    EXPECT_THROW(NonDominatedSort(PointSet(nan, 3), std::vector{0.0}), std::invalid_argument);
}

}  // namespace
