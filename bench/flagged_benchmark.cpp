#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "bench/bench_options.h"
#include "bench/bench_types.h"
#include "bench/coordinate_search.h"
#include "bench/eval_operator.h"
#include "bench/init_operator.h"
#include "bench/known_best.h"
#include "bench/mutation_operator.h"
#include "bench/real_benchmark.h"
#include "bench/selection_operator.h"
#include "bench/slave_operator.h"
#include "bench/table_row.h"
#include "bench/test_function.h"
#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "run/atomic_file.h"
#include "run/run_record.h"
#include "run/seed.h"
#include "run/thread_seed.h"

namespace zarnel {

namespace {

// The fixed benchmark's settings that no flag changes.
constexpr double kLowerBound = -10.0;
constexpr double kUpperBound = 10.0;
constexpr std::int32_t kFitnessFactor = 1;  // seek the maximum
constexpr std::uint32_t kRepetitions = 100;
constexpr double kMutationRate = 0.03;
constexpr std::uint64_t kMostIterations = 1000000000;  // as --iterations allows

// The evaluations of one classic master iteration: the slave threads' steps
// and the mutation pass's re-scored individuals.
std::uint64_t ClassicIterationEvaluations(const BenchOptions& options, std::int32_t code) {
    const std::uint64_t product = std::uint64_t{options.population} * TestFunctionVariableCount(code);
    const std::uint32_t flips = CDefaultMutationOperator::FlipCount(
        static_cast<std::uint32_t>(std::min<std::uint64_t>(product, UINT32_MAX)), kMutationRate);
    return std::uint64_t{options.threads} * kRepetitions + flips;
}

// The highest fitness in the population that is a number: a function that
// is undefined on part of the domain (a power of a negative number) gives
// NaN there, which must not stand for the best value found.
double BestNumber(BenchPopulation& population) {
    double best = std::nan("");
    for (std::uint32_t i = 0; i < population.size; ++i) {
        const double fitness = *population.GetIndividual(i)->GetFitness();
        if (!std::isnan(fitness) && (std::isnan(best) || fitness > best)) best = fitness;
    }
    return best;
}

// One run of one function on a new population and engine, `iterations`
// master iterations long.
run::BenchRunRecord RunClassicOnce(const BenchOptions& options, std::int32_t code, std::uint32_t seed,
                                   std::uint32_t iterations) {
    const std::uint32_t variables = TestFunctionVariableCount(code);
    const std::vector<double> lowerBounds(variables, kLowerBound);
    const std::vector<double> upperBounds(variables, kUpperBound);
    ThreadStats masterStats;
    const ThreadStatsScope countMaster(&masterStats);
    const auto start = std::chrono::steady_clock::now();

    BenchPopulation population(options.population, variables);
    CDefaultEvalOperator evalOperator(&population, lowerBounds.data(), upperBounds.data(), code,
                                      kFitnessFactor);
    CDefaultInitOperator initOperator(&population, &evalOperator);
    initOperator.seed = seed;
    CDefaultSelectionOperator selectionOperator(&population, &evalOperator);
    CDefaultSlaveOperator slaveOperator(&selectionOperator, kRepetitions);
    CDefaultMutationOperator mutationOperator(&population, &evalOperator, kMutationRate);
    CParallelGA engine(&initOperator, &mutationOperator, &slaveOperator, options.threads);
    engine.Run(iterations);

    run::BenchRunRecord record;
    record.function = code;
    record.bestFitness = BestNumber(population);
    record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    record.threads = run::CollectThreads(engine);
    record.evaluations = masterStats.evaluations;
    for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j)
        record.evaluations += engine.GetThreadStats(j).evaluations;
    return record;
}

run::ParameterList ParametersOf(const BenchOptions& options) {
    run::ParameterList list;
    if (options.all) {
        list.emplace_back("all", std::int64_t{1});
    } else {
        list.emplace_back("function", std::int64_t{options.function});
    }
    list.emplace_back("threads", std::int64_t{options.threads});
    list.emplace_back("population", std::int64_t{options.population});
    if (options.evaluations != 0) {
        list.emplace_back("evaluations", static_cast<std::int64_t>(options.evaluations));
    } else {
        list.emplace_back("iterations", std::int64_t{options.iterations});
    }
    list.emplace_back("runs", std::int64_t{options.runs});
    if (options.seed) list.emplace_back("seed", std::int64_t{*options.seed});
    if (!options.json.empty()) list.emplace_back("json", options.json);
    if (options.operatorsGiven || options.operators != BenchOperators::kClassic)
        list.emplace_back("operators", options.operators == BenchOperators::kReal ? "real" : "classic");
    if (options.deterministic) list.emplace_back("deterministic", std::int64_t{1});
    return list;
}

// How each function of a run is run: its classic master iterations, or its
// real-coded evaluation budget.
struct FunctionPlan {
    std::int32_t code = 0;
    std::uint32_t iterations = 0;
    std::uint64_t evaluations = 0;
};

}  // namespace

