#pragma once

#include <cstdint>
#include <span>

#include "neighbour_lists.h"
#include "tsplib.h"

namespace tsp {

// A tour improver: 2-opt and Or-opt (moving a run of 1 to 3 cities elsewhere,
// either way round), tried only towards a city's nearest neighbours, with a
// don't-look bit per city. A tour is an array of city numbers 0..n-1; the
// search keeps each city's position beside it, so the next and previous city
// are one look-up and a 2-opt move reverses the shorter side of the cycle.
// It takes the first improving move it finds and stops when no city has one.
//
// It points to the instance and the neighbour lists, which must outlive it,
// and keeps no state between calls (each thread has its own scratch arrays,
// left clean after each call, so a search that looks at a few cities does
// not pay for the others),
// so any number of threads may improve different tours at once.
class LocalSearch {
public:
    LocalSearch(const Instance& instance, const NeighbourLists& neighbours)
        : instance_(instance), neighbours_(neighbours) {}

    const Instance& GetInstance() const { return instance_; }
    const NeighbourLists& Neighbours() const { return neighbours_; }

    // Improves `tour` (a permutation of 0..n-1, n = the instance's size)
    // until no city has an improving move towards its neighbours. The generator (anything whose
    // operator() returns 64 random bits) draws the order in which the cities
    // are first looked at.
    template <class Rng>
    void Improve(std::span<std::uint32_t> tour, Rng& rng) const {
        ImproveSeeded(tour, static_cast<std::uint64_t>(rng()));
    }
    // The same with the order drawn from `seed`.
    void ImproveSeeded(std::span<std::uint32_t> tour, std::uint64_t seed) const;
    // The same, looking only at `cities` and at the cities that moves touch
    // (for a tour that is already locally optimal except near them): cheaper
    // than Improve, but it leaves alone a move that opens elsewhere.
    void ImproveAround(std::span<std::uint32_t> tour, std::span<const std::uint32_t> cities) const;
    // The same for a caller that keeps each city's place beside the tour
    // (position[tour[i]] == i), which the moves keep in step: the search
    // then costs only the cities it looks at, not the length of the tour.
    // Throws std::invalid_argument when a queued city is not where
    // `position` says (the rest of `position` is trusted, not read).
    void ImproveAround(std::span<std::uint32_t> tour, std::span<std::uint32_t> position,
                       std::span<const std::uint32_t> cities) const;

    // Both throw std::invalid_argument for a tour that is no permutation of
    // the instance's cities (and ImproveAround for a city out of range).

    // The length of the closed tour.
    std::int64_t Length(std::span<const std::uint32_t> tour) const;

private:
    const Instance& instance_;
    const NeighbourLists& neighbours_;
};

}  // namespace tsp
