#pragma once

#include <cstdint>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "framework/operator.h"

namespace zarnel {

// One tournament step: claims three random individuals through the busy
// flags, ranks them by fitness and overwrites the worst with a uniform
// crossover child of the other two, then scores it. Points to the population
// and the evaluation operator, owns neither. One object is shared by every
// slave thread; Execute keeps all its working state on the caller's stack.
class CDefaultSelectionOperator : public COperatorBase {
public:
    // Failed claim attempts in a row after which a step gives up. While the
    // population holds more than twice as many individuals as there are
    // threads, each attempt finds a free individual with probability at least
    // 1/32767, so giving up then has probability below e^-128; below that size
    // the threads can all be waiting for one another, and giving up (with
    // every claim released) is what lets them go on.
    static constexpr std::uint32_t kMaxClaimAttempts = 1u << 22;

    CDefaultSelectionOperator(BenchPopulation* pop, CDefaultEvalOperator* eval);

    // 1 after a step; -1 if anything threw (the claims are released first),
    // if no three claims could be made, or if the population holds fewer than
    // three individuals.
    int Execute() override;

    BenchPopulation* population;
    CDefaultEvalOperator* evalOperator;
};

}  // namespace zarnel
