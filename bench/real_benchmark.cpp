#include "bench/real_benchmark.h"

#include <algorithm>
#include <vector>

#include "bench/decoding_grid.h"
#include "bench/test_function.h"
#include "framework/thread_stats.h"
#include "solve/solve.h"

namespace zarnel {

namespace {

constexpr double kLowerBound = -10.0;
constexpr double kUpperBound = 10.0;
// Tournament steps per slave thread (per lane when deterministic) and slave
// phase: small, so that the budget is checked often.
constexpr std::uint32_t kStepsPerPhase = 4;

}  // namespace

RealVector BenchFunction::genome() const {
    const std::uint32_t n = TestFunctionVariableCount(code);
    return RealVector{std::vector<double>(n, kLowerBound), std::vector<double>(n, kUpperBound)};
}

double BenchFunction::fitness(std::span<const double> x) const { return TestFunction(code, x.data()); }

void BenchFunction::improve(std::span<double> x, Random& random) const {
    if (!random.Chance(searchChance)) return;
    CoordinateSearchSettings settings = search;
    if (childShare != nullptr) {
        // The search's first evaluation and the child's own scoring come
        // out of the share too.
        const std::uint64_t share = childShare->load(std::memory_order_relaxed);
        if (share < 3) return;
        settings.budget = settings.budget == 0 ? share - 2 : std::min(settings.budget, share - 2);
    }
    double value = fitness(x);
    CountEvaluation();
    const RealVector kind = genome();
    const std::uint64_t spent = CoordinateSearch(
        x, value, kind, [&](std::span<const double> point) { return fitness(point); }, settings, random);
    for (std::uint64_t i = 0; i < spent; ++i) CountEvaluation();
}

std::string BenchFunction::name() const { return TestFunctionName(code); }

run::BenchRunRecord RunRealOnce(const BenchOptions& options, std::int32_t code, std::uint32_t seed,
                                std::uint64_t evaluations, std::vector<std::uint32_t>* bestGenes) {
    const std::uint32_t n = TestFunctionVariableCount(code);
    BenchFunction problem;
    problem.code = code;

    SolveOptions solve;
    solve.threads = options.threads;
    solve.population = options.population;
    solve.seed = seed;
    solve.quiet = true;
    solve.handleSignals = false;
    solve.stepsPerPhase = kStepsPerPhase;
    solve.deterministic = options.deterministic;
    solve.maxEvaluations = evaluations;
    // Each child of a slave phase may take an equal share of what is left,
    // so a phase passes the budget only when fewer evaluations are left than
    // it has children. The first population and the first phase share the
    // budget before the first master pass.
    const std::uint64_t children =
        std::uint64_t{kStepsPerPhase} * (solve.deterministic
                                             ? detail::LaneCount(solve.population, solve.tournamentSize)
                                             : std::max<std::uint32_t>(solve.threads, 1));
    std::atomic<std::uint64_t> share{evaluations / (solve.population + children)};
    problem.childShare = &share;
    // Called on this thread after every master pass, while the slave threads
    // wait; they read the share after the engine's start event of the next
    // phase, which orders this store before their loads.
    solve.progressEvery = 1;
    solve.progress = [&](const Progress& progress) {
        const std::uint64_t left =
            progress.evaluations < evaluations ? evaluations - progress.evaluations : 0;
        share.store(left / children, std::memory_order_relaxed);
    };

    const auto result = Solve(problem, solve);
    std::vector<std::uint32_t> genes(n);
    std::vector<double> snapped(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        genes[i] = NearestGene(result.genes[i], kLowerBound, kUpperBound);
        snapped[i] = GridPoint(genes[i], kLowerBound, kUpperBound);
    }
    if (bestGenes != nullptr) *bestGenes = genes;

    run::BenchRunRecord record;
    record.function = code;
    record.bestFitness = TestFunction(code, snapped.data());
    record.evaluations = result.evaluations;
    record.seconds = result.seconds;
    return record;
}

}  // namespace zarnel
