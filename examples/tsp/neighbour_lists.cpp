#include "neighbour_lists.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tsp {

NeighbourLists::NeighbourLists(const Instance& instance, std::uint32_t k)
    : k_(std::min(k, instance.Size() - 1)) {
    const std::uint32_t n = instance.Size();
    lists_.resize(static_cast<std::size_t>(n) * k_);
    distances_.reserve(static_cast<std::size_t>(n) * k_);
    std::vector<std::uint32_t> others;
    others.reserve(n);
    for (std::uint32_t a = 0; a < n; ++a) {
        const std::int32_t* row = instance.Row(a);
        auto nearer = [row](std::uint32_t x, std::uint32_t y) {
            return row[x] < row[y] || (row[x] == row[y] && x < y);
        };
        others.clear();
        for (std::uint32_t b = 0; b < n; ++b)
            if (b != a) others.push_back(b);
        std::nth_element(others.begin(), others.begin() + (k_ - 1), others.end(), nearer);
        std::sort(others.begin(), others.begin() + k_, nearer);
        std::copy_n(others.begin(), k_, lists_.begin() + static_cast<std::size_t>(a) * k_);
        for (std::uint32_t i = 0; i < k_; ++i) distances_.push_back(row[others[i]]);
    }
}

void NearestNeighbourTour(const Instance& instance, const NeighbourLists& neighbours, std::uint32_t start,
                          std::span<std::uint32_t> tour) {
    const std::uint32_t n = instance.Size();
    if (tour.size() != n || start >= n)
        throw std::invalid_argument("a nearest-neighbour tour of " + std::to_string(tour.size()) +
                                    " cities from city " + std::to_string(start) + " for an instance of " +
                                    std::to_string(n));
    // `left` holds the cities not yet visited, where[city] its place there.
    std::vector<std::uint32_t> left(n), where(n);
    for (std::uint32_t city = 0; city < n; ++city) left[city] = where[city] = city;
    const auto visit = [&](std::uint32_t city) {
        const std::uint32_t last = left.back();
        left[where[city]] = last;
        where[last] = where[city];
        left.pop_back();
    };
    std::uint32_t at = start;
    visit(at);
    tour[0] = at;
    for (std::uint32_t i = 1; i < n; ++i) {
        std::uint32_t next = n;
        for (const std::uint32_t near : neighbours.Of(at)) {
            if (where[near] < left.size() && left[where[near]] == near) {
                next = near;
                break;
            }
        }
        if (next == n) {
            const std::int32_t* row = instance.Row(at);
            next = left[0];
            for (const std::uint32_t city : left)
                if (row[city] < row[next] || (row[city] == row[next] && city < next)) next = city;
        }
        visit(next);
        tour[i] = at = next;
    }
}

}  // namespace tsp
