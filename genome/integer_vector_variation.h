#pragma once

#include <cstdint>
#include <span>

#include "genome/integer_vector.h"
#include "genome/random.h"

// The operators of the integer-vector kind: free functions over spans of
// genes, the kind (for its bounds) and the calling thread's generator.
// Parents have the kind's length and are never modified; `child` has that
// length and must not overlap a parent. Every gene a mutation writes lies
// within its bounds, for any bounds of the 64-bit range. They allocate
// nothing; any number of threads may call them at once, each with its own
// Random.
namespace zarnel::integer {

// Each gene uniform over its bounds, both included.
void UniformInit(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random);

// Uniform crossover: each gene from p1 or p2 with equal chance (64 genes
// per draw).
void UniformCrossover(std::span<const std::int64_t> p1, std::span<const std::int64_t> p2,
                      std::span<std::int64_t> child, Random& random);

// Random resetting: each gene with probability `perGene` becomes a uniform
// value of its bounds.
void RandomReset(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random, double perGene);

// Creep mutation: each gene with probability `perGene` moves by a value
// drawn uniformly from -step .. -1, 1 .. step, then is clamped to its
// bounds. A step below 1 changes nothing.
void Creep(std::span<std::int64_t> genes, const IntegerVector& kind, Random& random, double perGene,
           std::int64_t step);

}  // namespace zarnel::integer
