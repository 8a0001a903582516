#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "objectives/point_set.h"

namespace zarnel::objectives {

// The crowding distance (Deb et al. 2002) of each member of `front` (indices
// into `points`), in the order of `front`. Per objective the members are
// ordered by value; the first and the last get +inf
// and each other one adds (next − previous) / (max − min). An objective whose
// values are all equal adds nothing (no 0/0), and a front of one or two
// points is all +inf. A NaN counts as +inf here; a gap that an infinite value
// opens is +inf, and a finite gap in an infinite range is 0. Of copies at
// either end of an objective the one of lowest index gets the +inf, so copies
// do not all survive on it. The order of the sums is fixed, so the result is
// the same bits on every run.
std::vector<double> CrowdingDistance(const PointSet& points, std::span<const std::uint32_t> front);

// What tells how crowded a member of a front is, for ThinFront.
enum class Crowding {
    // Its crowding distance as above, over the ranges of the whole front.
    kDistance,
    // For two objectives: the area of the rectangle between it and its two
    // neighbours along the front, which is the hypervolume only it
    // dominates (the members must not dominate one another; the ends of the
    // front get +inf).
    kArea,
    // The distance to its nearest other member, the sum of the differences
    // of their objectives each scaled by the front's range (then to its
    // second nearest, of the two members of the closest pair): the
    // nearest-neighbour truncation of SPEA2 (Zitzler et al. 2001), with the
    // Manhattan distance, which measured better than the Euclidean one on
    // DTLZ. It spreads a front of three and more objectives, where the
    // crowding distance adds up per objective and does not. The member
    // with the lowest value of each objective stays while others are left.
    // The objectives must be finite.
    kNearest,
};

// The `keep` members of `front` (indices into `points`) that are left when
// the most crowded member is removed one at a time, the measure of its
// neighbours recomputed after each removal (Kukkonen and Deb, 2006): unlike
// a single pass, which drops neighbours together and leaves gaps, it leaves
// the front evenly spread. Of equally crowded members the last in `front`'s
// order goes first; the members kept are returned in `front`'s order.
// O(n log n) per objective (kNearest: O(n^2) as a rule). Throws
// std::invalid_argument when `keep` exceeds the front, kArea is asked for a
// front of other than two objectives, or kNearest for one with an infinite
// or NaN value.
std::vector<std::uint32_t> ThinFront(const PointSet& points, std::span<const std::uint32_t> front,
                                     std::size_t keep, Crowding crowding);

}  // namespace zarnel::objectives
