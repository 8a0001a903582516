#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>

#include "genome/random.h"

// The lanes of a deterministic run, shared by Solve's steady-state scheme and
// the N-Queens fast set. A deterministic run divides every slave phase into a
// fixed number of lanes that does not depend on the thread count; before the
// phase the master deals the population out into one disjoint slice per lane
// from its own generator stream, each lane draws from a stream of its own and
// touches only its slice, and threads take whole lanes. Whichever thread runs
// a lane, it does the same work, so the run is the same at every thread count.
namespace zarnel::lanes {

// The number of lanes for a population and a tournament size: a slice of at
// least two tournaments, between 1 and 64 lanes.
inline std::uint32_t LaneCount(std::uint32_t population, std::uint32_t tournament) {
    const std::uint32_t lanes = population / (2 * tournament);
    return std::clamp<std::uint32_t>(lanes, 1, 64);
}

// Deals the individuals 0 .. order.size()-1 into begin.size()-1 lanes: `order`
// becomes a random order of them drawn from `random` (Fisher-Yates from the
// end), and lane l's slice is order[begin[l] .. begin[l+1]), the slices as
// equal in size as the count allows. begin must hold at least two entries.
inline void Deal(std::span<std::uint32_t> order, std::span<std::uint32_t> begin, Random& random) {
    const auto size = static_cast<std::uint32_t>(order.size());
    for (std::uint32_t i = 0; i < size; ++i) order[i] = i;
    for (std::uint32_t i = size; i > 1; --i) std::swap(order[i - 1], order[random.Below(i)]);
    const auto lanes = static_cast<std::uint32_t>(begin.size() - 1);
    for (std::uint32_t l = 0; l <= lanes; ++l)
        begin[l] = static_cast<std::uint32_t>(std::uint64_t{size} * l / lanes);
}

}  // namespace zarnel::lanes
