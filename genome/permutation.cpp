#include "genome/permutation.h"

#include <cassert>
#include <vector>

#include "genome/gene_text.h"
#include "genome/permutation_variation.h"

namespace zarnel {

std::string Permutation::Validate() const { return length == 0 ? "the permutation's length is 0" : ""; }

void Permutation::Init(std::span<Gene> genes, Random& random) const {
    assert(genes.size() == length);
    permutation::Shuffle(genes, random);
}

std::string Permutation::Check(std::span<const Gene> genes) const {
    if (genes.size() != length) {
        return "expected " + std::to_string(length) + " genes, found " + std::to_string(genes.size());
    }
    // Where each value was first seen, from 1; 0 for not yet.
    std::vector<std::uint32_t> seenAt(length, 0);
    for (std::uint32_t i = 0; i < length; ++i) {
        const Gene value = genes[i];
        if (value >= length) {
            return "gene " + std::to_string(i + 1) + " is " + std::to_string(value) +
                   ", not below the length " + std::to_string(length);
        }
        if (seenAt[value] != 0) {
            return "value " + std::to_string(value) + " appears at genes " + std::to_string(seenAt[value]) +
                   " and " + std::to_string(i + 1);
        }
        seenAt[value] = i + 1;
    }
    return "";
}

void Permutation::Write(std::span<const Gene> genes, std::string& out) const { gene_text::Write(genes, out); }

std::string Permutation::Read(std::string_view text, std::span<Gene> genes) const {
    assert(genes.size() == length);
    return gene_text::Read(text, genes);
}

}  // namespace zarnel
