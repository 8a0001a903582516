#include "objectives/dominance.h"

#include <cassert>
#include <cmath>
#include <limits>

namespace zarnel::objectives {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// RankViolation for a point whose objectives are known to be numbers.
double CleanViolation(double violation) {
    if (std::isnan(violation)) return kInfinity;
    return violation > 0.0 ? violation : 0.0;
}

}  // namespace

bool Dominates(std::span<const double> a, std::span<const double> b) {
    assert(a.size() == b.size());
    bool better = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // A NaN fails both tests below, so it ends the comparison as "no".
        if (!(a[i] <= b[i])) return false;
        if (a[i] < b[i]) better = true;
    }
    return better;
}

double TotalViolation(std::span<const double> constraints) {
    double total = 0.0;
    for (const double g : constraints) {
        if (std::isnan(g)) return kInfinity;
        if (g > 0.0) total += g;
    }
    return total;
}

double RankViolation(std::span<const double> objectives, double violation) {
    for (const double value : objectives) {
        if (std::isnan(value)) return kInfinity;
    }
    return CleanViolation(violation);
}

bool FeasiblyBefore(double a, double violationA, double b, double violationB) {
    const double va = std::isnan(a) ? kInfinity : CleanViolation(violationA);
    const double vb = std::isnan(b) ? kInfinity : CleanViolation(violationB);
    if (va != vb) return va < vb;
    // Equal violations: only feasible points compare their objective, and
    // theirs are numbers.
    return va == 0.0 && a < b;
}

bool FeasiblyDominates(std::span<const double> a, double violationA, std::span<const double> b,
                       double violationB) {
    const double va = RankViolation(a, violationA);
    const double vb = RankViolation(b, violationB);
    if (va != vb) return va < vb;
    return va == 0.0 && Dominates(a, b);
}

}  // namespace zarnel::objectives
