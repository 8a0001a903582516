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
