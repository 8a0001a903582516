#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "objectives/point_set.h"

// NSGA-III's normalisation and association (Deb and Jain 2014). Plain
// functions; any thread may call them.
namespace zarnel::objectives {

// Where a set's objectives start and how far they reach: a point f maps to
// (f − ideal) / intercepts.
struct Normalisation {
    std::vector<double> ideal;       // the lowest value of each objective in the set
    std::vector<double> intercepts;  // each > 0
};

// The normalisation of the points `members` (indices into `points`, no NaN
// among them), `firstFront` being the members of their first front. The
// ideal point is the set's lowest values; the extreme point of axis j is the
// member that minimises max_i (f_i − ideal_i) / w_i with w_j = 1 and 10^−6
// elsewhere (the lowest index among equals); the intercepts are where the
// hyperplane through the M extreme points meets the axes. When those points
// do not span a hyperplane (two of them equal, or the system is singular) or
// an intercept is not a finite number above 10^−6, each axis falls back to
// the spread of the first front, then of the whole set, however small; an
// axis on which every member is equal gets 1. No intercept exceeds the set's
// spread.
Normalisation Normalise(const PointSet& points, std::span<const std::uint32_t> members,
                        std::span<const std::uint32_t> firstFront);

// Each member's nearest reference direction by perpendicular distance, its
// objectives normalised by `normalisation` (ties go to the lowest direction).
// A member whose normalised values overflow lies along the axes of its
// infinite values, at an infinite distance.
struct Association {
    std::vector<std::uint32_t> direction;  // per member, in the order of `members`
    std::vector<double> distance;          // the perpendicular distance to it
};
Association Associate(const PointSet& points, std::span<const std::uint32_t> members,
                      const Normalisation& normalisation, const PointSet& directions);

}  // namespace zarnel::objectives
