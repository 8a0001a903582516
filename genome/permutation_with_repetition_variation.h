#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "genome/random.h"

// The operators of the permutation-with-repetition kind: free functions over
// spans of genes and the calling thread's generator. Parents hold values
// below `values`, each parent each value the same number of times, and are
// never modified; `child` has the parents' length, must not overlap a
// parent, and gets each value that same number of times. An operation is a
// value's k-th occurrence (a job's k-th operation), and the crossovers pass
// operations, not positions, from parent to child. Scratch space is a
// per-thread buffer that grows to the largest size seen on the thread. Every
// function may run on many threads at once, each with its own Random.
//
// The mutations are the permutation kind's (permutation::SwapMutation,
// InsertionMutation, InversionMutation): they only rearrange genes, so
// they keep every count.
namespace zarnel::repetition {

// Fills `genes` with value j counts[j] times, then shuffles them uniformly
// over the distinct arrangements (Fisher-Yates).
void Shuffle(std::span<const std::uint32_t> counts, std::span<std::uint32_t> genes, Random& random);

// Job-order crossover (Ono, Yamamura and Kobayashi, 1996): each value is
// kept with probability 1/2; JoxKeeping with that choice.
void Jox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random);
// JOX with the kept values given (`keep[v]` non-zero, `values` entries): the
// child holds p1's genes where p1 holds a kept value, and the other values
// in the order p2 holds them, left to right, in the other positions.
void JoxKeeping(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::span<const std::uint8_t> keep);

// Generalised order crossover (Bierwirth, 1995) on a random substring of p1
// (the donor) of between a third and a half of the genes: GoxSegment.
void Gox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random);
// GOX on the substring [first, last) of p1, first < last: the child is p2
// (the receiver) without the substring's operations, with the substring
// implanted whole where the substring's first operation stood in p2.
void GoxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::size_t values, std::size_t first, std::size_t last);

// Precedence-preserving crossover (Bierwirth, Mattfeld and Kopfer, 1996):
// for each child position a random bit picks a parent, whose leftmost
// operation not yet in the child comes next. Two operations that both
// parents hold in the same order keep it in the child.
void Ppx(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         std::size_t values, Random& random);

}  // namespace zarnel::repetition
