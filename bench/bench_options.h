#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace zarnel {

// Which operators a run uses: the classic bit strings on the engine, or a
// real vector per function through Solve (bench/real_benchmark.h).
enum class BenchOperators { kClassic, kReal };

// What ZarnelBench's flags ask for. The defaults are the fixed benchmark's
// figures (Griewank's function in 40 variables, two slave threads, 50
// individuals, 200 master iterations, two runs).
struct BenchOptions {
    std::int32_t function = 40004;
    bool all = false;  // every function of AllBenchFunctions instead of `function`
    std::uint32_t threads = 2;
    std::uint32_t population = 50;
    std::uint32_t iterations = 200;
    std::uint32_t runs = 2;
    std::optional<std::uint32_t> seed;  // none: drawn from the clock
    std::string json;                   // a path for the record; empty: none
    BenchOperators operators = BenchOperators::kClassic;
    bool operatorsGiven = false;  // --operators was on the command line (the record names it then)
    // Fitness evaluations per run; 0: what a classic run of these options
    // makes (ClassicEvaluations). A classic run turns it into master
    // iterations, a real one stops at it.
    std::uint64_t evaluations = 0;
    // Real operators only: the same result for every thread count.
    bool deterministic = false;
    // A flag was given. Without one (no argument, or words that are ignored)
    // the fixed benchmark runs and prints its ten lines.
    bool flagsGiven = false;
};

// The fitness evaluations of one classic run of `code` with these options'
// population, master iterations and slave threads: the population, then per
// master iteration 100 tournament steps per slave thread and the mutation
// pass's flips (population x variables x 0.03, rounded).
std::uint64_t ClassicEvaluations(const BenchOptions& options, std::int32_t code);

// The master iterations that a classic run of `code` needs to make at least
// `evaluations` (at least 1); none when an iteration makes no evaluation.
std::optional<std::uint32_t> ClassicIterationsFor(const BenchOptions& options, std::int32_t code,
                                                  std::uint64_t evaluations);

// Reads the flags (--function, --threads, --population, --iterations, --runs,
// --seed, --json, --all, --operators, --evaluations, --deterministic, --help)
// into `options`. A word that is no flag ("foo", "function=1000") is
// ignored, with one line on `err` that names it (and the flag it looks like).
// Returns -1 to go on with the run (with the flags, or the fixed benchmark
// when `flagsGiven` stays false), otherwise the status to end with: 0 after
// --help (usage, defaults and the test functions' names on `out`), 2 after
// an unknown flag, a bad or missing value, an empty one (`--json=`) or
// another flag where a value belongs (`--json --all`): the reason and the
// usage on `err`. Numbers are read strictly (solve/flag_values.h). Without
// the flag library every flag is refused and words are ignored.
int ParseBenchFlags(int argc, const char* const argv[], BenchOptions& options, std::ostream& out,
                    std::ostream& err);

// Runs what the options ask for: each function `runs` times, every run on a
// new population and engine seeded from the run seed and the run's index.
// Writes a table to `out`: one row per run, or with `all` one row per
// function (the best of its runs); the progress line goes to `progress`
// when given. Writes the record when `json` is set. Returns the status: 0, or
// 1 when the record could not be written.
int RunBenchmarkWith(const BenchOptions& options, std::ostream& out, std::ostream& err,
                     std::ostream* progress);

}  // namespace zarnel
