#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genome/random.h"

namespace zarnel {

// The permutation-with-repetition genome kind: value j (0 .. counts.size()-1)
// appears counts[j] times, in any order. Its classic use is the job shop's
// operation-based encoding: job j appears once per operation, and its k-th
// occurrence stands for its k-th operation, so every arrangement is a
// feasible priority order. A plain value; its members are const and may be
// called from any number of threads at once.
struct PermutationWithRepetition {
    using Gene = std::uint32_t;
    static constexpr std::string_view kName = "permutation_with_repetition";

    std::vector<std::uint32_t> counts;

    // Each of `values` values `times` times: a job shop of `values` jobs on
    // `times` machines.
    static PermutationWithRepetition Uniform(std::uint32_t values, std::uint32_t times) {
        return {std::vector<std::uint32_t>(values, times)};
    }

    // The sum of the counts (Validate refuses a sum above 2^32 - 1).
    std::uint32_t Length() const;

    // "" when the kind is usable, else why not: no values, no genes, or more
    // genes than 2^32 - 1.
    std::string Validate() const;

    // A uniformly random arrangement: each value its count of times, then a
    // Fisher-Yates shuffle.
    void Init(std::span<Gene> genes, Random& random) const;

    // "" when `genes` holds each value exactly its count of times, else the
    // first fault found, genes counted from 1: "expected 12 genes, found 11",
    // "gene 3 is 7, not below the number of values 4", "value 2 appears more
    // than 3 times (gene 9 is its 4th)" ("more than once" for a count of 1).
    // O(length + values).
    std::string Check(std::span<const Gene> genes) const;

    // Appends the text form: the genes separated by single spaces.
    void Write(std::span<const Gene> genes, std::string& out) const;

    // Reads the text form into `genes` (Length() of them); gene_text::Read
    // gives the faults. Does not call Check.
    std::string Read(std::string_view text, std::span<Gene> genes) const;
};

}  // namespace zarnel
