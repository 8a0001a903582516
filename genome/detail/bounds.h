#pragma once

#include <span>
#include <string>
#include <vector>

// The checks that the two bounded kinds (RealVector, IntegerVector) share,
// with their messages; genes are counted from 1. Value types: double and
// std::int64_t. Not part of a user's interface.
namespace zarnel::genome_detail {

// "" or why the bounds make no kind: no genes, counts that differ, more
// than 2^32 - 1 genes, a bound that is not finite, lower above upper.
template <class T>
std::string ValidateBounds(const std::vector<T>& lower, const std::vector<T>& upper);

// "" or the first gene that is not finite or lies outside its bounds, or a
// count that is not the bounds' count.
template <class T>
std::string CheckWithinBounds(std::span<const T> genes, const std::vector<T>& lower,
                              const std::vector<T>& upper);

}  // namespace zarnel::genome_detail
