// The operators that need scratch space keep it per thread: after the first
// call on a thread, a call of the same or a smaller size allocates nothing.
// This file replaces the program's operator new to count allocations.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "genome/permutation_variation.h"

namespace {
thread_local std::uint64_t tAllocations = 0;
}  // namespace

// Not inlined, so that the compiler does not pair the library's operator new
// with this free() and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    ++tAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

namespace permutation = zarnel::permutation;

TEST(ScratchTest, CrossoversAllocateNothingAfterTheFirstCall) {
    zarnel::Random random(9);
    std::vector<std::uint32_t> p1(101), p2(101), child(101), q1(50), q2(50);
    for (auto* genes : {&p1, &p2, &q1, &q2}) permutation::Shuffle(*genes, random);
    using Crossover = void (*)(std::span<const std::uint32_t>, std::span<const std::uint32_t>,
                               std::span<std::uint32_t>, zarnel::Random&);
    for (const Crossover crossover :
         {Crossover{permutation::Pmx}, Crossover{permutation::Ox}, Crossover{permutation::Cycle},
          Crossover{permutation::EdgeRecombination}}) {
        crossover(p1, p2, child, random);
        const std::uint64_t before = tAllocations;
        for (int i = 0; i < 100; ++i) {
            crossover(p1, p2, child, random);
            crossover(q1, q2, std::span(child).first(50), random);
        }
        EXPECT_EQ(tAllocations, before);
    }
}

}  // namespace
