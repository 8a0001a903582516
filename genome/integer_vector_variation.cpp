#include "genome/integer_vector_variation.h"

#include <cassert>

#include "genome/detail/scratch.h"

namespace zarnel::integer {

namespace {

// The arithmetic below runs on unsigned 64-bit values, where it wraps
// instead of overflowing; the results are converted back only once they lie
// in the signed range.
using Unsigned = std::uint64_t;

std::int64_t Clamp(std::int64_t x, std::int64_t lo, std::int64_t hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

// A value uniform over [lo, hi].
std::int64_t Between(std::int64_t lo, std::int64_t hi, Random& random) {
    const Unsigned span = static_cast<Unsigned>(hi) - static_cast<Unsigned>(lo);
    const Unsigned offset = span == ~Unsigned{0} ? random.Next() : random.Below64(span + 1);
    return static_cast<std::int64_t>(static_cast<Unsigned>(lo) + offset);
}

}  // namespace

void UniformInit(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random) {
    assert(genes.size() == kind.lower.size());
    for (std::size_t i = 0; i < genes.size(); ++i) genes[i] = Between(kind.lower[i], kind.upper[i], random);
}

void UniformCrossover(std::span<const std::int64_t> p1, std::span<const std::int64_t> p2,
                      std::span<std::int64_t> child, Random& random) {
    assert(p1.size() == p2.size() && p1.size() == child.size());
    assert(genome_detail::Disjoint(child, p1) && genome_detail::Disjoint(child, p2));
    // p2's gene where the bit is 1, without a branch that the random bit
    // would mispredict half of the time.
    genome_detail::ForEachRandomBit(child.size(), random, [&](std::size_t i, std::uint64_t bit) {
        const Unsigned first = static_cast<Unsigned>(p1[i]), second = static_cast<Unsigned>(p2[i]);
        child[i] = static_cast<std::int64_t>(first ^ ((first ^ second) & (0 - bit)));
    });
}

void RandomReset(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random, double perGene) {
    assert(genes.size() == kind.lower.size());
    for (std::size_t i = 0; i < genes.size(); ++i) {
        if (kind.lower[i] < kind.upper[i] && random.Chance(perGene)) {
            genes[i] = Between(kind.lower[i], kind.upper[i], random);
        }
    }
}

void Creep(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random, double perGene,
           std::int64_t step) {
    assert(genes.size() == kind.lower.size());
    if (step < 1) return;
    const auto reach = static_cast<Unsigned>(step);
    for (std::size_t i = 0; i < genes.size(); ++i) {
        const std::int64_t lo = kind.lower[i], hi = kind.upper[i];
        if (!(lo < hi) || !random.Chance(perGene)) continue;
        const std::int64_t gene = Clamp(genes[i], lo, hi);
        // 2 step values: 0 .. step-1 go down by step .. 1, the others up by 1 .. step.
        const Unsigned draw = random.Below64(2 * reach);
        if (draw < reach) {
            const Unsigned down = reach - draw;
            const Unsigned room = static_cast<Unsigned>(gene) - static_cast<Unsigned>(lo);
            genes[i] = down >= room ? lo : static_cast<std::int64_t>(static_cast<Unsigned>(gene) - down);
        } else {
            const Unsigned up = draw - reach + 1;
            const Unsigned room = static_cast<Unsigned>(hi) - static_cast<Unsigned>(gene);
            genes[i] = up >= room ? hi : static_cast<std::int64_t>(static_cast<Unsigned>(gene) + up);
        }
    }
}

}  // namespace zarnel::integer
