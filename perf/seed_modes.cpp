// What it would cost a seeded run of Solve to repeat: the same problems run
// in process in three modes, round by round side by side, each to the same
// budget of fitness evaluations, and the wall time per evaluation compared.
//
//   sized          the default mode without a seed: steps per phase sized
//                  from the measured cost of a step (about 2 ms a phase)
//   deterministic  `deterministic`: fixed lanes, the same run at any thread count
//   fixed          the default mode with a fixed step count (half the
//                  population per slave thread): what a given seed chooses on
//                  0 or 1 slave threads, so that the run repeats
//
//   seed_modes [rounds] [threads ...]     (default: 7 rounds; threads 0 1 2)
//
// Prints one row per problem and thread count: the median nanoseconds per
// evaluation of each mode and the ratio of the medians to the sized mode.
// perf/seed_modes.sh runs it and adds the load average.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/tsplib.h"
#include "perf/solve_problems.h"
#include "solve/solve.h"

namespace {

using perf::Knapsack;
using perf::Tour;

// A fitness that costs almost nothing: the phase hand-over shows most.
struct OneMax {
    zarnel::BitString genome() const { return {200}; }
    double fitness(std::span<const std::uint8_t> bits) const {
        double ones = 0;
        for (const std::uint8_t bit : bits) ones += bit;
        return ones;
    }
};

// Rastrigin in 30 dimensions on [-5.12, 5.12], maximised as its negative.
struct Rastrigin {
    zarnel::RealVector genome() const { return {std::vector(30, -5.12), std::vector(30, 5.12)}; }
    double fitness(std::span<const double> x) const {
        double sum = 10.0 * static_cast<double>(x.size());
        for (const double v : x) sum += v * v - 10.0 * std::cos(2 * std::numbers::pi * v);
        return -sum;
    }
};

enum class Mode { kSized, kDeterministic, kFixed };

template <class Problem>
double NanosecondsPerEvaluation(const Problem& problem, Mode mode, std::uint32_t threads,
                                std::uint32_t population, std::uint64_t evaluations, std::uint64_t seed) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = population;
    // A given seed fixes the steps on 0 or 1 threads: the sized runs have none.
    if (mode != Mode::kSized) options.seed = seed;
    options.quiet = true;
    options.handleSignals = false;
    options.maxEvaluations = evaluations;
    options.deterministic = mode == Mode::kDeterministic;
    if (mode == Mode::kFixed) options.stepsPerPhase = std::max<std::uint32_t>(1, population / 2);
    const auto result = zarnel::Solve(problem, options);
    return result.seconds * 1e9 / static_cast<double>(result.evaluations);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <class Problem>
void Measure(const char* name, const Problem& problem, int rounds, std::uint32_t threads,
             std::uint32_t population, std::uint64_t evaluations) {
    std::vector<double> times[3];
    for (int r = 0; r < rounds; ++r) {
        for (const Mode mode : {Mode::kSized, Mode::kDeterministic, Mode::kFixed}) {
            times[static_cast<int>(mode)].push_back(
                NanosecondsPerEvaluation(problem, mode, threads, population, evaluations, 1 + r));
        }
    }
    const double sized = Median(times[0]), deterministic = Median(times[1]), fixed = Median(times[2]);
    std::printf("| %s | %u | %.0f | %.0f | %.0f | %.3f | %.3f |\n", name, threads, sized, deterministic,
                fixed, deterministic / sized, fixed / sized);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    std::vector<std::uint32_t> threadCounts;
    for (int i = 2; i < argc; ++i) threadCounts.push_back(static_cast<std::uint32_t>(std::atoi(argv[i])));
    if (threadCounts.empty()) threadCounts = {0, 1, 2};

    const tsp::Instance a280 = tsp::ReadTsplib(ZARNEL_TSP_DATA "/a280.tsp");
    const tsp::NeighbourLists a280Neighbours(a280, 10);
    const tsp::LocalSearch a280Search(a280, a280Neighbours);
    const tsp::Instance pcb442 = tsp::ReadTsplib(ZARNEL_TSP_DATA "/pcb442.tsp");
    const tsp::NeighbourLists pcb442Neighbours(pcb442, 10);
    const tsp::LocalSearch pcb442Search(pcb442, pcb442Neighbours);

    std::printf(
        "| problem | threads | sized ns/eval | deterministic ns/eval | fixed ns/eval | "
        "deterministic / sized | fixed / sized |\n|---|---|---|---|---|---|---|\n");
    for (const std::uint32_t threads : threadCounts) {
        Measure("tsp a280 + improve", Tour{&a280Search}, rounds, threads, 50, 3000);
        Measure("tsp pcb442 + improve", Tour{&pcb442Search}, rounds, threads, 50, 2000);
        Measure("knapsack", Knapsack{}, rounds, threads, 60, 2000000);
        Measure("onemax 200", OneMax{}, rounds, threads, 100, 2000000);
        Measure("rastrigin 30", Rastrigin{}, rounds, threads, 100, 1000000);
    }
}
