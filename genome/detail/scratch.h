#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "genome/random.h"

// Helpers that the operator files share; not installed.
namespace zarnel::genome_detail {

// The first n elements of a scratch buffer, grown (never shrunk) to hold
// them: a per-thread buffer passed here allocates only when a thread sees
// a larger n than before.
template <class T>
std::span<T> Scratch(std::vector<T>& buffer, std::size_t n) {
    if (buffer.size() < n) buffer.resize(n);
    return {buffer.data(), n};
}

// True when the two spans share no element (for the debug checks that a
// child does not alias a parent).
template <class A, class B>
bool Disjoint(std::span<A> a, std::span<B> b) {
    const std::less<const void*> before;
    return !before(a.data(), b.data() + b.size()) || !before(b.data(), a.data() + a.size()) || a.empty() ||
           b.empty();
}

// Shuffles `genes` in place, uniformly over their arrangements
// (Fisher-Yates, from the last position down).
inline void ShuffleInPlace(std::span<std::uint32_t> genes, Random& random) {
    // Below(i) is the faster draw; it covers every length a genome has.
    for (std::size_t i = genes.size(); i > 1; --i) {
        const std::size_t j = i <= UINT32_MAX ? random.Below(static_cast<std::uint32_t>(i))
                                              : static_cast<std::size_t>(random.Below64(i));
        std::swap(genes[i - 1], genes[j]);
    }
}

// Calls body(i, bit) for i = 0 .. n-1, where bit is bit i % 64 (0 or 1) of
// the (i / 64)-th draw of `random`: one draw per 64 genes. The inner loop
// has no carried shift, so the compiler may vectorise the body.
template <class Body>
void ForEachRandomBit(std::size_t n, Random& random, Body&& body) {
    for (std::size_t base = 0; base < n; base += 64) {
        const std::uint64_t word = random.Next();
        const std::size_t count = std::min<std::size_t>(64, n - base);
        for (std::size_t j = 0; j < count; ++j) body(base + j, static_cast<std::uint64_t>((word >> j) & 1u));
    }
}

}  // namespace zarnel::genome_detail
