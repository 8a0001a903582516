#pragma once

#include <span>

#include "objectives/point_set.h"

// Quality indicators of a set of points of minimised objectives, to compare
// the fronts that different runs (or different programs) found. Plain
// functions; any thread may call them.
namespace zarnel::objectives {

// The hypervolume of `points` against `reference`: the volume of the region
// that some point dominates and that dominates the reference point. Exact:
// a sweep in O(N log N) for 2 objectives, Beume et al.'s sweep over the
// third objective with a balanced tree of the two-dimensional front
// (O(N log N)) for 3, and WFG (While, Bradstreet and Barone 2012), which
// slices on the last objective down to 3, for 4 or more (exponential in the
// objectives at worst; seconds for a few hundred points of 8 objectives). A
// point that does not strictly dominate the reference in every objective,
// or has a NaN, adds nothing and is dropped. Throws std::invalid_argument
// when the reference has not one value per objective or holds a NaN.
double Hypervolume(const PointSet& points, std::span<const double> reference);

// IGD+ (Ishibuchi et al. 2015) of `points` against `reference`, points of
// the true front: the mean over the reference points z of the smallest
// d+(a, z) = sqrt(Σ max(a_i − z_i, 0)^2) over the points a. 0 when the
// points cover the reference front, larger the further they fall short; it
// does not reward points beyond the front. Points with a NaN are left out,
// and +inf is returned when none is left. The objectives are taken as they
// are: normalise both sets first when their scales differ much. Throws
// std::invalid_argument for an empty reference or different dimensions.
double IgdPlus(const PointSet& points, const PointSet& reference);

}  // namespace zarnel::objectives
