#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

// What the suites' reference points and fronts are made of.
namespace zarnel::suites {

// The reference point of a front from its ideal and nadir points: the
// nadir plus a tenth of the front's range in each objective (1.1 for a front
// that spans [0, 1], as is usual for ZDT and DTLZ2).
template <std::size_t M>
std::array<double, M> ReferenceFrom(const std::array<double, M>& ideal, const std::array<double, M>& nadir) {
    std::array<double, M> reference;
    for (std::size_t j = 0; j < M; ++j) reference[j] = nadir[j] + 0.1 * (nadir[j] - ideal[j]);
    return reference;
}

// `count` values evenly spaced over [lo, hi], both ends included.
std::vector<double> Spaced(double lo, double hi, std::size_t count);

// The points of `values` (M per point) that no other dominates, copies once.
std::vector<double> NonDominatedPoints(const std::vector<double>& values, std::size_t m);

// Das–Dennis directions of M objectives: scaled to sum to `sum` (a simplex)
// or to unit length (a sphere's positive orthant).
std::vector<double> SimplexPoints(std::size_t m, std::size_t divisions, double sum);
std::vector<double> SpherePoints(std::size_t m, std::size_t divisions);

}  // namespace zarnel::suites
