#pragma once

#include <cstdint>

namespace zarnel {

// The best individual of a population, as both programs pick it: a higher
// fitness is better, the scan starts at index 0 and moves to a later
// individual only when its fitness is strictly greater, so ties keep the
// lowest index and a NaN after the first never wins. Call these only while no other thread
// changes the population (between Run calls, or from the master operator).

// The index of the best individual of a non-empty population.
template <typename Population>
std::uint32_t BestIndividualIndex(Population& population) {
    std::uint32_t best = 0;
    for (std::uint32_t i = 1; i < population.size; ++i) {
        if (*population.GetIndividual(i)->GetFitness() > *population.GetIndividual(best)->GetFitness())
            best = i;
    }
    return best;
}

// The best individual itself, or null for an empty population.
template <typename Population>
typename Population::IndividualType* BestIndividual(Population& population) {
    return population.size == 0 ? nullptr : population.GetIndividual(BestIndividualIndex(population));
}

}  // namespace zarnel
