#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "objectives/crowding.h"
#include "objectives/indicators.h"
#include "objectives/survival.h"

namespace {

using namespace zarnel::objectives;

constexpr double kInf = std::numeric_limits<double>::infinity();

// The measure of each member of `members` (indices into `points`, in
// increasing order) as the definitions give it, computed afresh: the crowding
// distance of the subset, or the hypervolume only the member dominates, +inf
// for the first member along f1 and for the lowest index of those with the
// largest f1. Values are integers in [0, 64] with 0 and 64 present, so every
// fraction is exact.
std::vector<double> FreshMeasure(const PointSet& points, const std::vector<std::uint32_t>& members,
                                 Crowding crowding) {
    if (crowding == Crowding::kDistance) return CrowdingDistance(points, members);
    std::vector<double> values;
    for (const std::uint32_t i : members) values.insert(values.end(), points[i].begin(), points[i].end());
    const std::vector<double> reference{65, 65};
    const double whole = Hypervolume(PointSet(values, 2), reference);
    std::vector<double> measure(members.size());
    double lowest = kInf, highest = -kInf;
    for (const std::uint32_t i : members) {
        lowest = std::min(lowest, points[i][0]);
        highest = std::max(highest, points[i][0]);
    }
    const auto first =
        std::find_if(members.begin(), members.end(), [&](auto i) { return points[i][0] == lowest; });
    const auto last =
        std::find_if(members.begin(), members.end(), [&](auto i) { return points[i][0] == highest; });
    for (std::size_t k = 0; k < members.size(); ++k) {
        if (members.begin() + k == first || members.begin() + k == last) {
            measure[k] = kInf;
            continue;
        }
        std::vector<double> without;
        for (std::size_t o = 0; o < members.size(); ++o) {
            if (o != k) without.insert(without.end(), points[members[o]].begin(), points[members[o]].end());
        }
        measure[k] = (whole - Hypervolume(PointSet(without, 2), reference)) / (64.0 * 64.0);
    }
    return measure;
}

// Random integer points: for kArea a two-objective front (f1 up, f2 down)
// from (0, 64) to (64, 0) with copies; for kDistance any points of M
// objectives, with the corners 0 and 64 as members 0 and 1.
std::vector<double> RandomPoints(Crowding crowding, std::size_t m, std::size_t n, std::mt19937& engine) {
    std::uniform_int_distribution<int> coordinate(1, 63);
    std::vector<double> values;
    if (crowding == Crowding::kArea) {
        std::vector<double> f1, f2;
        for (std::size_t k = 0; k < n; ++k) {
            f1.push_back(coordinate(engine));
            f2.push_back(coordinate(engine));
        }
        std::sort(f1.begin(), f1.end());
        std::sort(f2.rbegin(), f2.rend());
        // A point sharing f1 or f2 with the one before would dominate it or be
        // dominated: a copy of that one instead.
        for (std::size_t k = 1; k < n; ++k) {
            if (f1[k] == f1[k - 1] || f2[k] == f2[k - 1]) {
                f1[k] = f1[k - 1];
                f2[k] = f2[k - 1];
            }
        }
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), engine);
        values = {0, 64, 64, 0};
        for (const std::size_t k : order) values.insert(values.end(), {f1[k], f2[k]});
        return values;
    }
    values.assign(m, 0.0);
    values.insert(values.end(), m, 64.0);
    for (std::size_t k = 0; k < n * m; ++k) values.push_back(coordinate(engine) / 4 * 4);  // ties
    return values;
}

class ThinningTest : public ::testing::TestWithParam<std::tuple<Crowding, std::size_t>> {};

