#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "objectives/point_set.h"

namespace zarnel::objectives {

// The crowding distance (Deb et al. 2002) of each member of `front` (indices
// into `points`), in the order of `front`. Per objective the members are
// ordered by value; the first and the last get +inf
// and each other one adds (next − previous) / (max − min). An objective whose
// values are all equal adds nothing (no 0/0), and a front of one or two
// points is all +inf. A NaN counts as +inf here; a gap that an infinite value
// opens is +inf, and a finite gap in an infinite range is 0. Of copies at
// either end of an objective the one of lowest index gets the +inf, so copies
// do not all survive on it. The order of the sums is fixed, so the result is
// the same bits on every run.
std::vector<double> CrowdingDistance(const PointSet& points, std::span<const std::uint32_t> front);

}  // namespace zarnel::objectives
