#include "nqueen/crossover_operator.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "nqueen/permutation.h"
#include "platform/per_thread.h"

namespace zarnel {

namespace {

// Genes are 16-bit, so a permutation has at most this many entries.
constexpr std::uint32_t kMaxPermutation = 0x10000;

// Index storage of the crossovers on this thread; grows to the largest board
// seen and is reused, so a crossover allocates nothing after the first.
std::uint32_t* ThreadPositions(std::uint32_t count) {
    std::vector<std::uint32_t>& positions =
        platform::PerThread<struct CrossoverPositions, std::vector<std::uint32_t>>();
    if (positions.size() < count) positions.resize(count);
    return positions.data();
}

}  // namespace

void KeepCommonGenes(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child,
                     std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p1[i] != p2[i]) continue;
        const std::uint16_t* found = std::find(child, child + count, p1[i]);
        // Always found while child is a permutation of the parents' values.
        if (found != child + count) std::swap(child[i], child[found - child]);
    }
}

void KeepCommonGenesIndexed(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child,
                            std::uint32_t count, std::uint32_t* position) {
    bool indexed = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p1[i] != p2[i]) continue;
        const std::uint32_t value = p1[i];
        // The child holds each of 0 .. count-1 exactly once; a larger value is
        // nowhere in it, and the search would leave the child as it is.
        if (value >= count) continue;
        // Parents that agree nowhere need no index.
        if (!indexed) {
            for (std::uint32_t j = 0; j < count; ++j) position[child[j]] = j;
            indexed = true;
        }
        // The only position holding the value is the first one.
        const std::uint32_t j = position[value];
        std::swap(child[i], child[j]);
        position[child[i]] = i;
        position[child[j]] = j;
    }
}

int CNQueenCrossoverOperator::Execute() {
    try {
        const std::uint32_t count = parent1->GetLength();
        const std::uint16_t* p1 = parent1->GetGenes();
        std::uint16_t* p2 = parent2->GetGenes();
        std::uint16_t* c = child->GetGenes();
        RandomPermutation(c, count);
        int result = kDone;
        if (std::equal(p1, p1 + count, p2)) {
            RandomPermutation(p2, count);
            result = kParent2Replaced;
        }
        // A fresh random permutation of count values: beyond 16-bit genes it
        // would repeat values, and only the search finds the first of them.
        if (count <= kMaxPermutation) {
            KeepCommonGenesIndexed(p1, p2, c, count, ThreadPositions(count));
        } else {
            KeepCommonGenes(p1, p2, c, count);
        }
        return result;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
