#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "objectives/point_set.h"

// Non-dominated sorting: the points of a set grouped into fronts. Front 0
// holds the points that no other point dominates, front f + 1 those that only
// points of fronts 0 … f dominate. Equal points share a front. A point with a
// NaN objective cannot be compared: all of them share one front after every
// other. Plain functions; any thread may call them.
namespace zarnel::objectives {

struct Fronts {
    std::vector<std::uint32_t> rank;     // rank[i]: the front of point i
    std::vector<std::uint32_t> members;  // the points front by front, each front in increasing index order
    std::vector<std::uint32_t> begin;    // front f is members[begin[f], begin[f + 1]); one more than fronts

    std::size_t Count() const { return begin.empty() ? 0 : begin.size() - 1; }
    std::span<const std::uint32_t> Front(std::size_t f) const {
        return std::span<const std::uint32_t>(members).subspan(begin[f], begin[f + 1] - begin[f]);
    }
};

// The fronts of `points`: for two objectives a sweep in O(N log N) (points in
// lexicographic order, each placed by binary search on the last member of
// every front); for more, the efficient non-dominated sort with binary search
// (ENS-BS, Zhang et al. 2015), which compares a point only with the fronts
// built so far: O(M N log N) at best, O(M N^2) at worst.
Fronts NonDominatedSort(const PointSet& points);

// The fronts under the feasibility rules, `violations` holding each point's
// total violation (see RankViolation): the feasible points in their
// non-dominated fronts first, then the infeasible ones front by front in
// increasing violation, equal violations sharing a front and +inf last.
// Throws std::invalid_argument when there is not one violation per point.
Fronts NonDominatedSort(const PointSet& points, std::span<const double> violations);

// Deb's fast non-dominated sort (2002), O(M N^2) time and, for the lists of
// dominated points, up to O(N^2) memory: the same fronts as NonDominatedSort,
// kept as the reference that tests and benchmarks compare it with.
Fronts NonDominatedSortQuadratic(const PointSet& points);

// The points of front 0 without their copies: the indices, increasing, of the
// points that no other point dominates, the first of equal points only, and
// no point with a NaN objective.
std::vector<std::uint32_t> NonDominatedSubset(const PointSet& points);

}  // namespace zarnel::objectives
