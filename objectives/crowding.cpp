#include "objectives/crowding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <queue>
#include <stdexcept>
#include <string>

namespace zarnel::objectives {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Value j of member k of a front, a NaN read as +inf.
double Value(const PointSet& points, std::span<const std::uint32_t> front, std::size_t k, std::size_t j) {
    const double v = points[front[k]][j];
    return std::isnan(v) ? kInfinity : v;
}

// (next − previous) / range with the conventions of CrowdingDistance: equal
// values (infinities too) give 0, an infinite gap +inf.
double Gap(double previous, double next, double range) {
    const double term = (next == previous ? 0.0 : next - previous) / range;
    return std::isnan(term) ? kInfinity : term;
}

// The members of a front in order along one objective, as a doubly linked
// list that removals keep up to date, with the objective's values and range.
struct Line {
    std::vector<double> value;
    std::vector<std::uint32_t> previous, next;
    double range = 0.0;  // 0: every member has the same value, the line is not used
};

// Ordered as CrowdingDistance orders them: of equal values the lowest index
// first, but at the top last.
Line MakeLine(const PointSet& points, std::span<const std::uint32_t> front, std::size_t j) {
    const std::size_t n = front.size();
    Line line;
    line.value.resize(n);
    for (std::size_t k = 0; k < n; ++k) line.value[k] = Value(points, front, k, j);
    line.previous.assign(n, kNone);
    line.next.assign(n, kNone);
    const auto [low, high] = std::minmax_element(line.value.begin(), line.value.end());
    const double lo = *low, hi = *high;
    if (lo == hi) return line;
    line.range = hi - lo;
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (line.value[a] != line.value[b]) return line.value[a] < line.value[b];
        return line.value[a] == hi ? front[a] > front[b] : front[a] < front[b];
    });
    for (std::size_t k = 0; k + 1 < n; ++k) {
        line.next[order[k]] = order[k + 1];
        line.previous[order[k + 1]] = order[k];
    }
    return line;
}

// ThinFront's kNearest: the member nearest to another one goes, one at a
// time, by the sum of the differences of their objectives, each scaled by
// the front's range (the Manhattan distance); of the two members of
// the closest pair, the one nearer to its second neighbour. The member with
// the lowest value of each objective (the first in `front`'s order among
// equals) is kept while others are left. Each member keeps the distances
// to its nearest and second-nearest remaining members; a removal
// recomputes them only for the members it was one of the two for.
// O(n^2) for a front of n when few neighbours change, as is usual.
std::vector<std::uint32_t> ThinByNearest(const PointSet& points, std::span<const std::uint32_t> front,
                                         std::size_t keep) {
    const std::size_t n = front.size(), m = points.Dimension();
    std::vector<double> scale(m, 0.0);
    std::vector<std::uint8_t> end(n, 0);
    for (std::size_t j = 0; j < m; ++j) {
        std::size_t lowest = 0;
        double hi = points[front[0]][j];
        for (std::size_t k = 1; k < n; ++k) {
            const double v = points[front[k]][j];
            if (v < points[front[lowest]][j]) lowest = k;
            hi = std::max(hi, v);
        }
        end[lowest] = 1;
        const double range = hi - points[front[lowest]][j];
        scale[j] = range > 0.0 ? 1.0 / range : 0.0;
    }
    // The members' values side by side, then the scaled distances between
    // them, row after row (differences scaled, not values, so that
    // a small range among large values keeps its digits).
    std::vector<double> values(n * m);
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < m; ++j) values[k * m + j] = points[front[k]][j];
    }
    // A member's distance to itself and to a member gone is +inf, so that
    // it is never a neighbour.
    std::vector<double> distance(n * n, kInfinity);
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b) {
            double sum = 0.0;
            for (std::size_t j = 0; j < m; ++j) {
                sum += std::fabs(values[a * m + j] - values[b * m + j]) * scale[j];
            }
            distance[a * n + b] = distance[b * n + a] = sum;
        }
    }
    std::vector<std::uint8_t> kept(n, 1);
    // The nearest and second-nearest remaining members of each member, and
    // their distances.
    std::vector<std::uint32_t> first(n, kNone), second(n, kNone);
    std::vector<double> d1(n, kInfinity), d2(n, kInfinity);
    const auto neighbours = [&](std::size_t k) {
        first[k] = second[k] = kNone;
        d1[k] = d2[k] = kInfinity;
        const double* row = distance.data() + k * n;
        for (std::size_t o = 0; o < n; ++o) {
            const double d = row[o];
            if (d < d1[k]) {
                second[k] = first[k];
                d2[k] = d1[k];
                first[k] = static_cast<std::uint32_t>(o);
                d1[k] = d;
            } else if (d < d2[k]) {
                second[k] = static_cast<std::uint32_t>(o);
                d2[k] = d;
            }
        }
    };
    // A queue of the members, the next to go on top: ends only once nothing
    // else is left, then the nearer neighbour, then the nearer second one,
    // then the last in `front`'s order. An entry is stale once its member
    // has a newer one.
    struct Entry {
        bool end;
        double d1, d2;
        std::uint32_t member, version;
    };
    const auto after = [](const Entry& a, const Entry& b) {
        if (a.end != b.end) return a.end;
        if (a.d1 != b.d1) return a.d1 > b.d1;
        if (a.d2 != b.d2) return a.d2 > b.d2;
        return a.member < b.member;
    };
    std::priority_queue<Entry, std::vector<Entry>, decltype(after)> queue(after);
    std::vector<std::uint32_t> version(n, 0);
    for (std::uint32_t k = 0; k < n; ++k) {
        neighbours(k);
        queue.push({end[k] != 0, d1[k], d2[k], k, 0});
    }
    for (std::size_t left = n; left > keep;) {
        const Entry top = queue.top();
        queue.pop();
        const std::uint32_t gone = top.member;
        if (kept[gone] == 0 || top.version != version[gone]) continue;
        kept[gone] = 0;
        --left;
        for (std::size_t k = 0; k < n; ++k) distance[k * n + gone] = kInfinity;
        for (std::uint32_t k = 0; k < n; ++k) {
            if (kept[k] != 0 && (first[k] == gone || second[k] == gone)) {
                neighbours(k);
                queue.push({end[k] != 0, d1[k], d2[k], k, ++version[k]});
            }
        }
    }
    std::vector<std::uint32_t> members;
    for (std::size_t k = 0; k < n; ++k) {
        if (kept[k] != 0) members.push_back(front[k]);
    }
    return members;
}

}  // namespace

