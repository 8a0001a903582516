#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genome/random.h"

namespace zarnel {

// The integer-vector genome kind: gene i is a 64-bit integer in
// [lower[i], upper[i]] (bounds included; lower[i] == upper[i] fixes the
// gene). A plain value; its members are const and may be called from any
// number of threads at once.
struct IntegerVector {
    using Gene = std::int64_t;
    static constexpr std::string_view kName = "integer_vector";

    std::vector<std::int64_t> lower;
    std::vector<std::int64_t> upper;

    std::uint32_t Length() const { return static_cast<std::uint32_t>(lower.size()); }

    // "" when the kind is usable, else why not: no genes, bounds of different
    // counts, more genes than 2^32 - 1, a lower bound above its upper bound.
    std::string Validate() const;

    // Each gene uniform over its bounds (integer::UniformInit).
    void Init(std::span<Gene> genes, Random& random) const;

    // "" when `genes` has Length() genes, each within its bounds, else the
    // first fault: "gene 2 is -4, below its lower bound 0".
    std::string Check(std::span<const Gene> genes) const;

    // Appends the text form: the genes in decimal separated by single spaces.
    void Write(std::span<const Gene> genes, std::string& out) const;

    // Reads the text form into `genes` (Length() of them); gene_text::Read
    // gives the faults, among them a number outside the 64-bit range. Does
    // not call Check.
    std::string Read(std::string_view text, std::span<Gene> genes) const;
};

}  // namespace zarnel
