#pragma once

#include <span>
#include <string>

#include "genome/operators_of.h"
#include "genome/random.h"
#include "genome/real_vector.h"

namespace zarnel {

// How children of the real-vector kind are bred: which crossover and
// mutation, their parameters, and how often each applies. A plain value
// chosen in the options of a run and named in its record; Breed is const and
// may run on any number of threads at once, each with its own Random.
struct RealVectorOperators {
    enum class Crossover { kSbx, kBlxAlpha, kArithmetic, kDifferential };
    enum class Mutation { kPolynomial, kGaussian };
    // How SBX and polynomial mutation keep to the bounds: shaped (the bounded
    // forms of Deb's NSGA-II code, whose spread narrows near a bound) or
    // clamped (the original forms, each value then clamped to its bounds, so
    // that a bound itself comes out with a positive chance: the optimum of
    // many problems lies on one).
    enum class Bounds { kShaped, kClamped };

    Crossover crossover = Crossover::kSbx;
    Mutation mutation = Mutation::kPolynomial;
    double sbxEta = 15.0;             // SBX distribution index, >= 0
    double blxAlpha = 0.5;            // BLX-alpha's reach beyond the parents, >= 0
    double polynomialEta = 20.0;      // polynomial mutation's distribution index, >= 0
    double gaussianSigma = 0.1;       // Gaussian step, as a fraction of each gene's range, >= 0
    double differentialWeight = 0.5;  // kDifferential's F, the scale of the parents' difference, >= 0
    double differentialRate = 0.9;    // kDifferential's CR, each gene's chance to come from the donor
    double crossoverRate = 0.9;       // chance a child comes from crossover, else a copy of the best parent
    double mutationRate = -1.0;       // chance of each gene to mutate; negative: 1 / length
    Bounds bounds = Bounds::kShaped;

    // "<crossover>+<mutation>": "sbx", "blx_alpha", "arithmetic" or
    // "differential", then
    // "polynomial" or "gaussian"; "+clamped" after them when the bounds are
    // clamped.
    std::string Name() const;

    // "" when the choice is usable, else why not (a rate outside [0, 1] or
    // NaN, a parameter that is negative or not finite, an enumerator that
    // names nothing).
    std::string Validate() const;

    // One child, as PermutationOperators::Breed: `parents` best first (at
    // least one), `child` receives the new genome, within the bounds.
    // kDifferential is differential evolution's rand/1/bin step with the
    // best parent as the base: it wants three parents (a tournament of four
    // in the steady-state scheme), the donor being parents[0] + F
    // (parents[1] - parents[2]); with two it takes the difference
    // parents[1] - parents[0] (real::Differential).
    void Breed(const RealVector& kind, std::span<const std::span<const double>> parents,
               std::span<double> child, Random& random) const;
};

template <>
struct OperatorsFor<RealVector> {
    using type = RealVectorOperators;
};

}  // namespace zarnel
