#pragma once

#include <cstdint>
#include <span>

#include "genome/random.h"

// The operators of the bit-string kind: free functions over spans of genes
// (each 0 or 1) and the calling thread's generator. Parents have one length
// and are never modified; `child` has that length and must not overlap a
// parent. They allocate nothing; any number of threads may call them at
// once, each with its own Random.
namespace zarnel::bits {

// Each gene 0 or 1 with equal chance (64 genes per draw).
void RandomInit(std::span<std::uint8_t> genes, Random& random);

// One-point crossover: p1's genes before a random cut c (1 <= c <= n-1),
// p2's from c on. With one gene the child is a copy of p1.
void OnePoint(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
              std::span<std::uint8_t> child, Random& random);

// Two-point crossover: p2's genes between two distinct random cuts a < b
// (1 <= a < b <= n-1), p1's elsewhere. With two genes it is OnePoint, with
// one a copy of p1.
void TwoPoint(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
              std::span<std::uint8_t> child, Random& random);

// Uniform crossover: each gene from p1 or p2 with equal chance (64 genes
// per draw).
void Uniform(std::span<const std::uint8_t> p1, std::span<const std::uint8_t> p2,
             std::span<std::uint8_t> child, Random& random);

// Flips each gene with probability `perBit`; 0 (or less) flips none, 1 (or
// more) flips all, and neither draws.
void FlipMutation(std::span<std::uint8_t> genes, double perBit, Random& random);

}  // namespace zarnel::bits
