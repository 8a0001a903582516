#include "bench/suites/constrained.h"

#include <algorithm>
#include <cmath>

#include "bench/suites/dtlz.h"
#include "bench/suites/reference.h"

namespace zarnel::suites {

namespace {

constexpr std::size_t kFrontPoints = 1000;

double Squared(double x) { return x * x; }

// C2-DTLZ2's constraint for objectives f: the smallest of the distances
// (squared, less r^2) to each corner and to the centre of the front.
double C2Constraint(std::span<const double> f) {
    const double r2 = C2Dtlz2::kRadius * C2Dtlz2::kRadius;
    const auto m = static_cast<double>(f.size());
    double nearest = 0.0;
    for (const double fi : f) nearest += Squared(fi - 1.0 / std::sqrt(m));
    nearest -= r2;
    for (std::size_t i = 0; i < f.size(); ++i) {
        double corner = -r2;
        for (std::size_t j = 0; j < f.size(); ++j) corner += j == i ? Squared(f[j] - 1.0) : Squared(f[j]);
        nearest = std::min(nearest, corner);
    }
    return nearest;
}

}  // namespace

std::array<double, 2> Bnh::objectives(std::span<const double> x) const {
    return {4.0 * x[0] * x[0] + 4.0 * x[1] * x[1], Squared(x[0] - 5.0) + Squared(x[1] - 5.0)};
}
std::array<double, 2> Bnh::constraints(std::span<const double> x) const {
    return {Squared(x[0] - 5.0) + x[1] * x[1] - 25.0, 7.7 - Squared(x[0] - 8.0) - Squared(x[1] + 3.0)};
}
std::array<double, 2> Bnh::referencePoint() const { return ReferenceFrom<2>({0.0, 4.0}, {136.0, 50.0}); }
std::vector<double> Bnh::referenceFront() const {
    // x1 = x2 up to 3, then x2 = 3 (the bound) with x1 up to 5.
    std::vector<double> front;
    for (const double x : Spaced(0.0, 5.0, kFrontPoints)) {
        const double genes[] = {x, std::min(x, 3.0)};
        const auto f = objectives(genes);
        front.insert(front.end(), f.begin(), f.end());
    }
    return front;
}

std::array<double, 2> Srn::objectives(std::span<const double> x) const {
    return {2.0 + Squared(x[0] - 2.0) + Squared(x[1] - 1.0), 9.0 * x[0] - Squared(x[1] - 1.0)};
}
std::array<double, 2> Srn::constraints(std::span<const double> x) const {
    return {x[0] * x[0] + x[1] * x[1] - 225.0, x[0] - 3.0 * x[1] + 10.0};
}
// x1 = −2.5 and x2 from 2.5 (the second constraint) to where the first
// constraint meets the line.
namespace {
const double kSrnTop = std::sqrt(225.0 - 6.25);
}
std::array<double, 2> Srn::referencePoint() const {
    const double low[] = {-2.5, 2.5}, high[] = {-2.5, kSrnTop};
    const auto a = Srn{}.objectives(low), b = Srn{}.objectives(high);
    return ReferenceFrom<2>({a[0], b[1]}, {b[0], a[1]});
}
std::vector<double> Srn::referenceFront() const {
    std::vector<double> front;
    for (const double x2 : Spaced(2.5, kSrnTop, kFrontPoints)) {
        const double genes[] = {-2.5, x2};
        const auto f = objectives(genes);
        front.insert(front.end(), f.begin(), f.end());
    }
    return front;
}

std::array<double, 2> Constr::objectives(std::span<const double> x) const {
    return {x[0], (1.0 + x[1]) / x[0]};
}
std::array<double, 2> Constr::constraints(std::span<const double> x) const {
    return {6.0 - x[1] - 9.0 * x[0], 1.0 + x[1] - 9.0 * x[0]};
}
std::array<double, 2> Constr::referencePoint() const {
    return ReferenceFrom<2>({7.0 / 18.0, 1.0}, {1.0, 9.0});
}
std::vector<double> Constr::referenceFront() const {
    // x2 = 6 − 9 x1 (the first constraint) while it is >= 0, then x2 = 0.
    std::vector<double> front;
    for (const double x1 : Spaced(7.0 / 18.0, 1.0, kFrontPoints)) {
        const double genes[] = {x1, std::max(0.0, 6.0 - 9.0 * x1)};
        const auto f = objectives(genes);
        front.insert(front.end(), f.begin(), f.end());
    }
    return front;
}

std::array<double, 3> C2Dtlz2::objectives(std::span<const double> x) const {
    std::array<double, 3> f;
    dtlz::Objectives(2, x, f);
    return f;
}
std::array<double, 1> C2Dtlz2::constraints(std::span<const double> x) const {
    return {C2Constraint(objectives(x))};
}
std::vector<double> C2Dtlz2::referenceFront() const {
    // DTLZ2's front where the constraint holds.
    const std::vector<double> sphere = SpherePoints(3, 60);
    std::vector<double> front;
    for (std::size_t i = 0; i < sphere.size(); i += 3) {
        const std::span<const double> f(sphere.data() + i, 3);
        if (C2Constraint(f) <= 0.0) front.insert(front.end(), f.begin(), f.end());
    }
    return front;
}

}  // namespace zarnel::suites
