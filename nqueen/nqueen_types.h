#pragma once

#include <cstdint>

#include "framework/individual.h"
#include "framework/operator.h"
#include "framework/population.h"

namespace zarnel {

// The solver's individual: N genes that form a permutation of 0 .. N-1 (gene i
// is the row of the queen in column i) and a float fitness that is never
// positive, 0 marking a solution.
using NQueenIndividual = CIndividual<std::uint16_t, float>;
using NQueenPopulation = CPopulation<NQueenIndividual>;
using NQueenEvalBase = CEvalOperatorBase<NQueenPopulation>;

}  // namespace zarnel
