#pragma once

#include <cmath>
#include <limits>
#include <span>

#include "objectives/dominance.h"

// How the steady-state scheme ranks individuals of one objective: by the
// fitness alone, or, for a problem with constraints, by the feasibility
// rules. Both as a key with > (ranks strictly before) and == (ranks the
// same), so that one code ranks either.
namespace zarnel::detail {

// The key by which individuals are ranked: the fitness, a NaN below every
// number.
inline double RankKey(double fitness) {
    return std::isnan(fitness) ? -std::numeric_limits<double>::infinity() : fitness;
}

// The fitness of an individual of a problem with constraints: the ranked
// fitness (RankedFitness, higher better) and the total violation as
// objectives::RankViolation gives it (0: feasible; +inf for a NaN
// constraint or a NaN fitness). Trivially copyable: migrants carry it.
struct ConstrainedFitness {
    double value = 0.0;
    double violation = 0.0;

    // The fitness as one number for whoever compares islands by one: the
    // value when feasible, else the lowest of all.
    explicit operator double() const {
        return violation == 0.0 ? value : -std::numeric_limits<double>::infinity();
    }
};

// The feasibility rules as a key: a feasible individual before an
// infeasible one, the smaller violation first between infeasible ones
// (their fitness does not count), the higher fitness first between
// feasible ones.
struct FeasibilityKey {
    double violation = std::numeric_limits<double>::infinity();
    double value = -std::numeric_limits<double>::infinity();

    friend bool operator>(const FeasibilityKey& a, const FeasibilityKey& b) {
        if (a.violation != b.violation) return a.violation < b.violation;
        return a.violation == 0.0 && a.value > b.value;
    }
    friend bool operator==(const FeasibilityKey& a, const FeasibilityKey& b) {
        return a.violation == b.violation && (a.violation != 0.0 || a.value == b.value);
    }
};

// The fitness of a scored individual with constraints.
inline ConstrainedFitness Constrained(double ranked, double violation) {
    return {ranked, objectives::RankViolation(std::span<const double>(&ranked, 1), violation)};
}

inline FeasibilityKey KeyOf(const ConstrainedFitness& fitness) {
    return {fitness.violation, RankKey(fitness.value)};
}
inline double KeyOf(double fitness) { return RankKey(fitness); }

// The ranked fitness and the violation of either kind of fitness.
inline double ValueOf(double fitness) { return fitness; }
inline double ValueOf(const ConstrainedFitness& fitness) { return fitness.value; }
inline double ViolationIn(double) { return 0.0; }
inline double ViolationIn(const ConstrainedFitness& fitness) { return fitness.violation; }

// Whether an individual reached a target given as a ranked fitness: a
// feasible one whose value is at least the target.
inline bool Reaches(double fitness, double target) { return fitness >= target; }
inline bool Reaches(const ConstrainedFitness& fitness, double target) {
    return fitness.violation == 0.0 && fitness.value >= target;
}

// The key islands choose migrants by (islands::OrderKey).
inline FeasibilityKey OrderKey(const ConstrainedFitness& fitness) { return KeyOf(fitness); }

// Ranks strictly before, for code that compares fitness values directly
// (the framework's BestIndividual).
inline bool operator>(const ConstrainedFitness& a, const ConstrainedFitness& b) {
    return KeyOf(a) > KeyOf(b);
}

}  // namespace zarnel::detail
