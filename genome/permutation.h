#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "genome/random.h"

namespace zarnel {

// The permutation genome kind: `length` genes holding each of the values
// 0 .. length-1 once (an order, a tour, an assignment). A plain value; its
// members are const and may be called from any number of threads at once.
struct Permutation {
    using Gene = std::uint32_t;
    static constexpr std::string_view kName = "permutation";

    std::uint32_t length = 0;

    std::uint32_t Length() const { return length; }

    // "" when the kind is usable, else why not (a length of 0).
    std::string Validate() const;

    // A uniformly random permutation (permutation::Shuffle).
    void Init(std::span<Gene> genes, Random& random) const;

    // "" when `genes` is a permutation of 0 .. length-1, else the first fault
    // found, genes counted from 1: "expected 5 genes, found 4", "gene 3 is 9,
    // not below the length 5", "value 2 appears at genes 1 and 4".
    std::string Check(std::span<const Gene> genes) const;

    // Appends the text form: the genes separated by single spaces.
    void Write(std::span<const Gene> genes, std::string& out) const;

    // Reads the text form into `genes` (Length() of them); gene_text::Read
    // gives the faults. Does not call Check, so the genes read need not form
    // a permutation.
    std::string Read(std::string_view text, std::span<Gene> genes) const;
};

}  // namespace zarnel
