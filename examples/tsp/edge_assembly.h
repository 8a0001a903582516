#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "neighbour_lists.h"
#include "tsplib.h"

namespace tsp {

// Edge assembly crossover (Nagata and Kobayashi), in its single form: the
// edges of two parent tours A and B that are not common to both fall apart
// into AB-cycles, closed walks that take an edge of A and an edge of B in
// turn. One AB-cycle, drawn at random, is applied to A: its A-edges leave
// and its B-edges come in. That keeps every city at two edges but may split
// the tour into subtours, which are then joined, smallest first, by the
// cheapest exchange of an edge of the subtour with an edge of another
// subtour that has an end among a city's nearest neighbours (2-opt moves
// between the two cycles). The child is thus made of the parents' edges and
// the few edges of those joins.
//
// Points to the instance and the neighbour lists, which must outlive it;
// keeps no state between calls (each thread has its own scratch arrays), so
// any number of threads may breed at once.
class EdgeAssembly {
public:
    EdgeAssembly(const Instance& instance, const NeighbourLists& neighbours)
        : instance_(instance), neighbours_(neighbours) {}

    // What one crossover did.
    struct Outcome {
        // AB-cycles the parents' edges fell into (0: the parents are the same
        // tour, and the child is a copy of A).
        std::uint32_t cycles = 0;
        // Subtours joined after the AB-cycle was applied.
        std::uint32_t joins = 0;
        // Whether the child differs from A: the joins may trade every B-edge
        // of a cycle back for A's edges, and when that happens to every
        // candidate the child is A.
        bool changed = false;
    };

    // Writes into `child` (n places, apart from both parents) a tour bred
    // from the tours `a` and `b` and appends to `fresh` the ends of every
    // child edge that is in neither parent (the joins' new edges): the only
    // places where the child may be less than locally optimal when both
    // parents are. `tries` candidate children are made, each from another
    // AB-cycle drawn from `seed` (all of them when there are fewer), and the
    // shortest after its joins that differs from A is the child. Throws std::invalid_argument
    // when a tour is no permutation of the cities or `tries` is 0.
    Outcome Breed(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                  std::span<std::uint32_t> child, std::uint64_t seed, std::uint32_t tries,
                  std::vector<std::uint32_t>& fresh) const;

private:
    const Instance& instance_;
    const NeighbourLists& neighbours_;
};

// A segment double bridge: two adjacent runs of 1 to `maxRun` cities of
// `tour`, starting at a position drawn from `seed`, trade places (the
// double-bridge kick of iterated local search with its four cut points close
// together, so it costs the length of the runs, not of the tour). Appends the
// six cities at the ends of the three new edges to `moved`. A tour of fewer
// than 8 cities is left as it is.
void SegmentDoubleBridge(std::span<std::uint32_t> tour, std::uint32_t maxRun, std::uint64_t seed,
                         std::vector<std::uint32_t>& moved);

}  // namespace tsp
