#include "solve/front_figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "objectives/dominance.h"
#include "objectives/indicators.h"
#include "objectives/point_set.h"

namespace zarnel::detail {

namespace {

// The objectives of member k.
std::span<const double> ObjectivesOf(std::span<const double> scores, std::size_t m, std::size_t k) {
    return scores.subspan(k * (m + 1), m);
}

bool AllFinite(std::span<const double> values) {
    return std::all_of(values.begin(), values.end(), [](double value) { return std::isfinite(value); });
}

}  // namespace

std::vector<double> AutomaticReferencePoint(std::span<const double> scores, std::size_t m) {
    const std::size_t n = m == 0 ? 0 : scores.size() / (m + 1);
    for (const bool feasibleOnly : {true, false}) {
        std::vector<double> lowest(m, std::numeric_limits<double>::infinity());
        std::vector<double> highest(m, -std::numeric_limits<double>::infinity());
        bool any = false;
        for (std::size_t k = 0; k < n; ++k) {
            const std::span<const double> objectives = ObjectivesOf(scores, m, k);
            if (!AllFinite(objectives)) continue;
            if (feasibleOnly && objectives::RankViolation(objectives, scores[k * (m + 1) + m]) != 0.0)
                continue;
            any = true;
            for (std::size_t j = 0; j < m; ++j) {
                lowest[j] = std::min(lowest[j], objectives[j]);
                highest[j] = std::max(highest[j], objectives[j]);
            }
        }
        if (!any) continue;
        std::vector<double> reference(m);
        for (std::size_t j = 0; j < m; ++j) {
            const double range = highest[j] - lowest[j];
            reference[j] = highest[j] + 0.1 * (range > 0.0 ? range : std::max(1.0, std::fabs(highest[j])));
        }
        return reference;
    }
    return {};
}

double FrontHypervolume(std::span<const double> scores, std::size_t m, std::span<const double> reference) {
    if (reference.size() != m || m == 0) return std::numeric_limits<double>::quiet_NaN();
    const std::size_t n = scores.size() / (m + 1);
    std::vector<double> points;
    for (std::size_t k = 0; k < n; ++k) {
        const std::span<const double> objectives = ObjectivesOf(scores, m, k);
        if (objectives::RankViolation(objectives, scores[k * (m + 1) + m]) != 0.0) continue;
        points.insert(points.end(), objectives.begin(), objectives.end());
    }
    return objectives::Hypervolume(objectives::PointSet(points, m), reference);
}

}  // namespace zarnel::detail
