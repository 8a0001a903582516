#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// Initialisation operator: seeds the calling thread's generator from the tick
// count (or from `seed` when it is set), gives every individual a random
// permutation and scores the whole population. Points to the population and the evaluation operator without
// owning them; runs on the thread that builds the engine, before any slave
// thread exists.
class CNQueenInitOperator : public COperatorBase {
public:
    CNQueenInitOperator(NQueenPopulation* pop, NQueenEvalBase* eval) : population(pop), evalOperator(eval) {}

    // Always returns kDone; takes the gene count from individual 0.
    int Execute() override;

    NQueenPopulation* population;
    NQueenEvalBase* evalOperator;
    std::optional<std::uint32_t> seed;  // none: the tick count, as always
    std::uint32_t seedUsed = 0;         // the seed of the last Execute
};

// Initialisation from individuals given in advance (a population dump read
// back): seeds the calling thread's generator with `seed`, copies `genes`
// (size x N values, individual by individual) into the population and scores
// it. The genes must be permutations of 0 .. N-1 and there must be as many
// individuals as the population holds. Same threads as CNQueenInitOperator.
class CNQueenResumeOperator : public COperatorBase {
public:
    CNQueenResumeOperator(NQueenPopulation* pop, NQueenEvalBase* eval, std::vector<std::uint16_t> genes,
                          std::uint32_t seed)
        : population(pop), evalOperator(eval), genes_(std::move(genes)), seed_(seed) {}

    // Always returns kDone.
    int Execute() override;

    NQueenPopulation* population;
    NQueenEvalBase* evalOperator;

private:
    std::vector<std::uint16_t> genes_;
    std::uint32_t seed_;
};

}  // namespace zarnel
