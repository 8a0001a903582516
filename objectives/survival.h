#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "genome/random.h"
#include "objectives/nondominated_sort.h"
#include "objectives/point_set.h"

// Which points of a merged population (parents and children) survive, as
// NSGA-II and NSGA-III choose them, under the feasibility rules. Plain
// functions; any thread may call them, each with its own Random.
namespace zarnel::objectives {

struct Survivors {
    std::vector<std::uint32_t> kept;  // indices of the survivors, increasing
    Fronts fronts;                    // the fronts of the whole set (NonDominatedSort with violations)
    // Per point of the set: its crowding distance within its front (NSGA-II,
    // for the fronts up to the last one that survivors come from; 0 elsewhere
    // and for NSGA-III).
    std::vector<double> crowding;
};

// NSGA-II (Deb et al. 2002): whole fronts in order while they fit; the front
// that does not is thinned one member at a time (ThinFront): when it is
// feasible, by the area only each member dominates for two objectives or by
// the nearest neighbours (kNearest) for more when its values are finite;
// else by crowding distance. Throws std::invalid_argument when `count`
// exceeds the points or there is not one violation per point.
Survivors SurviveNsga2(const PointSet& points, std::span<const double> violations, std::size_t count);

// NSGA-III (Deb and Jain 2014): whole fronts while they fit; the front that
// does not is cut by niching when it is feasible: the kept fronts and it are
// normalised (Normalise) and associated with `directions` (Associate); then,
// one survivor at a time, a direction is drawn from `random` among those with
// the fewest survivors that still have candidates, and it takes its nearest
// candidate if it has no survivor yet, else one drawn from `random`. An
// infeasible last front is thinned by crowding distance. The draws
// come from `random` alone, in a fixed order, so the same generator state
// gives the same survivors.
Survivors SurviveNsga3(const PointSet& points, std::span<const double> violations, std::size_t count,
                       const PointSet& directions, Random& random);

// The winner of a binary tournament between points a and b of a ranked set
// (rank and crowding per point, as Survivors gives them): the lower rank,
// then the larger crowding distance, then a coin from `random` (drawn only
// for a tie).
std::uint32_t Tournament(std::span<const std::uint32_t> rank, std::span<const double> crowding,
                         std::uint32_t a, std::uint32_t b, Random& random);

}  // namespace zarnel::objectives
