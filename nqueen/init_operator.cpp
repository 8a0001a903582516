#include "nqueen/init_operator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "nqueen/permutation.h"
#include "platform/counter.h"
#include "platform/random.h"

namespace zarnel {

int CNQueenInitOperator::Execute() {
    seedUsed = seed ? *seed : platform::TickCount();
    platform::SeedRand(seedUsed);
    const std::uint32_t size = population->size;
    if (size > 0) {
        const std::uint32_t count = population->GetIndividual(0)->GetLength();
        for (std::uint32_t i = 0; i < size; ++i)
            RandomPermutation(population->GetIndividual(i)->GetGenes(), count);
    }
    evalOperator->Execute();
    return kDone;
}

int CNQueenResumeOperator::Execute() {
    platform::SeedRand(seed_);
    const std::uint32_t size = population->size;
    if (size > 0) {
        const std::uint32_t count = population->GetIndividual(0)->GetLength();
        for (std::uint32_t i = 0; i < size; ++i) {
            std::copy_n(genes_.data() + std::size_t{i} * count, count,
                        population->GetIndividual(i)->GetGenes());
        }
    }
    evalOperator->Execute();
    return kDone;
}

}  // namespace zarnel