// One removal at a time with the neighbours' measures updated gives what
// recomputing every measure after each removal gives, ties going to the last
// member, copies included.
TEST_P(ThinningTest, OneAtATimeMatchesRecomputingEveryMeasure) {
    const auto [crowding, m] = GetParam();
    std::mt19937 engine(static_cast<unsigned>(m * 7 + static_cast<int>(crowding)));
    for (int trial = 0; trial < 30; ++trial) {
        const std::vector<double> values = RandomPoints(crowding, m, 8 + trial, engine);
        const PointSet points(values, m);
        std::vector<std::uint32_t> front(points.Size());
        std::iota(front.begin(), front.end(), 0u);
        for (std::size_t keep = 2; keep <= front.size(); keep += 3) {
            std::vector<std::uint32_t> left = front;
            while (left.size() > keep) {
                const std::vector<double> measure = FreshMeasure(points, left, crowding);
                std::size_t gone = 0;
                for (std::size_t k = 1; k < left.size(); ++k) {
                    if (measure[k] <= measure[gone]) gone = k;
                }
                left.erase(left.begin() + static_cast<std::ptrdiff_t>(gone));
            }
            ASSERT_EQ(ThinFront(points, front, keep, crowding), left)
                << "trial " << trial << " keep " << keep;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Objectives, ThinningTest,
                         ::testing::Values(std::tuple{Crowding::kArea, std::size_t{2}},
                                           std::tuple{Crowding::kDistance, std::size_t{2}},
                                           std::tuple{Crowding::kDistance, std::size_t{3}}),
                         [](const auto& param) {
                             return (std::get<0>(param.param) == Crowding::kArea ? "Area" : "Distance") +
                                    std::to_string(std::get<1>(param.param));
                         });

// The member that the nearest-neighbour thinning removes next from `left`,
// every distance computed afresh in the ranges of the whole front, whose
// lowest member per objective (`ends`) stays while others are left.
std::uint32_t NearestToGo(const PointSet& points, const std::vector<std::uint32_t>& left,
                          const std::vector<double>& range, const std::vector<std::uint32_t>& ends) {
    std::tuple<bool, double, double> best{true, kInf, kInf};
    std::uint32_t gone = left[0];
    for (const std::uint32_t k : left) {
        std::vector<double> distances;
        for (const std::uint32_t o : left) {
            if (o == k) continue;
            double sum = 0;
            for (std::size_t j = 0; j < points.Dimension(); ++j) {
                sum += range[j] > 0 ? std::abs(points[k][j] - points[o][j]) / range[j] : 0.0;
            }
            distances.push_back(sum);
        }
        std::sort(distances.begin(), distances.end());
        distances.resize(2, kInf);
        const std::tuple<bool, double, double> key{std::count(ends.begin(), ends.end(), k) > 0, distances[0],
                                                   distances[1]};
        if (key <= best) {
            best = key;
            gone = k;
        }
    }
    return gone;
}

class NearestThinningTest : public ::testing::TestWithParam<std::size_t> {};

// Removing the member nearest to another one, with only the neighbours that
// lost theirs updated, gives what recomputing every distance after each
// removal gives: ties (copies among them) to the nearer second neighbour,
// then to the last member; the lowest member of each objective kept.
TEST_P(NearestThinningTest, OneAtATimeMatchesRecomputingEveryDistance) {
    const std::size_t m = GetParam();
    std::mt19937 engine(static_cast<unsigned>(m));
    for (int trial = 0; trial < 30; ++trial) {
        // Corners 0 and 64 (members 0 and 1) fix the ranges, so every
        // scaled distance is exact.
        const std::vector<double> values = RandomPoints(Crowding::kDistance, m, 8 + trial, engine);
        const PointSet points(values, m);
        std::vector<std::uint32_t> front(points.Size());
        std::iota(front.begin(), front.end(), 0u);
        std::vector<std::uint32_t> ends;
        for (std::size_t j = 0; j < m; ++j) {
            ends.push_back(*std::min_element(front.begin(), front.end(),
                                             [&](auto a, auto b) { return points[a][j] < points[b][j]; }));
        }
        const std::vector<double> range(m, 64.0);
        for (std::size_t keep = 1; keep <= front.size(); keep += 3) {
            std::vector<std::uint32_t> left = front;
            while (left.size() > keep)
                left.erase(std::find(left.begin(), left.end(), NearestToGo(points, left, range, ends)));
            ASSERT_EQ(ThinFront(points, front, keep, Crowding::kNearest), left)
                << "trial " << trial << " keep " << keep;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Objectives, NearestThinningTest, ::testing::Values(std::size_t{3}, std::size_t{5}));

// Survival thins a feasible front of three objectives by the nearest
// neighbours, an infeasible one or one with an infinite value by crowding
// distance; ThinFront refuses the nearest neighbours of infinite values.
TEST(ThinningEdgeTest, TheNearestNeighboursForThreeObjectives) {
    std::mt19937 engine(11);
    std::vector<double> values = RandomPoints(Crowding::kDistance, 3, 30, engine);
    for (std::size_t k = 0; k < values.size(); k += 3)
        values[k + 2] = 192 - values[k] - values[k + 1];  // a plane
    const PointSet points(values, 3);
    std::vector<std::uint32_t> all(points.Size());
    std::iota(all.begin(), all.end(), 0u);
    const std::vector<double> feasible(points.Size(), 0.0), infeasible(points.Size(), 1.0);
    const std::vector<std::uint32_t> nearest = ThinFront(points, all, 12, Crowding::kNearest);
    ASSERT_NE(nearest, ThinFront(points, all, 12, Crowding::kDistance));
    EXPECT_EQ(SurviveNsga2(points, feasible, 12).kept, nearest);
    EXPECT_EQ(SurviveNsga2(points, infeasible, 12).kept, ThinFront(points, all, 12, Crowding::kDistance));
    values[0] = -kInf;  // member 0 stays in the first front
    const PointSet unbounded(values, 3);
    const Survivors cut = SurviveNsga2(unbounded, feasible, 12);
    const std::span<const std::uint32_t> first = cut.fronts.Front(0);
    ASSERT_GT(first.size(), 12u);
    EXPECT_EQ(cut.kept, ThinFront(unbounded, first, 12, Crowding::kDistance));
    EXPECT_THROW(ThinFront(unbounded, first, 12, Crowding::kNearest), std::invalid_argument);
}

// Misuse is refused. Survival thins a two-objective front by the area, which
// keeps more hypervolume of a convex front than the crowding distance does.
TEST(ThinningEdgeTest, TheAreaForTwoObjectivesAndMisuse) {
    const std::vector<double> line{0, 2, 1, 1, 2, 0};
    const PointSet points(line, 2);
    const std::vector<std::uint32_t> front{0, 1, 2};
    EXPECT_THROW(ThinFront(points, front, 4, Crowding::kDistance), std::invalid_argument);
    const std::vector<double> three(9, 1.0);
    EXPECT_THROW(ThinFront(PointSet(three, 3), std::vector<std::uint32_t>{0, 1, 2}, 2, Crowding::kArea),
                 std::invalid_argument);

    // f2 = (1 - f1)^4 sampled evenly in f1: its knee is crowded.
    std::vector<double> convex;
    for (int k = 0; k <= 100; ++k) {
        const double f1 = k / 100.0;
        convex.insert(convex.end(), {f1, (1 - f1) * (1 - f1) * (1 - f1) * (1 - f1)});
    }
    const PointSet curve(convex, 2);
    const std::vector<double> feasible(curve.Size(), 0.0);
    const std::vector<double> reference{1.1, 1.1};
    const auto volume = [&](const std::vector<std::uint32_t>& members) {
        std::vector<double> values;
        for (const std::uint32_t i : members) values.insert(values.end(), curve[i].begin(), curve[i].end());
        return Hypervolume(PointSet(values, 2), reference);
    };
    std::vector<std::uint32_t> all(curve.Size());
    std::iota(all.begin(), all.end(), 0u);
    const std::vector<std::uint32_t> survivors = SurviveNsga2(curve, feasible, 20).kept;
    EXPECT_EQ(survivors, ThinFront(curve, all, 20, Crowding::kArea));
    EXPECT_GT(volume(survivors), volume(ThinFront(curve, all, 20, Crowding::kDistance)) + 1e-3);
}

}  // namespace
