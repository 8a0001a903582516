// The cheap and the expensive cases of perf/core_scaling.sh: one run of
// Solve with the standard flags (--threads, --time-limit, --seed, --json …)
// on the knapsack example's instance, either as it is (a fitness of some
// tens of nanoseconds, where the phase hand-over shows most) or behind busy
// work of about 100 µs or 1 ms per evaluation (perf/busy_work.h). No target:
// the run goes on until a limit ends it, so its evaluations per second can
// be compared across thread counts. `handover` is the knapsack with one
// step per thread per phase, so that a run is almost nothing but hand-overs
// and master passes: what a phase costs around its work, at any thread count
// (the record's history has an entry every 500 phases to time them by).
//
//   core_scaling knapsack|100us|1ms|handover [--rounds-per-ms R] [standard flags]
//   core_scaling calibrate      prints R, the busy work's rounds per millisecond
#include <cstdint>
#include <cstdio>
#include <string>

#include "perf/busy_work.h"
#include "perf/solve_problems.h"
#include "solve/flags.h"
#include "solve/solve.h"

namespace {

template <class Problem>
int Run(const Problem& problem, const zarnel::SolveOptions& options) {
    try {
        const auto result = zarnel::Solve(problem, options);
        std::printf("%llu evaluations in %.3f s, best %.0f\n",
                    static_cast<unsigned long long>(result.evaluations), result.seconds, result.fitness);
        return result.recordError.empty() ? 0 : 1;
    } catch (const zarnel::SolveError& error) {
        std::fprintf(stderr, "core_scaling: %s\n", error.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.population = 60;  // as examples/knapsack has it
    std::string which;
    std::uint64_t perMillisecond = 0;
    zarnel::Flags flags("core_scaling: the knapsack as it is or behind busy work, for perf/core_scaling.sh");
    flags.Standard(options)
        .Positional("case", "knapsack, 100us, 1ms, handover, or calibrate (prints the next flag's value)",
                    which)
        .Add("--rounds-per-ms", "Rounds of busy work that take a millisecond (0: calibrate now)",
             perMillisecond);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    // Calibrated once for all the runs to be compared: a busy machine makes
    // every calibration come out differently.
    if (perMillisecond == 0) perMillisecond = zarnel::perf::Calibrate(1e-3);
    if (which == "calibrate")
        return std::printf("%llu\n", static_cast<unsigned long long>(perMillisecond)), 0;
    if (which == "knapsack") return Run(perf::Knapsack{}, options);
    if (which == "handover") {
        options.stepsPerPhase = 1;
        options.progressEvery = 500;  // history entries to time the phases by, setting up aside
        return Run(perf::Knapsack{}, options);
    }
    std::uint64_t rounds = 0;
    if (which == "100us") {
        rounds = perMillisecond / 10;
    } else if (which == "1ms") {
        rounds = perMillisecond;
    } else {
        std::fprintf(stderr,
                     "core_scaling: case '%s': expected knapsack, 100us, 1ms, handover or calibrate\n",
                     which.c_str());
        return 2;
    }
    return Run(zarnel::perf::BusyWork<perf::Knapsack>{{}, rounds}, options);
}
