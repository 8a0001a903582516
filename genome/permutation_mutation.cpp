// The one-genome operators of the permutation kind: the random start and
// the three mutation moves.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "genome/detail/scratch.h"
#include "genome/permutation_variation.h"

namespace zarnel::permutation {

namespace {

// Two distinct positions of n >= 2, uniformly over the ordered pairs.
std::pair<std::size_t, std::size_t> TwoPositions(std::size_t n, Random& random) {
    const std::uint64_t a = random.Below64(n);
    std::uint64_t b = random.Below64(n - 1);
    if (b >= a) ++b;
    return {static_cast<std::size_t>(a), static_cast<std::size_t>(b)};
}

}  // namespace

void Shuffle(std::span<std::uint32_t> genes, Random& random) {
    for (std::size_t i = 0; i < genes.size(); ++i) genes[i] = static_cast<std::uint32_t>(i);
    genome_detail::ShuffleInPlace(genes, random);
}

void SwapMutation(std::span<std::uint32_t> genes, Random& random) {
    if (genes.size() < 2) return;
    const auto [a, b] = TwoPositions(genes.size(), random);
    std::swap(genes[a], genes[b]);
}

void InsertionMutation(std::span<std::uint32_t> genes, Random& random) {
    if (genes.size() < 2) return;
    const auto [from, to] = TwoPositions(genes.size(), random);
    // Moving the gene at `from` to `to` shifts the ones between by one.
    if (from < to) {
        std::rotate(genes.begin() + from, genes.begin() + from + 1, genes.begin() + to + 1);
    } else {
        std::rotate(genes.begin() + to, genes.begin() + from, genes.begin() + from + 1);
    }
}

void InversionMutation(std::span<std::uint32_t> genes, Random& random) {
    if (genes.size() < 2) return;
    auto [a, b] = TwoPositions(genes.size(), random);
    if (a > b) std::swap(a, b);
    std::reverse(genes.begin() + a, genes.begin() + b + 1);
}

}  // namespace zarnel::permutation
