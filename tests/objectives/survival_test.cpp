#include "objectives/survival.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "objectives/normalisation.h"
#include "objectives/reference_directions.h"

namespace {

using namespace zarnel::objectives;

TEST(ReferenceDirectionsTest, CountsLieOnTheSimplexAndFollowDebAndJainsTable) {
    for (const auto& [m, h] : {std::pair{3, 12}, {5, 6}, {8, 3}, {2, 1}}) {
        const std::vector<double> directions = DasDennis(m, h);
        ASSERT_EQ(directions.size(), DasDennisCount(m, h) * m);
        for (std::size_t d = 0; d * m < directions.size(); ++d) {
            const double sum =
                std::accumulate(directions.begin() + d * m, directions.begin() + (d + 1) * m, 0.0);
            EXPECT_NEAR(sum, 1.0, 1e-12);
        }
    }
    EXPECT_EQ(DasDennis(3, 2),
              (std::vector<double>{1, 0, 0, .5, .5, 0, .5, 0, .5, 0, 1, 0, 0, .5, .5, 0, 0, 1}));
    for (const auto& [m, population, count] :
         {std::tuple{3, 92, 91}, {5, 212, 210}, {8, 156, 156}, {10, 276, 275}, {15, 136, 135}, {2, 100, 100}})
        EXPECT_EQ(DefaultDirections(m, population).size(), std::size_t(count) * m) << m;
    // The inner layer of 8 objectives lies inside the simplex.
    const std::vector<double> layers = DefaultDirections(8, 156);
    EXPECT_EQ(*std::min_element(layers.begin() + 120 * 8, layers.end()), 0.5 / 8);
    EXPECT_THROW(DefaultDirections(5, 4), std::invalid_argument);
    EXPECT_THROW(DasDennis(1, 3), std::invalid_argument);
}

TEST(NormalisationTest, InterceptsOfAScaledPlaneAndTheFallbacks) {
    // Points of f1/1 + f2/2 + f3/3 = 1, shifted by (1, 1, 1).
    const std::vector<double> values{2, 1, 1, 1, 3, 1, 1, 1, 4, 1.5, 2, 1, 1.25, 1.5, 2.5};
    const PointSet points(values, 3);
    const std::vector<std::uint32_t> all{0, 1, 2, 3, 4};
    const Normalisation plane = Normalise(points, all, all);
    EXPECT_EQ(plane.ideal, (std::vector<double>{1, 1, 1}));
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(plane.intercepts[j], j + 1.0, 1e-12);
    // Extremes off the axes: their plane meets the axes at 1.4, beyond the
    // worst values, which bound it.
    const std::vector<double> tilted{1, 0, 0.4, 0.4, 1, 0, 0, 0.4, 1};
    const std::vector<std::uint32_t> three{0, 1, 2};
    EXPECT_EQ(Normalise(PointSet(tilted, 3), three, three).intercepts, (std::vector<double>{1, 1, 1}));
    // Flat in f3 and with one point extreme on two axes: no plane; the worst
    // of the first front, and 1 on the flat axis.
    const std::vector<double> flat{0, 4, 7, 4, 0, 7, 4, 4, 7};
    const Normalisation fallback = Normalise(PointSet(flat, 3), three, std::vector<std::uint32_t>{0, 1});
    EXPECT_EQ(fallback.intercepts, (std::vector<double>{4, 4, 1}));
}

// A front that has converged onto an edge spreads over 10^-12 in f3: that
// spread, not 1, normalises f3, so its members keep directions off the edge.
// Values that small intercepts make infinite count as their axis, and values
// whose squares would underflow keep their direction.
TEST(NormalisationTest, ATinySpreadIsKeptAndExtremeValuesKeepTheirDirections) {
    const std::vector<double> edge{0, 1, 0, 1, 0, 1e-12, 0.5, 0.5, 0.5e-12};
    const std::vector<std::uint32_t> three{0, 1, 2};
    const Normalisation tiny = Normalise(PointSet(edge, 3), three, three);
    EXPECT_EQ(tiny.intercepts, (std::vector<double>{1, 1, 1e-12}));
    // DasDennis(3, 2): (1,0,0) (.5,.5,0) (.5,0,.5) (0,1,0) (0,.5,.5) (0,0,1).
    const std::vector<double> directions = DasDennis(3, 2);
    const Association spread = Associate(PointSet(edge, 3), three, tiny, PointSet(directions, 3));
    EXPECT_EQ(spread.direction, (std::vector<std::uint32_t>{3, 2, 1}));

    const std::vector<double> extreme{1, 0, 1, 1e-300, 2e-300, 0};
    const Normalisation small{{0, 0, 0}, {1, 1, 1e-310}};
    const Association axis =
        Associate(PointSet(extreme, 3), std::vector<std::uint32_t>{0, 1}, small, PointSet(directions, 3));
    EXPECT_EQ(axis.direction, (std::vector<std::uint32_t>{5, 1}));
    EXPECT_EQ(axis.distance[0], std::numeric_limits<double>::infinity());
    EXPECT_NEAR(axis.distance[1] / 1e-300, std::sqrt(0.125) * 2, 1e-12);
}

TEST(SurvivalTest, Nsga2KeepsWholeFrontsThenTheLeastCrowdedAndFeasibleFirst) {
    // Front 0: 0, 1, 2; front 1: 3, 4, 5 (4 in the middle); 6 is infeasible
    // though it dominates everything.
    const std::vector<double> values{0, 2, 1, 1, 2, 0, 1, 3, 2, 2, 3, 1, -1, -1};
    const std::vector<double> violations{0, 0, 0, 0, 0, 0, 0.5};
    const PointSet points(values, 2);
    EXPECT_EQ(SurviveNsga2(points, violations, 5).kept, (std::vector<std::uint32_t>{0, 1, 2, 3, 5}));
    const Survivors all = SurviveNsga2(points, violations, 7);
    EXPECT_EQ(all.fronts.rank, (std::vector<std::uint32_t>{0, 0, 0, 1, 1, 1, 2}));
    EXPECT_EQ(all.crowding[1], 2.0);
    EXPECT_THROW(SurviveNsga2(points, violations, 8), std::invalid_argument);
}

TEST(SurvivalTest, TournamentsGoByRankThenCrowdingThenACoin) {
    const std::vector<std::uint32_t> rank{0, 1, 1, 1};
    const std::vector<double> crowding{0.0, 5.0, 2.0, 2.0};
    zarnel::Random random(3);
    EXPECT_EQ(Tournament(rank, crowding, 1, 0, random), 0u);
    EXPECT_EQ(Tournament(rank, crowding, 2, 1, random), 1u);
    const zarnel::Random before = random;
    int second = 0;
    for (int k = 0; k < 100; ++k) second += Tournament(rank, crowding, 2, 3, random) == 3 ? 1 : 0;
    EXPECT_GT(second, 30);
    EXPECT_LT(second, 70);
    EXPECT_NE(random.GetState(), before.GetState());
}

TEST(SurvivalTest, Nsga3GivesEveryDirectionItsNearestPointThenRepeatsItsDraws) {
    // One front on the plane f1 + f2 + f3 = 1: a cluster around (1, 0, 0)
    // and one point on each of the other five directions of DasDennis(3, 2).
    std::vector<double> values{1, 0, 0, 0, 1, 0, 0, 0, 1, .5, .5, 0, .5, 0, .5, 0, .5, .5};
    for (int k = 1; k <= 14; ++k) {
        const double e = 0.001 * k;
        values.insert(values.end(), {1 - 2 * e, e, e});
    }
    const PointSet points(values, 3);
    const std::vector<double> violations(points.Size(), 0.0);
    const std::vector<double> directions = DasDennis(3, 2);
    zarnel::Random random(1);
    EXPECT_EQ(SurviveNsga3(points, violations, 6, PointSet(directions, 3), random).kept,
              (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    // Two more come from the cluster, drawn: the same generator state draws
    // the same ones.
    zarnel::Random first(7), second(7);
    const Survivors one = SurviveNsga3(points, violations, 8, PointSet(directions, 3), first);
    EXPECT_EQ(one.kept.size(), 8u);
    EXPECT_EQ(one.kept, SurviveNsga3(points, violations, 8, PointSet(directions, 3), second).kept);
    EXPECT_EQ(first.GetState(), second.GetState());
}

}  // namespace
