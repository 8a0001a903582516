#pragma once

#include <bit>
#include <cstdint>

namespace zarnel {

// The points that the classic bit-string decoding can give a variable on
// [lower, upper]: x = lower + (gene * (upper - lower)) * S for a 32-bit gene,
// S the double nearest to 1 / (2^32 - 1) (CDefaultEvalOperator::Decode).
// Gene 0 gives lower and gene 2^32 - 1 gives upper exactly. The real-coded
// runs and the peers are measured on these points, so that their results and
// the classic ones are compared with the same known best. Pure functions.

// 2^-32 + 2^-64: the decoding's scale.
inline constexpr double kGeneScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000100000});

// The decoded value of `gene`, exactly as the classic decoding computes it.
inline double GridPoint(std::uint32_t gene, double lower, double upper) {
    const double width = upper - lower;
    return lower + (static_cast<double>(gene) * width) * kGeneScale;
}

// The gene whose point lies nearest to x (the lower of two at the same
// distance); x outside the bounds, or NaN, gives the nearer end's gene
// (NaN: gene 0).
std::uint32_t NearestGene(double x, double lower, double upper);

}  // namespace zarnel
