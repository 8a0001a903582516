// Edge recombination crossover of the permutation kind.
#include <cassert>
#include <cstdint>
#include <vector>

#include "genome/detail/scratch.h"
#include "genome/permutation_variation.h"
#include "platform/per_thread.h"

namespace zarnel::permutation {

namespace {

using genome_detail::Disjoint;
using genome_detail::Scratch;

// A city's unvisited neighbours in either parent: at most four (two per
// parent), each once; bit k of `common` says that neighbour k is its
// neighbour in both parents.
struct EdgeList {
    std::uint32_t city[4];
    std::uint8_t count;
    std::uint8_t common;
};

constexpr std::uint32_t kVisited = ~std::uint32_t{0};

// A thread's buffers for one crossover, reused by the next.
struct EdgeScratch {
    std::vector<EdgeList> edges;
    // The unvisited cities in any order, and each city's index in it
    // (kVisited once visited), so a random unvisited city and a removal each
    // cost O(1).
    std::vector<std::uint32_t> unvisited;
    std::vector<std::uint32_t> index;
};

void AddEdge(EdgeList& list, std::uint32_t neighbour, bool secondParent) {
    for (std::uint8_t k = 0; k < list.count; ++k) {
        if (list.city[k] == neighbour) {
            if (secondParent) list.common |= static_cast<std::uint8_t>(1u << k);
            return;
        }
    }
    list.city[list.count++] = neighbour;
}

void RemoveEdge(EdgeList& list, std::uint32_t neighbour) {
    for (std::uint8_t k = 0; k < list.count; ++k) {
        if (list.city[k] != neighbour) continue;
        const std::uint8_t lastIndex = static_cast<std::uint8_t>(list.count - 1);
        list.city[k] = list.city[lastIndex];
        const std::uint8_t lastBit = (list.common >> lastIndex) & 1u;
        list.common =
            static_cast<std::uint8_t>((list.common & ~(1u << k) & ~(1u << lastIndex)) | (lastBit << k));
        --list.count;
        return;
    }
}

}  // namespace

void EdgeRecombination(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                       std::span<std::uint32_t> child, Random& random) {
    assert(p1.size() == p2.size() && p1.size() == child.size());
    assert(Disjoint(child, p1) && Disjoint(child, p2));
    const std::size_t n = child.size();
    if (n == 0) return;
    EdgeScratch& scratch = platform::PerThread<EdgeScratch>();
    const std::span<EdgeList> edges = Scratch(scratch.edges, n);
    const std::span<std::uint32_t> unvisited = Scratch(scratch.unvisited, n);
    const std::span<std::uint32_t> index = Scratch(scratch.index, n);
    for (std::size_t c = 0; c < n; ++c) {
        unvisited[c] = static_cast<std::uint32_t>(c);
        index[c] = static_cast<std::uint32_t>(c);
    }
    // The edge map: p1's two neighbours of each city (one for a tour of two
    // cities, none for a tour of one), then p2's, each once, marked common
    // when p1 has it too.
    for (std::size_t i = 0; i < n; ++i) {
        EdgeList& list = edges[p1[i]];
        list.common = 0;
        list.count = n > 2 ? 2 : static_cast<std::uint8_t>(n - 1);
        list.city[0] = p1[i + 1 == n ? 0 : i + 1];
        list.city[1] = p1[i == 0 ? n - 1 : i - 1];
    }
    for (std::size_t i = 0; n > 1 && i < n; ++i) {
        EdgeList& list = edges[p2[i]];
        AddEdge(list, p2[i + 1 == n ? 0 : i + 1], true);
        AddEdge(list, p2[i == 0 ? n - 1 : i - 1], true);
    }

    std::size_t remaining = n;
    std::uint32_t current = random.Chance(0.5) ? p2[0] : p1[0];
    for (std::size_t written = 0;;) {
        child[written++] = current;
        // Visit `current`: out of the unvisited set and out of its
        // neighbours' lists.
        const std::uint32_t at = index[current];
        unvisited[at] = unvisited[--remaining];
        index[unvisited[at]] = at;
        index[current] = kVisited;
        const EdgeList& own = edges[current];
        for (std::uint8_t k = 0; k < own.count; ++k) RemoveEdge(edges[own.city[k]], current);
        if (written == n) break;

        // The next city among the current one's unvisited neighbours: common
        // edges first, then the fewest neighbours left, ties at random.
        std::uint32_t best[4];
        std::uint32_t ties = 0;
        int bestKey = 1 << 30;
        for (std::uint8_t k = 0; k < own.count; ++k) {
            const std::uint32_t candidate = own.city[k];
            const int key = (((own.common >> k) & 1u) ? 0 : 8) + edges[candidate].count;
            if (key < bestKey) {
                bestKey = key;
                ties = 0;
            }
            if (key == bestKey) best[ties++] = candidate;
        }
        if (ties == 1) {
            current = best[0];
        } else if (ties > 1) {
            current = best[random.Below(ties)];
        } else {
            current = unvisited[random.Below64(remaining)];
        }
    }
}

}  // namespace zarnel::permutation
