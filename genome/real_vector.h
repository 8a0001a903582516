#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genome/random.h"

namespace zarnel {

// The real-vector genome kind: gene i is a double in [lower[i], upper[i]]
// (bounds included; lower[i] == upper[i] fixes the gene). A plain value; its
// members are const and may be called from any number of threads at once.
struct RealVector {
    using Gene = double;
    static constexpr std::string_view kName = "real_vector";

    std::vector<double> lower;
    std::vector<double> upper;

    std::uint32_t Length() const { return static_cast<std::uint32_t>(lower.size()); }

    // "" when the kind is usable, else why not: no genes, bounds of different
    // counts, more genes than 2^32 - 1, a bound that is not finite, a lower
    // bound above its upper bound (genes counted from 1).
    std::string Validate() const;

    // Each gene uniform in its bounds (real::UniformInit).
    void Init(std::span<Gene> genes, Random& random) const;

    // "" when `genes` has Length() genes, each finite and within its bounds,
    // else the first fault: "gene 3 is 7.5, above its upper bound 5".
    std::string Check(std::span<const Gene> genes) const;

    // Appends the text form, each gene in the shortest form that reads back
    // to the same bits.
    void Write(std::span<const Gene> genes, std::string& out) const;

    // Reads the text form into `genes` (Length() of them); gene_text::Read
    // gives the faults (a gene must be a finite number). Does not call Check.
    std::string Read(std::string_view text, std::span<Gene> genes) const;
};

}  // namespace zarnel
