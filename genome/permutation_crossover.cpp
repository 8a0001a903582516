// The order-keeping crossovers of the permutation kind: PMX, OX and cycle
// crossover (edge recombination is in edge_recombination.cpp).
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "genome/detail/scratch.h"
#include "genome/permutation_variation.h"
#include "platform/per_thread.h"

namespace zarnel::permutation {

namespace {

using genome_detail::Disjoint;
using genome_detail::Scratch;

// A thread's buffers, reused by its next crossover.
struct CrossoverScratch {
    std::vector<std::uint32_t> position;  // PMX: value -> position in the child; cycle: in p1
    std::vector<std::uint8_t> inSegment;  // OX: value -> held by the segment; all 0 between calls
};

// A random segment [first, last) of n >= 2 genes: two distinct cut points of
// the n + 1, uniformly, except the pair that spans the whole genome.
void RandomSegment(std::size_t n, Random& random, std::size_t& first, std::size_t& last) {
    for (;;) {
        std::uint64_t a = random.Below64(n + 1);
        std::uint64_t b = random.Below64(n);
        if (b >= a) ++b;
        if (a > b) std::swap(a, b);
        if (a != 0 || b != n) {
            first = static_cast<std::size_t>(a);
            last = static_cast<std::size_t>(b);
            return;
        }
    }
}

void CheckArguments(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                    std::span<std::uint32_t> child) {
    assert(p1.size() == p2.size() && p1.size() == child.size());
    assert(Disjoint(child, p1) && Disjoint(child, p2));
    (void)p1, (void)p2, (void)child;
}

}  // namespace

void PmxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::size_t first, std::size_t last) {
    CheckArguments(p1, p2, child);
    assert(first <= last && last <= child.size());
    // Goldberg and Lingle's position-wise exchanges: start from p2 and, for
    // each segment position i, swap p1[i] into place. A position outside the
    // segment is touched only while it holds a value of p1's segment, so
    // every other gene of p2 stays where it was.
    const std::size_t n = child.size();
    const std::span<std::uint32_t> position = Scratch(platform::PerThread<CrossoverScratch>().position, n);
    for (std::size_t i = 0; i < n; ++i) {
        child[i] = p2[i];
        position[p2[i]] = static_cast<std::uint32_t>(i);
    }
    for (std::size_t i = first; i < last; ++i) {
        const std::uint32_t wanted = p1[i];
        const std::uint32_t from = position[wanted];
        const std::uint32_t displaced = child[i];
        child[from] = displaced;
        position[displaced] = from;
        child[i] = wanted;
        position[wanted] = static_cast<std::uint32_t>(i);
    }
}

void Pmx(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         Random& random) {
    if (child.size() < 2) {
        std::copy(p1.begin(), p1.end(), child.begin());
        return;
    }
    std::size_t first = 0, last = 0;
    RandomSegment(child.size(), random, first, last);
    PmxSegment(p1, p2, child, first, last);
}

void OxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
               std::span<std::uint32_t> child, std::size_t first, std::size_t last) {
    CheckArguments(p1, p2, child);
    assert(first <= last && last <= child.size());
    const std::size_t n = child.size();
    const std::span<std::uint8_t> inSegment = Scratch(platform::PerThread<CrossoverScratch>().inSegment, n);
    for (std::size_t i = first; i < last; ++i) {
        child[i] = p1[i];
        inSegment[p1[i]] = 1;
    }
    // Davis's order: the free positions from `last` on, wrapping, get p2's
    // other values in p2's order from `last` on.
    std::size_t write = last == n ? 0 : last;
    const std::size_t freeCount = n - (last - first);
    std::size_t read = write;
    for (std::size_t written = 0; written < freeCount; read = read + 1 == n ? 0 : read + 1) {
        const std::uint32_t value = p2[read];
        if (inSegment[value]) continue;
        child[write] = value;
        write = write + 1 == n ? 0 : write + 1;
        ++written;
    }
    for (std::size_t i = first; i < last; ++i) inSegment[p1[i]] = 0;
}

void Ox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
        Random& random) {
    if (child.size() < 2) {
        std::copy(p1.begin(), p1.end(), child.begin());
        return;
    }
    std::size_t first = 0, last = 0;
    RandomSegment(child.size(), random, first, last);
    OxSegment(p1, p2, child, first, last);
}

void Cycle(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
           std::span<std::uint32_t> child, Random& random) {
    CheckArguments(p1, p2, child);
    const std::size_t n = child.size();
    if (n == 0) return;
    const std::span<std::uint32_t> positionInP1 =
        Scratch(platform::PerThread<CrossoverScratch>().position, n);
    for (std::size_t i = 0; i < n; ++i) {
        child[i] = p2[i];
        positionInP1[p1[i]] = static_cast<std::uint32_t>(i);
    }
    const auto start = static_cast<std::uint32_t>(random.Below64(n));
    std::uint32_t i = start;
    do {
        child[i] = p1[i];
        i = positionInP1[p2[i]];
    } while (i != start);
}

}  // namespace zarnel::permutation
