#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "genome/real_vector.h"

// The DTLZ problems (Deb, Thiele, Laumanns and Zitzler 2005) with M
// minimised objectives of n = M + k − 1 variables in the unit box, k = 5 for
// DTLZ1, 10 for DTLZ2–6 and 20 for DTLZ7 (DTLZ4's α = 100), as pagmo2's
// dtlz(id, n, M) defines them. Each gives its reference point (the true
// front's nadir plus a tenth of its range) and points of its true front.
namespace zarnel::suites {

namespace dtlz {
void Objectives(int id, std::span<const double> x, std::span<double> f);
std::vector<double> ReferencePoint(int id, std::size_t m);
std::vector<double> Front(int id, std::size_t m);
}  // namespace dtlz

template <int Id, std::size_t M = 3>
struct Dtlz {
    static_assert(M >= 2);
    static constexpr std::size_t kVariables = M + (Id == 1 ? 5 : Id == 7 ? 20 : 10) - 1;

    RealVector genome() const {
        return {std::vector<double>(kVariables, 0.0), std::vector<double>(kVariables, 1.0)};
    }
    std::array<double, M> objectives(std::span<const double> x) const {
        std::array<double, M> f;
        dtlz::Objectives(Id, x, f);
        return f;
    }
    std::string name() const {
        std::string text = "dtlz";
        text += std::to_string(Id);
        if (M != 3) {
            text += '_';
            text += std::to_string(M);
        }
        return text;
    }

    std::array<double, M> referencePoint() const {
        const std::vector<double> point = dtlz::ReferencePoint(Id, M);
        std::array<double, M> reference;
        for (std::size_t j = 0; j < M; ++j) reference[j] = point[j];
        return reference;
    }
    std::vector<double> referenceFront() const { return dtlz::Front(Id, M); }
};

}  // namespace zarnel::suites
