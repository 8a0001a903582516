#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "genome/real_vector.h"

// Constrained problems of two or three minimised objectives, each
// constraint <= 0 when met: BNH (Binh and Korn 1997), SRN (Srinivas and Deb
// 1994), CONSTR (Deb 2001) and C2-DTLZ2 (Jain and Deb 2014, three
// objectives, r = 0.4), with their reference points (the true front's nadir
// plus a tenth of its range) and points of their true fronts.
namespace zarnel::suites {

struct Bnh {
    RealVector genome() const { return {{0.0, 0.0}, {5.0, 3.0}}; }
    std::array<double, 2> objectives(std::span<const double> x) const;
    std::array<double, 2> constraints(std::span<const double> x) const;
    std::string name() const { return "bnh"; }
    std::array<double, 2> referencePoint() const;
    std::vector<double> referenceFront() const;
};

struct Srn {
    RealVector genome() const { return {{-20.0, -20.0}, {20.0, 20.0}}; }
    std::array<double, 2> objectives(std::span<const double> x) const;
    std::array<double, 2> constraints(std::span<const double> x) const;
    std::string name() const { return "srn"; }
    std::array<double, 2> referencePoint() const;
    std::vector<double> referenceFront() const;
};

struct Constr {
    RealVector genome() const { return {{0.1, 0.0}, {1.0, 5.0}}; }
    std::array<double, 2> objectives(std::span<const double> x) const;
    std::array<double, 2> constraints(std::span<const double> x) const;
    std::string name() const { return "constr"; }
    std::array<double, 2> referencePoint() const;
    std::vector<double> referenceFront() const;
};

// DTLZ2's three objectives of 12 variables, feasible only within r of a
// corner of the front or of its centre.
struct C2Dtlz2 {
    static constexpr std::size_t kVariables = 12;
    static constexpr double kRadius = 0.4;

    RealVector genome() const {
        return {std::vector<double>(kVariables, 0.0), std::vector<double>(kVariables, 1.0)};
    }
    std::array<double, 3> objectives(std::span<const double> x) const;
    std::array<double, 1> constraints(std::span<const double> x) const;
    std::string name() const { return "c2dtlz2"; }
    std::array<double, 3> referencePoint() const { return {1.1, 1.1, 1.1}; }
    std::vector<double> referenceFront() const;
};

}  // namespace zarnel::suites
