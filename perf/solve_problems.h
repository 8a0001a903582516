#pragma once

// Problems that the Solve measurements in perf/ share: the knapsack
// example's instance and the TSP example's memetic tour.
#include <cstdint>
#include <span>

#include "examples/tsp/local_search.h"
#include "solve/solve.h"

namespace perf {

// Instance P07 of the KNAPSACK_01 set, as examples/knapsack has it: the
// profit of a packing that fits, else minus its excess weight.
struct Knapsack {
    static constexpr int kItems = 15, kCapacity = 750;
    static constexpr int kWeight[kItems] = {70, 73, 77, 80, 82, 87, 90, 94, 98, 106, 110, 113, 115, 118, 120};
    static constexpr int kProfit[kItems] = {135, 139, 149, 150, 156, 163, 173, 184,
                                            192, 201, 210, 214, 221, 229, 240};
    zarnel::BitString genome() const { return {kItems}; }
    double fitness(std::span<const std::uint8_t> packed) const {
        int weight = 0, profit = 0;
        for (int i = 0; i < kItems; ++i) weight += packed[i] * kWeight[i], profit += packed[i] * kProfit[i];
        return weight <= kCapacity ? profit : kCapacity - weight;
    }
};

// The TSP example's memetic problem: 2-opt + Or-opt on every child, the
// length maximised as its negative.
struct Tour {
    const tsp::LocalSearch* search;
    zarnel::Permutation genome() const { return {search->GetInstance().Size()}; }
    double fitness(std::span<const std::uint32_t> tour) const {
        return -static_cast<double>(search->Length(tour));
    }
    void improve(std::span<std::uint32_t> tour, zarnel::Random& random) const {
        search->Improve(tour, random);
    }
};

}  // namespace perf
