// The cheap and the expensive cases of perf/core_scaling.sh: one run of
// Solve with the standard flags (--threads, --time-limit, --seed, --json …)
// on the knapsack example's instance, either as it is (a fitness of some
// tens of nanoseconds, where the phase hand-over shows most) or behind busy
// work of about 100 µs or 1 ms per evaluation (perf/busy_work.h). No target:
// the run goes on until a limit ends it, so its evaluations per second can
// be compared across thread counts.
//
//   core_scaling knapsack|100us|1ms [standard flags]
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
    zarnel::Flags flags("core_scaling: the knapsack as it is or behind busy work, for perf/core_scaling.sh");
    flags.Standard(options).Positional("case", "knapsack, 100us or 1ms", which);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    if (which == "knapsack") return Run(perf::Knapsack{}, options);
    double seconds = 0;
    if (which == "100us") {
        seconds = 100e-6;
    } else if (which == "1ms") {
        seconds = 1e-3;
    } else {
        std::fprintf(stderr, "core_scaling: case '%s': expected knapsack, 100us or 1ms\n", which.c_str());
        return 2;
    }
    return Run(zarnel::perf::BusyWork<perf::Knapsack>{{}, zarnel::perf::Calibrate(seconds)}, options);
}
