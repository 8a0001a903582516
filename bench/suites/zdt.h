#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "genome/real_vector.h"

// The ZDT problems (Zitzler, Deb and Thiele 2000): two minimised objectives
// of variables in the unit box (ZDT4: the others in [−5, 5]), 30 variables
// for ZDT1–3 and 10 for ZDT4 and ZDT6, as pagmo2's zdt(id, n) defines them.
// Each problem gives its reference point (the true front's nadir plus a tenth
// of its range) and points of its true front.
namespace zarnel::suites {

namespace zdt {
std::array<double, 2> Objectives(int id, std::span<const double> x);
std::array<double, 2> ReferencePoint(int id);
// `points` points of the true front of ZDT `id`, point after point.
std::vector<double> Front(int id, std::size_t points);
}  // namespace zdt

template <int Id>
struct Zdt {
    static constexpr std::size_t kVariables = Id == 4 || Id == 6 ? 10 : 30;

    RealVector genome() const {
        RealVector kind{std::vector<double>(kVariables, Id == 4 ? -5.0 : 0.0),
                        std::vector<double>(kVariables, Id == 4 ? 5.0 : 1.0)};
        kind.lower[0] = 0.0;
        kind.upper[0] = 1.0;
        return kind;
    }
    std::array<double, 2> objectives(std::span<const double> x) const { return zdt::Objectives(Id, x); }
    std::string name() const {
        std::string text = "zdt";
        text += std::to_string(Id);
        return text;
    }

    std::array<double, 2> referencePoint() const { return zdt::ReferencePoint(Id); }
    std::vector<double> referenceFront() const { return zdt::Front(Id, 1000); }
};

using Zdt1 = Zdt<1>;
using Zdt2 = Zdt<2>;
using Zdt3 = Zdt<3>;
using Zdt4 = Zdt<4>;
using Zdt6 = Zdt<6>;

}  // namespace zarnel::suites
