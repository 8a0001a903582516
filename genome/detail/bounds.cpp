#include "genome/detail/bounds.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "genome/gene_text.h"

namespace zarnel::genome_detail {

namespace {

template <class T>
std::string Text(T value) {
    std::string out;
    gene_text::Write(std::span<const T>(&value, 1), out);
    return out;
}

template <class T>
bool IsFinite(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        return std::isfinite(value);
    } else {
        return true;
    }
}

std::string Gene(std::size_t i) { return "gene " + std::to_string(i + 1); }

}  // namespace

template <class T>
std::string ValidateBounds(const std::vector<T>& lower, const std::vector<T>& upper) {
    if (lower.size() != upper.size()) {
        return std::to_string(lower.size()) + " lower bounds but " + std::to_string(upper.size()) +
               " upper bounds";
    }
    if (lower.empty()) return "no genes: the bounds are empty";
    if (lower.size() > UINT32_MAX) return "more than 4294967295 genes";
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (!IsFinite(lower[i]) || !IsFinite(upper[i])) return Gene(i) + " has a bound that is not finite";
        if (lower[i] > upper[i]) {
            return Gene(i) + "'s lower bound " + Text(lower[i]) + " is above its upper bound " +
                   Text(upper[i]);
        }
    }
    return "";
}

template <class T>
std::string CheckWithinBounds(std::span<const T> genes, const std::vector<T>& lower,
                              const std::vector<T>& upper) {
    if (genes.size() != lower.size()) {
        return "expected " + std::to_string(lower.size()) + " genes, found " + std::to_string(genes.size());
    }
    for (std::size_t i = 0; i < genes.size(); ++i) {
        if (!IsFinite(genes[i])) return Gene(i) + " is " + Text(genes[i]) + ", not a finite number";
        if (genes[i] < lower[i]) {
            return Gene(i) + " is " + Text(genes[i]) + ", below its lower bound " + Text(lower[i]);
        }
        if (genes[i] > upper[i]) {
            return Gene(i) + " is " + Text(genes[i]) + ", above its upper bound " + Text(upper[i]);
        }
    }
    return "";
}

template std::string ValidateBounds<double>(const std::vector<double>&, const std::vector<double>&);
template std::string ValidateBounds<std::int64_t>(const std::vector<std::int64_t>&,
                                                  const std::vector<std::int64_t>&);
template std::string CheckWithinBounds<double>(std::span<const double>, const std::vector<double>&,
                                               const std::vector<double>&);
template std::string CheckWithinBounds<std::int64_t>(std::span<const std::int64_t>,
                                                     const std::vector<std::int64_t>&,
                                                     const std::vector<std::int64_t>&);

}  // namespace zarnel::genome_detail
