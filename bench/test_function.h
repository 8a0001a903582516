#pragma once

#include <cstdint>
#include <string>

namespace zarnel {

// Thrown by TestFunction for a code that names no function. It carries
// nothing: no message, no code, no base class.
class OperatorException {};

// The nineteen numeric test functions, selected by a code read as
// group = code / 1000 (truncated toward zero) and index = |code| mod 1000:
// group 1 holds eight functions of x = v[0] (indices 0 to 7), group 2 five
// functions of x = v[0], y = v[1] (indices 0 to 4), and every other group six
// functions of n = |group| variables v[0] .. v[n - 1] (indices 0 to 5).
// Throws OperatorException for any other index and for the code -2^31. The
// caller supplies at least as many variables as the function reads (see
// TestFunctionVariableCount). Pure and re-entrant: no state, no allocation.
double TestFunction(std::int32_t code, const double* v);

// The number of variables TestFunction reads for the code: 1 for group 1,
// 2 for group 2, |group| otherwise, and 0 for a code that TestFunction
// rejects.
std::uint32_t TestFunctionVariableCount(std::int32_t code);

// A short name of the function for tables and help texts: the usual name
// where the function has one ("Griewank, 40 variables"), otherwise its
// formula in plain text ("x cos(tan x)"); empty for a code that
// TestFunction rejects.
std::string TestFunctionName(std::int32_t code);

}  // namespace zarnel
