#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <ranges>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "genome/genome.h"
#include "objectives/dominance.h"
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
//
// Optional members of a problem of several objectives, used when present:
//
//     std::array<double, M> referencePoint() const;   // the hypervolume's reference point
//     std::vector<double> referenceFront() const;     // points of the true front, M values each,
//                                                     // one point after another (IGD+ in the record)
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

// INTERNAL: not for problems written in C++, which say M and K by the size
// of the arrays they return. A problem whose numbers of objectives and
// constraints are known only when it runs (a problem written in another
// language, behind bindings) gives them, and writes its values into spans
// of that size, with
//
//     std::size_t objectiveCount() const;                                   // M >= 2
//     void objectives(std::span<const Gene> genes, std::span<double> out) const;
//     std::size_t constraintCount() const;                                  // K, optional
//     void constraints(std::span<const Gene> genes, std::span<double> out) const;
//     std::vector<double> referencePoint() const;                          // optional, M values
//
// (the constraints also beside a `fitness`). Every scheme stores objectives
// and violations by these run-time counts, so such a problem needs one
// instantiation per genome kind, not one per M and K. The counts are read
// once, on the thread that calls Solve, and must not change.
template <class Problem>
concept CountsObjectives = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes,
                                    std::span<double> out) {
    { problem.objectiveCount() } -> std::convertible_to<std::size_t>;
    problem.objectives(genes, out);
};
template <class Problem>
concept CountsConstraints = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes,
                                     std::span<double> out) {
    { problem.constraintCount() } -> std::convertible_to<std::size_t>;
    problem.constraints(genes, out);
};

// Beside the run-time counts, such a problem may score many genomes in one
// call (a binding that takes a lock per call saves all but one):
//
//     void batchObjectives(std::span<const Gene> genomes, std::span<double> out) const;   // rows x M
//     void batchConstraints(std::span<const Gene> genomes, std::span<double> out) const;  // rows x K
//
// `genomes` holds the rows one after another, and `out` gets each row's M
// objectives (K constraints) in turn, as the one-genome calls give them.
// The generational scheme then scores the genomes a thread makes in
// chunks; the result is the same as without. With batchObjectives, a
// problem that has constraints has batchConstraints too.
template <class Problem>
concept BatchesObjectives = CountsObjectives<Problem> &&
    requires(const Problem& problem, std::span<const GeneOf<Problem>> genomes, std::span<double> out) {
    problem.batchObjectives(genomes, out);
    problem.batchConstraints(genomes, out);
};

// A problem of one objective whose run-time-counted constraints also come
// many genomes at a time: `batchConstraints` as above, beside batchFitness
// (the steady-state scheme asks for a batch's constraints in one call).
template <class Problem>
concept BatchesConstraints = CountsConstraints<Problem> &&
    requires(const Problem& problem, std::span<const GeneOf<Problem>> genomes, std::span<double> out) {
    problem.batchConstraints(genomes, out);
};

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
constexpr std::size_t ObjectiveArraySize() {
    if constexpr (HasObjectives<Problem>) {
        return DoubleArray<ObjectivesOf<Problem>>::kSize;
    } else {
        return 0;
    }
}

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
inline constexpr std::size_t kObjectiveCount = detail::ObjectiveArraySize<Problem>();
// K, the number of constraints (0 without them).
template <class Problem>
inline constexpr std::size_t kConstraintCount = detail::ConstraintCountOf<Problem>();

// A problem that Solve runs with the generational scheme of several
// objectives, and a problem whose individuals are ranked by the
// feasibility rules.
template <class Problem>
concept ObjectivesProblem = HasObjectives<Problem> || detail::CountsObjectives<Problem>;
template <class Problem>
concept ConstrainedProblem = HasConstraints<Problem> || detail::CountsConstraints<Problem>;

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

// How a run reads a problem's objectives and constraints, whether it
// returns arrays or writes into spans: the counts, and the values of one
// genome. The calls are the problem's own, so they run on any slave thread.
template <class Problem>
std::size_t ObjectiveCountOf(const Problem& problem) {
    if constexpr (HasObjectives<Problem>) {
        return kObjectiveCount<Problem>;
    } else if constexpr (CountsObjectives<Problem>) {
        return static_cast<std::size_t>(problem.objectiveCount());
    } else {
        return 1;
    }
}

template <class Problem>
std::size_t ConstraintCountOf(const Problem& problem) {
    if constexpr (HasConstraints<Problem>) {
        return kConstraintCount<Problem>;
    } else if constexpr (CountsConstraints<Problem>) {
        return static_cast<std::size_t>(problem.constraintCount());
    } else {
        return 0;
    }
}

