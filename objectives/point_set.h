#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zarnel::objectives {

// N points of M objective values each, stored point after point: point i is
// values[i·M, (i+1)·M). Every objective is minimised. A view: it owns
// nothing, and the values must outlive it. A plain value; any number of
// threads may read one at once.
class PointSet {
public:
    // Throws std::invalid_argument when `dimension` is 0, when values.size()
    // is not a multiple of it, or when there are 2^32 points or more.
    PointSet(std::span<const double> values, std::size_t dimension);
    // A view of a temporary vector would dangle once the statement ends.
    PointSet(std::vector<double>&&, std::size_t) = delete;

    std::size_t Size() const { return size_; }
    std::size_t Dimension() const { return dimension_; }
    std::span<const double> Values() const { return values_; }
    std::span<const double> operator[](std::size_t i) const {
        return values_.subspan(i * dimension_, dimension_);
    }
    // True when any objective of point i is NaN.
    bool HasNaN(std::size_t i) const;

private:
    std::span<const double> values_;
    std::size_t dimension_;
    std::size_t size_;
};

// Points held as arrays (what a problem's objectives return), laid out as a
// PointSet wants them.
template <std::size_t M>
std::vector<double> Flatten(std::span<const std::array<double, M>> points) {
    std::vector<double> values;
    values.reserve(points.size() * M);
    for (const std::array<double, M>& point : points) values.insert(values.end(), point.begin(), point.end());
    return values;
}

}  // namespace zarnel::objectives
