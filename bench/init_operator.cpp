#include "bench/init_operator.h"

#include <algorithm>

#include "platform/counter.h"
#include "platform/random.h"

namespace zarnel {

CDefaultInitOperator::CDefaultInitOperator(BenchPopulation* pop, CDefaultEvalOperator* eval)
    : population(pop), evalOperator(eval) {}

int CDefaultInitOperator::Execute() {
    platform::SeedRand(seed ? *seed : platform::TickCount());
    const std::uint32_t size = population->size;
    if (size == 0) return kDone;
    const std::uint32_t n = population->GetIndividual(0)->GetLength();
    for (std::uint32_t i = 0; i < size; ++i) {
        BenchIndividual* individual = population->GetIndividual(i);
        const std::uint32_t count = std::min(n, individual->GetLength());
        std::uint32_t* genes = individual->GetGenes();
        for (std::uint32_t j = 0; j < count; ++j) genes[j] = platform::Rand32();
    }
    evalOperator->Execute();
    return kDone;
}

}  // namespace zarnel
