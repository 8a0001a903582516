#pragma once

#include <cstdint>
#include <optional>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "framework/operator.h"

namespace zarnel {

// Fills every gene of the population with a random 32-bit word and scores
// every individual. Points to the population and the evaluation operator,
// owns neither. Runs on the thread that builds the engine, before any slave
// thread exists; it seeds that thread's generator from the tick count, or
// from `seed` when that is set.
class CDefaultInitOperator : public COperatorBase {
public:
    CDefaultInitOperator(BenchPopulation* pop, CDefaultEvalOperator* eval);

    // Always 1. The gene count comes from individual 0; an individual with
    // fewer genes gets only as many as it has.
    int Execute() override;

    BenchPopulation* population;
    CDefaultEvalOperator* evalOperator;
    std::optional<std::uint32_t> seed;  // none: the tick count, as always
};

}  // namespace zarnel