std::uint64_t ClassicEvaluations(const BenchOptions& options, std::int32_t code) {
    return options.population +
           std::uint64_t{options.iterations} * ClassicIterationEvaluations(options, code);
}

std::optional<std::uint32_t> ClassicIterationsFor(const BenchOptions& options, std::int32_t code,
                                                  std::uint64_t evaluations) {
    const std::uint64_t each = ClassicIterationEvaluations(options, code);
    if (each == 0) return std::nullopt;
    const std::uint64_t rest = evaluations > options.population ? evaluations - options.population : 0;
    const std::uint64_t iterations = std::max<std::uint64_t>(1, (rest + each - 1) / each);
    if (iterations > kMostIterations) return std::nullopt;
    return static_cast<std::uint32_t>(iterations);
}

int RunBenchmarkWith(const BenchOptions& options, std::ostream& out, std::ostream& err,
                     std::ostream* progress) {
    if (!options.json.empty()) {
        std::string problem = run::RecordsSupported() ? run::CheckReplaceable(options.json)
                                                      : "this build has no JSON library (nlohmann-json3-dev)";
        if (!problem.empty()) {
            err << "ZarnelBench: cannot write record " << options.json << ": " << problem << "\n";
            return 2;
        }
    }
    const std::vector<std::int32_t> codes =
        options.all ? AllBenchFunctions() : std::vector<std::int32_t>{options.function};
    std::vector<FunctionPlan> plans;
    for (const std::int32_t code : codes) {
        FunctionPlan plan{code, options.iterations, options.evaluations};
        if (plan.evaluations == 0) {
            // A deterministic run's budget must not follow --threads, or its
            // result would: it is that of the default two slave threads.
            BenchOptions budgetOf = options;
            if (options.deterministic) budgetOf.threads = BenchOptions{}.threads;
            plan.evaluations = ClassicEvaluations(budgetOf, code);
        }
        if (options.operators == BenchOperators::kClassic && options.evaluations != 0) {
            const std::optional<std::uint32_t> iterations =
                ClassicIterationsFor(options, code, options.evaluations);
            if (!iterations) {
                err << "ZarnelBench: --evaluations " << options.evaluations << ": a master iteration of "
                    << code << " with --population " << options.population << " and --threads "
                    << options.threads << " makes no evaluation, so no number of them reaches it\n";
                return 2;
            }
            plan.iterations = *iterations;
        }
        plans.push_back(plan);
    }
    const std::uint32_t runSeed = options.seed ? *options.seed : run::SeedFromClock();

    run::BenchRecord record;
    record.program = "ZarnelBench";
    record.version = run::Version();
    record.parameters = ParametersOf(options);
    record.seed = runSeed;
    out << "Seed: " << runSeed << "\n";
    // With --all a row holds the best run of a function and the evaluations
    // and seconds of all its runs together.
    out << TableHeader(options.all);
    for (std::size_t f = 0; f < plans.size(); ++f) {
        if (progress != nullptr) {
            *progress << "\rfunction " << codes[f] << " (" << f + 1 << " of " << codes.size() << ")   "
                      << std::flush;
        }
        const FunctionPlan& plan = plans[f];
        run::BenchRunRecord best;
        std::uint32_t numbers = 0;  // runs whose best is a number
        for (std::uint32_t r = 0; r < options.runs; ++r) {
            // Run r of a function has the same seed in --all as alone.
            const std::uint32_t seed = run::ThreadSeeder::StreamSeed(runSeed, r);
            run::BenchRunRecord one = options.operators == BenchOperators::kReal
                                          ? RunRealOnce(options, plan.code, seed, plan.evaluations)
                                          : RunClassicOnce(options, plan.code, seed, plan.iterations);
            one.knownBest = KnownBest(plan.code).value_or(std::nan(""));
            record.runs.push_back(one);
            if (!options.all) {
                out << TableRow(std::to_string(r), one);
                continue;
            }
            const std::uint64_t evaluations = best.evaluations + one.evaluations;
            const double seconds = best.seconds + one.seconds;
            // A run without a number has no best to offer; the first that
            // has one replaces it.
            if (r == 0 || Better(one.bestFitness, best.bestFitness)) best = one;
            if (!std::isnan(one.bestFitness)) ++numbers;
            best.evaluations = evaluations;
            best.seconds = seconds;
        }
        if (options.all) {
            best.threads.clear();
            record.functions.push_back(best);
            out << TableRow(std::to_string(options.runs), best,
                            numbers == 0 ? " [no run found a number]" : "");
        }
        out.flush();
    }
    if (progress != nullptr) *progress << "\r" << std::string(40, ' ') << "\r" << std::flush;
    if (options.json.empty()) return 0;
    const std::string problem = run::WriteRecordFile(options.json, run::RecordText(record));
    if (!problem.empty()) {
        err << "ZarnelBench: unable to write record " << options.json << ": " << problem << "\n";
        return 1;
    }
    return 0;
}

}  // namespace zarnel
