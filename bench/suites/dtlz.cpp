#include "bench/suites/dtlz.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "bench/suites/reference.h"

namespace zarnel::suites::dtlz {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDtlz4Alpha = 100.0;
// Where f (1 + sin 3πf) peaks in [0, 1]: the last piece of DTLZ7's front ends
// there in each of its first M − 1 objectives.
constexpr double kDtlz7PieceEnd = 0.8594008566447239;

// The objectives of a point of the sphere's positive orthant from its angles
// (M − 1 of them), times 1 + g.
void Sphere(std::span<const double> theta, double scale, std::span<double> f) {
    const std::size_t m = f.size();
    for (std::size_t i = 0; i < m; ++i) {
        double value = scale;
        for (std::size_t j = 0; j + i + 1 < m; ++j) value *= std::cos(theta[j]);
        if (i > 0) value *= std::sin(theta[m - 1 - i]);
        f[i] = value;
    }
}

// Rastrigin-like g of DTLZ1 and DTLZ3 over the last k variables.
double MultiModalG(std::span<const double> tail) {
    double sum = 0.0;
    for (const double x : tail) sum += (x - 0.5) * (x - 0.5) - std::cos(20.0 * kPi * (x - 0.5));
    return 100.0 * (static_cast<double>(tail.size()) + sum);
}

double SquaredG(std::span<const double> tail) {
    double sum = 0.0;
    for (const double x : tail) sum += (x - 0.5) * (x - 0.5);
    return sum;
}

// The curve that the fronts of DTLZ5 and DTLZ6 reduce to at g = 0: the
// first angle free, the others π/4. Exact for 3 objectives only.
std::vector<double> Curve(std::size_t m, std::size_t points) {
    std::vector<double> front;
    std::vector<double> theta(m - 1, kPi / 4);
    std::vector<double> f(m);
    for (const double t : Spaced(0.0, kPi / 2, points)) {
        theta[0] = t;
        Sphere(theta, 1.0, f);
        front.insert(front.end(), f.begin(), f.end());
    }
    return front;
}

// DTLZ7's front: f1 … f_{M−1} on a grid of [0, 1], f_M = M − Σ f_i (1 + sin 3π f_i)
// times 2 (g = 1 there), less what the surface dominates of itself.
std::vector<double> Dtlz7Front(std::size_t m) {
    const std::size_t side = m == 2 ? 2000 : m == 3 ? 60 : 10;
    std::vector<double> grid;
    std::vector<std::size_t> index(m - 1, 0);
    const std::vector<double> steps = Spaced(0.0, 1.0, side);
    for (;;) {
        double h = static_cast<double>(m);
        for (std::size_t i = 0; i + 1 < m; ++i) {
            const double fi = steps[index[i]];
            grid.push_back(fi);
            h -= fi / 2.0 * (1.0 + std::sin(3.0 * kPi * fi));
        }
        grid.push_back(2.0 * h);
        std::size_t i = 0;
        while (i + 1 < m && ++index[i] == side) index[i++] = 0;
        if (i + 1 == m) break;
    }
    return NonDominatedPoints(grid, m);
}

}  // namespace

void Objectives(int id, std::span<const double> x, std::span<double> f) {
    const std::size_t m = f.size();
    const std::span<const double> head = x.first(m - 1);
    const std::span<const double> tail = x.subspan(m - 1);
    std::vector<double> theta(m - 1);
    switch (id) {
        case 1: {
            const double g = MultiModalG(tail);
            for (std::size_t i = 0; i < m; ++i) {
                double value = 0.5 * (1.0 + g);
                for (std::size_t j = 0; j + i + 1 < m; ++j) value *= head[j];
                if (i > 0) value *= 1.0 - head[m - 1 - i];
                f[i] = value;
            }
            return;
        }
        case 2:
        case 3:
        case 4: {
            const double g = id == 3 ? MultiModalG(tail) : SquaredG(tail);
            for (std::size_t j = 0; j + 1 < m; ++j)
                theta[j] = (id == 4 ? std::pow(head[j], kDtlz4Alpha) : head[j]) * kPi / 2;
            Sphere(theta, 1.0 + g, f);
            return;
        }
        case 5:
        case 6: {
            double g = 0.0;
            if (id == 5) {
                g = SquaredG(tail);
            } else {
                for (const double v : tail) g += std::pow(v, 0.1);
            }
            theta[0] = head[0] * kPi / 2;
            for (std::size_t j = 1; j + 1 < m; ++j)
                theta[j] = kPi / (4.0 * (1.0 + g)) * (1.0 + 2.0 * g * head[j]);
            Sphere(theta, 1.0 + g, f);
            return;
        }
        case 7: {
            double sum = 0.0;
            for (const double v : tail) sum += v;
            const double g = 1.0 + 9.0 / static_cast<double>(tail.size()) * sum;
            double h = static_cast<double>(m);
            for (std::size_t i = 0; i + 1 < m; ++i) {
                f[i] = head[i];
                h -= f[i] / (1.0 + g) * (1.0 + std::sin(3.0 * kPi * f[i]));
            }
            f[m - 1] = (1.0 + g) * h;
            return;
        }
        default:
            throw std::invalid_argument("no DTLZ problem " + std::to_string(id));
    }
}

std::vector<double> ReferencePoint(int id, std::size_t m) {
    std::vector<double> reference(m, id == 1 ? 0.55 : 1.1);
    if (id == 7) {
        // Over the front f_i (i < M) spans [0, end] and f_M
        // [2 (M − (M − 1) t(end)), 2M], t(f) = f (1 + sin 3πf) / 2.
        const double peak = kDtlz7PieceEnd / 2.0 * (1.0 + std::sin(3.0 * kPi * kDtlz7PieceEnd));
        const double top = 2.0 * static_cast<double>(m);
        const double bottom = 2.0 * (static_cast<double>(m) - static_cast<double>(m - 1) * peak);
        for (std::size_t j = 0; j + 1 < m; ++j) reference[j] = 1.1 * kDtlz7PieceEnd;
        reference[m - 1] = top + 0.1 * (top - bottom);
    }
    return reference;
}

std::vector<double> Front(int id, std::size_t m) {
    // About 1,000 to 2,000 points.
    const std::size_t divisions = m == 2 ? 999 : m == 3 ? 44 : m == 5 ? 12 : m == 8 ? 6 : 4;
    switch (id) {
        case 1:
            return SimplexPoints(m, divisions, 0.5);
        case 5:
        case 6:
            return Curve(m, 1000);
        case 7:
            return Dtlz7Front(m);
        default:
            return SpherePoints(m, divisions);
    }
}

}  // namespace zarnel::suites::dtlz
