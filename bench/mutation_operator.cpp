#include "bench/mutation_operator.h"

#include <cstdint>

#include "bench/best_individual.h"
#include "platform/random.h"

namespace zarnel {

namespace {

constexpr std::uint32_t kGeneBits = 32;

}  // namespace

CDefaultMutationOperator::CDefaultMutationOperator(BenchPopulation* pop, CDefaultEvalOperator* eval,
                                                   double rate)
    : population(pop), evalOperator(eval), mutationRate(rate) {}

std::uint32_t CDefaultMutationOperator::FlipCount(std::uint32_t product, double rate) {
    const double flips = static_cast<double>(product) * rate + 0.5;
    // Converting a value outside the unsigned range is undefined; clamp it.
    if (!(flips >= 1.0)) return 0;
    if (flips >= 4294967295.0) return UINT32_MAX;
    return static_cast<std::uint32_t>(flips);
}

int CDefaultMutationOperator::Execute() {
    try {
        const std::uint32_t size = population->size;
        // The target is drawn until it differs from the best, which needs a
        // second individual; a bit position needs at least one gene.
        if (size < 2) return kDone;
        const std::uint32_t n = population->GetIndividual(0)->GetLength();
        if (n == 0) return kDone;
        const std::uint32_t flips = FlipCount(size * n, mutationRate);

        // Fixed for the whole pass, even when a flip makes another individual
        // better.
        const std::uint32_t best = BestIndividualIndex(*population);

        for (std::uint32_t f = 0; f < flips; ++f) {
            std::uint32_t target;
            do {
                target = static_cast<std::uint32_t>(platform::Rand()) % size;
            } while (target == best);
            // Computed wide so that a huge gene count cannot wrap to zero.
            const std::uint64_t bitCount =
                std::uint64_t{kGeneBits} * population->GetIndividual(0)->GetLength();
            const auto bit =
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(platform::Rand()) % bitCount);
            BenchIndividual* individual = population->GetIndividual(target);
            // A shorter individual has no such gene; its flip is lost.
            if (bit / kGeneBits < individual->GetLength()) {
                individual->GetGenes()[bit / kGeneBits] ^= std::uint32_t{1} << (bit % kGeneBits);
            }
            evalOperator->Evaluate(individual);
        }
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
