#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zarnel::gene_text {

// The text form that every genome kind shares: the genes as decimal numbers
// separated by single spaces, with no line end. Reals are written in the
// shortest form that reads back to the same bits (std::to_chars), so -0, the
// subnormals and 1e308 survive a round trip exactly. Both directions are
// independent of the locale.
//
// Gene types: std::uint8_t, std::uint32_t, std::int64_t and double.

// Appends the genes, separated by single spaces, to `out`.
template <class Gene>
void Write(std::span<const Gene> genes, std::string& out);

// Reads exactly genes.size() numbers from `text`, separated (and optionally
// preceded and followed) by blanks or tabs; anything else is part of a word.
// Returns "" on success, else one line that names the fault and the word
// (counted from 1):
//   "expected 40 genes, found 41"
//   "word 3 'x' is not a number"
//   "word 2 '-1' is out of range (0 to 4294967295)"
//   "word 5 'nan' is not a finite number"
// On failure `genes` may be partly overwritten.
template <class Gene>
std::string Read(std::string_view text, std::span<Gene> genes);

// A word as a message shows it: quoted, cut after 32 characters, bytes that
// are not printable ASCII written as \xNN.
std::string Quote(std::string_view word);

}  // namespace zarnel::gene_text
