#include "genome/permutation_with_repetition.h"

#include <cassert>
#include <cstdint>
#include <numeric>

#include "genome/gene_text.h"
#include "genome/permutation_with_repetition_variation.h"

namespace zarnel {

namespace {

std::uint64_t Total(const std::vector<std::uint32_t>& counts) {
    return std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
}

// "1st", "2nd", "3rd", "4th", "11th", "21st", ...
std::string Ordinal(std::uint64_t n) {
    const std::uint64_t lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        if (n % 10 == 1) suffix = "st";
        if (n % 10 == 2) suffix = "nd";
        if (n % 10 == 3) suffix = "rd";
    }
    return std::to_string(n) + suffix;
}

}  // namespace

std::uint32_t PermutationWithRepetition::Length() const { return static_cast<std::uint32_t>(Total(counts)); }

std::string PermutationWithRepetition::Validate() const {
    if (counts.empty()) return "the permutation with repetition has no values";
    const std::uint64_t total = Total(counts);
    if (total == 0) return "the permutation with repetition has no genes (every count is 0)";
    if (total > UINT32_MAX) {
        return "the permutation with repetition has " + std::to_string(total) +
               " genes, more than 4294967295";
    }
    return "";
}

void PermutationWithRepetition::Init(std::span<Gene> genes, Random& random) const {
    assert(genes.size() == Total(counts));
    repetition::Shuffle(counts, genes, random);
}

std::string PermutationWithRepetition::Check(std::span<const Gene> genes) const {
    if (genes.size() != Total(counts)) {
        return "expected " + std::to_string(Total(counts)) + " genes, found " + std::to_string(genes.size());
    }
    // Each value's occurrences so far. With every value within its count and
    // the length right, every count is met exactly.
    std::vector<std::uint32_t> seen(counts.size(), 0);
    for (std::size_t i = 0; i < genes.size(); ++i) {
        const Gene value = genes[i];
        if (value >= counts.size()) {
            return "gene " + std::to_string(i + 1) + " is " + std::to_string(value) +
                   ", not below the number of values " + std::to_string(counts.size());
        }
        if (++seen[value] > counts[value]) {
            const std::string most = counts[value] == 1 ? "once" : std::to_string(counts[value]) + " times";
            return "value " + std::to_string(value) + " appears more than " + most + " (gene " +
                   std::to_string(i + 1) + " is its " + Ordinal(seen[value]) + ")";
        }
    }
    return "";
}

void PermutationWithRepetition::Write(std::span<const Gene> genes, std::string& out) const {
    gene_text::Write(genes, out);
}

std::string PermutationWithRepetition::Read(std::string_view text, std::span<Gene> genes) const {
    assert(genes.size() == Total(counts));
    return gene_text::Read(text, genes);
}

}  // namespace zarnel
