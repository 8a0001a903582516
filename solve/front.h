#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace zarnel {

// One member of the front a run of several objectives found: its genes, its
// objectives (minimised) and its total violation (0: feasible).
template <class Gene, std::size_t M>
struct FrontMember {
    std::vector<Gene> genes;
    std::array<double, M> objectives{};
    double violation = 0.0;
};

namespace detail {

// The members `indices` of a population whose fitness is Scores<M>, in that
// order. Only while no slave thread works on the population.
template <class Gene, std::size_t M, class Population>
std::vector<FrontMember<Gene, M>> CollectFront(Population& population,
                                               std::span<const std::uint32_t> indices) {
    std::vector<FrontMember<Gene, M>> front;
    front.reserve(indices.size());
    for (const std::uint32_t i : indices) {
        auto* individual = population.GetIndividual(i);
        FrontMember<Gene, M> member;
        member.genes.assign(individual->GetGenes(), individual->GetGenes() + individual->GetLength());
        member.objectives = individual->GetFitness()->objectives;
        member.violation = individual->GetFitness()->violation;
        front.push_back(std::move(member));
    }
    return front;
}

}  // namespace detail

}  // namespace zarnel
