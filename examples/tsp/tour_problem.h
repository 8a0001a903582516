#pragma once

#include <zarnel/genome/permutation.h>
#include <zarnel/genome/random.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "local_search.h"
#include "tour_operators.h"

namespace tsp {

// The plain problem: a tour and its length, the shorter the better.
struct Tour {
    static constexpr bool minimise = true;
    const LocalSearch* search;
    zarnel::Permutation genome() const { return {search->GetInstance().Size()}; }
    double fitness(std::span<const std::uint32_t> tour) const {
        return static_cast<double>(search->Length(tour));
    }
    std::string name() const { return "tsp " + search->GetInstance().Name(); }
    // The record shows the tour as TSPLIB numbers its cities, from 1.
    std::vector<std::int64_t> decode(std::span<const std::uint32_t> tour) const {
        std::vector<std::int64_t> cities;
        for (const std::uint32_t city : tour) cities.push_back(city + 1);
        return cities;
    }
};

// The same with every child improved: a memetic GA (tour_operators.h).
struct ImprovedTour : Tour {
    TourImprover improver;
    void improve(std::span<std::uint32_t> tour, zarnel::Random& random) const { improver(tour, random); }
};

// The population of a memetic run when none is given: about 600,000 /
// cities individuals, 100 to 1,000 (small instances converge at once with
// fewer; large ones would spend a minute on the first population with
// more), and at least what the slave threads need.
inline std::uint32_t PopulationFor(std::uint32_t cities, std::uint32_t threads) {
    const std::uint32_t sized = std::clamp<std::uint32_t>(600000 / cities, 100, 1000);
    return std::max<std::uint32_t>(sized, 4 * threads + 4);
}

}  // namespace tsp
