#include "objectives/survival.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <queue>
#include <utility>
#include <stdexcept>
#include <string>

#include "objectives/crowding.h"
#include "objectives/dominance.h"
#include "objectives/normalisation.h"
#include "objectives/tuning_tmp.h"
#include <cmath>

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

// Keeps the members of front `f` of most crowding distance, `room` of them.
void CutByCrowding(Survivors& survivors, std::size_t f, std::size_t room) {
    const std::span<const std::uint32_t> front = survivors.fronts.Front(f);
    std::vector<std::uint32_t> order(front.begin(), front.end());
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return survivors.crowding[a] > survivors.crowding[b];
    });
    survivors.kept.insert(survivors.kept.end(), order.begin(),
                          order.begin() + static_cast<std::ptrdiff_t>(room));
}

// Keeps `room` members of front `f`, removing one member at a time: the one
// of least crowding distance (of equals, the last in the front's order),
// after which the distances of its neighbours are recomputed. Ranges stay
// those of the whole front.
void CutOneAtATime(const PointSet& points, Survivors& survivors, std::size_t f, std::size_t room) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    const std::span<const std::uint32_t> front = survivors.fronts.Front(f);
    const std::size_t n = front.size(), m = points.Dimension();
    std::vector<double> value(n * m);
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < m; ++j) {
            const double v = points[front[k]][j];
            value[k * m + j] = std::isnan(v) ? kInfinity : v;
        }
    }
    std::vector<std::uint32_t> previous(n * m, kNone), next(n * m, kNone);
    std::vector<double> range(m, 0.0);
    std::vector<std::uint32_t> order(n);
    for (std::size_t j = 0; j < m; ++j) {
        double lo = kInfinity, hi = -kInfinity;
        for (std::size_t k = 0; k < n; ++k) {
            lo = std::min(lo, value[k * m + j]);
            hi = std::max(hi, value[k * m + j]);
        }
        if (lo == hi) continue;
        range[j] = hi - lo;
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const double va = value[a * m + j], vb = value[b * m + j];
            if (va != vb) return va < vb;
            return va == hi ? front[a] > front[b] : front[a] < front[b];
        });
        for (std::size_t k = 0; k + 1 < n; ++k) {
            next[order[k] * m + j] = order[k + 1];
            previous[order[k + 1] * m + j] = order[k];
        }
    }
    const auto distance = [&](std::uint32_t k) {
        if (n <= 2) return kInfinity;
        if (tmp::Tune().cut == 2 && m == 2 && range[0] != 0.0 && range[1] != 0.0) {
            const std::uint32_t p = previous[k * m], q = next[k * m];
            if (p == kNone || q == kNone) return kInfinity;
            return (value[q * m] - value[k * m]) / range[0] * ((value[p * m + 1] - value[k * m + 1]) / range[1]);
        }
        double sum = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            if (range[j] == 0.0) continue;
            const std::uint32_t p = previous[k * m + j], q = next[k * m + j];
            if (p == kNone || q == kNone) return kInfinity;
            const double high = value[q * m + j], low = value[p * m + j];
            const double term = (high == low ? 0.0 : high - low) / range[j];
            sum += std::isnan(term) ? kInfinity : term;
        }
        return sum;
    };
    std::vector<double> crowding(n);
    // The next to go: the least distance, of equals the last in the front's
    // order. An entry is stale once its member has a newer one (`version`).
    struct Entry {
        double distance;
        std::uint32_t member, version;
    };
    const auto later = [](const Entry& a, const Entry& b) {
        return a.distance != b.distance ? a.distance > b.distance : a.member < b.member;
    };
    std::priority_queue<Entry, std::vector<Entry>, decltype(later)> queue(later);
    std::vector<std::uint32_t> version(n, 0);
    std::vector<bool> alive(n, true);
    for (std::uint32_t k = 0; k < n; ++k) {
        survivors.crowding[front[k]] = distance(k);
        queue.push({survivors.crowding[front[k]], k, 0});
    }
    for (std::size_t left = n; left > room;) {
        const Entry top = queue.top();
        queue.pop();
        const std::uint32_t gone = top.member;
        if (!alive[gone] || top.version != version[gone]) continue;
        alive[gone] = false;
        --left;
        for (std::size_t j = 0; j < m; ++j) {
            const std::uint32_t p = previous[gone * m + j], q = next[gone * m + j];
            if (p != kNone) next[p * m + j] = q;
            if (q != kNone) previous[q * m + j] = p;
        }
        for (std::size_t j = 0; j < m; ++j) {
            for (const std::uint32_t neighbour : {previous[gone * m + j], next[gone * m + j]}) {
                if (neighbour != kNone) queue.push({distance(neighbour), neighbour, ++version[neighbour]});
            }
        }
    }
    for (std::uint32_t k = 0; k < n; ++k) {
        if (alive[k]) survivors.kept.push_back(front[k]);
    }
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
        if (tmp::Tune().cut) {
            CutOneAtATime(points, survivors, split.whole, count - split.taken);
        } else {
            SetCrowding(points, survivors, split.whole);
            CutByCrowding(survivors, split.whole, count - split.taken);
        }
    }
    std::sort(survivors.kept.begin(), survivors.kept.end());
    return survivors;
}

Survivors SurviveNsga3(const PointSet& points, std::span<const double> violations, std::size_t count,
                       const PointSet& directions, Random& random, NormalisationMemory* memory) {
    if (directions.Dimension() != points.Dimension() || directions.Size() == 0)
        throw std::invalid_argument("the reference directions must be points of as many objectives");
    Survivors survivors = Start(points, violations, count);
    const Split split = SplitFronts(survivors.fronts, count);
    Normalisation remembered;
    if (memory != nullptr) {
        std::vector<std::uint32_t> feasible;
        for (std::uint32_t i = 0; i < points.Size(); ++i) {
            if (RankViolation(points[i], violations[i]) == 0.0) feasible.push_back(i);
        }
        if (!feasible.empty())
            remembered = Normalise(points, feasible, survivors.fronts.Front(0), *memory);
    }
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
            CutByCrowding(survivors, split.whole, count - split.taken);
        } else {
            std::vector<std::uint32_t> members(survivors.kept);
            members.insert(members.end(), last.begin(), last.end());
            const Normalisation normalisation =
                memory != nullptr ? remembered : Normalise(points, members, survivors.fronts.Front(0));
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
