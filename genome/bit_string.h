#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "genome/random.h"

namespace zarnel {

// The bit-string genome kind: `length` genes, each 0 or 1 (one byte per
// gene, so a gene is addressed like any other). A plain value; its members
// are const and may be called from any number of threads at once.
struct BitString {
    using Gene = std::uint8_t;
    static constexpr std::string_view kName = "bit_string";

    std::uint32_t length = 0;

    std::uint32_t Length() const { return length; }

    // "" when the kind is usable, else why not (a length of 0).
    std::string Validate() const;

    // Every bit 0 or 1 with equal chance (bits::RandomInit).
    void Init(std::span<Gene> genes, Random& random) const;

    // "" when `genes` has `length` genes, each 0 or 1, else the first fault:
    // "expected 8 genes, found 7", "gene 3 is 2, not 0 or 1".
    std::string Check(std::span<const Gene> genes) const;

    // Appends the text form: "0 1 1 0 ...".
    void Write(std::span<const Gene> genes, std::string& out) const;

    // Reads the text form into `genes` (Length() of them); a word other
    // than 0 or 1 is refused ("word 3 '2' is not a bit (0 or 1)"), besides
    // gene_text::Read's faults.
    std::string Read(std::string_view text, std::span<Gene> genes) const;
};

}  // namespace zarnel
