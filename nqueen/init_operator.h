#pragma once

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// Initialisation operator: seeds the calling thread's generator from the tick
// count, gives every individual a random permutation and scores the whole
// population. Points to the population and the evaluation operator without
// owning them; runs on the thread that builds the engine, before any slave
// thread exists.
class CNQueenInitOperator : public COperatorBase {
public:
    CNQueenInitOperator(NQueenPopulation* pop, NQueenEvalBase* eval) : population(pop), evalOperator(eval) {}

    // Always returns kDone; takes the gene count from individual 0.
    int Execute() override;

    NQueenPopulation* population;
    NQueenEvalBase* evalOperator;
};

}  // namespace zarnel
