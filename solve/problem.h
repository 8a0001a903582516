#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "genome/random.h"

namespace zarnel {

// What Solve needs of a genome kind (zarnel::Permutation,
// PermutationWithRepetition, BitString, RealVector, IntegerVector, or a kind
// of the user's own with the same members): its gene type, its length, a
// random genome, a validity check and its text form.
template <class Kind>
concept GenomeKind = requires(const Kind& kind, std::span<typename Kind::Gene> genes,
                              std::span<const typename Kind::Gene> view, Random& random, std::string& text,
                              std::string_view input) {
    { Kind::kName } -> std::convertible_to<std::string_view>;
    { kind.Length() } -> std::convertible_to<std::uint32_t>;
    kind.Init(genes, random);
    { kind.Check(view) } -> std::convertible_to<std::string>;
    kind.Write(view, text);
    { kind.Read(input, genes) } -> std::convertible_to<std::string>;
    { kind.Validate() } -> std::convertible_to<std::string>;
};

// The genome kind of a problem: what its genome() returns.
template <class Problem>
using KindOf = std::remove_cvref_t<decltype(std::declval<const Problem&>().genome())>;

template <class Problem>
using GeneOf = typename KindOf<Problem>::Gene;

// A user's problem, the one thing a user writes: a plain copyable struct with
//
//     Kind genome() const;                                  // required
//     double fitness(std::span<const Gene> genes) const;    // required; higher is better
//     static constexpr bool minimise = true;                 // optional: lower is better
//     void improve(std::span<Gene> genes, zarnel::Random& random) const;   // optional
//     std::string name() const;                              // optional
//     std::vector<Number> decode(std::span<const Gene> genes) const;      // optional
//     void batchFitness(std::span<const Gene> genomes,                       // optional
//                       std::span<double> fitness) const;
//
// `genome()` gives the kind with its length (and bounds, for the vector
// kinds). `fitness` scores a genome; a NaN ranks below every number. With
// `minimise` true, `fitness` returns a cost and the lowest cost is best
// (a NaN still ranks last): the progress lines, the result, the record and
// the target then speak of that cost as returned. `improve` is a local
// search that Solve runs on every child (and every individual of a new
// first population) before it is scored; the genome it leaves must pass the
// kind's Check, or the run ends with a SolveError. `name` names the problem in
// the record. `decode` turns a genome into the numbers that the record shows
// as the solution (a tour's 1-based city numbers, say); without it the record
// shows the genes. `batchFitness` scores several genomes in one call:
// `genomes` holds fitness.size() of them one after another, Length() genes
// each, and it writes each one's fitness, as `fitness` would give it, to
// its entry of `fitness`. With it Solve breeds children in batches and
// scores each batch in one call (SolveOptions::batchSize says how many);
// `fitness` still scores a migrant from another island.
//
// Thread safety: `fitness`, `batchFitness` and `improve` are called from
// every slave thread at the same time on the one problem object, so they
// must be const and touch no shared mutable state (a scratch buffer is a
// local or the thread's own, platform::PerThread in platform/per_thread.h).
// `genome`, `name` and `decode` are called on the thread that calls Solve.
template <class Problem>
concept ProblemType = requires(const Problem& problem) {
    { problem.genome() } -> GenomeKind;
}
&&requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
    { problem.fitness(genes) } -> std::convertible_to<double>;
};

// The optional members, detected.
template <class Problem>
concept HasImprove = requires(const Problem& problem, std::span<GeneOf<Problem>> genes, Random& random) {
    problem.improve(genes, random);
};
template <class Problem>
concept HasName = requires(const Problem& problem) {
    { problem.name() } -> std::convertible_to<std::string>;
};
template <class Problem>
concept HasDecode = requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
    { problem.decode(genes) } -> std::ranges::range;
};
template <class Problem>
concept HasBatchFitness = requires(const Problem& problem, std::span<const GeneOf<Problem>> genomes,
                                   std::span<double> fitness) {
    problem.batchFitness(genomes, fitness);
};
template <class Problem>
concept HasMinimise = requires {
    {std::bool_constant<Problem::minimise>{}};
};

// True when the problem's fitness is a cost to minimise.
template <class Problem>
constexpr bool Minimises() {
    if constexpr (HasMinimise<Problem>) {
        return Problem::minimise;
    } else {
        return false;
    }
}

namespace detail {

// A member of that name exists (a plain, non-overloaded member function), so
// a mistake in its signature can be named instead of silently ignored.
template <class Problem>
concept NamesImprove = requires {
    &Problem::improve;
};
template <class Problem>
concept NamesName = requires {
    &Problem::name;
};
template <class Problem>
concept NamesDecode = requires {
    &Problem::decode;
};
template <class Problem>
concept NamesBatchFitness = requires {
    &Problem::batchFitness;
};
template <class Problem>
concept NamesMinimise = requires {
    &Problem::minimise;
};

// Compile-time checks with messages that say what to write.
template <class Problem>
constexpr void CheckProblem() {
    static_assert(
        requires(const Problem& problem) { problem.genome(); },
        "a problem needs `Kind genome() const`, returning its genome kind "
        "(zarnel::Permutation, PermutationWithRepetition, BitString, RealVector or IntegerVector)");
    static_assert(GenomeKind<KindOf<Problem>>,
                  "genome() must return a genome kind (zarnel::Permutation, PermutationWithRepetition, "
                  "BitString, RealVector or IntegerVector)");
    static_assert(
        requires(const Problem& problem, std::span<const GeneOf<Problem>> genes) {
            { problem.fitness(genes) } -> std::convertible_to<double>;
        },
        "a problem needs `double fitness(std::span<const Gene> genes) const` (higher is better)");
    static_assert(!NamesImprove<Problem> || HasImprove<Problem>,
                  "improve must be `void improve(std::span<Gene> genes, zarnel::Random& random) const`");
    static_assert(!NamesName<Problem> || HasName<Problem>, "name must be `std::string name() const`");
    static_assert(!NamesDecode<Problem> || HasDecode<Problem>,
                  "decode must be `std::vector<Number> decode(std::span<const Gene> genes) const`");
    static_assert(!NamesBatchFitness<Problem> || HasBatchFitness<Problem>,
                  "batchFitness must be `void batchFitness(std::span<const Gene> genomes, std::span<double> "
                  "fitness) const`");
    static_assert(!NamesMinimise<Problem> || HasMinimise<Problem>,
                  "minimise must be `static constexpr bool minimise = true;` (a constant of the type)");
}

}  // namespace detail

}  // namespace zarnel
