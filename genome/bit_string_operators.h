#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "genome/bit_string.h"
#include "genome/operators_of.h"
#include "genome/random.h"

namespace zarnel {

// How children of the bit-string kind are bred: which crossover, how often,
// and the chance of each bit to flip. A plain value chosen in the options of
// a run and named in its record; Breed is const and may run on any number
// of threads at once, each with its own Random.
struct BitStringOperators {
    enum class Crossover { kOnePoint, kTwoPoint, kUniform };

    Crossover crossover = Crossover::kUniform;
    double crossoverRate = 0.9;  // chance a child comes from crossover, else a copy of the best parent
    double flipRate = -1.0;      // chance of each bit to flip; negative: 1 / length

    // "<crossover>+flip": "one_point", "two_point" or "uniform".
    std::string Name() const;

    // "" when the choice is usable, else why not (a rate outside [0, 1] or
    // NaN, an enumerator that names nothing).
    std::string Validate() const;

    // One child, as PermutationOperators::Breed: `parents` best first (at
    // least one), `child` receives the new genome.
    void Breed(const BitString& kind, std::span<const std::span<const std::uint8_t>> parents,
               std::span<std::uint8_t> child, Random& random) const;
};

template <>
struct OperatorsFor<BitString> {
    using type = BitStringOperators;
};

}  // namespace zarnel
