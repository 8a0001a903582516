#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarnel {

// Reads back a population dump (the text WritePopulationDump writes): one
// line per individual, its genes then its fitness, and the closing "Avg.
// fitenss:" line. Puts the genes, individual after individual, in `genes`;
// the fitness figures are read over, never used. Returns an empty string
// when the dump holds exactly `size` individuals whose genes are each a
// permutation of 0 .. queens-1, otherwise one line that names `path` and,
// for a line that does not fit, its number.
// The 32-bit form reads the dumps of the fast set's boards beyond 65536
// queens, in the same format.
std::string ReadPopulationDump(const std::string& path, std::uint32_t queens, std::uint32_t size,
                               std::vector<std::uint16_t>& genes);
std::string ReadPopulationDump(const std::string& path, std::uint32_t queens, std::uint32_t size,
                               std::vector<std::uint32_t>& genes);

// The same check for dump text held in memory.
std::string ParsePopulationDump(const std::string& text, const std::string& path, std::uint32_t queens,
                                std::uint32_t size, std::vector<std::uint16_t>& genes);
std::string ParsePopulationDump(const std::string& text, const std::string& path, std::uint32_t queens,
                                std::uint32_t size, std::vector<std::uint32_t>& genes);

}  // namespace zarnel
