#include "genome/permutation_with_repetition_operators.h"

#include <algorithm>
#include <cassert>

#include "genome/detail/choice_check.h"
#include "genome/detail/permutation_moves.h"
#include "genome/permutation_with_repetition_variation.h"

namespace zarnel {

namespace {

const char* CrossoverName(PermutationWithRepetitionOperators::Crossover crossover) {
    using Crossover = PermutationWithRepetitionOperators::Crossover;
    switch (crossover) {
        case Crossover::kJox:
            return "jox";
        case Crossover::kGox:
            return "gox";
        case Crossover::kPpx:
            return "ppx";
    }
    return nullptr;
}

}  // namespace

std::string PermutationWithRepetitionOperators::Name() const {
    const char* crossoverName = CrossoverName(crossover);
    const char* mutationName = genome_detail::MoveName(mutation);
    return std::string(crossoverName ? crossoverName : "unknown") + "+" +
           (mutationName ? mutationName : "unknown");
}

std::string PermutationWithRepetitionOperators::Validate() const {
    using genome_detail::RateFault;
    if (!CrossoverName(crossover))
        return genome_detail::UnknownFault("crossover", static_cast<int>(crossover));
    if (!genome_detail::MoveName(mutation))
        return genome_detail::UnknownFault("mutation", static_cast<int>(mutation));
    std::string fault = RateFault("crossoverRate", crossoverRate);
    if (fault.empty()) fault = RateFault("mutationRate", mutationRate);
    return fault;
}

void PermutationWithRepetitionOperators::Breed(const PermutationWithRepetition& kind,
                                               std::span<const std::span<const std::uint32_t>> parents,
                                               std::span<std::uint32_t> child, Random& random) const {
    assert(!parents.empty() && child.size() == kind.Length());
    const std::span<const std::uint32_t> best = parents[0];
    const std::size_t values = kind.counts.size();
    if (parents.size() >= 2 && random.Chance(crossoverRate)) {
        const std::span<const std::uint32_t> other = parents[1];
        switch (crossover) {
            case Crossover::kJox:
                repetition::Jox(best, other, child, values, random);
                break;
            case Crossover::kGox:
                repetition::Gox(best, other, child, values, random);
                break;
            case Crossover::kPpx:
                repetition::Ppx(best, other, child, values, random);
                break;
        }
    } else {
        std::copy(best.begin(), best.end(), child.begin());
    }
    // The permutation kind's moves only rearrange genes, so they keep the counts.
    if (random.Chance(mutationRate)) genome_detail::Move(mutation, child, random);
}

}  // namespace zarnel
