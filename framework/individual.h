#pragma once

#include <cstdint>
#include <memory>

namespace zarnel {

// One candidate solution: an array of genes and one fitness value. The
// individual owns its gene array; it attaches no meaning to the fitness.
// Created once by the population, right after construction, then changed in
// place by the operators; whoever calls it must have exclusive use of it
// (a claim on the population, or the slave threads idle).
template <typename GeneType, typename FitnessType>
class CIndividual final {
public:
    using Gene = GeneType;
    using Fitness = FitnessType;

    CIndividual() = default;
    CIndividual(const CIndividual&) = delete;
    CIndividual& operator=(const CIndividual&) = delete;
    virtual ~CIndividual() = default;

    // Gives the individual `count` genes whose values are unset until an
    // initialisation operator fills them. A second call replaces the array.
    virtual void Create(std::uint32_t count) {
        length = count;
        genes = std::make_unique_for_overwrite<GeneType[]>(count);
    }

    virtual GeneType* GetGenes() { return genes.get(); }
    virtual std::uint32_t GetLength() { return length; }
    virtual FitnessType* GetFitness() { return &fitness; }
    virtual void SetFitness(const FitnessType& value) { fitness = value; }

    std::unique_ptr<GeneType[]> genes;  // null until Create
    std::uint32_t length = 0;
    FitnessType fitness{};  // zero until the first successful evaluation
};

}  // namespace zarnel
