#include "examples/tsp/edge_assembly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/split_mix.h"
#include "examples/tsp/tsplib.h"

namespace {

using Edge = std::pair<std::uint32_t, std::uint32_t>;

std::set<Edge> EdgesOf(const std::vector<std::uint32_t>& tour) {
    std::set<Edge> edges;
    for (std::size_t i = 0; i < tour.size(); ++i) {
        const std::uint32_t a = tour[i], b = tour[(i + 1) % tour.size()];
        edges.insert({std::min(a, b), std::max(a, b)});
    }
    return edges;
}

bool IsTour(std::vector<std::uint32_t> tour, std::uint32_t n) {
    std::sort(tour.begin(), tour.end());
    std::vector<std::uint32_t> all(n);
    std::iota(all.begin(), all.end(), 0u);
    return tour == all;
}

std::vector<std::uint32_t> RandomTour(std::uint32_t n, tsp::SplitMix& random) {
    std::vector<std::uint32_t> tour(n);
    std::iota(tour.begin(), tour.end(), 0u);
    for (std::uint32_t i = n - 1; i > 0; --i) std::swap(tour[i], tour[random.Below(i + 1)]);
    return tour;
}

class EdgeAssemblyTest : public ::testing::Test {
protected:
    const tsp::Instance instance = tsp::ReadTsplib(TSP_DATA_DIR "/pcb442.tsp");
    const tsp::NeighbourLists neighbours{instance, 10};
    const tsp::LocalSearch search{instance, neighbours};
    const tsp::EdgeAssembly crossover{instance, neighbours};
    const std::uint32_t n = instance.Size();

    // Two locally optimal parents from random tours.
    std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>> Parents(std::uint64_t seed) const {
        tsp::SplitMix random{seed};
        std::vector<std::uint32_t> a = RandomTour(n, random), b = RandomTour(n, random);
        search.ImproveSeeded(a, random());
        search.ImproveSeeded(b, random());
        return {a, b};
    }
};

// The child is a tour; each of its edges is A's, B's, or a join's new edge,
// whose both ends are noted; the same seed breeds the same child, and tries
// only ever shorten the child. Over many seeds, so that children with
// several subtours to join are among them.
TEST_F(EdgeAssemblyTest, ChildrenAreToursOfTheParentsEdgesAndTheNotedJoins) {
    std::uint32_t joined = 0, changed = 0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const auto [a, b] = Parents(seed);
        const std::set<Edge> parentEdges = [&] {
            std::set<Edge> both = EdgesOf(a);
            const std::set<Edge> fromB = EdgesOf(b);
            both.insert(fromB.begin(), fromB.end());
            return both;
        }();
        for (const std::uint32_t tries : {1u, 10u}) {
            std::vector<std::uint32_t> child(n), again(n), fresh, freshAgain;
            const tsp::EdgeAssembly::Outcome outcome = crossover.Breed(a, b, child, seed, tries, fresh);
            ASSERT_TRUE(IsTour(child, n)) << "seed " << seed;
            EXPECT_GT(outcome.cycles, 0u);
            EXPECT_EQ(fresh.size(), 4 * static_cast<std::size_t>(outcome.joins));
            const std::set<std::uint32_t> noted(fresh.begin(), fresh.end());
            std::size_t newEdges = 0;
            for (const Edge& edge : EdgesOf(child)) {
                if (parentEdges.count(edge) != 0) continue;
                ++newEdges;
                EXPECT_TRUE(noted.count(edge.first) != 0 && noted.count(edge.second) != 0)
                    << "edge " << edge.first << "-" << edge.second << " is no parent's and not noted, seed "
                    << seed;
            }
            EXPECT_LE(newEdges, 2 * static_cast<std::size_t>(outcome.joins));
            EXPECT_EQ(outcome.changed, EdgesOf(child) != EdgesOf(a)) << "seed " << seed;
            changed += outcome.changed;
            joined += outcome.joins;

            crossover.Breed(a, b, again, seed, tries, freshAgain);
            EXPECT_EQ(again, child) << "seed " << seed;
            EXPECT_EQ(freshAgain, fresh);
        }
        // The first candidate of 10 is the one child of 1 try (the same
        // first draw): the shortest changed child of 10 is no longer.
        std::vector<std::uint32_t> one(n), ten(n), ignored;
        const bool oneChanged = crossover.Breed(a, b, one, seed, 1, ignored).changed;
        const bool tenChanged = crossover.Breed(a, b, ten, seed, 10, ignored).changed;
        EXPECT_TRUE(tenChanged || !oneChanged);
        if (oneChanged) {
            EXPECT_LE(search.Length(ten), search.Length(one)) << "seed " << seed;
        }
    }
    EXPECT_GT(joined, 0u) << "no child had subtours to join: the join was never exercised";
    EXPECT_GT(changed, 70u) << "most children should differ from A";
}

TEST_F(EdgeAssemblyTest, TheSameTourTwiceGivesNoCycleAndACopyAndBadToursAreRefused) {
    const auto [a, b] = Parents(7);
    std::vector<std::uint32_t> child(n), fresh;
    const tsp::EdgeAssembly::Outcome outcome = crossover.Breed(a, a, child, 3, 10, fresh);
    EXPECT_EQ(outcome.cycles, 0u);
    EXPECT_EQ(EdgesOf(child), EdgesOf(a));
    EXPECT_TRUE(fresh.empty());

    std::vector<std::uint32_t> twice = a;
    twice[1] = twice[0];
    EXPECT_THROW(crossover.Breed(twice, b, child, 3, 10, fresh), std::invalid_argument);
    EXPECT_THROW(crossover.Breed(a, std::vector<std::uint32_t>(n - 1), child, 3, 10, fresh),
                 std::invalid_argument);
    EXPECT_THROW(crossover.Breed(a, b, child, 3, 0, fresh), std::invalid_argument);
}

// The kick keeps a tour, changes exactly the three edges at the six noted
// cities, and a nearest-neighbour tour is a tour whose first step is to the
// start's nearest city.
TEST_F(EdgeAssemblyTest, ADoubleBridgeMovesThreeEdgesAndNearestNeighbourToursAreTours) {
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        const std::vector<std::uint32_t> before = Parents(seed).first;
        std::vector<std::uint32_t> after = before, moved;
        tsp::SegmentDoubleBridge(after, 50, seed, moved);
        ASSERT_TRUE(IsTour(after, n));
        ASSERT_EQ(moved.size(), 6u);
        std::set<Edge> gone, come;
        const std::set<Edge> old = EdgesOf(before), now = EdgesOf(after);
        std::set_difference(old.begin(), old.end(), now.begin(), now.end(), std::inserter(gone, gone.end()));
        std::set_difference(now.begin(), now.end(), old.begin(), old.end(), std::inserter(come, come.end()));
        EXPECT_EQ(gone.size(), 3u) << "seed " << seed;
        EXPECT_EQ(come.size(), 3u) << "seed " << seed;
        const std::set<std::uint32_t> noted(moved.begin(), moved.end());
        for (const Edge& edge : come) EXPECT_TRUE(noted.count(edge.first) && noted.count(edge.second));
    }
    std::vector<std::uint32_t> tour(n);
    tsp::NearestNeighbourTour(instance, neighbours, 17, tour);
    EXPECT_TRUE(IsTour(tour, n));
    EXPECT_EQ(tour[0], 17u);
    EXPECT_EQ(tour[1], neighbours.Of(17)[0]);
    EXPECT_THROW(tsp::NearestNeighbourTour(instance, neighbours, n, tour), std::invalid_argument);
}

}  // namespace
