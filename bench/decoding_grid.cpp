#include "bench/decoding_grid.h"

#include <cmath>

namespace zarnel {

std::uint32_t NearestGene(double x, double lower, double upper) {
    constexpr double kTop = 4294967295.0;
    if (!(x > lower)) return 0;
    if (x >= upper) return 0xFFFFFFFFu;
    const double estimate = std::nearbyint((x - lower) / (upper - lower) * kTop);
    const auto centre = static_cast<std::uint32_t>(std::fmin(std::fmax(estimate, 0.0), kTop));
    // The estimate may be one off from the true nearest through rounding:
    // its neighbours are looked at too, the lower first.
    const std::uint32_t from = centre == 0 ? 0 : centre - 1;
    const std::uint32_t to = centre == 0xFFFFFFFFu ? centre : centre + 1;
    std::uint32_t best = from;
    double bestDistance = std::fabs(GridPoint(from, lower, upper) - x);
    for (std::uint32_t gene = from + 1; gene != to + 1 && gene > from; ++gene) {
        const double distance = std::fabs(GridPoint(gene, lower, upper) - x);
        if (distance < bestDistance) {
            best = gene;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace zarnel
