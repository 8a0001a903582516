#include "genome/integer_vector_operators.h"

#include <algorithm>
#include <cassert>

#include "genome/detail/choice_check.h"
#include "genome/integer_vector_variation.h"

namespace zarnel {

namespace {

const char* MutationName(IntegerVectorOperators::Mutation mutation) {
    using Mutation = IntegerVectorOperators::Mutation;
    switch (mutation) {
        case Mutation::kRandomReset:
            return "random_reset";
        case Mutation::kCreep:
            return "creep";
    }
    return nullptr;
}

}  // namespace

std::string IntegerVectorOperators::Name() const {
    const char* mutationName = MutationName(mutation);
    return std::string(crossover == Crossover::kUniform ? "uniform" : "unknown") + "+" +
           (mutationName ? mutationName : "unknown");
}

std::string IntegerVectorOperators::Validate() const {
    if (crossover != Crossover::kUniform) {
        return genome_detail::UnknownFault("crossover", static_cast<int>(crossover));
    }
    if (!MutationName(mutation)) return genome_detail::UnknownFault("mutation", static_cast<int>(mutation));
    if (creepStep < 1) return "creepStep " + std::to_string(creepStep) + " is below 1";
    std::string fault = genome_detail::RateFault("crossoverRate", crossoverRate);
    if (fault.empty()) fault = genome_detail::RateFault("mutationRate", mutationRate, true);
    return fault;
}

void IntegerVectorOperators::Breed(const IntegerVector& kind,
                                   std::span<const std::span<const std::int64_t>> parents,
                                   std::span<std::int64_t> child, Random& random) const {
    assert(!parents.empty() && child.size() == kind.lower.size());
    const std::span<const std::int64_t> best = parents[0];
    if (parents.size() >= 2 && random.Chance(crossoverRate)) {
        integer::UniformCrossover(best, parents[1], child, random);
    } else {
        std::copy(best.begin(), best.end(), child.begin());
    }
    const double perGene = mutationRate < 0.0 ? 1.0 / static_cast<double>(child.size()) : mutationRate;
    switch (mutation) {
        case Mutation::kRandomReset:
            integer::RandomReset(child, kind, random, perGene);
            break;
        case Mutation::kCreep:
            integer::Creep(child, kind, random, perGene, creepStep);
            break;
    }
}

}  // namespace zarnel
