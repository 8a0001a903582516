#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace nqueen_test {

// Copies rows into an individual's genes.
inline void SetGenes(zarnel::NQueenIndividual& individual, std::initializer_list<std::uint16_t> rows) {
    std::copy(rows.begin(), rows.end(), individual.GetGenes());
}

inline std::vector<std::uint16_t> GenesOf(zarnel::NQueenIndividual& individual) {
    return {individual.GetGenes(), individual.GetGenes() + individual.GetLength()};
}

inline bool IsPermutation(const std::vector<std::uint16_t>& genes) {
    std::vector<bool> seen(genes.size(), false);
    for (std::uint16_t g : genes) {
        if (g >= genes.size() || seen[g]) return false;
        seen[g] = true;
    }
    return true;
}

// An evaluation operator that records which individuals it scored, in order,
// and gives each a scripted fitness (the last entry repeats).
class RecordingEval : public zarnel::NQueenEvalBase {
public:
    explicit RecordingEval(zarnel::NQueenPopulation* pop, std::vector<float> results = {-1.0f})
        : zarnel::NQueenEvalBase(pop), fitnesses(std::move(results)) {}

    int Evaluate(zarnel::NQueenIndividual* individual) override {
        const std::size_t call = scored.size();
        scored.push_back(individual);
        individual->SetFitness(fitnesses[std::min(call, fitnesses.size() - 1)]);
        return zarnel::kDone;
    }

    std::vector<float> fitnesses;
    std::vector<zarnel::NQueenIndividual*> scored;
};

}  // namespace nqueen_test
