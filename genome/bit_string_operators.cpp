#include "genome/bit_string_operators.h"

#include <algorithm>
#include <cassert>

#include "genome/bit_string_variation.h"
#include "genome/detail/choice_check.h"

namespace zarnel {

namespace {

const char* CrossoverName(BitStringOperators::Crossover crossover) {
    using Crossover = BitStringOperators::Crossover;
    switch (crossover) {
        case Crossover::kOnePoint:
            return "one_point";
        case Crossover::kTwoPoint:
            return "two_point";
        case Crossover::kUniform:
            return "uniform";
    }
    return nullptr;
}

}  // namespace

std::string BitStringOperators::Name() const {
    const char* crossoverName = CrossoverName(crossover);
    return std::string(crossoverName ? crossoverName : "unknown") + "+flip";
}

std::string BitStringOperators::Validate() const {
    if (!CrossoverName(crossover))
        return genome_detail::UnknownFault("crossover", static_cast<int>(crossover));
    std::string fault = genome_detail::RateFault("crossoverRate", crossoverRate);
    if (fault.empty()) fault = genome_detail::RateFault("flipRate", flipRate, true);
    return fault;
}

void BitStringOperators::Breed(const BitString& kind, std::span<const std::span<const std::uint8_t>> parents,
                               std::span<std::uint8_t> child, Random& random) const {
    assert(!parents.empty() && child.size() == kind.Length());
    const std::span<const std::uint8_t> best = parents[0];
    if (parents.size() >= 2 && random.Chance(crossoverRate)) {
        switch (crossover) {
            case Crossover::kOnePoint:
                bits::OnePoint(best, parents[1], child, random);
                break;
            case Crossover::kTwoPoint:
                bits::TwoPoint(best, parents[1], child, random);
                break;
            case Crossover::kUniform:
                bits::Uniform(best, parents[1], child, random);
                break;
        }
    } else {
        std::copy(best.begin(), best.end(), child.begin());
    }
    bits::FlipMutation(child, flipRate < 0.0 ? 1.0 / kind.Length() : flipRate, random);
}

}  // namespace zarnel
