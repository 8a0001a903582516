#pragma once

#include <cstddef>
#include <span>
#include <vector>

// The figures of a front that a run of several objectives reports, on
// objectives kept M + 1 numbers per member (M objectives, then the total
// violation), as the generational scheme and detail::FlatFront keep them.
namespace zarnel::detail {

// The reference point a run measures from when neither the problem nor the
// options give one: the nadir (the largest value of each objective) of the
// feasible members whose objectives are all finite, plus a tenth of their
// range in that objective (a tenth of max(1, |nadir|) where the range is 0);
// of every member with finite objectives when none is feasible. Empty when
// no member has finite objectives.
std::vector<double> AutomaticReferencePoint(std::span<const double> scores, std::size_t m);

// The hypervolume of the feasible members against `reference` (members that
// do not dominate it add nothing); NaN for an empty reference point.
double FrontHypervolume(std::span<const double> scores, std::size_t m, std::span<const double> reference);

}  // namespace zarnel::detail
