#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tsplib.h"

namespace tsp {

// For every city, the k cities nearest to it, nearest first (ties by city
// number). Built once from an instance; read-only afterwards, so any number
// of threads may read it at once.
class NeighbourLists {
public:
    // k is cut to n - 1 for an instance with fewer cities.
    NeighbourLists(const Instance& instance, std::uint32_t k);

    std::uint32_t K() const { return k_; }
    std::span<const std::uint32_t> Of(std::uint32_t city) const {
        return {lists_.data() + static_cast<std::size_t>(city) * k_, k_};
    }
    // The distances from `city` to the cities of Of(city), in the same order
    // (a copy kept beside the lists: one cache line instead of k rows of the
    // distance matrix).
    std::span<const std::int32_t> DistancesOf(std::uint32_t city) const {
        return {distances_.data() + static_cast<std::size_t>(city) * k_, k_};
    }

private:
    std::uint32_t k_;
    std::vector<std::uint32_t> lists_;     // n rows of k cities
    std::vector<std::int32_t> distances_;  // n rows of their k distances
};

// Writes into `tour` (n places) the nearest-neighbour tour from `start`:
// each step goes to the nearest city not yet visited, looked up in the
// neighbour lists and, when all of a city's listed neighbours are visited,
// among all cities left.
void NearestNeighbourTour(const Instance& instance, const NeighbourLists& neighbours, std::uint32_t start,
                          std::span<std::uint32_t> tour);

}  // namespace tsp
