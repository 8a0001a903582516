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
// the worst value of the first front, then of the whole set; an axis on which
// every member is equal gets 1. No intercept exceeds the set's worst value.
Normalisation Normalise(const PointSet& points, std::span<const std::uint32_t> members,
                        std::span<const std::uint32_t> firstFront);

// What NSGA-III remembers of the generations before (pymoo's normalisation):
// the lowest and highest value of each objective seen so far and the extreme
// point of each axis (M points of M values, axis after axis). Empty before
// the first update.
struct NormalisationMemory {
    std::vector<double> ideal;
    std::vector<double> worst;
    std::vector<double> extremes;

    bool Empty() const { return ideal.empty(); }
};

// The normalisation of a generation that remembers: `feasible` (indices into
// `points`) update the memory's lowest and highest values; the extreme point
// of each axis is chosen again among the remembered ones and `firstFront`,
// translated values below 10^-3 counting as 0 in the scalarising function.
// Intercepts as Normalise computes them, capped at the highest values ever
// seen; when they fail, the worst of the first front, then of `feasible`.
Normalisation Normalise(const PointSet& points, std::span<const std::uint32_t> feasible,
                        std::span<const std::uint32_t> firstFront, NormalisationMemory& memory);

// Each member's nearest reference direction by perpendicular distance, its
// objectives normalised by `normalisation` (ties go to the lowest direction).
struct Association {
    std::vector<std::uint32_t> direction;  // per member, in the order of `members`
    std::vector<double> distance;          // the perpendicular distance to it
};
Association Associate(const PointSet& points, std::span<const std::uint32_t> members,
                      const Normalisation& normalisation, const PointSet& directions);

}  // namespace zarnel::objectives
