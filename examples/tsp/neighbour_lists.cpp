#include "neighbour_lists.h"

#include <algorithm>

namespace tsp {

NeighbourLists::NeighbourLists(const Instance& instance, std::uint32_t k)
    : k_(std::min(k, instance.Size() - 1)) {
    const std::uint32_t n = instance.Size();
    lists_.resize(static_cast<std::size_t>(n) * k_);
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
    }
}

}  // namespace tsp
