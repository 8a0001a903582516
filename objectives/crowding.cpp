#include "objectives/crowding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace zarnel::objectives {

std::vector<double> CrowdingDistance(const PointSet& points, std::span<const std::uint32_t> front) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const std::size_t n = front.size();
    std::vector<double> distance(n, 0.0);
    if (n <= 2) {
        std::fill(distance.begin(), distance.end(), kInfinity);
        return distance;
    }
    const std::size_t m = points.Dimension();
    std::vector<std::uint32_t> order(n);
    std::vector<double> value(n);
    for (std::size_t j = 0; j < m; ++j) {
        for (std::size_t k = 0; k < n; ++k) {
            const double v = points[front[k]][j];
            value[k] = std::isnan(v) ? kInfinity : v;
        }
        const auto [low, high] = std::minmax_element(value.begin(), value.end());
        const double lo = *low, hi = *high;
        if (lo == hi) continue;
        // Of equal values the lowest index comes first, but at the top last,
        // so that of copies at either end the same one gets +inf.
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (value[a] != value[b]) return value[a] < value[b];
            return value[a] == hi ? front[a] > front[b] : front[a] < front[b];
        });
        const double range = hi - lo;
        distance[order.front()] = kInfinity;
        distance[order.back()] = kInfinity;
        for (std::size_t k = 1; k + 1 < n; ++k) {
            const double next = value[order[k + 1]], previous = value[order[k - 1]];
            const double gap = next == previous ? 0.0 : next - previous;
            const double term = gap / range;
            distance[order[k]] += std::isnan(term) ? kInfinity : term;
        }
    }
    return distance;
}

}  // namespace zarnel::objectives
