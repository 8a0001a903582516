#include "genome/bit_string.h"

#include <cassert>

#include "genome/bit_string_variation.h"
#include "genome/gene_text.h"

namespace zarnel {

std::string BitString::Validate() const { return length == 0 ? "the bit string's length is 0" : ""; }

void BitString::Init(std::span<Gene> genes, Random& random) const {
    assert(genes.size() == length);
    bits::RandomInit(genes, random);
}

std::string BitString::Check(std::span<const Gene> genes) const {
    if (genes.size() != length) {
        return "expected " + std::to_string(length) + " genes, found " + std::to_string(genes.size());
    }
    for (std::size_t i = 0; i < genes.size(); ++i) {
        if (genes[i] > 1) {
            return "gene " + std::to_string(i + 1) + " is " + std::to_string(genes[i]) + ", not 0 or 1";
        }
    }
    return "";
}

void BitString::Write(std::span<const Gene> genes, std::string& out) const { gene_text::Write(genes, out); }

std::string BitString::Read(std::string_view text, std::span<Gene> genes) const {
    assert(genes.size() == length);
    std::string fault = gene_text::Read(text, genes);
    if (!fault.empty()) return fault;
    for (std::size_t i = 0; i < genes.size(); ++i) {
        if (genes[i] > 1) {
            return "word " + std::to_string(i + 1) + " '" + std::to_string(genes[i]) +
                   "' is not a bit (0 or 1)";
        }
    }
    return "";
}

}  // namespace zarnel
