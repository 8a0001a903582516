#pragma once

#include <cstdint>

namespace zarnel {

// Fills genes[0 .. count-1] with a random permutation of 0 .. count-1 drawn
// from the calling thread's generator: starting from the identity it makes
// `count` transpositions of two distinct positions, each drawing the first
// position once with Rand32 and the second until it differs. The result
// always has the parity of count; it is not a uniform shuffle. With fewer
// than two genes no transposition exists and the identity is left.
void RandomPermutation(std::uint16_t* genes, std::uint32_t count);

}  // namespace zarnel
