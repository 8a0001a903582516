#include "examples/tsp/local_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/tsplib.h"

namespace {

// n random points on a small grid, so that equal distances and equal points occur.
tsp::Instance RandomInstance(std::uint32_t n, std::mt19937_64& random) {
    std::string text =
        "TYPE : TSP\nDIMENSION : " + std::to_string(n) + "\nEDGE_WEIGHT_TYPE : EUC_2D\nNODE_COORD_SECTION\n";
    for (std::uint32_t i = 0; i < n; ++i)
        text += std::to_string(i + 1) + " " + std::to_string(random() % 60) + " " +
                std::to_string(random() % 60) + "\n";
    return tsp::ParseTsplib(text, "random.tsp");
}

std::vector<std::uint32_t> RandomTour(std::uint32_t n, std::mt19937_64& random) {
    std::vector<std::uint32_t> tour(n);
    std::iota(tour.begin(), tour.end(), 0u);
    std::shuffle(tour.begin(), tour.end(), random);
    return tour;
}

bool IsPermutation(std::vector<std::uint32_t> tour) {
    std::sort(tour.begin(), tour.end());
    for (std::uint32_t i = 0; i < tour.size(); ++i)
        if (tour[i] != i) return false;
    return true;
}

// Every 2-opt move that the search must try, by brute force over all pairs of
// tour edges: those that replace {a,b} and {c,d} by {a,c} and {b,d} where c
// is a listed neighbour of a and b one of d, or d one of b and a one of c
// (whichever new edge is the shorter one, the search reaches the move from an
// end city). "" when none shortens the tour, else the first that does.
std::string ImprovingTwoOptMove(const tsp::Instance& instance, const tsp::NeighbourLists& neighbours,
                                const std::vector<std::uint32_t>& tour) {
    auto listed = [&](std::uint32_t a, std::uint32_t b) {
        auto list = neighbours.Of(a);
        return std::find(list.begin(), list.end(), b) != list.end();
    };
    const std::size_t n = tour.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 2; j < n; ++j) {
            std::uint32_t a = tour[i], b = tour[i + 1], c = tour[j], d = tour[(j + 1) % n];
            if (d == a) continue;
            std::int64_t gain = std::int64_t{instance.Distance(a, b)} + instance.Distance(c, d) -
                                instance.Distance(a, c) - instance.Distance(b, d);
            if (gain > 0 && ((listed(a, c) && listed(d, b)) || (listed(b, d) && listed(c, a))))
                return "edges " + std::to_string(a) + "-" + std::to_string(b) + " and " + std::to_string(c) +
                       "-" + std::to_string(d) + " gain " + std::to_string(gain);
        }
    }
    return "";
}

TEST(LocalSearchTest, KeepsAPermutationAndNeverLengthensATour) {
    std::mt19937_64 random(17);
    for (int trial = 0; trial < 400; ++trial) {
        const std::uint32_t n = 3 + static_cast<std::uint32_t>(random() % (trial < 300 ? 12 : 150));
        tsp::Instance instance = RandomInstance(n, random);
        tsp::NeighbourLists neighbours(instance, 1 + static_cast<std::uint32_t>(random() % 12));
        tsp::LocalSearch search(instance, neighbours);
        std::vector<std::uint32_t> tour = RandomTour(n, random);
        const std::int64_t before = search.Length(tour);
        if (trial % 2 == 0) {
            search.Improve(std::span<std::uint32_t>(tour), random);
        } else {
            std::vector<std::uint32_t> some(tour.begin(), tour.begin() + (n + 1) / 2);
            search.ImproveAround(std::span<std::uint32_t>(tour), some);
        }
        ASSERT_TRUE(IsPermutation(tour)) << "n " << n << " trial " << trial;
        ASSERT_LE(search.Length(tour), before) << "n " << n << " trial " << trial;
    }
}

TEST(LocalSearchTest, LeavesNoImprovingTwoOptMoveBetweenNeighbours) {
    std::mt19937_64 random(5);
    tsp::Instance ch150 = tsp::ReadTsplib(TSP_DATA_DIR "/ch150.tsp");
    for (int trial = 0; trial < 20; ++trial) {
        tsp::Instance instance = trial < 5 ? ch150 : RandomInstance(20 + trial * 9, random);
        tsp::NeighbourLists neighbours(instance, 8 + trial % 5);
        tsp::LocalSearch search(instance, neighbours);
        std::vector<std::uint32_t> tour = RandomTour(instance.Size(), random);
        const std::int64_t before = search.Length(tour);
        search.Improve(std::span<std::uint32_t>(tour), random);
        EXPECT_LT(search.Length(tour), before);
        EXPECT_EQ(ImprovingTwoOptMove(instance, neighbours, tour), "") << "trial " << trial;
    }
}

