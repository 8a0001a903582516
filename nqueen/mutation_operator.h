#pragma once

#include <cstdint>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// The master operator: swaps two genes in randomly chosen individuals, sparing
// the best one, re-scores each, and stops as soon as a swap yields a solution.
// Points to the population and the evaluation operator without owning them.
// Runs on the master thread while every slave thread waits, so it claims no
// busy flags.
class CNQueenMutationOperator : public COperatorBase {
public:
    CNQueenMutationOperator(NQueenPopulation* pop, NQueenEvalBase* eval, double rate)
        : population(pop), evalOperator(eval), mutationRate(rate) {}

    // kStop when a swap produced fitness 0, kDone otherwise, kFailed after an
    // exception. With fewer than two individuals there is nothing to mutate.
    int Execute() override;

    NQueenPopulation* population;
    NQueenEvalBase* evalOperator;
    double mutationRate;
};

// Swaps made by one pass: size * rate + 0.5, truncated, its low 32 bits.
// Non-finite results give 0.
std::uint32_t MutationSwapCount(std::uint32_t size, double rate);

// Index of the first individual with the highest fitness: later individuals
// replace the best only when strictly fitter, so ties keep the lowest index and
// a NaN never becomes best. 0 for an empty population.
std::uint32_t FindBestIndex(NQueenPopulation& population);

}  // namespace zarnel
