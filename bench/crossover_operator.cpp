#include "bench/crossover_operator.h"

#include <algorithm>

#include "platform/random.h"

namespace zarnel {

CDefaultCrossoverOperator::CDefaultCrossoverOperator(BenchIndividual* first, BenchIndividual* second,
                                                     BenchIndividual* offspring)
    : parent1(first), parent2(second), child(offspring) {}

int CDefaultCrossoverOperator::Execute() {
    try {
        // The gene count is parent1's; a shorter partner limits it so that no
        // array is read or written past its end.
        const std::uint32_t n = std::min({parent1->GetLength(), parent2->GetLength(), child->GetLength()});
        const std::uint32_t* genes1 = parent1->GetGenes();
        const std::uint32_t* genes2 = parent2->GetGenes();
        std::uint32_t* childGenes = child->GetGenes();
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t m = platform::Rand32();
            childGenes[i] = (genes2[i] & ~m) | (genes1[i] & m);
        }
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
