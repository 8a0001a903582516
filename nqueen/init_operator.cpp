#include "nqueen/init_operator.h"

#include <cstdint>

#include "nqueen/permutation.h"
#include "platform/counter.h"
#include "platform/random.h"

namespace zarnel {

int CNQueenInitOperator::Execute() {
    platform::SeedRand(platform::TickCount());
    const std::uint32_t size = population->size;
    if (size > 0) {
        const std::uint32_t count = population->GetIndividual(0)->GetLength();
        for (std::uint32_t i = 0; i < size; ++i)
            RandomPermutation(population->GetIndividual(i)->GetGenes(), count);
    }
    evalOperator->Execute();
    return kDone;
}

}  // namespace zarnel