// Writes the objectives of `genes` into `out` (ObjectiveCountOf values).
template <class Problem>
void WriteObjectives(const Problem& problem, std::span<const GeneOf<Problem>> genes, std::span<double> out) {
    if constexpr (HasObjectives<Problem>) {
        const auto values = problem.objectives(genes);
        std::copy(values.begin(), values.end(), out.begin());
    } else {
        problem.objectives(genes, out);
    }
}

// The total violation of the constraints of `genes` (objectives::TotalViolation:
// 0 when feasible or without constraints, +inf for a NaN constraint).
// `constraints` is K values of scratch for a problem that writes them into
// a span.
template <class Problem>
double ViolationOf(const Problem& problem, std::span<const GeneOf<Problem>> genes,
                   std::span<double> constraints) {
    if constexpr (HasConstraints<Problem>) {
        return objectives::TotalViolation(problem.constraints(genes));
    } else if constexpr (CountsConstraints<Problem>) {
        if (constraints.empty()) return 0.0;
        problem.constraints(genes, constraints);
        return objectives::TotalViolation(constraints);
    } else {
        return 0.0;
    }
}

// The same with scratch of its own: on the stack for a few constraints.
template <class Problem>
double ViolationOf(const Problem& problem, std::span<const GeneOf<Problem>> genes, std::size_t count) {
    if constexpr (CountsConstraints<Problem> && !HasConstraints<Problem>) {
        constexpr std::size_t kOnStack = 32;
        if (count <= kOnStack) {
            std::array<double, kOnStack> scratch;
            return ViolationOf(problem, genes, std::span<double>(scratch).first(count));
        }
        std::vector<double> scratch(count);
        return ViolationOf(problem, genes, std::span<double>(scratch));
    } else {
        return ViolationOf(problem, genes, std::span<double>());
    }
}

// The extent of a run's objective arrays: M for a problem that returns
// std::array<double, M>, std::dynamic_extent for one that counts them.
template <class Problem>
inline constexpr std::size_t kObjectiveExtent =
    HasObjectives<Problem> ? kObjectiveCount<Problem> : std::dynamic_extent;

template <class Problem>
concept NamesConstraints = requires {
    &Problem::constraints;
};

template <class Problem>
concept NamesReferencePoint = requires {
    &Problem::referencePoint;
};

template <class Problem>
concept HasReferencePoint = requires(const Problem& problem) {
    { problem.referencePoint() } -> std::ranges::range;
};

template <class Problem>
concept HasReferenceFront = requires(const Problem& problem) {
    { problem.referenceFront() } -> std::ranges::range;
};

// The constraints' checks, shared by both kinds of problem.
template <class Problem>
constexpr void CheckConstraints() {
    static_assert(!NamesConstraints<Problem> || ConstrainedProblem<Problem>,
                  "constraints must be `std::array<double, K> constraints(std::span<const Gene> genes) "
                  "const`, each value <= 0 when met");
    if constexpr (HasConstraints<Problem>) {
        static_assert(DoubleArray<ConstraintsOf<Problem>>::value,
                      "constraints must return std::array<double, K>, each value <= 0 when met");
    }
}

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
        !(HasFitness<Problem> && ObjectivesProblem<Problem>),
        "a problem has either `double fitness(std::span<const Gene>) const` (one objective, higher is "
        "better) or `std::array<double, M> objectives(std::span<const Gene>) const` (several, all "
        "minimised), not both");
    static_assert(
        ObjectivesProblem<Problem>,
        "a problem of several objectives needs `std::array<double, M> objectives(std::span<const Gene> "
        "genes) const`");
    if constexpr (HasObjectives<Problem>) {
        static_assert(DoubleArray<ObjectivesOf<Problem>>::value,
                      "objectives must return std::array<double, M>, M fixed at compile time");
        static_assert(kObjectiveCount<Problem> >= 2,
                      "objectives must return at least 2 values; a single objective is `double "
                      "fitness(...)`, with `static constexpr bool minimise = true;` for a cost");
    }
    CheckConstraints<Problem>();
    static_assert(!HasMinimise<Problem>,
                  "objectives are always minimised: a problem of several objectives has no `minimise`");
    static_assert(!NamesReferencePoint<Problem> || HasReferencePoint<Problem>,
                  "referencePoint must be `std::array<double, M> referencePoint() const`");
    static_assert(!NamesImprove<Problem> || HasImprove<Problem>,
                  "improve must be `void improve(std::span<Gene> genes, zarnel::Random& random) const`");
    static_assert(!NamesName<Problem> || HasName<Problem>, "name must be `std::string name() const`");
    static_assert(!NamesDecode<Problem> || HasDecode<Problem>,
                  "decode must be `std::vector<Number> decode(std::span<const Gene> genes) const`");
}

}  // namespace detail

}  // namespace zarnel
