#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "genome/operators_of.h"
#include "genome/permutation_operators.h"
#include "genome/permutation_with_repetition.h"
#include "genome/random.h"

namespace zarnel {

// How children of the permutation-with-repetition kind are bred: which
// crossover, which mutation move, and how often each applies. A plain value
// chosen in the options of a run and named in its record; Breed is const and
// may run on any number of threads at once, each with its own Random.
struct PermutationWithRepetitionOperators {
    enum class Crossover { kJox, kGox, kPpx };
    // The permutation kind's moves, which keep the counts.
    using Mutation = PermutationOperators::Mutation;

    Crossover crossover = Crossover::kJox;
    Mutation mutation = Mutation::kSwap;
    double crossoverRate = 0.9;  // chance a child comes from crossover, else a copy of the best parent
    double mutationRate = 0.2;   // chance the child gets one mutation move

    // "<crossover>+<mutation>": "jox", "gox" or "ppx", then "swap",
    // "insertion" or "inversion".
    std::string Name() const;

    // "" when the choice is usable, else why not (a rate outside [0, 1] or
    // NaN, an enumerator that names nothing).
    std::string Validate() const;

    // One child: `parents` best first (at least one; a crossover needs two),
    // `child` (not overlapping a parent) holds on entry the genes of the
    // individual it replaces and on return the new genome. Validate() must
    // have passed.
    void Breed(const PermutationWithRepetition& kind, std::span<const std::span<const std::uint32_t>> parents,
               std::span<std::uint32_t> child, Random& random) const;
};

template <>
struct OperatorsFor<PermutationWithRepetition> {
    using type = PermutationWithRepetitionOperators;
};

}  // namespace zarnel
