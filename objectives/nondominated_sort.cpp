#include "objectives/nondominated_sort.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include "objectives/dominance.h"

namespace zarnel::objectives {

namespace {

// The fronts of a set from each point's rank, ranks 0 … count − 1.
Fronts FromRanks(std::vector<std::uint32_t> rank, std::uint32_t count) {
    Fronts fronts;
    fronts.begin.assign(std::size_t{count} + 1, 0);
    for (const std::uint32_t r : rank) ++fronts.begin[r + 1];
    std::partial_sum(fronts.begin.begin(), fronts.begin.end(), fronts.begin.begin());
    fronts.members.resize(rank.size());
    std::vector<std::uint32_t> next(fronts.begin.begin(), fronts.begin.end() - 1);
    for (std::uint32_t i = 0; i < rank.size(); ++i) fronts.members[next[rank[i]]++] = i;
    fronts.rank = std::move(rank);
    return fronts;
}

// Sorts `indices` by the points' objectives lexicographically, equal points
// by index.
void LexicographicOrder(const PointSet& points, std::vector<std::uint32_t>& indices) {
    const double* values = points.Values().data();
    const std::size_t m = points.Dimension();
    std::sort(indices.begin(), indices.end(), [&](std::uint32_t a, std::uint32_t b) {
        const double* pa = values + a * m;
        const double* pb = values + b * m;
        for (std::size_t j = 0; j < m; ++j) {
            if (pa[j] != pb[j]) return pa[j] < pb[j];
        }
        return a < b;
    });
}

// Whether q, which comes before p in lexicographic order, dominates p: q is
// then no better in the first objective where they differ, so q dominates p
// exactly when it is no worse in every objective and the two differ.
bool PrecedingDominates(const double* q, const double* p, std::size_t m) {
    bool differs = false;
    for (std::size_t j = 0; j < m; ++j) {
        if (q[j] > p[j]) return false;
        if (q[j] < p[j]) differs = true;
    }
    return differs;
}

// The index of the first front that does not dominate the point, among
// `count` fronts, given `dominates(f)`: a front dominates a point when one of
// its members does, and then so does every front before it (each member of
// front f is dominated by one of front f − 1), so the answer can be searched.
template <class Dominates>
std::uint32_t FirstFreeFront(std::uint32_t count, Dominates&& dominates) {
    std::uint32_t lo = 0, hi = count;
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (dominates(mid)) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

// Ranks the points `indices` (no NaN among them) from `first` on, writing
// rank[i] for each; returns the number of fronts. Sorts `indices`.
std::uint32_t RankNumbers(const PointSet& points, std::vector<std::uint32_t>& indices,
                          std::vector<std::uint32_t>& rank, std::uint32_t first) {
    if (indices.empty()) return 0;
    LexicographicOrder(points, indices);
    const double* values = points.Values().data();
    const std::size_t m = points.Dimension();
    if (m == 1) {
        // One objective: equal values share a front.
        std::uint32_t front = 0;
        for (std::size_t k = 0; k < indices.size(); ++k) {
            if (k > 0 && values[indices[k]] != values[indices[k - 1]]) ++front;
            rank[indices[k]] = first + front;
        }
        return front + 1;
    }
    if (m == 2) {
        // In lexicographic order the last member of a front has its lowest
        // second objective, and a front dominates a point exactly when its
        // last member does.
        std::vector<const double*> last;
        for (const std::uint32_t i : indices) {
            const double* p = values + std::size_t{i} * 2;
            const std::uint32_t front =
                FirstFreeFront(static_cast<std::uint32_t>(last.size()), [&](std::uint32_t f) {
                    const double* q = last[f];
                    return q[1] <= p[1] && (q[0] < p[0] || q[1] < p[1]);
                });
            if (front == last.size()) {
                last.push_back(p);
            } else {
                last[front] = p;
            }
            rank[i] = first + front;
        }
        return static_cast<std::uint32_t>(last.size());
    }
    // ENS-BS: a point is compared with a front's members from the most
    // recent back, as the most recent ones lie nearest to it.
    std::vector<std::vector<std::uint32_t>> fronts;
    for (const std::uint32_t i : indices) {
        const double* p = values + i * m;
        const std::uint32_t front =
            FirstFreeFront(static_cast<std::uint32_t>(fronts.size()), [&](std::uint32_t f) {
                const std::vector<std::uint32_t>& members = fronts[f];
                for (auto q = members.rbegin(); q != members.rend(); ++q) {
                    if (PrecedingDominates(values + *q * m, p, m)) return true;
                }
                return false;
            });
        if (front == fronts.size()) fronts.emplace_back();
        fronts[front].push_back(i);
        rank[i] = first + front;
    }
    return static_cast<std::uint32_t>(fronts.size());
}

// Splits the points into those with numbers only and those with a NaN.
void SplitNaN(const PointSet& points, std::vector<std::uint32_t>& numbers, std::vector<std::uint32_t>& nan) {
    for (std::uint32_t i = 0; i < points.Size(); ++i) (points.HasNaN(i) ? nan : numbers).push_back(i);
}

// Gives the points `nan` the front after `count` others; returns the count
// of fronts with it.
std::uint32_t RankLast(const std::vector<std::uint32_t>& nan, std::vector<std::uint32_t>& rank,
                       std::uint32_t count) {
    for (const std::uint32_t i : nan) rank[i] = count;
    return nan.empty() ? count : count + 1;
}

}  // namespace

Fronts NonDominatedSort(const PointSet& points) {
    std::vector<std::uint32_t> numbers, nan;
    SplitNaN(points, numbers, nan);
    std::vector<std::uint32_t> rank(points.Size());
    const std::uint32_t count = RankLast(nan, rank, RankNumbers(points, numbers, rank, 0));
    return FromRanks(std::move(rank), count);
}

Fronts NonDominatedSort(const PointSet& points, std::span<const double> violations) {
    if (violations.size() != points.Size()) {
        throw std::invalid_argument(std::to_string(violations.size()) + " violations for " +
                                    std::to_string(points.Size()) + " points");
    }
    std::vector<double> violation(points.Size());
    std::vector<std::uint32_t> feasible, infeasible;
    for (std::uint32_t i = 0; i < points.Size(); ++i) {
        violation[i] = RankViolation(points[i], violations[i]);
        (violation[i] == 0.0 ? feasible : infeasible).push_back(i);
    }
    std::vector<std::uint32_t> rank(points.Size());
    std::uint32_t count = RankNumbers(points, feasible, rank, 0);
    std::sort(infeasible.begin(), infeasible.end(), [&](std::uint32_t a, std::uint32_t b) {
        return violation[a] != violation[b] ? violation[a] < violation[b] : a < b;
    });
    for (std::size_t k = 0; k < infeasible.size(); ++k) {
        if (k == 0 || violation[infeasible[k]] != violation[infeasible[k - 1]]) ++count;
        rank[infeasible[k]] = count - 1;
    }
    return FromRanks(std::move(rank), count);
}

Fronts NonDominatedSortQuadratic(const PointSet& points) {
    std::vector<std::uint32_t> numbers, nan;
    SplitNaN(points, numbers, nan);
    const std::size_t n = numbers.size();
    // For each point, the points it dominates and how many dominate it.
    std::vector<std::vector<std::uint32_t>> dominated(n);
    std::vector<std::uint32_t> dominators(n, 0);
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b) {
            const auto pa = points[numbers[a]], pb = points[numbers[b]];
            if (Dominates(pa, pb)) {
                dominated[a].push_back(static_cast<std::uint32_t>(b));
                ++dominators[b];
            } else if (Dominates(pb, pa)) {
                dominated[b].push_back(static_cast<std::uint32_t>(a));
                ++dominators[a];
            }
        }
    }
    std::vector<std::uint32_t> rank(points.Size());
    std::vector<std::uint32_t> current, next;
    for (std::uint32_t a = 0; a < n; ++a) {
        if (dominators[a] == 0) current.push_back(a);
    }
    std::uint32_t count = 0;
    while (!current.empty()) {
        next.clear();
        for (const std::uint32_t a : current) {
            rank[numbers[a]] = count;
            for (const std::uint32_t b : dominated[a]) {
                if (--dominators[b] == 0) next.push_back(b);
            }
        }
        current.swap(next);
        ++count;
    }
    count = RankLast(nan, rank, count);
    return FromRanks(std::move(rank), count);
}

std::vector<std::uint32_t> NonDominatedSubset(const PointSet& points) {
    std::vector<std::uint32_t> numbers, nan;
    SplitNaN(points, numbers, nan);
    LexicographicOrder(points, numbers);
    const double* values = points.Values().data();
    const std::size_t m = points.Dimension();
    // In lexicographic order only a kept point can dominate (or equal) a
    // later one.
    std::vector<std::uint32_t> kept;
    for (const std::uint32_t i : numbers) {
        const double* p = values + i * m;
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](std::uint32_t k) {
            const double* q = values + k * m;
            return std::equal(q, q + m, p, [](double x, double y) { return x <= y; });
        });
        if (!covered) kept.push_back(i);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

}  // namespace zarnel::objectives