std::vector<double> CrowdingDistance(const PointSet& points, std::span<const std::uint32_t> front) {
    const std::size_t n = front.size();
    std::vector<double> distance(n, n <= 2 ? kInfinity : 0.0);
    if (n <= 2) return distance;
    for (std::size_t j = 0; j < points.Dimension(); ++j) {
        const Line line = MakeLine(points, front, j);
        if (line.range == 0.0) continue;
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t p = line.previous[k], q = line.next[k];
            distance[k] +=
                p == kNone || q == kNone ? kInfinity : Gap(line.value[p], line.value[q], line.range);
        }
    }
    return distance;
}

std::vector<std::uint32_t> ThinFront(const PointSet& points, std::span<const std::uint32_t> front,
                                     std::size_t keep, Crowding crowding) {
    const std::size_t n = front.size(), m = points.Dimension();
    if (keep > n)
        throw std::invalid_argument("cannot keep " + std::to_string(keep) + " of a front of " +
                                    std::to_string(n));
    if (crowding == Crowding::kArea && m != 2)
        throw std::invalid_argument("the crowding area is for fronts of two objectives");
    if (crowding == Crowding::kNearest) {
        for (const std::uint32_t i : front) {
            for (const double v : points[i]) {
                if (!std::isfinite(v))
                    throw std::invalid_argument("the nearest-neighbour thinning needs finite objectives");
            }
        }
        return n == 0 ? std::vector<std::uint32_t>() : ThinByNearest(points, front, keep);
    }
    // The area needs the order along the first objective only, and the
    // values of the second.
    std::vector<Line> lines;
    for (std::size_t j = 0; j < (crowding == Crowding::kArea ? 1 : m); ++j)
        lines.push_back(MakeLine(points, front, j));
    std::vector<double> second;
    double secondRange = 0.0;
    if (crowding == Crowding::kArea) {
        for (std::size_t k = 0; k < n; ++k) second.push_back(Value(points, front, k, 1));
        const auto [low, high] = std::minmax_element(second.begin(), second.end());
        secondRange = *high - *low;
    }
    const auto measure = [&](std::uint32_t k) {
        if (n <= 2) return kInfinity;
        if (crowding == Crowding::kArea) {
            const Line& line = lines[0];
            // Without a spread in both objectives the members are copies.
            if (line.range == 0.0 || secondRange == 0.0) return 0.0;
            const std::uint32_t p = line.previous[k], q = line.next[k];
            if (p == kNone || q == kNone) return kInfinity;
            return Gap(line.value[k], line.value[q], line.range) * Gap(second[k], second[p], secondRange);
        }
        double sum = 0.0;
        for (const Line& line : lines) {
            if (line.range == 0.0) continue;
            const std::uint32_t p = line.previous[k], q = line.next[k];
            if (p == kNone || q == kNone) return kInfinity;
            sum += Gap(line.value[p], line.value[q], line.range);
        }
        return sum;
    };
    // A queue of the members by measure, the most crowded on top; an entry
    // is stale once its member has a newer one.
    struct Entry {
        double measure;
        std::uint32_t member, version;
    };
    const auto after = [](const Entry& a, const Entry& b) {
        return a.measure != b.measure ? a.measure > b.measure : a.member < b.member;
    };
    std::priority_queue<Entry, std::vector<Entry>, decltype(after)> queue(after);
    std::vector<std::uint32_t> version(n, 0);
    std::vector<bool> kept(n, true);
    for (std::uint32_t k = 0; k < n; ++k) queue.push({measure(k), k, 0});
    for (std::size_t left = n; left > keep;) {
        const Entry top = queue.top();
        queue.pop();
        const std::uint32_t gone = top.member;
        if (!kept[gone] || top.version != version[gone]) continue;
        kept[gone] = false;
        --left;
        for (Line& line : lines) {
            const std::uint32_t p = line.previous[gone], q = line.next[gone];
            if (p != kNone) line.next[p] = q;
            if (q != kNone) line.previous[q] = p;
        }
        for (const Line& line : lines) {
            for (const std::uint32_t neighbour : {line.previous[gone], line.next[gone]}) {
                if (neighbour != kNone) queue.push({measure(neighbour), neighbour, ++version[neighbour]});
            }
        }
    }
    std::vector<std::uint32_t> members;
    for (std::uint32_t k = 0; k < n; ++k) {
        if (kept[k]) members.push_back(front[k]);
    }
    return members;
}

}  // namespace zarnel::objectives
