#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <type_traits>
#include <vector>

#include "framework/best_individual.h"

namespace zarnel::islands {

// Who leaves and who makes room when islands exchange migrants. Both read
// fitness only (higher is better, a NaN is the worst) and may run only while
// no slave thread works on the population.

template <typename Fitness>
double RankingKey(const Fitness& fitness) {
    const double value = static_cast<double>(fitness);
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}

// The key that orders individuals here: RankingKey, unless the fitness type
// brings an OrderKey of its own (found by argument-dependent lookup; the
// feasibility rules of a problem with constraints), with > and ==.
template <typename Fitness>
double OrderKey(const Fitness& fitness) {
    return RankingKey(fitness);
}

// The indices of the min(count, size) best individuals, best first; equal
// fitness keeps the lower index first.
template <typename Population>
std::vector<std::uint32_t> EmigrantIndices(Population& population, std::uint32_t count) {
    std::vector<std::uint32_t> order(population.size);
    std::iota(order.begin(), order.end(), 0U);
    const std::uint32_t n = std::min(count, population.size);
    auto better = [&](std::uint32_t a, std::uint32_t b) {
        const auto fa = OrderKey(*population.GetIndividual(a)->GetFitness());
        const auto fb = OrderKey(*population.GetIndividual(b)->GetFitness());
        return fa > fb || (fa == fb && a < b);
    };
    std::partial_sort(order.begin(), order.begin() + n, order.end(), better);
    order.resize(n);
    return order;
}

// The indices of up to `count` worst individuals, worst first (equal fitness:
// the higher index first), never the best individual as BestIndividualIndex
// names it; so at most size - 1.
template <typename Population>
std::vector<std::uint32_t> ReplacedIndices(Population& population, std::uint32_t count) {
    if (population.size == 0) return {};
    const std::uint32_t best = BestIndividualIndex(population);
    std::vector<std::uint32_t> order;
    order.reserve(population.size - 1);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        if (i != best) order.push_back(i);
    }
    const auto n = static_cast<std::ptrdiff_t>(std::min<std::size_t>(count, order.size()));
    auto worse = [&](std::uint32_t a, std::uint32_t b) {
        const auto fa = OrderKey(*population.GetIndividual(a)->GetFitness());
        const auto fb = OrderKey(*population.GetIndividual(b)->GetFitness());
        return fb > fa || (fa == fb && a > b);
    };
    std::partial_sort(order.begin(), order.begin() + n, order.end(), worse);
    order.resize(static_cast<std::size_t>(n));
    return order;
}

}  // namespace zarnel::islands
