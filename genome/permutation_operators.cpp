#include "genome/permutation_operators.h"

#include <algorithm>
#include <cassert>

#include "genome/detail/choice_check.h"
#include "genome/detail/permutation_moves.h"
#include "genome/permutation_variation.h"

namespace zarnel {

namespace {

const char* CrossoverName(PermutationOperators::Crossover crossover) {
    using Crossover = PermutationOperators::Crossover;
    switch (crossover) {
        case Crossover::kPmx:
            return "pmx";
        case Crossover::kOx:
            return "ox";
        case Crossover::kCycle:
            return "cycle";
        case Crossover::kEdgeRecombination:
            return "edge_recombination";
    }
    return nullptr;
}

}  // namespace

std::string PermutationOperators::Name() const {
    const char* crossoverName = CrossoverName(crossover);
    const char* mutationName = genome_detail::MoveName(mutation);
    return std::string(crossoverName ? crossoverName : "unknown") + "+" +
           (mutationName ? mutationName : "unknown");
}

std::string PermutationOperators::Validate() const {
    using genome_detail::RateFault;
    if (!CrossoverName(crossover))
        return genome_detail::UnknownFault("crossover", static_cast<int>(crossover));
    if (!genome_detail::MoveName(mutation))
        return genome_detail::UnknownFault("mutation", static_cast<int>(mutation));
    std::string fault = RateFault("crossoverRate", crossoverRate);
    if (fault.empty()) fault = RateFault("mutationRate", mutationRate);
    return fault;
}

void PermutationOperators::Breed(const Permutation& kind,
                                 std::span<const std::span<const std::uint32_t>> parents,
                                 std::span<std::uint32_t> child, Random& random) const {
    assert(!parents.empty() && child.size() == kind.Length());
    (void)kind;
    const std::span<const std::uint32_t> best = parents[0];
    if (parents.size() >= 2 && random.Chance(crossoverRate)) {
        const std::span<const std::uint32_t> other = parents[1];
        switch (crossover) {
            case Crossover::kPmx:
                permutation::Pmx(best, other, child, random);
                break;
            case Crossover::kOx:
                permutation::Ox(best, other, child, random);
                break;
            case Crossover::kCycle:
                permutation::Cycle(best, other, child, random);
                break;
            case Crossover::kEdgeRecombination:
                permutation::EdgeRecombination(best, other, child, random);
                break;
        }
    } else {
        std::copy(best.begin(), best.end(), child.begin());
    }
    if (random.Chance(mutationRate)) genome_detail::Move(mutation, child, random);
}

}  // namespace zarnel
