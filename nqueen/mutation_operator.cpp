#include "nqueen/mutation_operator.h"

#include <cmath>
#include <utility>

#include "framework/best_individual.h"
#include "platform/random.h"

namespace zarnel {

std::uint32_t MutationSwapCount(std::uint32_t size, double rate) {
    const double whole = std::trunc(static_cast<double>(size) * rate + 0.5);
    if (!std::isfinite(whole)) return 0;
    // The low 32 bits of the whole number, taken without an out-of-range
    // conversion.
    constexpr double kTwoTo32 = 4294967296.0;
    double low = std::fmod(whole, kTwoTo32);
    if (low < 0) low += kTwoTo32;
    return static_cast<std::uint32_t>(low);
}

std::uint32_t FindBestIndex(NQueenPopulation& population) { return BestIndividualIndex(population); }

int CNQueenMutationOperator::Execute() {
    try {
        const std::uint32_t size = population->size;
        const std::uint32_t swaps = MutationSwapCount(size, mutationRate);
        if (size < 2) return kDone;
        const std::uint32_t best = FindBestIndex(*population);
        for (std::uint32_t n = 0; n < swaps; ++n) {
            std::uint32_t target;
            do {
                target = platform::Rand32() % size;
            } while (target == best);
            NQueenIndividual* individual = population->GetIndividual(target);
            const std::uint32_t length = individual->GetLength();
            if (length < 2) continue;
            const std::uint32_t a = platform::Rand32() % length;
            std::uint32_t b;
            do {
                b = platform::Rand32() % length;
            } while (b == a);
            std::uint16_t* genes = individual->GetGenes();
            std::swap(genes[a], genes[b]);
            evalOperator->Evaluate(individual);
            if (*individual->GetFitness() == 0.0f) return kStop;
        }
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
