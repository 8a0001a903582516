#include "objectives/point_set.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace zarnel::objectives {

PointSet::PointSet(std::span<const double> values, std::size_t dimension)
    : values_(values), dimension_(dimension), size_(0) {
    if (dimension == 0) throw std::invalid_argument("a point set needs at least one objective");
    if (values.size() % dimension != 0) {
        throw std::invalid_argument(std::to_string(values.size()) + " values are not whole points of " +
                                    std::to_string(dimension) + " objectives");
    }
    size_ = values.size() / dimension;
    if (size_ > std::numeric_limits<std::uint32_t>::max() - 1)
        throw std::invalid_argument("a point set holds fewer than 2^32 - 1 points");
}

bool PointSet::HasNaN(std::size_t i) const {
    for (const double value : (*this)[i]) {
        if (std::isnan(value)) return true;
    }
    return false;
}

}  // namespace zarnel::objectives
