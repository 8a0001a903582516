#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zarnel {

// The nineteen test functions as ZarnelBench --all runs them: the eight of
// one variable, the five of two, and the six of n variables with n = 40
// (codes 40000 to 40005), in code order.
std::vector<std::int32_t> AllBenchFunctions();

// The largest value of the function over the points that the benchmark's
// decoding gives on [-10, 10] in every variable (the benchmark maximises),
// for the codes of AllBenchFunctions; none for any other code.
std::optional<double> KnownBest(std::int32_t code);

}  // namespace zarnel
