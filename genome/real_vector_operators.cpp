#include "genome/real_vector_operators.h"

#include <algorithm>
#include <cassert>

#include "genome/detail/choice_check.h"
#include "genome/real_vector_variation.h"

namespace zarnel {

namespace {

const char* CrossoverName(RealVectorOperators::Crossover crossover) {
    using Crossover = RealVectorOperators::Crossover;
    switch (crossover) {
        case Crossover::kSbx:
            return "sbx";
        case Crossover::kBlxAlpha:
            return "blx_alpha";
        case Crossover::kArithmetic:
            return "arithmetic";
        case Crossover::kDifferential:
            return "differential";
    }
    return nullptr;
}

const char* MutationName(RealVectorOperators::Mutation mutation) {
    using Mutation = RealVectorOperators::Mutation;
    switch (mutation) {
        case Mutation::kPolynomial:
            return "polynomial";
        case Mutation::kGaussian:
            return "gaussian";
    }
    return nullptr;
}

}  // namespace

std::string RealVectorOperators::Name() const {
    const char* crossoverName = CrossoverName(crossover);
    const char* mutationName = MutationName(mutation);
    std::string name = std::string(crossoverName ? crossoverName : "unknown") + "+" +
                       (mutationName ? mutationName : "unknown");
    if (bounds != Bounds::kShaped) name += bounds == Bounds::kClamped ? "+clamped" : "+unknown";
    return name;
}

std::string RealVectorOperators::Validate() const {
    using genome_detail::AtLeastFault;
    if (!CrossoverName(crossover))
        return genome_detail::UnknownFault("crossover", static_cast<int>(crossover));
    if (!MutationName(mutation)) return genome_detail::UnknownFault("mutation", static_cast<int>(mutation));
    if (bounds != Bounds::kShaped && bounds != Bounds::kClamped)
        return genome_detail::UnknownFault("bounds", static_cast<int>(bounds));
    for (std::string fault : {AtLeastFault("sbxEta", sbxEta, 0.0), AtLeastFault("blxAlpha", blxAlpha, 0.0),
                              AtLeastFault("polynomialEta", polynomialEta, 0.0),
                              AtLeastFault("gaussianSigma", gaussianSigma, 0.0),
                              genome_detail::RateFault("crossoverRate", crossoverRate),
                              genome_detail::RateFault("mutationRate", mutationRate, true),
                              AtLeastFault("differentialWeight", differentialWeight, 0.0),
                              genome_detail::RateFault("differentialRate", differentialRate)}) {
        if (!fault.empty()) return fault;
    }
    return "";
}

void RealVectorOperators::Breed(const RealVector& kind, std::span<const std::span<const double>> parents,
                                std::span<double> child, Random& random) const {
    assert(!parents.empty() && child.size() == kind.lower.size());
    const std::span<const double> best = parents[0];
    if (parents.size() >= 2 && random.Chance(crossoverRate)) {
        switch (crossover) {
            case Crossover::kSbx:
                real::Sbx(best, parents[1], child, kind, random, sbxEta, bounds == Bounds::kClamped);
                break;
            case Crossover::kBlxAlpha:
                real::BlxAlpha(best, parents[1], child, kind, random, blxAlpha);
                break;
            case Crossover::kArithmetic:
                real::Arithmetic(best, parents[1], child, kind, random);
                break;
            case Crossover::kDifferential:
                real::Differential(best, parents[1], parents.size() >= 3 ? parents[2] : best, child, kind,
                                   random, differentialWeight, differentialRate);
                break;
        }
    } else {
        std::copy(best.begin(), best.end(), child.begin());
    }
    const double perGene = mutationRate < 0.0 ? 1.0 / static_cast<double>(child.size()) : mutationRate;
    switch (mutation) {
        case Mutation::kPolynomial:
            real::PolynomialMutation(child, kind, random, polynomialEta, perGene, bounds == Bounds::kClamped);
            break;
        case Mutation::kGaussian:
            real::GaussianMutation(child, kind, random, gaussianSigma, perGene);
            break;
    }
}

}  // namespace zarnel
