#include "nqueen/crossover_operator.h"

#include <algorithm>
#include <utility>

#include "nqueen/permutation.h"

namespace zarnel {

void KeepCommonGenes(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child,
                     std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p1[i] != p2[i]) continue;
        const std::uint16_t* found = std::find(child, child + count, p1[i]);
        // Always found while child is a permutation of the parents' values.
        if (found != child + count) std::swap(child[i], child[found - child]);
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
        KeepCommonGenes(p1, p2, c, count);
        return result;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
