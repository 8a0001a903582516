#include "nqueen/selection_operator.h"

#include <cstdint>
#include <utility>

#include "framework/claim_guard.h"
#include "framework/thread_stats.h"
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
    CountStep();
    try {
        // The guards give every claim back however the step ends. Claiming
        // busy-waits: the population holds more than twice as many individuals
        // as there are slave threads, so one is always free.
        ClaimGuard<NQueenPopulation> claims[3];
        ClaimDistinct(*population, claims, 3, [] { return platform::Rand32(); });
        NQueenIndividual* x1 = claims[0].Get();
        NQueenIndividual* x2 = claims[1].Get();
        NQueenIndividual* x3 = claims[2].Get();
        OrderPair(x1, x2);
        OrderPair(x2, x3);
        OrderPair(x1, x2);

        const int crossed = CNQueenCrossoverOperator(x1, x2, x3).Execute();
        if (crossed == CNQueenCrossoverOperator::kParent2Replaced) evalOperator->Evaluate(x2);
        evalOperator->Evaluate(x3);

        const bool solved =
            *x1->GetFitness() == 0.0f || *x2->GetFitness() == 0.0f || *x3->GetFitness() == 0.0f;
        for (auto& claim : claims) claim.Release();  // in claim order
        return solved ? kStop : kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
