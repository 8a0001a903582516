#include "nqueen/eval_operator.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/thread_stats.h"
#include "platform/per_thread.h"

namespace zarnel {

namespace {

// Counter storage of the evaluations on this thread: sum counters in the first
// half, difference counters in the second. It grows to the largest board seen
// and is reused, so an evaluation allocates nothing once the thread has scored
// a board of that size.
std::uint32_t* ThreadCounters(std::uint32_t diagonals) {
    std::vector<std::uint32_t>& counters =
        platform::PerThread<struct EvalCounters, std::vector<std::uint32_t>>();
    const std::size_t needed = 2 * static_cast<std::size_t>(diagonals);
    if (counters.size() < needed) counters.resize(needed);
    return counters.data();
}

// Zeroes the 2N-1 sum and difference counters and counts the queens on each
// diagonal. Returns false at the first gene that is not below count, which
// would address a counter beyond the diagonals.
bool CountDiagonals(const std::uint16_t* genes, std::uint32_t count, std::uint32_t* sums,
                    std::uint32_t* differences) {
    const std::uint32_t diagonals = 2 * count - 1;
    std::fill(sums, sums + diagonals, 0u);
    std::fill(differences, differences + diagonals, 0u);
    // Diagonal indices go up to 2N-2, which needs more than 16 bits for large
    // boards, so all index arithmetic is done in 32 bits.
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t row = genes[i];
        if (row >= count) return false;
        ++sums[row + i];
        ++differences[row + (count - 1) - i];
    }
    return true;
}

std::uint32_t Excess(std::uint32_t queens) { return queens >= 2 ? queens - 1 : 0u; }

// The surpluses of diagonal k of both kinds, added, over the length the two
// share, summed in increasing k. The lengths rise 1 .. N up to k = N-1 and fall
// N-1 .. 1 after it, so the two halves are walked separately instead of
// computing |k - (N-1)| each time; every quotient and every addition is the
// same as in the reference.
double SurplusSum(const std::uint32_t* sums, const std::uint32_t* differences, std::uint32_t count) {
    double sum = 0.0;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t surplus = Excess(sums[k]) + Excess(differences[k]);
        sum += static_cast<double>(surplus) / static_cast<double>(k + 1);
    }
    const std::uint32_t diagonals = 2 * count - 1;
    for (std::uint32_t k = count; k < diagonals; ++k) {
        const std::uint32_t surplus = Excess(sums[k]) + Excess(differences[k]);
        sum += static_cast<double>(surplus) / static_cast<double>(diagonals - k);
    }
    return sum;
}

}  // namespace

float NQueenFitnessFromDiagonals(const std::uint32_t* sums, const std::uint32_t* differences,
                                 std::uint32_t count) {
    if (count == 0) return -0.0f;
    return static_cast<float>(-SurplusSum(sums, differences, count));
}

float NQueenFitness(const std::uint16_t* genes, std::uint32_t count) {
    if (count == 0) return -0.0f;
    const std::uint32_t diagonals = 2 * count - 1;
    std::uint32_t* sums = ThreadCounters(diagonals);
    std::uint32_t* differences = sums + diagonals;
    CountDiagonals(genes, count, sums, differences);
    return static_cast<float>(-SurplusSum(sums, differences, count));
}

float NQueenFitnessReference(const std::uint16_t* genes, std::uint32_t count) {
    if (count == 0) return -0.0f;
    const std::uint32_t diagonals = 2 * count - 1;
    std::vector<std::uint32_t> sumCounts(diagonals, 0);
    std::vector<std::uint32_t> differenceCounts(diagonals, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t row = genes[i];
        ++sumCounts[row + i];
        ++differenceCounts[row + (count - 1) - i];
    }
    const auto last = static_cast<std::int64_t>(count) - 1;
    double sum = 0.0;
    for (std::uint32_t k = 0; k < diagonals; ++k) {
        const std::uint32_t surplus = Excess(sumCounts[k]) + Excess(differenceCounts[k]);
        const std::int64_t offset = static_cast<std::int64_t>(k) - last;
        const std::int64_t length = last + 1 - (offset < 0 ? -offset : offset);
        // Both kinds of diagonal share the index and the length, so their
        // surpluses are added before the one division.
        sum += static_cast<double>(surplus) / static_cast<double>(length);
    }
    return static_cast<float>(-sum);
}

int CNQeenEvalOperator::Evaluate(NQueenIndividual* individual) {
    CountEvaluation();
    try {
        const std::uint32_t count = individual->GetLength();
        const std::uint16_t* genes = individual->GetGenes();
        if (count == 0) {
            individual->SetFitness(-0.0f);
            return kDone;
        }
        const std::uint32_t diagonals = 2 * count - 1;
        std::uint32_t* sums = ThreadCounters(diagonals);
        std::uint32_t* differences = sums + diagonals;
        if (!CountDiagonals(genes, count, sums, differences)) return kFailed;
        individual->SetFitness(static_cast<float>(-SurplusSum(sums, differences, count)));
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
