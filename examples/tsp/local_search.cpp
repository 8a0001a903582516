#include "local_search.h"

#include <zarnel/platform/per_thread.h>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "split_mix.h"

namespace tsp {

namespace {

// No position yet; not looked at yet.
constexpr std::uint32_t kNone = ~std::uint32_t{0};

// The scratch arrays of one thread, reused from call to call. Between calls
// `queued` is all 0 and `looked` all kNone (a search puts back what it
// changed), so a search that looks at a few cities costs only those.
struct Scratch {
    std::vector<std::uint32_t> position;  // position[city]: where city stands, for callers that keep none
    std::vector<std::uint32_t> queue;     // cities still to look at, a ring of n places
    std::vector<std::uint8_t> queued;     // queued[city]: city is in the queue (its don't-look bit is off)
    std::vector<std::uint32_t> looked;  // looked[city]: the number of moves made when city was last looked at
    std::vector<std::uint32_t> seen;    // the cities whose `looked` is set, in the order first looked at

    // Sizes the arrays for n cities (clean: queued 0, looked kNone).
    void Fit(std::uint32_t n) {
        if (queue.size() != n) {
            queue.resize(n);
            queued.assign(n, 0);
            looked.assign(n, kNone);
        }
        seen.clear();
    }
};

// One run of the search over one tour.
class Search {
public:
    // `position` holds where each city of `tour` stands and is kept in step
    // with the moves.
    Search(const Instance& instance, const NeighbourLists& neighbours, std::span<std::uint32_t> tour,
           std::uint32_t* position, Scratch& scratch)
        : n_(instance.Size()),
          k_(neighbours.K()),
          distance_(instance.Row(0)),
          neighbours_(neighbours.Of(0).data()),
          tour_(tour.data()),
          position_(position),
          scratch_(scratch) {
        scratch.Fit(n_);
        queue_ = scratch.queue.data();
        queued_ = scratch.queued.data();
        looked_ = scratch.looked.data();
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    // Leaves the scratch clean for the next search.
    ~Search() {
        for (std::uint32_t city : scratch_.seen) looked_[city] = kNone;
        for (; count_ > 0; --count_, head_ = head_ + 1 == n_ ? 0 : head_ + 1) queued_[queue_[head_]] = 0;
    }

    void Push(std::uint32_t city) {
        if (queued_[city]) return;
        queued_[city] = 1;
        std::uint32_t tail = head_ + count_;
        queue_[tail >= n_ ? tail - n_ : tail] = city;
        ++count_;
    }

    // Looks at the queued cities until none is left. A move puts its end
    // cities back in the queue, but it may also open a move at a city it does
    // not touch (a reversal changes which pairs of edges can be exchanged), so
    // when the queue runs dry, every city looked at before the last move is
    // looked at again; the search ends when each was looked at since then.
    // Only the cities looked at are gone through again, not the whole tour.
    void Run() {
        for (;;) {
            while (count_ > 0) {
                std::uint32_t city = queue_[head_];
                head_ = head_ + 1 == n_ ? 0 : head_ + 1;
                --count_;
                queued_[city] = 0;
                if (looked_[city] == kNone) scratch_.seen.push_back(city);
                looked_[city] = moves_;
                if (TwoOpt(city) || OrOpt(city)) ++moves_;
            }
            for (std::uint32_t city : scratch_.seen)
                if (looked_[city] != moves_) Push(city);
            if (count_ == 0) return;
        }
    }

private:
    std::int64_t D(std::uint32_t a, std::uint32_t b) const {
        return distance_[static_cast<std::size_t>(a) * n_ + b];
    }
    std::uint32_t Next(std::uint32_t city) const {
        std::uint32_t p = position_[city] + 1;
        return tour_[p == n_ ? 0 : p];
    }
    std::uint32_t Prev(std::uint32_t city) const {
        std::uint32_t p = position_[city];
        return tour_[p == 0 ? n_ - 1 : p - 1];
    }
    std::uint32_t Step(std::uint32_t city, bool forward) const { return forward ? Next(city) : Prev(city); }

    // Reverses the path that runs forward from `from` to `to`, or, when that
    // is the longer part of the cycle, the rest of the cycle instead (the
    // same tour read the other way round).
    void Reverse(std::uint32_t from, std::uint32_t to) {
        std::uint32_t i = position_[from], j = position_[to];
        std::uint32_t length = (j >= i ? j - i : j + n_ - i) + 1;
        if (2 * length > n_) {
            std::uint32_t first = j + 1 == n_ ? 0 : j + 1;
            j = i == 0 ? n_ - 1 : i - 1;
            i = first;
            length = n_ - length;
        }
        for (std::uint32_t swaps = length / 2; swaps > 0; --swaps) {
            std::uint32_t a = tour_[i], b = tour_[j];
            tour_[i] = b;
            position_[b] = i;
            tour_[j] = a;
            position_[a] = j;
            i = i + 1 == n_ ? 0 : i + 1;
            j = j == 0 ? n_ - 1 : j - 1;
        }
    }

    // Replaces the tour edges {a,b} and {c,d} by {a,c} and {b,d}. Needs b
    // after a and d after c in the same direction (both next, or both previous).
    void Exchange(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        (void)d;
        if (Next(a) == b)
            Reverse(b, c);
        else
            Reverse(c, b);
    }

    void PushAll(std::initializer_list<std::uint32_t> cities) {
        for (std::uint32_t city : cities) Push(city);
    }

    // The first improving 2-opt move with a new edge from `a` to one of its
    // neighbours, nearer than the tour edge it replaces.
    bool TwoOpt(std::uint32_t a) {
        const std::uint32_t* near = neighbours_ + static_cast<std::size_t>(a) * k_;
        for (bool forward : {true, false}) {
            std::uint32_t b = Step(a, forward);
            std::int64_t ab = D(a, b);
            for (std::uint32_t i = 0; i < k_; ++i) {
                std::uint32_t c = near[i];
                std::int64_t g1 = ab - D(a, c);
                if (g1 <= 0) break;
                std::uint32_t d = Step(c, forward);
                if (c == b || d == a) continue;
                if (g1 + D(c, d) - D(b, d) > 0) {
                    Exchange(a, b, c, d);
                    PushAll({a, b, c, d});
                    return true;
                }
            }
        }
        return false;
    }

    // The first improving move of the run of 1 to 3 cities that starts at
    // `s1` (in either direction) to between a neighbour c of s1 and the city
    // d beside c, s1 next to c.
    bool OrOpt(std::uint32_t s1) {
        const std::uint32_t* near = neighbours_ + static_cast<std::size_t>(s1) * k_;
        for (bool forward : {true, false}) {
            const std::uint32_t p = Step(s1, !forward);
            std::uint32_t run[3] = {s1, s1, s1};
            std::uint32_t s2 = s1;
            for (std::uint32_t length = 1; length <= 3 && length + 3 <= n_; ++length) {
                if (length > 1) run[length - 1] = s2 = Step(s2, forward);
                const std::uint32_t nx = Step(s2, forward);
                if (nx == p) break;
                std::int64_t g0 = D(p, s1) + D(s2, nx) - D(p, nx);
                if (g0 <= 0) continue;
                for (std::uint32_t i = 0; i < k_; ++i) {
                    std::uint32_t c = near[i];
                    std::int64_t g1 = g0 - D(s1, c);
                    if (g1 <= 0) break;
                    if (c == run[1] || c == run[2]) continue;
                    for (std::uint32_t d : {Next(c), Prev(c)}) {
                        if (d == run[0] || d == run[1] || d == run[2]) continue;
                        if ((c == p && d == nx) || (c == nx && d == p)) continue;
                        if (g1 + D(c, d) - D(s2, d) > 0) {
                            MoveRun(s1, s2, p, nx, c, d);
                            PushAll({p, nx, s1, s2, c, d});
                            return true;
                        }
                    }
                }
            }
        }
        return false;
    }

    // Moves the run s1..s2 (p before s1, nx after s2) between c and d: the
    // edges {p,s1}, {s2,nx}, {c,d} become {p,nx}, {c,s1}, {s2,d}, as two or
    // three 2-opt exchanges.
    void MoveRun(std::uint32_t s1, std::uint32_t s2, std::uint32_t p, std::uint32_t nx, std::uint32_t c,
                 std::uint32_t d) {
        bool forward = Next(p) == s1;  // the direction in which p, s1 .. s2, nx read
        if (Step(c, forward) == d) {
            // p s1..s2 nx .. c d: bring c next to p, then nx next to p (the
            // run now lies reversed between c and d), then turn the run.
            Exchange(p, s1, c, d);
            Exchange(p, c, nx, s2);
            Exchange(c, s2, s1, d);
        } else {
            // p s1..s2 nx .. d c: read backwards this is nx s2..s1 p .. c d,
            // where two exchanges put the run between c and d already turned.
            Exchange(nx, s2, c, d);
            Exchange(nx, c, p, s1);
        }
    }

    const std::uint32_t n_;
    const std::uint32_t k_;
    const std::int32_t* distance_;
    const std::uint32_t* neighbours_;
    std::uint32_t* tour_;
    std::uint32_t* position_;
    Scratch& scratch_;
    std::uint32_t* queue_ = nullptr;
    std::uint8_t* queued_ = nullptr;
    std::uint32_t* looked_ = nullptr;
    std::uint32_t moves_ = 0;  // moves made so far
    std::uint32_t head_ = 0;
    std::uint32_t count_ = 0;
};

Scratch& ThreadScratch() { return zarnel::platform::PerThread<Scratch>(); }

void CheckSize(std::span<const std::uint32_t> tour, const Instance& instance) {
    if (tour.size() != instance.Size())
        throw std::invalid_argument("a tour of " + std::to_string(tour.size()) +
                                    " cities for an instance of " + std::to_string(instance.Size()));
}

// Fills position from tour; throws unless the tour is a permutation of 0..n-1.
void ReadPositions(std::span<const std::uint32_t> tour, std::vector<std::uint32_t>& position) {
    const std::uint32_t n = static_cast<std::uint32_t>(tour.size());
    position.assign(n, kNone);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t city = tour[i];
        if (city >= n || position[city] != kNone)
            throw std::invalid_argument("the tour is no permutation: city " + std::to_string(city) +
                                        (city >= n ? " is out of range" : " appears twice"));
        position[city] = i;
    }
}

void CheckCities(std::span<const std::uint32_t> cities, std::uint32_t n) {
    for (std::uint32_t city : cities)
        if (city >= n) throw std::invalid_argument("city " + std::to_string(city) + " is out of range");
}

}  // namespace

void LocalSearch::ImproveSeeded(std::span<std::uint32_t> tour, std::uint64_t seed) const {
    CheckSize(tour, instance_);
    const std::uint32_t n = instance_.Size();
    if (n < 4) return;  // every tour of 3 cities has the same length
    Scratch& scratch = ThreadScratch();
    ReadPositions(tour, scratch.position);
    Search search(instance_, neighbours_, tour, scratch.position.data(), scratch);
    // A random order: start from a random city of the tour and step through
    // it with a stride drawn coprime to n, which reaches every city once.
    SplitMix random{seed};
    std::uint32_t start = static_cast<std::uint32_t>(random() % n);
    std::uint32_t stride = 1;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::uint32_t s = static_cast<std::uint32_t>(1 + random() % (n - 1));
        std::uint32_t x = s, y = n;
        while (y != 0) x = std::exchange(y, x % y);
        if (x == 1) {
            stride = s;
            break;
        }
    }
    for (std::uint32_t i = 0, at = start; i < n; ++i, at = (at + stride) % n) search.Push(tour[at]);
    search.Run();
}

