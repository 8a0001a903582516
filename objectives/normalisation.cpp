#include "objectives/normalisation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zarnel::objectives {

namespace {

constexpr double kSmallestIntercept = 1e-6;
constexpr double kOffAxisWeight = 1e-6;

// Solves a x = 1 for an m × m matrix `a` (row after row) by Gaussian
// elimination with partial pivoting; false when it is singular.
bool SolveForOnes(std::vector<double> a, std::size_t m, std::vector<double>& x) {
    x.assign(m, 1.0);
    for (std::size_t column = 0; column < m; ++column) {
        std::size_t pivot = column;
        for (std::size_t row = column + 1; row < m; ++row) {
            if (std::fabs(a[row * m + column]) > std::fabs(a[pivot * m + column])) pivot = row;
        }
        if (!(std::fabs(a[pivot * m + column]) > 1e-12)) return false;
        if (pivot != column) {
            for (std::size_t k = 0; k < m; ++k) std::swap(a[pivot * m + k], a[column * m + k]);
            std::swap(x[pivot], x[column]);
        }
        for (std::size_t row = column + 1; row < m; ++row) {
            const double factor = a[row * m + column] / a[column * m + column];
            for (std::size_t k = column; k < m; ++k) a[row * m + k] -= factor * a[column * m + k];
            x[row] -= factor * x[column];
        }
    }
    for (std::size_t row = m; row-- > 0;) {
        double sum = x[row];
        for (std::size_t k = row + 1; k < m; ++k) sum -= a[row * m + k] * x[k];
        x[row] = sum / a[row * m + row];
    }
    return true;
}

}  // namespace

Normalisation Normalise(const PointSet& points, std::span<const std::uint32_t> members,
                        std::span<const std::uint32_t> firstFront) {
    const std::size_t m = points.Dimension();
    Normalisation result;
    result.ideal.assign(m, std::numeric_limits<double>::infinity());
    std::vector<double> worst(m, -std::numeric_limits<double>::infinity());
    for (const std::uint32_t i : members) {
        for (std::size_t j = 0; j < m; ++j) {
            result.ideal[j] = std::min(result.ideal[j], points[i][j]);
            worst[j] = std::max(worst[j], points[i][j]);
        }
    }
    std::vector<double> span(m);
    for (std::size_t j = 0; j < m; ++j) span[j] = worst[j] - result.ideal[j];

    // The extreme point of each axis, translated by the ideal point.
    std::vector<double> extremes(m * m);
    std::vector<std::uint32_t> chosen(m);
    for (std::size_t axis = 0; axis < m; ++axis) {
        double best = std::numeric_limits<double>::infinity();
        chosen[axis] = members.empty() ? 0 : members[0];
        for (const std::uint32_t i : members) {
            double asf = 0.0;
            for (std::size_t j = 0; j < m; ++j) {
                const double translated = points[i][j] - result.ideal[j];
                asf = std::max(asf, j == axis ? translated : translated / kOffAxisWeight);
            }
            if (asf < best) {
                best = asf;
                chosen[axis] = i;
            }
        }
        for (std::size_t j = 0; j < m; ++j)
            extremes[axis * m + j] = points[chosen[axis]][j] - result.ideal[j];
    }
    std::vector<double> plane;
    bool usable = !members.empty() && SolveForOnes(extremes, m, plane);
    result.intercepts.assign(m, 0.0);
    for (std::size_t j = 0; usable && j < m; ++j) {
        result.intercepts[j] = 1.0 / plane[j];
        if (!(std::isfinite(result.intercepts[j]) && result.intercepts[j] > kSmallestIntercept))
            usable = false;
    }
    if (!usable) {
        std::vector<double> frontWorst(m, -std::numeric_limits<double>::infinity());
        for (const std::uint32_t i : firstFront) {
            for (std::size_t j = 0; j < m; ++j) frontWorst[j] = std::max(frontWorst[j], points[i][j]);
        }
        // However small, a spread is kept: flooring it would squash a front
        // that has converged onto an edge onto fewer directions than its
        // members, and the run would lose the rest of the front.
        for (std::size_t j = 0; j < m; ++j) {
            const double front = frontWorst[j] - result.ideal[j];
            result.intercepts[j] = front > 0.0 ? front : span[j];
        }
    }
    for (std::size_t j = 0; j < m; ++j) {
        if (result.intercepts[j] > span[j]) result.intercepts[j] = span[j];
        if (!(result.intercepts[j] > 0.0)) result.intercepts[j] = 1.0;
    }
    return result;
}

Association Associate(const PointSet& points, std::span<const std::uint32_t> members,
                      const Normalisation& normalisation, const PointSet& directions) {
    const std::size_t m = points.Dimension();
    std::vector<double> squaredNorm(directions.Size());
    for (std::size_t d = 0; d < directions.Size(); ++d) {
        double sum = 0.0;
        for (const double w : directions[d]) sum += w * w;
        squaredNorm[d] = sum;
    }
    Association result;
    result.direction.resize(members.size());
    result.distance.resize(members.size());
    std::vector<double> f(m);
    for (std::size_t k = 0; k < members.size(); ++k) {
        // The normalised point, divided by its largest value so that its
        // squares neither overflow (small intercepts make large values) nor
        // underflow; the nearest direction does not depend on that scale. A
        // value that overflowed counts as the axis it lies along, at an
        // infinite distance.
        double scale = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            f[j] = (points[members[k]][j] - normalisation.ideal[j]) / normalisation.intercepts[j];
            if (std::isnan(f[j])) f[j] = 0.0;
            scale = std::max(scale, std::fabs(f[j]));
        }
        for (std::size_t j = 0; j < m; ++j) {
            if (std::isinf(scale)) {
                f[j] = std::isinf(f[j]) ? std::copysign(1.0, f[j]) : 0.0;
            } else if (scale > 0.0) {
                f[j] /= scale;
            }
        }
        double fNorm = 0.0;
        for (std::size_t j = 0; j < m; ++j) fNorm += f[j] * f[j];
        double best = std::numeric_limits<double>::infinity();
        std::uint32_t bestDirection = 0;
        for (std::size_t d = 0; d < directions.Size(); ++d) {
            double dot = 0.0;
            for (std::size_t j = 0; j < m; ++j) dot += f[j] * directions[d][j];
            const double squared = fNorm - dot * dot / squaredNorm[d];
            const double distance = squared > 0.0 ? std::sqrt(squared) : 0.0;
            if (distance < best) {
                best = distance;
                bestDirection = static_cast<std::uint32_t>(d);
            }
        }
        result.direction[k] = bestDirection;
        result.distance[k] = std::isinf(scale) ? scale : best * scale;
    }
    return result;
}

}  // namespace zarnel::objectives
