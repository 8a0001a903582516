#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarnel::flag_values {

// Strict readers for the values of command-line flags, shared by every
// program's flags (zarnel::Flags, ZarnelBench). A number is decimal text and
// nothing else: no sign on a whole number, no base prefix ("010" is ten, not
// eight; "0x10" is refused), nothing after it, and nothing too large wrapped
// or clamped into range. Each reader returns "" and sets `value`, or returns
// why the text is refused, quoting it as it was given, and leaves `value`
// alone; the caller puts the flag's name in front. Any thread.

// A whole number from `least` to `most`: "'-5' is not a whole number from 0
// to 4294967295". Refuses what ValueFault refuses as well.
std::string ReadWhole(std::string_view text, std::uint64_t least, std::uint64_t most, std::uint64_t& value);

// A finite number of at least `least` (the lowest double: any finite
// number): "'inf' is not a finite number", "'-1' is not a finite number of 0
// or more". A leading '+' and an exponent are read ("+2.5e3"). Refuses what
// ValueFault refuses as well.
std::string ReadFinite(std::string_view text, double least, double& value);

// For a parser that converts the text itself once a check has passed
// (CLI11, which reads "010" as eight and wraps "-5" round to 2^64 - 5):
// checks `text` as ReadWhole or ReadFinite does and, when it passes,
// rewrites it as plain decimal (a real number with seventeen significant
// digits, which reads back to the same double even through a long double).
std::string NormaliseWhole(std::string& text, std::uint64_t least, std::uint64_t most);
std::string NormaliseFinite(std::string& text, double least);

// Why `text` cannot be a flag's value, or "": it is empty, or it is itself a
// flag ("--quiet", "-h"), as when `--json --quiet` or `--json= --quiet` left
// the value out. A negative number ("-5", "-inf") is a value.
std::string ValueFault(std::string_view text);

// The flag of the first argument of the form "--name=" (an '=' and nothing
// after it), without its '=', or "" when there is none. Arguments after a
// lone "--" are not looked at. A parser would take the next argument as the
// value instead: `--json= --quiet` writes a file named "--quiet".
std::string EmptyAssignment(int argc, const char* const* argv);

}  // namespace zarnel::flag_values
