#pragma once

#include <cstdint>

#include "nqueen/nqueen_types.h"

namespace zarnel {

// Scores a placement of N queens by its diagonal conflicts: each queen beyond
// the first on a diagonal costs the reciprocal of that diagonal's length, so
// fitness is never positive and 0 marks a solution. Points to the population
// that Execute() walks, without owning it. Evaluate may be called from any
// number of threads at once, each on an individual it has exclusive use of;
// its counters live in storage private to the calling thread.
class CNQeenEvalOperator : public NQueenEvalBase {
public:
    explicit CNQeenEvalOperator(NQueenPopulation* pop) : NQueenEvalBase(pop) {}

    // Stores the individual's fitness and returns kDone. Returns kFailed, the
    // fitness untouched, when a gene is not below the gene count or memory runs
    // out. Zero genes score as a solution.
    int Evaluate(NQueenIndividual* individual) override;
};

// The fitness of `count` rows as Evaluate computes it: the surpluses summed in
// double precision, negated and narrowed to float once. Every gene must be
// below count; may throw std::bad_alloc.
float NQueenFitness(const std::uint16_t* genes, std::uint32_t count);

// The fitness of a board from its queens per diagonal: sums[k] queens with
// row + column k, differences[k] with row + (count - 1) - column k, for k
// below 2 * count - 1. The same arithmetic as NQueenFitness, so a board whose
// counts are kept up to date move by move scores the same to the last bit.
float NQueenFitnessFromDiagonals(const std::uint32_t* sums, const std::uint32_t* differences,
                                 std::uint32_t count);

// The same fitness computed with two freshly allocated counter arrays per
// call and the diagonal length worked out from its index each time: the
// straightforward form, kept as the reference for the fast one.
float NQueenFitnessReference(const std::uint16_t* genes, std::uint32_t count);

}  // namespace zarnel
