#include "nqueen/selection_operator.h"

#include <cstdint>
#include <utility>

#include "nqueen/crossover_operator.h"
#include "platform/random.h"

namespace zarnel {

namespace {

// Puts the fitter of two individuals first. Equal fitness keeps the order; a
// comparison with a NaN swaps.
void OrderPair(NQueenIndividual*& first, NQueenIndividual*& second) {
    if (!(*first->GetFitness() >= *second->GetFitness())) std::swap(first, second);
}

}  // namespace

int CNQueenSelectionOperator::Execute() {
    const std::uint32_t size = population->size;
    if (size < 3) return kFailed;
    std::uint32_t claimed[3];
    int claimCount = 0;
    try {
        // Busy-waits for each claim: the population holds more than twice as
        // many individuals as there are slave threads, so one is always free.
        while (claimCount < 3) {
            const std::uint32_t index = platform::Rand32() % size;
            if (population->TryLock(index) != 0) claimed[claimCount++] = index;
        }
        NQueenIndividual* x1 = population->GetIndividual(claimed[0]);
        NQueenIndividual* x2 = population->GetIndividual(claimed[1]);
        NQueenIndividual* x3 = population->GetIndividual(claimed[2]);
        OrderPair(x1, x2);
        OrderPair(x2, x3);
        OrderPair(x1, x2);

        const int crossed = CNQueenCrossoverOperator(x1, x2, x3).Execute();
        if (crossed == CNQueenCrossoverOperator::kParent2Replaced) evalOperator->Evaluate(x2);
        evalOperator->Evaluate(x3);

        const bool solved =
            *x1->GetFitness() == 0.0f || *x2->GetFitness() == 0.0f || *x3->GetFitness() == 0.0f;
        for (std::uint32_t index : claimed) population->Unlock(index);
        return solved ? kStop : kDone;
    } catch (...) {
        for (int k = 0; k < claimCount; ++k) population->Unlock(claimed[k]);
        return kFailed;
    }
}

}  // namespace zarnel
