#pragma once

#include <cstdint>

#include "framework/individual.h"
#include "framework/operator.h"
#include "framework/population.h"

namespace zarnel {

// The solver's individual: N genes that form a permutation of 0 .. N-1 (gene i
// is the row of the queen in column i) and a float fitness that is never
// positive, 0 marking a solution. `Gene` is 16 bits wide for every board of
// the classic operators and for the fast set up to 65536 queens, 32 bits for
// the fast set's wider boards.
template <typename Gene>
using QueenIndividualOf = CIndividual<Gene, float>;
template <typename Gene>
using QueenPopulationOf = CPopulation<QueenIndividualOf<Gene>>;

using NQueenIndividual = QueenIndividualOf<std::uint16_t>;
using NQueenPopulation = QueenPopulationOf<std::uint16_t>;
using NQueenEvalBase = CEvalOperatorBase<NQueenPopulation>;

using WideQueenIndividual = QueenIndividualOf<std::uint32_t>;
using WideQueenPopulation = QueenPopulationOf<std::uint32_t>;

// The largest board whose rows fit a 16-bit gene.
inline constexpr std::uint32_t kMaxNarrowQueens = 65536;

}  // namespace zarnel
