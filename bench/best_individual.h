#pragma once

#include <cstdint>

#include "bench/bench_types.h"

namespace zarnel {

// The index of the best individual of a non-empty population: the lowest
// index with the highest fitness, scanning from 0 and moving only to a
// strictly greater fitness, so a later NaN never wins. Call it only while no
// other thread changes the population.
inline std::uint32_t BestIndividualIndex(BenchPopulation& population) {
    std::uint32_t best = 0;
    for (std::uint32_t i = 1; i < population.size; ++i) {
        if (*population.GetIndividual(i)->GetFitness() > *population.GetIndividual(best)->GetFitness())
            best = i;
    }
    return best;
}

}  // namespace zarnel
