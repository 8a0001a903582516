#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>

#include "solve/objectives_problem.h"
#include "solve/problem.h"

// A problem made expensive: every evaluation first does a fixed amount of
// arithmetic, calibrated once to take a given time on this machine
// (Calibrate), then scores as the problem does. It stands for a simulation
// behind the fitness or the objectives when the threads' scaling is measured
// (perf/moo_scaling, perf/core_scaling): the work is counted in operations,
// not timed, so a busy machine slows it down as it would a real one.
namespace zarnel::perf {

// `rounds` rounds of arithmetic that the compiler cannot drop.
inline double Spin(std::uint64_t rounds) {
    double x = 0.5;
    for (std::uint64_t i = 0; i < rounds; ++i) x = std::sin(x) * 0.999 + 0.4;
    return x;
}

// The rounds of Spin that take `seconds` here: the fastest of a few tries.
inline std::uint64_t Calibrate(double seconds) {
    constexpr std::uint64_t kProbe = 200000;
    double fastest = 1e300;
    volatile double sink = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        sink = sink + Spin(kProbe);
        fastest = std::min(fastest,
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return static_cast<std::uint64_t>(static_cast<double>(kProbe) * seconds / fastest);
}

template <class Problem>
struct BusyWork {
    Problem problem;
    std::uint64_t rounds = 0;  // Calibrate(0.001) for about a millisecond

    auto genome() const { return problem.genome(); }
    std::string name() const requires requires(const Problem& p) { p.name(); }
    { return problem.name() + "+busy"; }

    double fitness(std::span<const GeneOf<Problem>> genes) const requires HasFitness<Problem> {
        Work();
        return problem.fitness(genes);
    }

    auto objectives(std::span<const GeneOf<Problem>> genes) const requires HasObjectives<Problem> {
        Work();
        return problem.objectives(genes);
    }
    auto constraints(std::span<const GeneOf<Problem>> genes) const requires HasConstraints<Problem> {
        return problem.constraints(genes);
    }

private:
    void Work() const {
        volatile double sink = Spin(rounds);
        (void)sink;
    }
};

}  // namespace zarnel::perf
