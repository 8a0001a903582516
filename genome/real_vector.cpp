#include "genome/real_vector.h"

#include <cassert>

#include "genome/detail/bounds.h"
#include "genome/gene_text.h"
#include "genome/real_vector_variation.h"

namespace zarnel {

std::string RealVector::Validate() const { return genome_detail::ValidateBounds(lower, upper); }

void RealVector::Init(std::span<Gene> genes, Random& random) const {
    assert(genes.size() == lower.size());
    real::UniformInit(genes, *this, random);
}

std::string RealVector::Check(std::span<const Gene> genes) const {
    return genome_detail::CheckWithinBounds(genes, lower, upper);
}

void RealVector::Write(std::span<const Gene> genes, std::string& out) const { gene_text::Write(genes, out); }

std::string RealVector::Read(std::string_view text, std::span<Gene> genes) const {
    assert(genes.size() == lower.size());
    return gene_text::Read(text, genes);
}

}  // namespace zarnel
