#include "objectives/normalisation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "objectives/tuning_tmp.h"

namespace zarnel::objectives {

namespace {

constexpr double kSmallestIntercept = 1e-6;
constexpr double kOffAxisWeight = 1e-6;
inline double Floor() { return tmp::Tune().floor ? 0.0 : kSmallestIntercept; }

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

// The member of `candidates` (points of M values, one after another) that
// minimises max_j t_j / w_j, t = f − ideal and w_j = 1 on `axis`, 10^-6
// elsewhere; the first of equals.
std::size_t ExtremeOf(std::span<const double> candidates, std::span<const double> ideal, std::size_t axis,
                      double zeroBelow) {
    const std::size_t m = ideal.size();
    double best = std::numeric_limits<double>::infinity();
    std::size_t chosen = 0;
    for (std::size_t c = 0; c * m < candidates.size(); ++c) {
        double asf = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            double translated = candidates[c * m + j] - ideal[j];
            if (translated < zeroBelow) translated = 0.0;
            asf = std::max(asf, j == axis ? translated : translated / kOffAxisWeight);
        }
        if (asf < best) {
            best = asf;
            chosen = c;
        }
    }
    return chosen;
}

}  // namespace

Normalisation Normalise(const PointSet& points, std::span<const std::uint32_t> feasible,
                        std::span<const std::uint32_t> firstFront, NormalisationMemory& memory) {
    const std::size_t m = points.Dimension();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    if (memory.Empty()) {
        memory.ideal.assign(m, kInfinity);
        memory.worst.assign(m, -kInfinity);
    }
    std::vector<double> setWorst(m, -kInfinity), frontWorst(m, -kInfinity);
    for (const std::uint32_t i : feasible) {
        for (std::size_t j = 0; j < m; ++j) {
            memory.ideal[j] = std::min(memory.ideal[j], points[i][j]);
            memory.worst[j] = std::max(memory.worst[j], points[i][j]);
            setWorst[j] = std::max(setWorst[j], points[i][j]);
        }
    }
    std::vector<double> candidates(memory.extremes);
    for (const std::uint32_t i : firstFront) {
        candidates.insert(candidates.end(), points[i].begin(), points[i].end());
        for (std::size_t j = 0; j < m; ++j) frontWorst[j] = std::max(frontWorst[j], points[i][j]);
    }
    const double zeroBelow = tmp::Tune().zero ? 1e-3 : -kInfinity;
    std::vector<double> extremes(m * m);
    for (std::size_t axis = 0; axis < m; ++axis) {
        const std::size_t c = ExtremeOf(candidates, memory.ideal, axis, zeroBelow);
        std::copy_n(candidates.begin() + static_cast<std::ptrdiff_t>(c * m), m, extremes.begin() + axis * m);
    }
    memory.extremes = extremes;
    for (std::size_t axis = 0; axis < m; ++axis) {
        for (std::size_t j = 0; j < m; ++j) extremes[axis * m + j] -= memory.ideal[j];
    }
    Normalisation result;
    result.ideal = memory.ideal;
    result.intercepts.assign(m, 0.0);
    std::vector<double> plane;
    bool usable = SolveForOnes(extremes, m, plane);
    for (std::size_t j = 0; usable && j < m; ++j) {
        result.intercepts[j] = 1.0 / plane[j];
        if (!(std::isfinite(result.intercepts[j]) && result.intercepts[j] > kSmallestIntercept)) usable = false;
    }
    for (std::size_t j = 0; j < m; ++j) {
        if (usable) {
            result.intercepts[j] = std::min(result.intercepts[j], memory.worst[j] - memory.ideal[j]);
        } else {
            result.intercepts[j] = frontWorst[j] - memory.ideal[j];
        }
        if (!(result.intercepts[j] > Floor())) result.intercepts[j] = setWorst[j] - memory.ideal[j];
        if (!(result.intercepts[j] > Floor())) result.intercepts[j] = 1.0;
    }
    return result;
}

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
        for (std::size_t j = 0; j < m; ++j) {
            const double front = frontWorst[j] - result.ideal[j];
            result.intercepts[j] = front > Floor() ? front : span[j];
        }
    }
    for (std::size_t j = 0; j < m; ++j) {
        if (result.intercepts[j] > span[j]) result.intercepts[j] = span[j];
        if (!(result.intercepts[j] > Floor())) result.intercepts[j] = 1.0;
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
        double fNorm = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            f[j] = (points[members[k]][j] - normalisation.ideal[j]) / normalisation.intercepts[j];
            fNorm += f[j] * f[j];
        }
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
        result.distance[k] = best;
    }
    return result;
}

}  // namespace zarnel::objectives
