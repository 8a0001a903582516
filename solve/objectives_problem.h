#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <span>
#include <type_traits>
#include <utility>

#include "genome/genome.h"
#include "solve/problem.h"

// Problems of several objectives, and constraints on any problem. A problem
// of several objectives has, instead of `fitness`,
//
//     std::array<double, M> objectives(std::span<const Gene> genes) const;   // M >= 2, all minimised
//
// and any problem may add
//
//     std::array<double, K> constraints(std::span<const Gene> genes) const;  // each <= 0 when met
//
// The run ranks by the feasibility rules (objectives/dominance.h): a feasible
// individual beats an infeasible one, the smaller total violation (the sum
// of max(0, g)) wins between infeasible ones, and the objectives decide
// between feasible ones. An equality h(x) = 0 is written as |h(x)| − ε with
// a tolerance ε of the user's (10^−4 is usual). `objectives` and
// `constraints` are called from every slave thread at once, like `fitness`.
namespace zarnel {

// The objectives and constraints a problem returns, detected.
template <class Problem>
concept HasObjectives = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
    problem.objectives(genes);
};
template <class Problem>
concept HasConstraints = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
    problem.constraints(genes);
};
template <class Problem>
concept HasFitness = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
    problem.fitness(genes);
};

namespace detail {

template <class T>
struct DoubleArray : std::false_type {};
template <std::size_t N>
struct DoubleArray<std::array<double, N>> : std::true_type {
    static constexpr std::size_t kSize = N;
};

template <class Problem>
using ObjectivesOf = std::remove_cvref_t<decltype(std::declval<const Problem&>().objectives(
    std::declval<std::span<const GeneOf<Problem>>>()))>;
template <class Problem>
using ConstraintsOf = std::remove_cvref_t<decltype(std::declval<const Problem&>().constraints(
    std::declval<std::span<const GeneOf<Problem>>>()))>;

template <class Problem>
constexpr std::size_t ConstraintCountOf() {
    if constexpr (HasConstraints<Problem>) {
        return DoubleArray<ConstraintsOf<Problem>>::kSize;
    } else {
        return 0;
    }
}

}  // namespace detail

// M, the number of objectives of a problem of several objectives.
template <class Problem>
inline constexpr std::size_t kObjectiveCount = detail::DoubleArray<detail::ObjectivesOf<Problem>>::kSize;
// K, the number of constraints (0 without them).
template <class Problem>
inline constexpr std::size_t kConstraintCount = detail::ConstraintCountOf<Problem>();

// What a run keeps of an individual of several objectives: its objectives
// and its total violation (0 when feasible; +inf when a constraint is NaN).
template <std::size_t M>
struct Scores {
    std::array<double, M> objectives{};
    double violation = 0.0;
};

// The operators a run of several objectives breeds with unless it is given
// others: for real vectors, SBX with distribution index 30 on every child
// and polynomial mutation (index 20, 1/n per gene), both clamped to the
// bounds rather than shaped by them, which did best on the suites' ZDT, DTLZ
// and constrained problems (perf/moo_ablation.sh; clamping finds the optima
// that lie on a bound, DTLZ6's above all); for the other kinds, their usual
// operators.
template <class Kind>
OperatorsOf<Kind> DefaultObjectivesOperators() {
    OperatorsOf<Kind> operators;
    if constexpr (std::is_same_v<OperatorsOf<Kind>, RealVectorOperators>) {
        operators.sbxEta = 30.0;
        operators.crossoverRate = 1.0;
        operators.bounds = RealVectorOperators::Bounds::kClamped;
    }
    return operators;
}

namespace detail {

template <class Problem>
concept NamesConstraints = requires {
    &Problem::constraints;
};

// Compile-time checks of a problem of several objectives, with messages that
// say what to write.
template <class Problem>
constexpr void CheckObjectivesProblem() {
    static_assert(
        requires(const Problem& problem) { problem.genome(); },
        "a problem needs `Kind genome() const`, returning its genome kind "
        "(zarnel::Permutation, BitString, RealVector or IntegerVector)");
    static_assert(GenomeKind<KindOf<Problem>>,
                  "genome() must return a genome kind (zarnel::Permutation, BitString, RealVector or "
                  "IntegerVector)");
    static_assert(
        !(HasFitness<Problem> && HasObjectives<Problem>),
        "a problem has either `double fitness(std::span<const Gene>) const` (one objective, higher is "
        "better) or `std::array<double, M> objectives(std::span<const Gene>) const` (several, all "
        "minimised), not both");
    static_assert(
        HasObjectives<Problem>,
        "a problem of several objectives needs `std::array<double, M> objectives(std::span<const Gene> "
        "genes) const`");
    static_assert(DoubleArray<ObjectivesOf<Problem>>::value,
                  "objectives must return std::array<double, M>, M fixed at compile time");
    static_assert(kObjectiveCount<Problem> >= 2,
                  "objectives must return at least 2 values; a single objective is `double fitness(...)`");
    static_assert(
        !NamesConstraints<Problem> || HasConstraints<Problem>,
        "constraints must be `std::array<double, K> constraints(std::span<const Gene> genes) const`");
    if constexpr (HasConstraints<Problem>) {
        static_assert(DoubleArray<ConstraintsOf<Problem>>::value,
                      "constraints must return std::array<double, K>, each value <= 0 when met");
    }
    static_assert(!NamesImprove<Problem> || HasImprove<Problem>,
                  "improve must be `void improve(std::span<Gene> genes, zarnel::Random& random) const`");
    static_assert(!NamesName<Problem> || HasName<Problem>, "name must be `std::string name() const`");
}

}  // namespace detail

}  // namespace zarnel
