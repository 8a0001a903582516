#include "bench/suites/zdt.h"

#include <cmath>
#include <numbers>

#include "bench/suites/reference.h"

namespace zarnel::suites::zdt {

namespace {

constexpr double kPi = std::numbers::pi;
// Where ZDT6's front begins: the lowest f1 = 1 − exp(−4x) sin^6(6πx).
constexpr double kZdt6Start = 0.2807753191;

double Zdt3Second(double f1) { return 1.0 - std::sqrt(f1) - f1 * std::sin(10.0 * kPi * f1); }

}  // namespace

std::array<double, 2> Objectives(int id, std::span<const double> x) {
    const std::size_t n = x.size();
    double sum = 0.0;
    double g = 0.0;
    switch (id) {
        case 4:
            for (std::size_t i = 1; i < n; ++i) sum += x[i] * x[i] - 10.0 * std::cos(4.0 * kPi * x[i]);
            g = 1.0 + 10.0 * static_cast<double>(n - 1) + sum;
            break;
        case 6:
            for (std::size_t i = 1; i < n; ++i) sum += x[i];
            g = 1.0 + 9.0 * std::pow(sum / static_cast<double>(n - 1), 0.25);
            break;
        default:
            for (std::size_t i = 1; i < n; ++i) sum += x[i];
            g = 1.0 + 9.0 * sum / static_cast<double>(n - 1);
            break;
    }
    double f1 = x[0];
    if (id == 6) f1 = 1.0 - std::exp(-4.0 * x[0]) * std::pow(std::sin(6.0 * kPi * x[0]), 6);
    const double ratio = f1 / g;
    switch (id) {
        case 2:
        case 6:
            return {f1, g * (1.0 - ratio * ratio)};
        case 3:
            return {f1, g * (1.0 - std::sqrt(ratio) - ratio * std::sin(10.0 * kPi * f1))};
        default:
            return {f1, g * (1.0 - std::sqrt(ratio))};
    }
}

std::array<double, 2> ReferencePoint(int id) {
    switch (id) {
        case 3:
            // f1 ends where the last of the five pieces of the front ends.
            return ReferenceFrom<2>({0.0, Zdt3Second(0.8518328654)}, {0.8518328654, 1.0});
        case 6:
            return ReferenceFrom<2>({kZdt6Start, 0.0}, {1.0, 1.0 - kZdt6Start * kZdt6Start});
        default:
            return ReferenceFrom<2>({0.0, 0.0}, {1.0, 1.0});
    }
}

std::vector<double> Front(int id, std::size_t points) {
    std::vector<double> front;
    if (id == 3) {
        // The curve over the whole range, less what it dominates itself:
        // five pieces remain.
        std::vector<double> curve;
        for (const double f1 : Spaced(0.0, 0.8518328654, points * 10))
            curve.insert(curve.end(), {f1, Zdt3Second(f1)});
        return NonDominatedPoints(curve, 2);
    }
    for (const double f1 : Spaced(id == 6 ? kZdt6Start : 0.0, 1.0, points)) {
        const double f2 = id == 2 || id == 6 ? 1.0 - f1 * f1 : 1.0 - std::sqrt(f1);
        front.insert(front.end(), {f1, f2});
    }
    return front;
}

}  // namespace zarnel::suites::zdt
