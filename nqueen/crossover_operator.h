#pragma once

#include <cstdint>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// Makes in `child` a permutation that keeps every position on which the two
// parents agree and fills the rest from a random permutation. When the parents
// are identical, parent2 first becomes a fresh random permutation. Points to
// three individuals that the calling tournament step has claimed; built and
// run by that step alone, on its own thread (its index of the child's values
// is storage private to that thread).
class CNQueenCrossoverOperator : public COperatorBase {
public:
    static constexpr int kParent2Replaced = 2;

    CNQueenCrossoverOperator(NQueenIndividual* first, NQueenIndividual* second, NQueenIndividual* offspring)
        : parent1(first), parent2(second), child(offspring) {}

    // kDone, or kParent2Replaced when parent2's genes were replaced (its
    // fitness then needs scoring), or kFailed after an exception. Fitness is
    // not touched.
    int Execute() override;

    NQueenIndividual* parent1;
    NQueenIndividual* parent2;
    NQueenIndividual* child;
};

// For every position i, in order, at which p1 and p2 agree: finds the first
// position j holding p1[i] in child and swaps child[i] and child[j]. A plain
// linear search per position, kept as the reference for faster versions.
void KeepCommonGenes(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child,
                     std::uint32_t count);

// The same pass for a child that is a permutation of 0 .. count-1: an index of
// the position of every value in child replaces the search, so the pass costs
// O(count) however many positions agree. Gives the child KeepCommonGenes
// gives. `position` is scratch storage of count entries.
void KeepCommonGenesIndexed(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child,
                            std::uint32_t count, std::uint32_t* position);

}  // namespace zarnel