TEST(LocalSearchTest, NeighbourListsHoldTheNearestCitiesInOrder) {
    std::mt19937_64 random(3);
    tsp::Instance instance = RandomInstance(40, random);
    tsp::NeighbourLists neighbours(instance, 10);
    for (std::uint32_t a = 0; a < instance.Size(); ++a) {
        auto list = neighbours.Of(a);
        ASSERT_EQ(list.size(), 10u);
        EXPECT_EQ(std::count(list.begin(), list.end(), a), 0);
        for (std::size_t i = 1; i < list.size(); ++i)
            EXPECT_LE(instance.Distance(a, list[i - 1]), instance.Distance(a, list[i]));
        // No city left out of the list is nearer than the farthest listed one.
        for (std::uint32_t b = 0; b < instance.Size(); ++b) {
            if (b != a && std::find(list.begin(), list.end(), b) == list.end()) {
                EXPECT_GE(instance.Distance(a, b), instance.Distance(a, list.back()));
            }
        }
    }
    EXPECT_EQ(tsp::NeighbourLists(RandomInstance(5, random), 10).K(), 4u);
}

TEST(LocalSearchTest, RefusesATourThatIsNoPermutation) {
    std::mt19937_64 random(1);
    tsp::Instance instance = RandomInstance(10, random);
    tsp::NeighbourLists neighbours(instance, 5);
    tsp::LocalSearch search(instance, neighbours);
    std::vector<std::uint32_t> shorter = RandomTour(9, random);
    EXPECT_THROW(search.Improve(std::span<std::uint32_t>(shorter), random), std::invalid_argument);
    EXPECT_THROW(search.Length(shorter), std::invalid_argument);
    std::vector<std::uint32_t> twice = RandomTour(10, random);
    twice[3] = twice[7];
    EXPECT_THROW(search.Improve(std::span<std::uint32_t>(twice), random), std::invalid_argument);
    std::vector<std::uint32_t> beyond = RandomTour(10, random);
    beyond[0] = 10;
    EXPECT_THROW(search.Improve(std::span<std::uint32_t>(beyond), random), std::invalid_argument);
    std::vector<std::uint32_t> tour = RandomTour(10, random), cities = {2, 10};
    EXPECT_THROW(search.ImproveAround(std::span<std::uint32_t>(tour), cities), std::invalid_argument);
}

}  // namespace

// The positions a caller keeps beside a tour stay where the tour has its
// cities, the search with them makes the same moves as without, and a call
// refused half-way (a city out of range, a wrong position) leaves no state
// behind for the next one.
TEST(LocalSearchTest, KeptPositionsFollowTheMovesAndNothingCarriesOverBetweenCalls) {
    std::mt19937_64 random(29);
    for (int trial = 0; trial < 120; ++trial) {
        const std::uint32_t n = 4 + static_cast<std::uint32_t>(random() % (trial < 60 ? 20 : 300));
        tsp::Instance instance = RandomInstance(n, random);
        tsp::NeighbourLists neighbours(instance, 1 + static_cast<std::uint32_t>(random() % 12));
        tsp::LocalSearch search(instance, neighbours);
        std::vector<std::uint32_t> tour = RandomTour(n, random);
        if (trial % 3 == 0) search.Improve(std::span<std::uint32_t>(tour), random);
        std::vector<std::uint32_t> cities;
        for (std::uint32_t i = 1 + static_cast<std::uint32_t>(random() % 8); i > 0; --i)
            cities.push_back(static_cast<std::uint32_t>(random() % n));
        std::vector<std::uint32_t> kept = tour, position(n);
        for (std::uint32_t i = 0; i < n; ++i) position[kept[i]] = i;
        // A refused call first: its queued cities must not leak into the next.
        std::vector<std::uint32_t> refused = cities;
        refused.push_back(n);
        EXPECT_THROW(search.ImproveAround(std::span<std::uint32_t>(kept), position, refused),
                     std::invalid_argument);
        search.ImproveAround(std::span<std::uint32_t>(kept), position, cities);
        std::vector<std::uint32_t> fresh = tour;
        search.ImproveAround(std::span<std::uint32_t>(fresh), cities);
        ASSERT_EQ(kept, fresh) << "n " << n << " trial " << trial;
        std::vector<std::uint32_t> recomputed(n);
        for (std::uint32_t i = 0; i < n; ++i) recomputed[kept[i]] = i;
        ASSERT_EQ(position, recomputed) << "n " << n << " trial " << trial;
    }
    tsp::Instance instance = RandomInstance(10, random);
    tsp::NeighbourLists neighbours(instance, 5);
    tsp::LocalSearch search(instance, neighbours);
    std::vector<std::uint32_t> tour = RandomTour(10, random), position(10), cities = {tour[0]};
    for (std::uint32_t i = 0; i < 10; ++i) position[tour[i]] = i;
    std::swap(position[tour[0]], position[tour[1]]);
    EXPECT_THROW(search.ImproveAround(std::span<std::uint32_t>(tour), position, cities),
                 std::invalid_argument);
    std::vector<std::uint32_t> shortPositions(9);
    EXPECT_THROW(search.ImproveAround(std::span<std::uint32_t>(tour), shortPositions, cities),
                 std::invalid_argument);
}
