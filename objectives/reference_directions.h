#pragma once

#include <cstddef>
#include <vector>

// Reference directions for NSGA-III: points on the unit simplex (their
// coordinates are >= 0 and sum to 1), stored point after point as a
// PointSet wants them. Plain functions; any thread may call them.
namespace zarnel::objectives {

// The number of Das–Dennis directions for `m` objectives and `divisions`
// divisions: C(divisions + m − 1, m − 1), or 0 when it does not fit a size_t.
std::size_t DasDennisCount(std::size_t m, std::size_t divisions);

// Das and Dennis's structured directions: every point whose coordinates are
// multiples of 1 / divisions, in lexicographic order of those multiples,
// highest first. Throws std::invalid_argument for m < 2, divisions < 1 or
// more than 10^6 directions.
std::vector<double> DasDennis(std::size_t m, std::size_t divisions);

// Two layers (Deb and Jain 2014), for many objectives where one layer with
// few divisions has no interior points: DasDennis(m, outer), then
// DasDennis(m, inner) shrunk towards the centre, z' = scale z + (1 − scale)/m.
std::vector<double> TwoLayerDirections(std::size_t m, std::size_t outer, std::size_t inner,
                                       double scale = 0.5);

// The directions NSGA-III uses by default for `m` objectives and a
// population of `population`: one layer with the most divisions whose count
// fits the population, or, when that layer would have no interior point
// (fewer divisions than objectives) and m >= 6, two layers, the inner one
// with the most divisions that still fits. This gives Deb and Jain's table:
// 91 directions for 3 objectives and 92 individuals, 210 for 5 and 212, 156
// for 8 and 156, 275 for 10 and 276, 135 for 15 and 136. Throws
// std::invalid_argument when not even the m corners fit.
std::vector<double> DefaultDirections(std::size_t m, std::size_t population);

}  // namespace zarnel::objectives
