#include "genome/bit_string_variation.h"

#include <algorithm>
#include <cassert>

#include "genome/detail/scratch.h"

namespace zarnel::bits {

namespace {

void CheckArguments(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
                    std::span<std::uint8_t> child) {
    assert(p1.size() == p2.size() && p1.size() == child.size());
    assert(genome_detail::Disjoint(child, p1) && genome_detail::Disjoint(child, p2));
    (void)p1, (void)p2, (void)child;
}

// The child of p1 and p2 that takes p2's genes in [a, b) and p1's elsewhere.
void Splice(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2, std::span<std::uint8_t> child,
            std::size_t a, std::size_t b) {
    std::copy(p1.begin(), p1.begin() + a, child.begin());
    std::copy(p2.begin() + a, p2.begin() + b, child.begin() + a);
    std::copy(p1.begin() + b, p1.end(), child.begin() + b);
}

}  // namespace

void RandomInit(std::span<std::uint8_t> genes, Random& random) {
    genome_detail::ForEachRandomBit(genes.size(), random, [&](std::size_t i, std::uint64_t bit) {
        genes[i] = static_cast<std::uint8_t>(bit);
    });
}

void OnePoint(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
              std::span<std::uint8_t> child, Random& random) {
    CheckArguments(p1, p2, child);
    const std::size_t n = child.size();
    const std::size_t cut = n < 2 ? n : 1 + static_cast<std::size_t>(random.Below64(n - 1));
    Splice(p1, p2, child, cut, n);
}

void TwoPoint(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
              std::span<std::uint8_t> child, Random& random) {
    const std::size_t n = child.size();
    if (n < 3) {
        OnePoint(p1, p2, child, random);
        return;
    }
    CheckArguments(p1, p2, child);
    // Two distinct cuts of the n - 1 between genes.
    std::size_t a = 1 + static_cast<std::size_t>(random.Below64(n - 1));
    std::size_t b = 1 + static_cast<std::size_t>(random.Below64(n - 2));
    if (b >= a) ++b;
    if (a > b) std::swap(a, b);
    Splice(p1, p2, child, a, b);
}

void Uniform(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
             std::span<std::uint8_t> child, Random& random) {
    CheckArguments(p1, p2, child);
    // p2's gene where the bit is 1, without a branch that the random bit
    // would mispredict half of the time.
    genome_detail::ForEachRandomBit(child.size(), random, [&](std::size_t i, std::uint64_t bit) {
        const auto take = static_cast<std::uint8_t>(0u - bit);
        child[i] = static_cast<std::uint8_t>(p1[i] ^ ((p1[i] ^ p2[i]) & take));
    });
}

void FlipMutation(std::span<std::uint8_t> genes, double perBit, Random& random) {
    if (!(perBit > 0.0)) return;
    if (perBit >= 1.0) {
        for (std::uint8_t& gene : genes) gene ^= 1u;
        return;
    }
    for (std::uint8_t& gene : genes) {
        if (random.Uniform() < perBit) gene ^= 1u;
    }
}

}  // namespace zarnel::bits
