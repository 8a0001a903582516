#pragma once

#include <cstdint>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "framework/operator.h"

namespace zarnel {

// The benchmark's master operator: flips size * genes * mutationRate random
// bits (rounded half up) in random individuals, sparing the best one, and
// re-scores each flipped individual. Points to the population and the
// evaluation operator, owns neither. Runs on the master thread while every
// slave thread waits, so it claims no busy flags.
class CDefaultMutationOperator : public COperatorBase {
public:
    CDefaultMutationOperator(BenchPopulation* pop, CDefaultEvalOperator* eval, double rate);

    // 1 after the pass; -1 if anything threw (the remaining flips are
    // skipped). A population with fewer than two individuals, or without
    // genes, has nothing to flip that would spare the best.
    int Execute() override;

    // The number of flips of one pass: product * rate + 0.5 truncated; 0 for
    // a negative or NaN result, and at most 2^32 - 1.
    static std::uint32_t FlipCount(std::uint32_t product, double rate);

    BenchPopulation* population;
    CDefaultEvalOperator* evalOperator;
    double mutationRate;  // expected fraction of all gene bits flipped per pass
};

}  // namespace zarnel
