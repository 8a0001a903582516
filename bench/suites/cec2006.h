#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "genome/real_vector.h"

// The 24 problems of the CEC 2006 competition on constrained real-parameter
// optimisation (Liang et al. 2006), g01 … g24, one minimised objective each,
// as pagmo2's cec2006 defines them. Each equality h(x) = 0 becomes the
// inequality |h(x)| − 10^−4 <= 0, the competition's tolerance; constraints
// are equalities first, then inequalities, in pagmo2's order.
namespace zarnel::suites {

namespace cec2006 {

struct Shape {
    std::size_t variables;
    std::size_t equalities;
    std::size_t inequalities;
};

inline constexpr std::array<Shape, 24> kShapes = {{
    {13, 0, 9}, {20, 0, 2}, {10, 1, 0}, {5, 0, 6},   {4, 3, 2}, {2, 0, 2},   {10, 0, 8}, {2, 0, 2},
    {7, 0, 4},  {8, 0, 6},  {2, 1, 0},  {3, 0, 1},   {5, 3, 0}, {10, 3, 0},  {3, 2, 0},  {5, 0, 38},
    {6, 4, 0},  {9, 0, 13}, {15, 0, 5}, {24, 14, 6}, {7, 5, 1}, {22, 19, 1}, {9, 4, 2},  {2, 0, 2},
}};

inline constexpr double kEqualityTolerance = 1e-4;

// Problem `id` (1 … 24): its objective, its raw constraints (each h, then
// each g; h = 0 and g <= 0 when met) into `c`, its bounds, and the best
// objective value known (the competition's, pagmo2's best_known() evaluated).
double Objective(int id, std::span<const double> x);
void Constraints(int id, std::span<const double> x, std::span<double> c);
RealVector Bounds(int id);
double BestKnown(int id);

}  // namespace cec2006

// Problem g<Id>: fitness is the objective, a cost to minimise.
template <int Id>
struct Cec2006 {
    static constexpr bool minimise = true;
    static_assert(Id >= 1 && Id <= 24);
    static constexpr cec2006::Shape kShape = cec2006::kShapes[Id - 1];
    static constexpr std::size_t kConstraints = kShape.equalities + kShape.inequalities;

    RealVector genome() const { return cec2006::Bounds(Id); }
    double fitness(std::span<const double> x) const { return cec2006::Objective(Id, x); }
    std::array<double, kConstraints> constraints(std::span<const double> x) const {
        std::array<double, kConstraints> c;
        cec2006::Constraints(Id, x, c);
        for (std::size_t i = 0; i < kShape.equalities; ++i)
            c[i] = std::fabs(c[i]) - cec2006::kEqualityTolerance;
        return c;
    }
    std::string name() const {
        std::string text = Id < 10 ? "g0" : "g";
        text += std::to_string(Id);
        return text;
    }
    double bestKnown() const { return cec2006::BestKnown(Id); }
};

}  // namespace zarnel::suites
