#include "genome/real_vector_variation.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "genome/detail/portable_math.h"
#include "genome/detail/scratch.h"

namespace zarnel::real {

namespace {

using genome_detail::Pow;

// x within [lo, hi]; NaN goes to lo.
double Clamp(double x, double lo, double hi) {
    if (!(x >= lo)) return lo;
    return x > hi ? hi : x;
}

// Half of hi - lo, finite for any finite bounds (hi - lo itself overflows
// for -1e308 .. 1e308).
double HalfWidth(double lo, double hi) { return 0.5 * hi - 0.5 * lo; }

void CheckArguments(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
                    const RealVector& kind) {
    assert(p1.size() == kind.lower.size() && p2.size() == p1.size() && child.size() == p1.size());
    assert(genome_detail::Disjoint(child, p1) && genome_detail::Disjoint(child, p2));
    (void)p1, (void)p2, (void)child, (void)kind;
}

// SBX's spread factor for one side: `gap` is how far the nearer parent lies
// from its bound, in units of half the parents' distance; `u` the gene's
// uniform draw.
double SpreadFactor(double gap, double u, double eta) {
    const double beta = 1.0 + gap;
    const double alpha = 2.0 - Pow(beta, -(eta + 1.0));
    if (u <= 1.0 / alpha) return Pow(u * alpha, 1.0 / (eta + 1.0));
    return Pow(1.0 / (2.0 - u * alpha), 1.0 / (eta + 1.0));
}

}  // namespace

void UniformInit(std::span<double> genes, const RealVector& kind, Random& random) {
    assert(genes.size() == kind.lower.size());
    for (std::size_t i = 0; i < genes.size(); ++i) {
        genes[i] = Clamp(random.Uniform(kind.lower[i], kind.upper[i]), kind.lower[i], kind.upper[i]);
    }
}

void Sbx(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
         const RealVector& kind, Random& random, double eta, bool clamped) {
    CheckArguments(p1, p2, child, kind);
    constexpr double kSame = 1e-14;
    for (std::size_t i = 0; i < child.size(); ++i) {
        child[i] = p1[i];
        if (random.Uniform() > 0.5 || !(std::fabs(p1[i] - p2[i]) > kSame)) continue;
        const double lo = kind.lower[i], hi = kind.upper[i];
        const double y1 = std::min(p1[i], p2[i]), y2 = std::max(p1[i], p2[i]);
        // Deb's 0.5 ((y1 + y2) -/+ betaq (y2 - y1)), written with halves so
        // that no intermediate overflows.
        const double half = HalfWidth(y1, y2);
        const double middle = 0.5 * y1 + 0.5 * y2;
        const double u = random.Uniform();
        // Both draws come first; only the value the child takes is computed.
        const bool upper = random.Uniform() <= 0.5;
        double spread;
        if (clamped) {
            spread = Pow(u <= 0.5 ? 2.0 * u : 1.0 / (2.0 - 2.0 * u), 1.0 / (eta + 1.0));
        } else {
            spread = SpreadFactor(upper ? (hi - y2) / half : (y1 - lo) / half, u, eta);
        }
        child[i] = Clamp(upper ? middle + spread * half : middle - spread * half, lo, hi);
    }
}

void BlxAlpha(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
              const RealVector& kind, Random& random, double alpha) {
    CheckArguments(p1, p2, child, kind);
    for (std::size_t i = 0; i < child.size(); ++i) {
        const double lo = kind.lower[i], hi = kind.upper[i];
        const double near = std::min(p1[i], p2[i]), far = std::max(p1[i], p2[i]);
        // alpha d, as a difference of products so that alpha = 0 gives 0 even
        // when d overflows.
        const double reach = alpha * far - alpha * near;
        const double from = Clamp(near - reach, lo, hi), to = Clamp(far + reach, lo, hi);
        child[i] = Clamp(random.Uniform(from, to), lo, hi);
    }
}

void Arithmetic(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
                const RealVector& kind, Random& random) {
    CheckArguments(p1, p2, child, kind);
    const double a = random.Uniform();
    for (std::size_t i = 0; i < child.size(); ++i) {
        child[i] = Clamp(a * p1[i] + (1.0 - a) * p2[i], kind.lower[i], kind.upper[i]);
    }
}

void Differential(std::span<const double> base, std::span<const double> a, std::span<const double> b,
                  std::span<double> child, const RealVector& kind, Random& random, double weight,
                  double rate) {
    CheckArguments(base, a, child, kind);
    CheckArguments(base, b, child, kind);
    if (child.empty()) return;
    const std::size_t forced = random.Below(static_cast<std::uint32_t>(child.size()));
    for (std::size_t i = 0; i < child.size(); ++i) {
        const double lo = kind.lower[i], hi = kind.upper[i];
        // Drawn for every gene, the forced one too, so that which genes come
        // from the donor does not shift the later draws.
        const bool fromDonor = random.Chance(rate) || i == forced;
        if (!fromDonor) {
            child[i] = base[i];
            continue;
        }
        // weight (a - b) as a difference of products: no overflow to inf
        // for the widest bounds, and weight 0 gives the base.
        const double donor = base[i] + (weight * a[i] - weight * b[i]);
        if (donor < lo) {
            child[i] = Clamp(0.5 * lo + 0.5 * base[i], lo, hi);
        } else if (donor > hi) {
            child[i] = Clamp(0.5 * hi + 0.5 * base[i], lo, hi);
        } else {
            child[i] = Clamp(donor, lo, hi);  // NaN (inf - inf) goes to lo
        }
    }
}

void PolynomialMutation(std::span<double> genes, const RealVector& kind, Random& random, double eta,
                        double perGene, bool clamped) {
    assert(genes.size() == kind.lower.size());
    const double power = 1.0 / (eta + 1.0);
    for (std::size_t i = 0; i < genes.size(); ++i) {
        const double lo = kind.lower[i], hi = kind.upper[i];
        if (!(lo < hi) || !random.Chance(perGene)) continue;
        const double y = Clamp(genes[i], lo, hi);
        const double half = HalfWidth(lo, hi);
        const double u = random.Uniform();
        double deltaq;
        if (clamped) {
            deltaq = u < 0.5 ? Pow(2.0 * u, power) - 1.0 : 1.0 - Pow(2.0 - 2.0 * u, power);
        } else if (u <= 0.5) {
            const double delta1 = HalfWidth(lo, y) / half;
            const double value = 2.0 * u + (1.0 - 2.0 * u) * Pow(1.0 - delta1, eta + 1.0);
            deltaq = Pow(value, power) - 1.0;
        } else {
            const double delta2 = HalfWidth(y, hi) / half;
            const double value = 2.0 * (1.0 - u) + 2.0 * (u - 0.5) * Pow(1.0 - delta2, eta + 1.0);
            deltaq = 1.0 - Pow(value, power);
        }
        // y + deltaq (hi - lo), in halves.
        genes[i] = Clamp(y + deltaq * half + deltaq * half, lo, hi);
    }
}

void GaussianMutation(std::span<double> genes, const RealVector& kind, Random& random, double sigma,
                      double perGene) {
    assert(genes.size() == kind.lower.size());
    for (std::size_t i = 0; i < genes.size(); ++i) {
        const double lo = kind.lower[i], hi = kind.upper[i];
        if (!(lo < hi) || !random.Chance(perGene)) continue;
        // sigma (hi - lo) times a normal value, as a difference of products
        // so that it cannot come out NaN.
        const double scale = sigma * random.Normal();
        genes[i] = Clamp(genes[i] + (scale * hi - scale * lo), lo, hi);
    }
}

}  // namespace zarnel::real
