#pragma once

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// One tournament step: claims three distinct individuals through the busy
// flags, ranks them by fitness, replaces the worst by a crossover child of the
// other two and scores it. Points to the population and the evaluation
// operator without owning them. Shared by all slave threads, which call
// Execute() at the same time; the claims keep them apart.
class CNQueenSelectionOperator : public COperatorBase {
public:
    CNQueenSelectionOperator(NQueenPopulation* pop, NQueenEvalBase* eval)
        : population(pop), evalOperator(eval) {}

    // kStop when one of the three ranked individuals has fitness 0 after the
    // step, kDone otherwise, kFailed after an exception (claims released).
    // A population of fewer than three individuals gives kFailed at once.
    int Execute() override;

    NQueenPopulation* population;
    NQueenEvalBase* evalOperator;
};

}  // namespace zarnel
