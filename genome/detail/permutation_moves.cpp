#include "genome/detail/permutation_moves.h"

#include "genome/permutation_variation.h"

namespace zarnel::genome_detail {

const char* MoveName(PermutationOperators::Mutation mutation) {
    using Mutation = PermutationOperators::Mutation;
    switch (mutation) {
        case Mutation::kSwap:
            return "swap";
        case Mutation::kInsertion:
            return "insertion";
        case Mutation::kInversion:
            return "inversion";
    }
    return nullptr;
}

void Move(PermutationOperators::Mutation mutation, std::span<std::uint32_t> genes, Random& random) {
    using Mutation = PermutationOperators::Mutation;
    switch (mutation) {
        case Mutation::kSwap:
            permutation::SwapMutation(genes, random);
            break;
        case Mutation::kInsertion:
            permutation::InsertionMutation(genes, random);
            break;
        case Mutation::kInversion:
            permutation::InversionMutation(genes, random);
            break;
    }
}

}  // namespace zarnel::genome_detail
