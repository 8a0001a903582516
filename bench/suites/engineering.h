#pragma once

#include <array>
#include <span>
#include <string>

#include "genome/real_vector.h"

// Two engineering design problems of one minimised cost under constraints
// (each <= 0 when met), in their continuous forms. fitness is the cost, to
// minimise.
namespace zarnel::suites {

// Sandgren's pressure vessel: shell and head thicknesses Ts, Th in [0, 99],
// radius R and length L in [10, 200]; the cost of material, forming and
// welding. Best known cost 5885.3328 (Ts 0.7782, Th 0.3846, R 40.3196,
// L 200).
struct PressureVessel {
    RealVector genome() const { return {{0.0, 0.0, 10.0, 10.0}, {99.0, 99.0, 200.0, 200.0}}; }
    static constexpr bool minimise = true;
    double fitness(std::span<const double> x) const { return Cost(x); }
    std::array<double, 4> constraints(std::span<const double> x) const;
    std::string name() const { return "pressure_vessel"; }
    double bestKnown() const { return 5885.332774; }
    static double Cost(std::span<const double> x);
};

// Coello's welded beam: weld height h and length l, bar height t and
// thickness b; the cost of the weld and the bar, under limits on the shear
// stress, bending stress, buckling load and deflection. Best known cost
// 1.724852 (h 0.20573, l 3.47049, t 9.03662, b 0.20573).
struct WeldedBeam {
    RealVector genome() const { return {{0.1, 0.1, 0.1, 0.1}, {2.0, 10.0, 10.0, 2.0}}; }
    static constexpr bool minimise = true;
    double fitness(std::span<const double> x) const { return Cost(x); }
    std::array<double, 7> constraints(std::span<const double> x) const;
    std::string name() const { return "welded_beam"; }
    double bestKnown() const { return 1.724852309; }
    static double Cost(std::span<const double> x);
};

}  // namespace zarnel::suites
