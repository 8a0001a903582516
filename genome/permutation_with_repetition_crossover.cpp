// The operators of the permutation-with-repetition kind: the random start
// and the three crossovers (JOX, GOX, PPX).
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "genome/detail/scratch.h"
#include "genome/permutation_with_repetition_variation.h"
#include "platform/per_thread.h"

namespace zarnel::repetition {

namespace {

using genome_detail::Disjoint;
using genome_detail::Scratch;

// A thread's buffers, reused by its next crossover. `keep`, `seen` and
// `marked` are all 0 between calls.
struct CrossoverScratch {
    std::vector<std::uint8_t> keep;     // JOX: value -> kept from p1
    std::vector<std::uint32_t> seen;    // value -> occurrences counted so far
    std::vector<std::uint32_t> offset;  // GOX: value -> its first operation's number
    std::vector<std::uint8_t> marked;   // GOX: operation -> in the donor's substring
    std::vector<std::uint32_t> first;   // PPX: p1's occurrence numbers, by position
    std::vector<std::uint32_t> second;  // PPX: p2's occurrence numbers, by position
};

void CheckArguments(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                    std::span<std::uint32_t> child) {
    assert(p1.size() == p2.size() && p1.size() == child.size());
    assert(Disjoint(child, p1) && Disjoint(child, p2));
    (void)p1, (void)p2, (void)child;
}

// occurrence[i] = how many times genes[i] appeared before position i; `seen`
// (one counter per value, all 0) is left at 0.
void Occurrences(std::span<const std::uint32_t> genes, std::span<std::uint32_t> seen,
                 std::span<std::uint32_t> occurrence) {
    for (std::size_t i = 0; i < genes.size(); ++i) occurrence[i] = seen[genes[i]]++;
    for (const std::uint32_t value : genes) seen[value] = 0;
}

}  // namespace

void Shuffle(std::span<const std::uint32_t> counts, std::span<std::uint32_t> genes, Random& random) {
    std::size_t i = 0;
    for (std::uint32_t value = 0; value < counts.size(); ++value) {
        for (std::uint32_t k = 0; k < counts[value]; ++k) genes[i++] = value;
    }
    assert(i == genes.size());
    genome_detail::ShuffleInPlace(genes, random);
}

void JoxKeeping(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::span<const std::uint8_t> keep) {
    CheckArguments(p1, p2, child);
    // Both parents hold as many genes of the values not kept, so p2 has one
    // for every position of p1 that is not kept.
    std::size_t read = 0;
    for (std::size_t i = 0; i < child.size(); ++i) {
        if (keep[p1[i]]) {
            child[i] = p1[i];
            continue;
        }
        while (keep[p2[read]]) ++read;
        child[i] = p2[read++];
    }
}

void Jox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random) {
    const std::span<std::uint8_t> keep = Scratch(platform::PerThread<CrossoverScratch>().keep, values);
    genome_detail::ForEachRandomBit(
        values, random, [&](std::size_t v, std::uint64_t bit) { keep[v] = static_cast<std::uint8_t>(bit); });
    JoxKeeping(p1, p2, child, keep);
    std::fill(keep.begin(), keep.end(), std::uint8_t{0});
}

void GoxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::size_t values, std::size_t first, std::size_t last) {
    CheckArguments(p1, p2, child);
    assert(first < last && last <= child.size());
    const std::size_t n = child.size();
    CrossoverScratch& scratch = platform::PerThread<CrossoverScratch>();
    const std::span<std::uint32_t> seen = Scratch(scratch.seen, values);
    const std::span<std::uint32_t> offset = Scratch(scratch.offset, values);
    const std::span<std::uint8_t> marked = Scratch(scratch.marked, n);
    // Operation (v, k) is number offset[v] + k.
    for (const std::uint32_t value : p1) ++seen[value];
    std::uint32_t total = 0;
    for (std::size_t v = 0; v < values; ++v) {
        offset[v] = total;
        total += seen[v];
        seen[v] = 0;
    }
    std::uint32_t firstOperation = 0;
    for (std::size_t i = 0; i < last; ++i) {
        const std::uint32_t operation = offset[p1[i]] + seen[p1[i]]++;
        if (i == first) firstOperation = operation;
        if (i >= first) marked[operation] = 1;
    }
    for (std::size_t i = 0; i < last; ++i) seen[p1[i]] = 0;
    std::size_t write = 0;
    for (const std::uint32_t value : p2) {
        const std::uint32_t operation = offset[value] + seen[value]++;
        if (!marked[operation]) {
            child[write++] = value;
        } else if (operation == firstOperation) {
            for (std::size_t i = first; i < last; ++i) child[write++] = p1[i];
        }
    }
    assert(write == n);
    for (const std::uint32_t value : p2) seen[value] = 0;
    std::fill(marked.begin(), marked.end(), std::uint8_t{0});
}

void Gox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random) {
    const std::size_t n = child.size();
    if (n < 2) {
        std::copy(p1.begin(), p1.end(), child.begin());
        return;
    }
    // Bierwirth's substring: between a third and a half of the genome.
    const std::size_t shortest = std::max<std::size_t>(1, n / 3);
    const std::size_t longest = std::max(shortest, n / 2);
    const std::size_t length = shortest + static_cast<std::size_t>(random.Below64(longest - shortest + 1));
    const std::size_t first = static_cast<std::size_t>(random.Below64(n - length + 1));
    GoxSegment(p1, p2, child, values, first, first + length);
}

void Ppx(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random) {
    CheckArguments(p1, p2, child);
    const std::size_t n = child.size();
    CrossoverScratch& scratch = platform::PerThread<CrossoverScratch>();
    const std::span<std::uint32_t> consumed = Scratch(scratch.seen, values);
    const std::span<std::uint32_t> occurrence1 = Scratch(scratch.first, n);
    const std::span<std::uint32_t> occurrence2 = Scratch(scratch.second, n);
    Occurrences(p1, consumed, occurrence1);
    Occurrences(p2, consumed, occurrence2);
    // A parent's operations before its read position are all in the child;
    // an operation further on is in it when the child already holds that
    // many of its value (the child takes each value's operations in order).
    std::size_t read1 = 0, read2 = 0;
    genome_detail::ForEachRandomBit(n, random, [&](std::size_t i, std::uint64_t bit) {
        const std::span<const std::uint32_t> parent = bit ? p2 : p1;
        const std::span<const std::uint32_t> occurrence = bit ? occurrence2 : occurrence1;
        std::size_t& read = bit ? read2 : read1;
        while (occurrence[read] < consumed[parent[read]]) ++read;
        const std::uint32_t value = parent[read++];
        ++consumed[value];
        child[i] = value;
    });
    for (const std::uint32_t value : p1) consumed[value] = 0;
}

}  // namespace zarnel::repetition
