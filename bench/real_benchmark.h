#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bench/bench_options.h"
#include "bench/coordinate_search.h"
#include "genome/random.h"
#include "genome/real_vector.h"
#include "run/run_record.h"

namespace zarnel {

// One test function as a problem for Solve (ZarnelBench --operators real):
// its variables are a real vector on [-10, 10] each, as the classic decoding
// spans them, and the fitness is the function's value (the benchmark
// maximises). improve runs, on a share `searchChance` of the children, a
// coordinate search (bench/coordinate_search.h) whose evaluations are
// counted with the run's.
//
// A plain value that Solve calls from every slave thread at once: fitness
// and improve only read it. `childShare`, when set, points to the most
// evaluations one child may take (its own scoring included), which the
// thread that runs Solve writes between slave phases.
struct BenchFunction {
    std::int32_t code = 40004;
    double searchChance = 0.05;
    CoordinateSearchSettings search{0.25, 1e-9, 0, 5};
    const std::atomic<std::uint64_t>* childShare = nullptr;

    RealVector genome() const;
    double fitness(std::span<const double> x) const;
    void improve(std::span<double> x, Random& random) const;
    std::string name() const;
};

// One run of `code` through Solve: SBX and polynomial mutation, a coordinate
// search on one child in twenty, the options' population and threads (and
// determinism), seeded with `seed`, until `evaluations` fitness evaluations.
// Each child may take an equal share of what is left of the budget, so a run
// passes it by less than one slave phase of plain children (4 per slave
// thread, or 4 per lane when deterministic). The best point is snapped to the
// classic decoding's grid (bench/decoding_grid.h) and scored there, so the
// record's best compares with the known best as a classic run's does; its
// genes go to `bestGenes` when given.
run::BenchRunRecord RunRealOnce(const BenchOptions& options, std::int32_t code, std::uint32_t seed,
                                std::uint64_t evaluations, std::vector<std::uint32_t>* bestGenes = nullptr);

}  // namespace zarnel
