#pragma once

#include <atomic>
#include <cstdint>
#include <numeric>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "genome/bit_string.h"
#include "genome/integer_vector.h"
#include "genome/permutation.h"
#include "genome/permutation_with_repetition.h"
#include "genome/real_vector.h"

namespace solve_test {

// The number of ones: the optimum is the length.
struct OneMax {
    std::uint32_t length = 64;
    zarnel::BitString genome() const { return {length}; }
    double fitness(std::span<const std::uint8_t> bits) const {
        return std::accumulate(bits.begin(), bits.end(), 0.0);
    }
    std::string name() const { return "onemax"; }
};

// Every genome scores the same: the best never improves.
struct Flat {
    zarnel::BitString genome() const { return {16}; }
    double fitness(std::span<const std::uint8_t>) const { return 0.0; }
};

// Sorting: the number of adjacent pairs in order, improved by one pass of
// adjacent swaps; decoded 1-based, as a tour would be.
struct Sorting {
    std::uint32_t length = 12;
    zarnel::Permutation genome() const { return {length}; }
    double fitness(std::span<const std::uint32_t> order) const {
        double inOrder = 0;
        for (std::size_t i = 1; i < order.size(); ++i) inOrder += order[i - 1] < order[i] ? 1 : 0;
        return inOrder;
    }
    void improve(std::span<std::uint32_t> order, zarnel::Random&) const {
        for (std::size_t i = 1; i < order.size(); ++i) {
            if (order[i - 1] > order[i] && (i % 2 == 1)) std::swap(order[i - 1], order[i]);
        }
    }
    std::string name() const { return "sorting"; }
    std::vector<std::int64_t> decode(std::span<const std::uint32_t> order) const {
        std::vector<std::int64_t> numbers;
        for (std::uint32_t gene : order) numbers.push_back(gene + 1);
        return numbers;
    }
};

// Equal values side by side: the number of adjacent equal pairs, at most the
// length less the number of values.
struct Grouping {
    zarnel::PermutationWithRepetition genome() const { return {{3, 4, 5}}; }
    double fitness(std::span<const std::uint32_t> genes) const {
        double pairs = 0;
        for (std::size_t i = 1; i < genes.size(); ++i) pairs += genes[i - 1] == genes[i] ? 1 : 0;
        return pairs;
    }
};

// The sphere function, maximised as its negative, on [-5, 10]^n.
struct Sphere {
    std::uint32_t dimensions = 4;
    zarnel::RealVector genome() const {
        return {std::vector<double>(dimensions, -5.0), std::vector<double>(dimensions, 10.0)};
    }
    double fitness(std::span<const double> x) const {
        double sum = 0;
        for (double v : x) sum += v * v;
        return -sum;
    }
};

// Integers near 7 score best.
struct NearSeven {
    zarnel::IntegerVector genome() const {
        return {std::vector<std::int64_t>(6, -20), std::vector<std::int64_t>(6, 20)};
    }
    double fitness(std::span<const std::int64_t> x) const {
        double sum = 0;
        for (std::int64_t v : x) sum -= static_cast<double>((v - 7) * (v - 7));
        return sum;
    }
};

// Throws from its fitness once it has been asked `limit` times in all.
struct Faulty {
    std::atomic<std::uint64_t>* calls;
    std::uint64_t limit;
    zarnel::BitString genome() const { return {8}; }
    double fitness(std::span<const std::uint8_t>) const {
        if (calls->fetch_add(1) + 1 >= limit) throw std::runtime_error("fitness broke");
        return 0.5;
    }
};

// The number of ones as a cost: the best genome has none.
struct OnesCost {
    static constexpr bool minimise = true;
    std::uint32_t length = 64;
    zarnel::BitString genome() const { return {length}; }
    double fitness(std::span<const std::uint8_t> bits) const {
        return std::accumulate(bits.begin(), bits.end(), 0.0);
    }
    std::string name() const { return "ones"; }
};

// Every genome scores `value` (an infinity, a NaN).
struct Constant {
    double value;
    zarnel::BitString genome() const { return {8}; }
    double fitness(std::span<const std::uint8_t>) const { return value; }
};

}  // namespace solve_test
