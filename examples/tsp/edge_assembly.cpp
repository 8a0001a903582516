#include "edge_assembly.h"

#include <zarnel/platform/per_thread.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "split_mix.h"

namespace tsp {

namespace {

constexpr std::uint32_t kNone = ~std::uint32_t{0};

// The scratch arrays of one thread, reused from call to call; every array
// is n or 2n long (two slots a city).
struct Scratch {
    std::vector<std::uint32_t> position;   // position[city] in the tour being read
    std::vector<std::uint32_t> edgeA;      // the uncommon A-edges of each city not yet walked, kNone for none
    std::vector<std::uint32_t> edgeB;      // the same for B
    std::vector<std::uint32_t> base;       // A's two neighbours of each city
    std::vector<std::uint32_t> link;       // a candidate child's two neighbours of each city
    std::vector<std::uint32_t> bestLink;   // the shortest candidate's
    std::vector<std::uint32_t> order;      // the AB-cycles in the order they are tried
    std::vector<std::uint32_t> tryFresh;   // the ends of a candidate's new edges
    std::vector<std::uint32_t> bestFresh;  // the shortest candidate's
    std::vector<std::uint32_t> path;       // the walk that the AB-cycles are cut from
    std::vector<std::uint32_t> evenAt;     // where a city stands at an even place of the path, or kNone
    std::vector<std::uint32_t> cycles;     // the AB-cycles' cities, one after another
    std::vector<std::uint32_t> cycleEnd;   // where each AB-cycle ends in `cycles`
    std::vector<std::uint32_t> label;      // the subtour of each city
    std::vector<std::uint32_t> size;       // the cities of each subtour (0 once joined to another)
    std::vector<std::uint32_t> first;      // a city of each subtour
    std::vector<std::uint32_t> members;    // the cities of the subtour being joined
};

Scratch& ThreadScratch() { return zarnel::platform::PerThread<Scratch>(); }

// Throws unless `tour` is a permutation of 0..n-1; fills position.
void ReadPositions(std::span<const std::uint32_t> tour, std::uint32_t n, std::vector<std::uint32_t>& position,
                   const char* which) {
    if (tour.size() != n)
        throw std::invalid_argument(std::string(which) + " has " + std::to_string(tour.size()) +
                                    " cities, not " + std::to_string(n));
    position.assign(n, kNone);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t city = tour[i];
        if (city >= n || position[city] != kNone)
            throw std::invalid_argument(std::string(which) + " is no permutation: city " +
                                        std::to_string(city) +
                                        (city >= n ? " is out of range" : " appears twice"));
        position[city] = i;
    }
}

// Takes the edge {u, v} out of u's two slots in `edges`.
void Drop(std::vector<std::uint32_t>& edges, std::uint32_t u, std::uint32_t v) {
    std::uint32_t* slot = &edges[2 * static_cast<std::size_t>(u)];
    if (slot[0] == v)
        slot[0] = kNone;
    else
        slot[1] = kNone;
}

// Puts v into u's free slot in `edges`.
void Put(std::vector<std::uint32_t>& edges, std::uint32_t u, std::uint32_t v) {
    std::uint32_t* slot = &edges[2 * static_cast<std::size_t>(u)];
    if (slot[0] == kNone)
        slot[0] = v;
    else
        slot[1] = v;
}

// One of u's remaining edges in `edges`, drawn at random when it has two;
// kNone when it has none.
std::uint32_t Pick(const std::vector<std::uint32_t>& edges, std::uint32_t u, SplitMix& random) {
    const std::uint32_t* slot = &edges[2 * static_cast<std::size_t>(u)];
    if (slot[0] == kNone) return slot[1];
    if (slot[1] == kNone) return slot[0];
    return slot[random() >> 63];
}

}  // namespace

