#include "bench/selection_operator.h"

#include <cstring>
#include <utility>

#include "bench/crossover_operator.h"
#include "framework/thread_stats.h"
#include "platform/random.h"

namespace zarnel {

namespace {

constexpr std::uint32_t kCandidates = 3;

// The claims of one step, released in claim order when the step ends,
// whether it returns or throws.
class ClaimSet {
public:
    explicit ClaimSet(BenchPopulation* pop) : population(pop) {}
    ClaimSet(const ClaimSet&) = delete;
    ClaimSet& operator=(const ClaimSet&) = delete;
    ~ClaimSet() {
        for (std::uint32_t i = 0; i < count; ++i) population->Unlock(indices[i]);
    }

    // Draws random indices until one is claimed; false after
    // kMaxClaimAttempts failures in a row.
    bool ClaimOne() {
        for (std::uint32_t attempt = 0; attempt < CDefaultSelectionOperator::kMaxClaimAttempts; ++attempt) {
            const auto index = static_cast<std::uint32_t>(platform::Rand()) % population->size;
            if (population->TryLock(index) != 0) {
                indices[count++] = index;
                return true;
            }
        }
        return false;
    }

    BenchIndividual* Get(std::uint32_t i) const { return population->GetIndividual(indices[i]); }

private:
    BenchPopulation* population;
    std::uint32_t indices[kCandidates] = {};
    std::uint32_t count = 0;
};

// Orders a pair highest fitness first; equal fitness keeps the order, and a
// pair with a NaN is swapped.
void OrderPair(BenchIndividual*& first, BenchIndividual*& second) {
    if (!(*first->GetFitness() >= *second->GetFitness())) std::swap(first, second);
}

// True when `other` holds the same bytes as the child's genes.
bool SameGenes(BenchIndividual* childIndividual, BenchIndividual* other) {
    const std::uint32_t n = childIndividual->GetLength();
    if (other->GetLength() < n) return false;
    return std::memcmp(childIndividual->GetGenes(), other->GetGenes(), n * sizeof(std::uint32_t)) == 0;
}

}  // namespace

CDefaultSelectionOperator::CDefaultSelectionOperator(BenchPopulation* pop, CDefaultEvalOperator* eval)
    : population(pop), evalOperator(eval) {}

int CDefaultSelectionOperator::Execute() {
    // Three distinct individuals cannot be claimed from fewer; the loop below
    // would wait for ever.
    if (population->size < kCandidates) return kFailed;
    CountStep();
    try {
        ClaimSet claims(population);
        for (std::uint32_t i = 0; i < kCandidates; ++i) {
            if (!claims.ClaimOne()) return kFailed;
        }

        BenchIndividual* best = claims.Get(0);
        BenchIndividual* middle = claims.Get(1);
        BenchIndividual* worst = claims.Get(2);
        OrderPair(best, middle);
        OrderPair(middle, worst);
        OrderPair(best, middle);

        {
            CDefaultCrossoverOperator crossover(best, middle, worst);
            crossover.Execute();
        }

        // A child identical to a parent adds nothing; a fresh bit string
        // takes its place.
        if (SameGenes(worst, best) || SameGenes(worst, middle)) {
            std::uint32_t* genes = worst->GetGenes();
            const std::uint32_t n = worst->GetLength();
            for (std::uint32_t i = 0; i < n; ++i) genes[i] = platform::Rand32();
        }

        evalOperator->Evaluate(worst);
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
