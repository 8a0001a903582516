#include "genome/detail/choice_check.h"

#include <cmath>
#include <span>

#include "genome/gene_text.h"

namespace zarnel::genome_detail {

namespace {

std::string Text(double value) {
    std::string out;
    gene_text::Write(std::span<const double>(&value, 1), out);
    return out;
}

}  // namespace

std::string RateFault(std::string_view name, double rate, bool negativeMeansDefault) {
    if (std::isnan(rate)) return std::string(name) + " is not a number";
    if ((rate >= 0.0 && rate <= 1.0) || (negativeMeansDefault && rate < 0.0)) return "";
    return std::string(name) + " " + Text(rate) + " is not in [0, 1]";
}

std::string AtLeastFault(std::string_view name, double value, double least) {
    if (std::isfinite(value) && value >= least) return "";
    return std::string(name) + " " + Text(value) + " is not a finite number >= " + Text(least);
}

std::string UnknownFault(std::string_view what, int value) {
    return "unknown " + std::string(what) + " " + std::to_string(value);
}

}  // namespace zarnel::genome_detail
