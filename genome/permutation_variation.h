#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "genome/random.h"

// The operators of the permutation kind: free functions over spans of genes
// and the calling thread's generator. Parents hold permutations of
// 0 .. n-1 of one length n and are never modified; `child` has that length
// and must not overlap a parent. The crossovers that need scratch space keep
// it in a per-thread buffer that grows to the largest n seen on the thread,
// so after the first call on a thread they allocate nothing. Every function
// may run on many threads at once, each with its own Random.
namespace zarnel::permutation {

// Fills `genes` with 0 .. n-1, then shuffles them uniformly (Fisher-Yates).
void Shuffle(std::span<std::uint32_t> genes, Random& random);

// Partially mapped crossover (Goldberg and Lingle, 1985) on a random
// segment: PmxSegment with 0 <= first < last <= n, not the whole genome.
// With n < 2 the child is a copy of p1.
void Pmx(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
         Random& random);
// PMX on the segment [first, last): the child takes p1's genes inside the
// segment and p2's outside it, except where p2's gene is one of the
// segment's values; such a position gets the value that the segment's
// mapping (p1[i] <-> p2[i]) leads to, outside the segment.
void PmxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                std::span<std::uint32_t> child, std::size_t first, std::size_t last);

// Order crossover (Davis, 1985) on a random segment, drawn as for Pmx.
void Ox(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2, std::span<std::uint32_t> child,
        Random& random);
// OX on the segment [first, last): the child takes p1's genes inside the
// segment; from position `last` on, wrapping around, it takes the values the
// segment lacks in the order p2 holds them, reading p2 from `last` on,
// wrapping too.
void OxSegment(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
               std::span<std::uint32_t> child, std::size_t first, std::size_t last);

// Cycle crossover (Oliver, Smith and Holland, 1987): the positions fall into
// the cycles of the two parents (position i leads to the position of p2[i]
// in p1); the cycle through a random position takes p1's genes, every other
// position p2's. Every gene of the child is its parent's gene at that
// position.
void Cycle(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
           std::span<std::uint32_t> child, Random& random);

// Edge recombination (Whitley, Starkweather and Fuquay, 1989, with the
// common-edge preference of Starkweather et al., 1991), reading each genome
// as a closed tour. The child starts at the first city of p1 or p2 (at
// random); from each city it moves to an unvisited neighbour in either
// parent, preferring a neighbour joined to it in both parents, then one
// with the fewest unvisited neighbours left, ties at random; only when the
// current city has no unvisited parental neighbour left does it jump to a
// random unvisited city. O(n) per child.
void EdgeRecombination(std::span<const std::uint32_t> p1, std::span<const std::uint32_t> p2,
                       std::span<std::uint32_t> child, Random& random);

// One random move each; with fewer than two genes they change nothing.
// Swaps the genes at two distinct random positions.
void SwapMutation(std::span<std::uint32_t> genes, Random& random);
// Takes the gene at one random position out and puts it back at another.
void InsertionMutation(std::span<std::uint32_t> genes, Random& random);
// Reverses the genes between two distinct random positions, both included
// (on a tour: a random 2-opt move).
void InversionMutation(std::span<std::uint32_t> genes, Random& random);

}  // namespace zarnel::permutation
