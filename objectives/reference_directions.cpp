#include "objectives/reference_directions.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace zarnel::objectives {

namespace {

constexpr std::size_t kMostDirections = 1000000;

// Appends every composition of `left` into the coordinates from `j` on.
void Compose(std::vector<std::size_t>& parts, std::size_t j, std::size_t left, std::size_t divisions,
             std::vector<double>& out) {
    if (j + 1 == parts.size()) {
        parts[j] = left;
        for (const std::size_t part : parts)
            out.push_back(static_cast<double>(part) / static_cast<double>(divisions));
        return;
    }
    for (std::size_t k = left + 1; k-- > 0;) {
        parts[j] = k;
        Compose(parts, j + 1, left - k, divisions, out);
    }
}

}  // namespace

std::size_t DasDennisCount(std::size_t m, std::size_t divisions) {
    if (m == 0) return 0;
    // C(divisions + m − 1, m − 1), built as a product of growing binomials,
    // each step exact.
    std::size_t count = 1;
    for (std::size_t k = 1; k < m; ++k) {
        const std::size_t factor = divisions + k;
        if (count > std::numeric_limits<std::size_t>::max() / factor) return 0;
        count = count * factor / k;
    }
    return count;
}

std::vector<double> DasDennis(std::size_t m, std::size_t divisions) {
    if (m < 2) throw std::invalid_argument("reference directions need at least 2 objectives");
    if (divisions < 1) throw std::invalid_argument("reference directions need at least 1 division");
    const std::size_t count = DasDennisCount(m, divisions);
    if (count == 0 || count > kMostDirections) {
        throw std::invalid_argument(std::to_string(divisions) + " divisions of " + std::to_string(m) +
                                    " objectives make more than " + std::to_string(kMostDirections) +
                                    " directions");
    }
    std::vector<double> out;
    out.reserve(count * m);
    std::vector<std::size_t> parts(m);
    Compose(parts, 0, divisions, divisions, out);
    return out;
}

std::vector<double> TwoLayerDirections(std::size_t m, std::size_t outer, std::size_t inner, double scale) {
    if (!(scale > 0.0 && scale <= 1.0))
        throw std::invalid_argument("the inner layer's scale must be in (0, 1]");
    std::vector<double> out = DasDennis(m, outer);
    const std::vector<double> shrunk = DasDennis(m, inner);
    const double shift = (1.0 - scale) / static_cast<double>(m);
    for (const double z : shrunk) out.push_back(scale * z + shift);
    return out;
}

std::vector<double> DefaultDirections(std::size_t m, std::size_t population) {
    if (m < 2) throw std::invalid_argument("reference directions need at least 2 objectives");
    // The most divisions whose directions, with `taken` already, fit.
    const auto most = [&](std::size_t taken) {
        std::size_t divisions = 0;
        for (;;) {
            const std::size_t count = DasDennisCount(m, divisions + 1);
            if (count == 0 || taken + count > population || count > kMostDirections) return divisions;
            ++divisions;
        }
    };
    const std::size_t outer = most(0);
    if (outer == 0) {
        throw std::invalid_argument("a population of " + std::to_string(population) +
                                    " is smaller than the " + std::to_string(m) +
                                    " directions of one division");
    }
    if (outer >= m || m < 6) return DasDennis(m, outer);
    const std::size_t inner = most(DasDennisCount(m, outer));
    if (inner == 0) return DasDennis(m, outer);
    return TwoLayerDirections(m, outer, inner);
}

}  // namespace zarnel::objectives
