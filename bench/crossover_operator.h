#pragma once

#include "bench/bench_types.h"
#include "framework/operator.h"

namespace zarnel {

// Uniform bitwise crossover: for each gene a random 32-bit mask m picks the
// child's bits, (parent2 & ~m) | (parent1 & m), so set mask bits come from the
// fitter parent1. Points to three individuals of the population, owns none.
// Made on the stack of one tournament step, on the thread that holds the
// claims on all three individuals.
class CDefaultCrossoverOperator : public COperatorBase {
public:
    CDefaultCrossoverOperator(BenchIndividual* first, BenchIndividual* second, BenchIndividual* offspring);

    // Writes the child's genes; 1, or -1 if anything throws. The child's
    // fitness is left alone.
    int Execute() override;

    BenchIndividual* parent1;
    BenchIndividual* parent2;
    BenchIndividual* child;
};

}  // namespace zarnel