EdgeAssembly::Outcome EdgeAssembly::Breed(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                                          std::span<std::uint32_t> child, std::uint64_t seed,
                                          std::uint32_t tries, std::vector<std::uint32_t>& fresh) const {
    const std::uint32_t n = instance_.Size();
    if (tries == 0) throw std::invalid_argument("no candidate child to try (tries 0)");
    if (child.size() != n)
        throw std::invalid_argument("the child has " + std::to_string(child.size()) + " places, not " +
                                    std::to_string(n));
    Scratch& s = ThreadScratch();
    SplitMix random{seed};
    Outcome outcome;

    // The child starts as A: link holds each city's A-neighbours. B's
    // neighbours are read from its positions.
    ReadPositions(b, n, s.position, "the second parent");
    s.base.resize(2 * static_cast<std::size_t>(n));
    s.edgeA.resize(2 * static_cast<std::size_t>(n));
    s.edgeB.resize(2 * static_cast<std::size_t>(n));
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t city = b[i];
        s.edgeB[2 * city] = b[i == 0 ? n - 1 : i - 1];
        s.edgeB[2 * city + 1] = b[i + 1 == n ? 0 : i + 1];
    }
    // An edge in both parents is in no AB-cycle: it is left out of edgeA
    // and edgeB, which then hold the same number of edges at every city.
    std::vector<std::uint32_t>& posA = s.position;  // reused: B's positions are no longer needed
    ReadPositions(a, n, posA, "the first parent");
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t city = a[i];
        const std::uint32_t prev = a[i == 0 ? n - 1 : i - 1], next = a[i + 1 == n ? 0 : i + 1];
        s.base[2 * city] = prev;
        s.base[2 * city + 1] = next;
        std::uint32_t* inB = &s.edgeB[2 * static_cast<std::size_t>(city)];
        const bool prevCommon = inB[0] == prev || inB[1] == prev;
        const bool nextCommon = inB[0] == next || inB[1] == next;
        s.edgeA[2 * city] = prevCommon ? kNone : prev;
        s.edgeA[2 * city + 1] = nextCommon ? kNone : next;
        if (prevCommon) Drop(s.edgeB, city, prev);
        if (nextCommon) Drop(s.edgeB, city, next);
    }

    // The AB-cycles: walk from a city, an A-edge then a B-edge, taking each
    // edge once; when a B-edge comes back to a city the walk left by an
    // A-edge, the walk since then is an AB-cycle and is cut off the path.
    // Every city has as many A-edges left as B-edges, except that the walk's
    // last city has one A-edge fewer after arriving by one, so the walk never
    // sticks.
    s.evenAt.assign(n, kNone);
    s.cycles.clear();
    s.cycleEnd.clear();
    const std::uint32_t offset = random.Below(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint32_t start = k + offset < n ? k + offset : k + offset - n;
        if (Pick(s.edgeA, start, random) == kNone) continue;
        s.path.assign(1, start);
        s.evenAt[start] = 0;
        for (;;) {
            const std::uint32_t from = s.path.back();
            const std::uint32_t over = Pick(s.edgeA, from, random);
            if (over == kNone) break;  // only at the start, with no edges left
            Drop(s.edgeA, from, over);
            Drop(s.edgeA, over, from);
            const std::uint32_t to = Pick(s.edgeB, over, random);
            Drop(s.edgeB, over, to);
            Drop(s.edgeB, to, over);
            s.path.push_back(over);
            if (s.evenAt[to] == kNone) {
                s.evenAt[to] = static_cast<std::uint32_t>(s.path.size());
                s.path.push_back(to);
                continue;
            }
            // path[j] .. path.back() and the B-edge back to path[j].
            const std::uint32_t j = s.evenAt[to];
            s.cycles.insert(s.cycles.end(), s.path.begin() + j, s.path.end());
            s.cycleEnd.push_back(static_cast<std::uint32_t>(s.cycles.size()));
            for (std::size_t p = j + 2; p < s.path.size(); p += 2) s.evenAt[s.path[p]] = kNone;
            s.path.resize(j + 1);
        }
        s.evenAt[start] = kNone;
    }
    outcome.cycles = static_cast<std::uint32_t>(s.cycleEnd.size());

    // The candidate children: each applies one AB-cycle to A (its A-edges
    // leave, its B-edges come in) and joins the subtours that makes; the
    // shortest candidate is the child.
    const auto d = [&](std::uint32_t x, std::uint32_t y) -> std::int64_t { return instance_.Distance(x, y); };
    // The subtours of the links, each labelled by a walk along them, joined
    // smallest first to another until one is left; returns what the joins
    // add to the length, notes their new edges' ends in tryFresh and counts
    // them in `joins`.
    const auto other = [&](std::uint32_t city, std::uint32_t from) {
        const std::uint32_t* slot = &s.link[2 * static_cast<std::size_t>(city)];
        return slot[0] == from ? slot[1] : slot[0];
    };
    const auto joinSubtours = [&](std::uint32_t& joins) -> std::int64_t {
        s.label.assign(n, kNone);
        s.size.clear();
        s.first.clear();
        for (std::uint32_t city = 0; city < n; ++city) {
            if (s.label[city] != kNone) continue;
            const std::uint32_t tag = static_cast<std::uint32_t>(s.size.size());
            std::uint32_t count = 0;
            for (std::uint32_t prev = s.link[2 * city + 1], at = city; s.label[at] == kNone; ++count) {
                s.label[at] = tag;
                const std::uint32_t next = other(at, prev);
                prev = at;
                at = next;
            }
            s.size.push_back(count);
            s.first.push_back(city);
        }
        std::int64_t added = 0;
        for (std::uint32_t left = static_cast<std::uint32_t>(s.size.size()); left > 1; --left) {
            std::uint32_t smallest = kNone;
            for (std::uint32_t t = 0; t < s.size.size(); ++t)
                if (s.size[t] != 0 && (smallest == kNone || s.size[t] < s.size[smallest])) smallest = t;
            s.members.clear();
            for (std::uint32_t prev = s.link[2 * s.first[smallest] + 1], at = s.first[smallest];;) {
                s.members.push_back(at);
                const std::uint32_t next = other(at, prev);
                prev = at;
                at = next;
                if (at == s.first[smallest]) break;
            }
            // The cheapest pair of edges {u, u1} in the subtour and {v, v1}
            // outside it to trade for {u, v}, {u1, v1} (or {u, v1}, {u1, v}),
            // first with v among u's neighbours nearer than u's longer edge
            // (the join that pays most is almost always among those), then
            // among all of u's neighbours, and at last, when no neighbour of
            // the subtour lies outside it (a subtour that holds a whole
            // cluster), among all cities from the first few of the subtour.
            std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
            std::uint32_t bu = kNone, bu1 = kNone, bv = kNone, bv1 = kNone;
            const auto consider = [&](std::uint32_t u, std::uint32_t v, std::int64_t uv) {
                const std::uint32_t* uLinks = &s.link[2 * static_cast<std::size_t>(u)];
                const std::uint32_t* vLinks = &s.link[2 * static_cast<std::size_t>(v)];
                for (int i = 0; i < 2; ++i) {
                    const std::uint32_t u1 = uLinks[i];
                    const std::int64_t uu1 = d(u, u1);
                    for (int k = 0; k < 2; ++k) {
                        const std::uint32_t v1 = vLinks[k];
                        const std::int64_t removed = uu1 + d(v, v1);
                        const std::int64_t straight = uv + d(u1, v1) - removed;
                        const std::int64_t crossed = d(u, v1) + d(u1, v) - removed;
                        if (straight < bestCost) {
                            bestCost = straight;
                            bu = u, bu1 = u1, bv = v, bv1 = v1;
                        }
                        if (crossed < bestCost) {
                            bestCost = crossed;
                            bu = u, bu1 = u1, bv = v1, bv1 = v;
                        }
                    }
                }
            };
            for (int pass = 0; pass < 2 && bu == kNone; ++pass) {
                for (const std::uint32_t u : s.members) {
                    const std::int64_t longer =
                        pass == 0 ? std::max(d(u, s.link[2 * static_cast<std::size_t>(u)]),
                                             d(u, s.link[2 * static_cast<std::size_t>(u) + 1]))
                                  : std::numeric_limits<std::int64_t>::max();
                    const std::span<const std::uint32_t> near = neighbours_.Of(u);
                    const std::span<const std::int32_t> nearDistance = neighbours_.DistancesOf(u);
                    for (std::size_t i = 0; i < near.size() && nearDistance[i] < longer; ++i)
                        if (s.label[near[i]] != smallest) consider(u, near[i], nearDistance[i]);
                }
            }
            if (bu == kNone) {
                const std::size_t some = std::min<std::size_t>(s.members.size(), 16);
                for (std::size_t m = 0; m < some; ++m)
                    for (std::uint32_t v = 0; v < n; ++v)
                        if (s.label[v] != smallest) consider(s.members[m], v, d(s.members[m], v));
            }
            // {bu, bu1} and {bv, bv1} become {bu, bv} and {bu1, bv1}.
            Drop(s.link, bu, bu1);
            Drop(s.link, bu1, bu);
            Drop(s.link, bv, bv1);
            Drop(s.link, bv1, bv);
            Put(s.link, bu, bv);
            Put(s.link, bv, bu);
            Put(s.link, bu1, bv1);
            Put(s.link, bv1, bu1);
            s.tryFresh.insert(s.tryFresh.end(), {bu, bv, bu1, bv1});
            added += bestCost;
            const std::uint32_t into = s.label[bv];
            for (const std::uint32_t u : s.members) s.label[u] = into;
            s.size[into] += s.size[smallest];
            s.size[smallest] = 0;
            ++joins;
        }
        return added;
    };

    const std::uint32_t candidates = std::max<std::uint32_t>(1, std::min(tries, outcome.cycles));
    s.order.resize(outcome.cycles);
    for (std::uint32_t c = 0; c < outcome.cycles; ++c) s.order[c] = c;
    std::int64_t bestDelta = std::numeric_limits<std::int64_t>::max();
    for (std::uint32_t t = 0; t < candidates; ++t) {
        s.link = s.base;
        std::int64_t delta = 0;
        if (outcome.cycles > 0) {
            // A cycle not drawn before (a partial shuffle of the order).
            std::swap(s.order[t], s.order[t + random.Below(outcome.cycles - t)]);
            const std::uint32_t c = s.order[t];
            const std::uint32_t begin = c == 0 ? 0 : s.cycleEnd[c - 1], end = s.cycleEnd[c];
            for (std::uint32_t p = begin; p < end; p += 2) {
                const std::uint32_t u = s.cycles[p], v = s.cycles[p + 1];
                Drop(s.link, u, v);
                Drop(s.link, v, u);
                delta -= d(u, v);
            }
            for (std::uint32_t p = begin + 1; p < end; p += 2) {
                const std::uint32_t u = s.cycles[p], v = s.cycles[p + 1 == end ? begin : p + 1];
                Put(s.link, u, v);
                Put(s.link, v, u);
                delta += d(u, v);
            }
        }
        s.tryFresh.clear();
        std::uint32_t joins = 0;
        delta += joinSubtours(joins);
        // The joins may have traded every B-edge of the cycle back for A's
        // edges: such a candidate is A again, and counts only when every
        // candidate is.
        bool changed = false;
        if (outcome.cycles > 0) {
            const std::uint32_t c = s.order[t];
            const std::uint32_t begin = c == 0 ? 0 : s.cycleEnd[c - 1], end = s.cycleEnd[c];
            for (std::uint32_t p = begin + 1; p < end && !changed; p += 2) {
                const std::uint32_t u = s.cycles[p], v = s.cycles[p + 1 == end ? begin : p + 1];
                changed = s.link[2 * static_cast<std::size_t>(u)] == v ||
                          s.link[2 * static_cast<std::size_t>(u) + 1] == v;
            }
        }
        if ((changed && !outcome.changed) || (changed == outcome.changed && delta < bestDelta)) {
            bestDelta = delta;
            outcome.changed = changed;
            s.bestLink.swap(s.link);
            s.bestFresh.swap(s.tryFresh);
            outcome.joins = joins;
        }
    }
    s.link.swap(s.bestLink);
    fresh.insert(fresh.end(), s.bestFresh.begin(), s.bestFresh.end());

    // The child as an array, from A's first city in A's direction where it
    // can.
    std::uint32_t prev = s.link[2 * static_cast<std::size_t>(a[0])];
    for (std::uint32_t i = 0, at = a[0]; i < n; ++i) {
        child[i] = at;
        const std::uint32_t next = other(at, prev);
        prev = at;
        at = next;
    }
    return outcome;
}

