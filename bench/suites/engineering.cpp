#include "bench/suites/engineering.h"

#include <cmath>
#include <numbers>

namespace zarnel::suites {

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

double PressureVessel::Cost(std::span<const double> x) {
    const double ts = x[0], th = x[1], r = x[2], l = x[3];
    return 0.6224 * ts * r * l + 1.7781 * th * r * r + 3.1661 * ts * ts * l + 19.84 * ts * ts * r;
}

std::array<double, 4> PressureVessel::constraints(std::span<const double> x) const {
    const double ts = x[0], th = x[1], r = x[2], l = x[3];
    return {-ts + 0.0193 * r, -th + 0.00954 * r, -kPi * r * r * l - 4.0 / 3.0 * kPi * r * r * r + 1296000.0,
            l - 240.0};
}

double WeldedBeam::Cost(std::span<const double> x) {
    const double h = x[0], l = x[1], t = x[2], b = x[3];
    return 1.10471 * h * h * l + 0.04811 * t * b * (14.0 + l);
}

std::array<double, 7> WeldedBeam::constraints(std::span<const double> x) const {
    const double h = x[0], l = x[1], t = x[2], b = x[3];
    constexpr double kLoad = 6000.0, kLength = 14.0, kE = 30e6, kG = 12e6;
    constexpr double kShearMax = 13600.0, kBendingMax = 30000.0, kDeflectionMax = 0.25;
    // Shear stress in the weld: the direct part and the torsion part.
    const double direct = kLoad / (std::sqrt(2.0) * h * l);
    const double moment = kLoad * (kLength + l / 2.0);
    const double radius = std::sqrt(l * l / 4.0 + (h + t) * (h + t) / 4.0);
    const double inertia = 2.0 * (std::sqrt(2.0) * h * l * (l * l / 12.0 + (h + t) * (h + t) / 4.0));
    const double torsion = moment * radius / inertia;
    const double shear =
        std::sqrt(direct * direct + 2.0 * direct * torsion * l / (2.0 * radius) + torsion * torsion);
    const double bending = 6.0 * kLoad * kLength / (b * t * t);
    const double deflection = 4.0 * kLoad * kLength * kLength * kLength / (kE * t * t * t * b);
    const double buckling = 4.013 * kE * std::sqrt(t * t * std::pow(b, 6) / 36.0) / (kLength * kLength) *
                            (1.0 - t / (2.0 * kLength) * std::sqrt(kE / (4.0 * kG)));
    return {shear - kShearMax,
            bending - kBendingMax,
            h - b,
            0.10471 * h * h + 0.04811 * t * b * (14.0 + l) - 5.0,
            0.125 - h,
            deflection - kDeflectionMax,
            kLoad - buckling};
}

}  // namespace zarnel::suites
