// Must not compile: a problem with both `fitness` and `objectives`. The
// test solve.refuses_fitness_and_objectives compiles it and expects the
// error that names the mix-up.
#include <array>
#include <span>

#include "solve/solve.h"

struct Both {
    zarnel::RealVector genome() const { return {{0.0, 0.0}, {1.0, 1.0}}; }
    double fitness(std::span<const double> x) const { return x[0]; }
    std::array<double, 2> objectives(std::span<const double> x) const { return {x[0], x[1]}; }
};

int main() { (void)zarnel::Solve(Both{}); }
