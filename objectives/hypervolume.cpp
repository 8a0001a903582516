#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "objectives/indicators.h"
#include "objectives/nondominated_sort.h"

namespace zarnel::objectives {

namespace {

// Points of `m` objectives, one after another, that all dominate the
// reference point.
using Flat = std::vector<double>;

double Volume2(const Flat& points, const double* reference) {
    const std::size_t n = points.size() / 2;
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const double* pa = &points[std::size_t{a} * 2];
        const double* pb = &points[std::size_t{b} * 2];
        return pa[0] != pb[0] ? pa[0] < pb[0] : pa[1] < pb[1];
    });
    // Each point that lowers the best second objective so far adds the slab
    // between its value and that best, from its first objective to the
    // reference.
    double volume = 0.0;
    double lowest = reference[1];
    for (const std::uint32_t i : order) {
        const double* p = &points[std::size_t{i} * 2];
        if (p[1] < lowest) {
            volume += (reference[0] - p[0]) * (lowest - p[1]);
            lowest = p[1];
        }
    }
    return volume;
}

double Volume3(const Flat& points, const double* reference) {
    const std::size_t n = points.size() / 3;
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return points[std::size_t{a} * 3 + 2] != points[std::size_t{b} * 3 + 2]
                   ? points[std::size_t{a} * 3 + 2] < points[std::size_t{b} * 3 + 2]
                   : a < b;
    });
    // The two-dimensional front of the points seen so far, as a staircase:
    // first objective increasing, second decreasing; `area` is what it
    // dominates within the reference. Between two points of the sweep the
    // volume grows by that area times the gap in the third objective.
    std::set<std::pair<double, double>> stair;
    double area = 0.0, volume = 0.0;
    double z = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double* p = &points[std::size_t{order[k]} * 3];
        if (k > 0) volume += area * (p[2] - z);
        z = p[2];
        auto it = stair.lower_bound({p[0], -std::numeric_limits<double>::infinity()});
        double height = reference[1];
        if (it != stair.begin()) {
            const auto before = std::prev(it);
            if (before->second <= p[1]) continue;  // dominated in the plane
            height = before->second;
        }
        if (it != stair.end() && it->first == p[0] && it->second <= p[1]) continue;
        // The steps that the new point covers go; the area it adds is the
        // part of its rectangle above them.
        double x = p[0];
        double added = 0.0;
        while (it != stair.end() && it->second >= p[1]) {
            added += (it->first - x) * (height - p[1]);
            x = it->first;
            height = it->second;
            it = stair.erase(it);
        }
        const double end = it != stair.end() ? it->first : reference[0];
        added += (end - x) * (height - p[1]);
        area += added;
        stair.emplace_hint(it, p[0], p[1]);
    }
    if (n > 0) volume += area * (reference[2] - z);
    return volume;
}

double Volume(const Flat& points, std::size_t m, const double* reference);

// WFG: with the points in decreasing order of their last objective, the
// volume is the sum of each point's exclusive part against the points after
// it. Those, limited by the point (each coordinate the worse of the two),
// share its last coordinate, so their volume is a slab of depth
// reference − z over the (m − 1)-dimensional volume of their projections:
// the recursion loses an objective at every level.
double VolumeWfg(const Flat& points, std::size_t m, const double* reference) {
    const std::size_t n = points.size() / m;
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const double za = points[a * m + m - 1], zb = points[b * m + m - 1];
        return za != zb ? za > zb : a < b;
    });
    const std::size_t lower = m - 1;
    double volume = 0.0;
    Flat limited;
    Flat front;
    for (std::size_t k = 0; k < n; ++k) {
        const double* p = &points[order[k] * m];
        double inclusive = 1.0;
        for (std::size_t j = 0; j < lower; ++j) inclusive *= reference[j] - p[j];
        limited.clear();
        for (std::size_t l = k + 1; l < n; ++l) {
            const double* q = &points[order[l] * m];
            for (std::size_t j = 0; j < lower; ++j) limited.push_back(std::max(p[j], q[j]));
        }
        double covered = 0.0;
        if (!limited.empty()) {
            const std::vector<std::uint32_t> kept = NonDominatedSubset(PointSet(limited, lower));
            front.clear();
            for (const std::uint32_t i : kept)
                front.insert(front.end(), limited.begin() + i * lower, limited.begin() + (i + 1) * lower);
            covered = Volume(front, lower, reference);
        }
        volume += (reference[m - 1] - p[m - 1]) * (inclusive - covered);
    }
    return volume;
}

double Volume(const Flat& points, std::size_t m, const double* reference) {
    if (points.empty()) return 0.0;
    switch (m) {
        case 1: {
            double lowest = points[0];
            for (const double value : points) lowest = std::min(lowest, value);
            return reference[0] - lowest;
        }
        case 2:
            return Volume2(points, reference);
        case 3:
            return Volume3(points, reference);
        default:
            return VolumeWfg(points, m, reference);
    }
}

}  // namespace

double Hypervolume(const PointSet& points, std::span<const double> reference) {
    const std::size_t m = points.Dimension();
    if (reference.size() != m) {
        throw std::invalid_argument("a reference point of " + std::to_string(reference.size()) +
                                    " values for points of " + std::to_string(m) + " objectives");
    }
    for (const double value : reference) {
        if (std::isnan(value)) throw std::invalid_argument("the reference point holds a NaN");
    }
    Flat inside;
    for (std::size_t i = 0; i < points.Size(); ++i) {
        const auto p = points[i];
        bool dominates = true;
        for (std::size_t j = 0; j < m; ++j) dominates = dominates && p[j] < reference[j];
        if (dominates) inside.insert(inside.end(), p.begin(), p.end());
    }
    if (m >= 4 && !inside.empty()) {
        // Points that others dominate add nothing; WFG is faster without them.
        const std::vector<std::uint32_t> kept = NonDominatedSubset(PointSet(inside, m));
        Flat front;
        for (const std::uint32_t i : kept)
            front.insert(front.end(), inside.begin() + i * m, inside.begin() + (i + 1) * m);
        inside.swap(front);
    }
    return Volume(inside, m, reference.data());
}

}  // namespace zarnel::objectives
