#include "objectives/survival.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>

#include "objectives/crowding.h"
#include "objectives/dominance.h"
#include "objectives/normalisation.h"

namespace zarnel::objectives {

namespace {

// The fronts of the set and how many of them survive whole; `last` is the
// front that is cut (Count() when none is).
struct Split {
    std::size_t whole = 0;  // fronts that survive whole
    std::size_t taken = 0;  // their points
};

Split SplitFronts(const Fronts& fronts, std::size_t count) {
    Split split;
    while (split.whole < fronts.Count() && split.taken + fronts.Front(split.whole).size() <= count) {
        split.taken += fronts.Front(split.whole).size();
        ++split.whole;
    }
    return split;
}

Survivors Start(const PointSet& points, std::span<const double> violations, std::size_t count) {
    if (count > points.Size()) {
        throw std::invalid_argument("cannot keep " + std::to_string(count) + " of " +
                                    std::to_string(points.Size()) + " points");
    }
    Survivors survivors;
    survivors.fronts = NonDominatedSort(points, violations);
    survivors.crowding.assign(points.Size(), 0.0);
    return survivors;
}

// Whether the members of `front` are all finite.
bool Finite(const PointSet& points, std::span<const std::uint32_t> front) {
    return std::all_of(front.begin(), front.end(), [&](std::uint32_t i) {
        const auto p = points[i];
        return std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); });
    });
}

// Keeps `room` members of front `f`, thinned (ThinFront) when the front is
// feasible by the area of two objectives, or by the nearest neighbours of
// three and more when its objectives are finite; by crowding distance
// otherwise (members of an infeasible front share a violation, not a front).
void Thin(const PointSet& points, std::span<const double> violations, Survivors& survivors, std::size_t f,
          std::size_t room) {
    const std::span<const std::uint32_t> front = survivors.fronts.Front(f);
    const bool feasible = RankViolation(points[front[0]], violations[front[0]]) == 0.0;
    Crowding crowding = Crowding::kDistance;
    if (feasible && points.Dimension() == 2) crowding = Crowding::kArea;
    if (feasible && points.Dimension() > 2 && Finite(points, front)) crowding = Crowding::kNearest;
    const std::vector<std::uint32_t> kept = ThinFront(points, front, room, crowding);
    survivors.kept.insert(survivors.kept.end(), kept.begin(), kept.end());
}

void SetCrowding(const PointSet& points, Survivors& survivors, std::size_t f) {
    const std::span<const std::uint32_t> front = survivors.fronts.Front(f);
    const std::vector<double> distance = CrowdingDistance(points, front);
    for (std::size_t k = 0; k < front.size(); ++k) survivors.crowding[front[k]] = distance[k];
}

}  // namespace

Survivors SurviveNsga2(const PointSet& points, std::span<const double> violations, std::size_t count) {
    Survivors survivors = Start(points, violations, count);
    const Split split = SplitFronts(survivors.fronts, count);
    for (std::size_t f = 0; f < split.whole; ++f) {
        SetCrowding(points, survivors, f);
        const auto front = survivors.fronts.Front(f);
        survivors.kept.insert(survivors.kept.end(), front.begin(), front.end());
    }
    if (split.taken < count) {
        SetCrowding(points, survivors, split.whole);
        Thin(points, violations, survivors, split.whole, count - split.taken);
    }
    std::sort(survivors.kept.begin(), survivors.kept.end());
    return survivors;
}

Survivors SurviveNsga3(const PointSet& points, std::span<const double> violations, std::size_t count,
                       const PointSet& directions, Random& random) {
    if (directions.Dimension() != points.Dimension() || directions.Size() == 0)
        throw std::invalid_argument("the reference directions must be points of as many objectives");
    Survivors survivors = Start(points, violations, count);
    const Split split = SplitFronts(survivors.fronts, count);
    for (std::size_t f = 0; f < split.whole; ++f) {
        const auto front = survivors.fronts.Front(f);
        survivors.kept.insert(survivors.kept.end(), front.begin(), front.end());
    }
    if (split.taken < count) {
        const std::span<const std::uint32_t> last = survivors.fronts.Front(split.whole);
        // Feasible fronts come first, so a feasible last front has only
        // feasible fronts before it.
        if (RankViolation(points[last[0]], violations[last[0]]) != 0.0) {
            SetCrowding(points, survivors, split.whole);
            Thin(points, violations, survivors, split.whole, count - split.taken);
        } else {
            std::vector<std::uint32_t> members(survivors.kept);
            members.insert(members.end(), last.begin(), last.end());
            const Normalisation normalisation = Normalise(points, members, survivors.fronts.Front(0));
            const Association association = Associate(points, members, normalisation, directions);
            std::vector<std::uint32_t> niche(directions.Size(), 0);
            for (std::size_t k = 0; k < split.taken; ++k) ++niche[association.direction[k]];
            // The candidates of each direction, in increasing index order.
            std::vector<std::vector<std::uint32_t>> candidates(directions.Size());
            for (std::size_t k = split.taken; k < members.size(); ++k)
                candidates[association.direction[k]].push_back(static_cast<std::uint32_t>(k));
            std::vector<std::uint32_t> open;
            for (std::uint32_t d = 0; d < directions.Size(); ++d) {
                if (!candidates[d].empty()) open.push_back(d);
            }
            std::vector<std::uint32_t> fewest;
            for (std::size_t left = count - split.taken; left > 0; --left) {
                std::uint32_t least = std::numeric_limits<std::uint32_t>::max();
                for (const std::uint32_t d : open) least = std::min(least, niche[d]);
                fewest.clear();
                for (const std::uint32_t d : open) {
                    if (niche[d] == least) fewest.push_back(d);
                }
                const std::uint32_t d = fewest[random.Below(static_cast<std::uint32_t>(fewest.size()))];
                std::vector<std::uint32_t>& pool = candidates[d];
                std::size_t pick = 0;
                if (niche[d] == 0) {
                    for (std::size_t c = 1; c < pool.size(); ++c) {
                        if (association.distance[pool[c]] < association.distance[pool[pick]]) pick = c;
                    }
                } else {
                    pick = random.Below(static_cast<std::uint32_t>(pool.size()));
                }
                survivors.kept.push_back(members[pool[pick]]);
                pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(pick));
                ++niche[d];
                if (pool.empty()) open.erase(std::find(open.begin(), open.end(), d));
            }
        }
    }
    std::sort(survivors.kept.begin(), survivors.kept.end());
    return survivors;
}

std::uint32_t Tournament(std::span<const std::uint32_t> rank, std::span<const double> crowding,
                         std::uint32_t a, std::uint32_t b, Random& random) {
    if (rank[a] != rank[b]) return rank[a] < rank[b] ? a : b;
    if (crowding[a] != crowding[b]) return crowding[a] > crowding[b] ? a : b;
    return random.Below(2) == 0 ? a : b;
}

}  // namespace zarnel::objectives