void SegmentDoubleBridge(std::span<std::uint32_t> tour, std::uint32_t maxRun, std::uint64_t seed,
                         std::vector<std::uint32_t>& moved) {
    const std::uint32_t n = static_cast<std::uint32_t>(tour.size());
    if (n < 8) return;
    SplitMix random{seed};
    const std::uint32_t most = std::max<std::uint32_t>(1, std::min(maxRun, (n - 2) / 2));
    const std::uint32_t p = random.Below(n);
    const std::uint32_t first = 1 + random.Below(most), second = 1 + random.Below(most);
    const auto at = [&](std::uint32_t i) -> std::uint32_t& { return tour[(p + i) % n]; };
    moved.insert(moved.end(),
                 {at(n - 1), at(0), at(first - 1), at(first), at(first + second - 1), at(first + second)});
    // Rotating the two runs left by `first` puts the second before the first.
    std::uint32_t buffer[2 * 1024];
    const std::uint32_t total = first + second;
    if (total > sizeof buffer / sizeof buffer[0])
        throw std::invalid_argument("SegmentDoubleBridge: maxRun above 1024");
    for (std::uint32_t i = 0; i < total; ++i) buffer[i] = at(i);
    for (std::uint32_t i = 0; i < total; ++i) at(i) = buffer[(i + first) % total];
}

}  // namespace tsp
