#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "objectives/indicators.h"

namespace zarnel::objectives {

double IgdPlus(const PointSet& points, const PointSet& reference) {
    if (reference.Size() == 0) throw std::invalid_argument("IGD+ needs at least one reference point");
    if (reference.Dimension() != points.Dimension()) {
        throw std::invalid_argument("reference points of " + std::to_string(reference.Dimension()) +
                                    " objectives for points of " + std::to_string(points.Dimension()));
    }
    const std::size_t m = points.Dimension();
    bool any = false;
    double sum = 0.0;
    for (std::size_t r = 0; r < reference.Size(); ++r) {
        const auto z = reference[r];
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < points.Size(); ++i) {
            if (points.HasNaN(i)) continue;
            any = true;
            const auto a = points[i];
            double squared = 0.0;
            for (std::size_t j = 0; j < m && squared < nearest; ++j) {
                const double excess = a[j] - z[j];
                if (excess > 0.0) squared += excess * excess;
            }
            if (squared < nearest) nearest = squared;
        }
        if (!any) return std::numeric_limits<double>::infinity();
        sum += std::sqrt(nearest);
    }
    return sum / static_cast<double>(reference.Size());
}

}  // namespace zarnel::objectives