void LocalSearch::ImproveAround(std::span<std::uint32_t> tour, std::span<const std::uint32_t> cities) const {
    CheckSize(tour, instance_);
    if (instance_.Size() < 4) return;
    CheckCities(cities, instance_.Size());
    Scratch& scratch = ThreadScratch();
    ReadPositions(tour, scratch.position);
    Search search(instance_, neighbours_, tour, scratch.position.data(), scratch);
    for (std::uint32_t city : cities) search.Push(city);
    search.Run();
}

void LocalSearch::ImproveAround(std::span<std::uint32_t> tour, std::span<std::uint32_t> position,
                                std::span<const std::uint32_t> cities) const {
    CheckSize(tour, instance_);
    if (position.size() != tour.size())
        throw std::invalid_argument("positions for " + std::to_string(position.size()) + " cities, not " +
                                    std::to_string(tour.size()));
    if (instance_.Size() < 4) return;
    CheckCities(cities, instance_.Size());
    for (std::uint32_t city : cities)
        if (position[city] >= tour.size() || tour[position[city]] != city)
            throw std::invalid_argument("the position of city " + std::to_string(city) +
                                        " is not where the tour has it");
    Search search(instance_, neighbours_, tour, position.data(), ThreadScratch());
    for (std::uint32_t city : cities) search.Push(city);
    search.Run();
}

std::int64_t LocalSearch::Length(std::span<const std::uint32_t> tour) const {
    CheckSize(tour, instance_);
    std::int64_t length = 0;
    for (std::size_t i = 0; i + 1 < tour.size(); ++i) length += instance_.Distance(tour[i], tour[i + 1]);
    if (!tour.empty()) length += instance_.Distance(tour.back(), tour.front());
    return length;
}

}  // namespace tsp
