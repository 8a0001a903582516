#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "genome/random.h"
#include "genome/real_vector.h"
#include "platform/per_thread.h"

namespace zarnel {

// How far a coordinate search looks and how long it may go on.
struct CoordinateSearchSettings {
    double firstStep = 0.25;   // each coordinate's first step, as a fraction of its range
    double lastStep = 1e-9;    // a coordinate is done once its step falls below this fraction
    std::uint64_t budget = 0;  // most evaluations of one search; 0: no limit
    std::uint32_t probes = 0;  // evenly spaced points each coordinate tries first (2: its bounds)
};

// The larger of two fitness values, a NaN below every number.
inline bool Better(double candidate, double incumbent) {
    return candidate > incumbent || (std::isnan(incumbent) && !std::isnan(candidate));
}

// A coordinate (pattern) search for a maximum in a box: each coordinate has
// a step of its own; in turn, in a random order each pass, a coordinate
// tries a move of its step up and down (cut to its bounds, so a bound itself
// is tried), takes the first that raises `score` and doubles its step, or
// halves the step when neither does. It ends when every step is below
// `lastStep` of its range, or after `budget` evaluations. `x` must lie within
// the bounds and `value` hold score(x); both are updated. Returns the
// evaluations made. `score(x)` is called with the whole point, and
// may be called from many threads at once on different points.
template <class Score>
std::uint64_t CoordinateSearch(std::span<double> x, double& value, const RealVector& kind, Score&& score,
                               const CoordinateSearchSettings& settings, Random& random) {
    const std::size_t n = x.size();
    std::vector<double>& steps = platform::PerThread<struct CoordinateSteps, std::vector<double>>();
    std::vector<std::uint32_t>& order =
        platform::PerThread<struct CoordinateOrder, std::vector<std::uint32_t>>();
    steps.resize(n);
    order.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        steps[i] = settings.firstStep * (kind.upper[i] - kind.lower[i]);
        order[i] = static_cast<std::uint32_t>(i);
    }
    std::uint64_t evaluations = 0;
    const auto spent = [&] { return settings.budget != 0 && evaluations >= settings.budget; };
    if (settings.probes >= 2) {
        for (std::size_t i = n; i > 1; --i)
            std::swap(order[i - 1], order[random.Below(static_cast<std::uint32_t>(i))]);
        for (const std::uint32_t i : order) {
            const double lo = kind.lower[i], hi = kind.upper[i];
            double bestX = x[i];
            for (std::uint32_t k = 0; k < settings.probes && !spent(); ++k) {
                const double to = k + 1 == settings.probes ? hi : lo + (hi - lo) * k / (settings.probes - 1);
                if (to == x[i]) continue;
                const double from = x[i];
                x[i] = to;
                const double candidate = score(std::span<const double>(x.data(), n));
                ++evaluations;
                if (Better(candidate, value)) {
                    value = candidate;
                    bestX = to;
                }
                x[i] = from;
            }
            x[i] = bestX;
        }
    }
    for (bool moving = true; moving && !spent();) {
        moving = false;
        for (std::size_t i = n; i > 1; --i)
            std::swap(order[i - 1], order[random.Below(static_cast<std::uint32_t>(i))]);
        for (const std::uint32_t i : order) {
            const double lo = kind.lower[i], hi = kind.upper[i];
            // A variable fixed by its bounds has nowhere to move.
            if (!(hi > lo) || !(steps[i] >= settings.lastStep * (hi - lo))) continue;
            moving = true;
            const double from = x[i];
            const double sign = random.Below(2) == 0 ? 1.0 : -1.0;
            bool improved = false;
            for (const double direction : {sign, -sign}) {
                const double to = std::clamp(from + direction * steps[i], lo, hi);
                if (to == from) continue;
                if (spent()) break;
                x[i] = to;
                const double candidate = score(std::span<const double>(x.data(), n));
                ++evaluations;
                if (Better(candidate, value)) {
                    value = candidate;
                    improved = true;
                    break;
                }
                x[i] = from;
            }
            steps[i] = improved ? std::min(2.0 * steps[i], hi - lo) : 0.5 * steps[i];
            if (spent()) return evaluations;
        }
    }
    return evaluations;
}

}  // namespace zarnel
