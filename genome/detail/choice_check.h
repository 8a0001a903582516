#pragma once

#include <string>
#include <string_view>

// The checks that the operator choices share, with their messages; not part
// of a user's interface.
namespace zarnel::genome_detail {

// "" when `rate` is in [0, 1] (or, with `negativeMeansDefault`, negative),
// else "<name> <rate> is not in [0, 1]" ("... is not a number" for NaN).
std::string RateFault(std::string_view name, double rate, bool negativeMeansDefault = false);

// "" when `value` is finite and >= `least`, else "<name> <value> is not a
// finite number >= <least>".
std::string AtLeastFault(std::string_view name, double value, double least);

// "unknown <what> <value>": for an enumerator cast from a number that names
// none.
std::string UnknownFault(std::string_view what, int value);

}  // namespace zarnel::genome_detail
