#include "bench/suites/reference.h"

#include <cmath>

#include "objectives/nondominated_sort.h"
#include "objectives/reference_directions.h"

namespace zarnel::suites {

std::vector<double> Spaced(double lo, double hi, std::size_t count) {
    std::vector<double> values(count);
    for (std::size_t k = 0; k < count; ++k)
        values[k] =
            count == 1 ? lo : lo + (hi - lo) * static_cast<double>(k) / static_cast<double>(count - 1);
    return values;
}

std::vector<double> NonDominatedPoints(const std::vector<double>& values, std::size_t m) {
    const objectives::PointSet points(values, m);
    std::vector<double> kept;
    for (const std::uint32_t i : objectives::NonDominatedSubset(points))
        kept.insert(kept.end(), points[i].begin(), points[i].end());
    return kept;
}

std::vector<double> SimplexPoints(std::size_t m, std::size_t divisions, double sum) {
    std::vector<double> points = objectives::DasDennis(m, divisions);
    for (double& value : points) value *= sum;
    return points;
}

std::vector<double> SpherePoints(std::size_t m, std::size_t divisions) {
    std::vector<double> points = objectives::DasDennis(m, divisions);
    for (std::size_t i = 0; i < points.size(); i += m) {
        double norm = 0.0;
        for (std::size_t j = 0; j < m; ++j) norm += points[i + j] * points[i + j];
        norm = std::sqrt(norm);
        for (std::size_t j = 0; j < m; ++j) points[i + j] /= norm;
    }
    return points;
}

}  // namespace zarnel::suites
