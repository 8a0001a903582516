#pragma once

#include <cstdint>
#include <string>

#include "nqueen/parameter_file.h"

namespace zarnel {

// Limits of a run that can end: fewer than 4 queens have no solution (or make
// the operators draw forever), and a gene is 16 bits wide.
inline constexpr std::int32_t kMinQueens = 4;
inline constexpr std::int32_t kMaxQueens = 65536;

// The number of individuals that a population_size builds: the value taken as
// an unsigned 32-bit number, capped at 32767.
std::uint32_t PopulationSizeBuilt(std::int32_t populationSize);

// Checks that every required key is set and every value lets a run start and
// end. Returns an empty string when the parameters are usable, otherwise one
// line (without a line end) that names the offending key and `path`.
std::string CheckParameters(const NQueenParameters& parameters, const std::string& path);

}  // namespace zarnel
