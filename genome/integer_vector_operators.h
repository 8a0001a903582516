#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "genome/integer_vector.h"
#include "genome/operators_of.h"
#include "genome/random.h"

namespace zarnel {

// How children of the integer-vector kind are bred: uniform crossover, a
// mutation, and how often each applies. A plain value chosen in the options
// of a run and named in its record; Breed is const and may run on any number
// of threads at once, each with its own Random.
struct IntegerVectorOperators {
    enum class Crossover { kUniform };
    enum class Mutation { kRandomReset, kCreep };

    Crossover crossover = Crossover::kUniform;
    Mutation mutation = Mutation::kRandomReset;
    std::int64_t creepStep = 1;  // creep moves by 1 .. creepStep either way, >= 1
    double crossoverRate = 0.9;  // chance a child comes from crossover, else a copy of the best parent
    double mutationRate = -1.0;  // chance of each gene to mutate; negative: 1 / length

    // "uniform+<mutation>": "random_reset" or "creep".
    std::string Name() const;

    // "" when the choice is usable, else why not (a rate outside [0, 1] or
    // NaN, a creep step below 1, an enumerator that names nothing).
    std::string Validate() const;

    // One child, as PermutationOperators::Breed: `parents` best first (at
    // least one), `child` receives the new genome, within the bounds.
    void Breed(const IntegerVector& kind, std::span<const std::span<const std::int64_t>> parents,
               std::span<std::int64_t> child, Random& random) const;
};

template <>
struct OperatorsFor<IntegerVector> {
    using type = IntegerVectorOperators;
};

}  // namespace zarnel
