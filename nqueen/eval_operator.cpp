#include "nqueen/eval_operator.h"

#include <cstdint>
#include <vector>

namespace zarnel {

float NQueenFitness(const std::uint16_t* genes, std::uint32_t count) {
    if (count == 0) return -0.0f;
    // Diagonal indices go up to 2N-2, which needs more than 16 bits for large
    // boards, so all index arithmetic is done in 32 bits.
    const std::uint32_t diagonals = 2 * count - 1;
    std::vector<std::uint32_t> sumCounts(diagonals, 0);
    std::vector<std::uint32_t> differenceCounts(diagonals, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t row = genes[i];
        ++sumCounts[row + i];
        ++differenceCounts[row + (count - 1) - i];
    }
    auto excess = [](std::uint32_t queens) { return queens >= 2 ? queens - 1 : 0u; };
    const auto last = static_cast<std::int64_t>(count) - 1;
    double sum = 0.0;
    for (std::uint32_t k = 0; k < diagonals; ++k) {
        const std::uint32_t surplus = excess(sumCounts[k]) + excess(differenceCounts[k]);
        const std::int64_t offset = static_cast<std::int64_t>(k) - last;
        const std::int64_t length = last + 1 - (offset < 0 ? -offset : offset);
        // Both kinds of diagonal share the index and the length, so their
        // surpluses are added before the one division.
        sum += static_cast<double>(surplus) / static_cast<double>(length);
    }
    return static_cast<float>(-sum);
}

int CNQeenEvalOperator::Evaluate(NQueenIndividual* individual) {
    try {
        const std::uint32_t count = individual->GetLength();
        const std::uint16_t* genes = individual->GetGenes();
        // A gene at or above the gene count would index past the counters.
        for (std::uint32_t i = 0; i < count; ++i) {
            if (genes[i] >= count) return kFailed;
        }
        individual->SetFitness(NQueenFitness(genes, count));
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
