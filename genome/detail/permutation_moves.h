#pragma once

#include <cstdint>
#include <span>

#include "genome/permutation_operators.h"
#include "genome/random.h"

// The mutation moves that the permutation kind and the permutation with
// repetition share (both only rearrange genes); not part of a user's
// interface.
namespace zarnel::genome_detail {

// "swap", "insertion" or "inversion"; null for an enumerator that names none.
const char* MoveName(PermutationOperators::Mutation mutation);

// One move of that kind on `genes`.
void Move(PermutationOperators::Mutation mutation, std::span<std::uint32_t> genes, Random& random);

}  // namespace zarnel::genome_detail
