// ZarnelBench's test functions through pagmo2's sga, de, sade, pso and cmaes,
// for perf/pagmo_vs_zarnel.sh. pagmo minimises, so each problem is the
// negated function on [-10, 10] per variable; the best point of a run is
// snapped to the 32-bit grid of the classic decoding and scored there, so
// that its gap to ZarnelBench's known best means what ZarnelBench's does.
//
//   pagmo_bench --algorithm de [--function 40003 | --all] [--runs 5] [--seed 1]
//               [--population 50] [--evaluations N] [--points FILE]
//
// Prints one line per run: algorithm, function, run, evaluations, best on
// the grid (17 digits), seconds. --evaluations defaults to what a default
// classic ZarnelBench run of the function makes; a run gets as many
// generations as fit in it (population + generations x population), so it
// never makes more. --points appends each run's best grid point ("function
// gene gene ...") for tools/known_best_search. Run r is seeded as ZarnelBench
// seeds it: the low 32 bits of run::DeriveSeed(seed, r).
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/cmaes.hpp>
#include <pagmo/algorithms/de.hpp>
#include <pagmo/algorithms/pso.hpp>
#include <pagmo/algorithms/sade.hpp>
#include <pagmo/algorithms/sga.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>
#include <pagmo/types.hpp>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_options.h"
#include "bench/bench_types.h"
#include "bench/decoding_grid.h"
#include "bench/eval_operator.h"
#include "bench/known_best.h"
#include "bench/test_function.h"
#include "run/thread_seed.h"

namespace {

constexpr double kLower = -10.0;
constexpr double kUpper = 10.0;

// The negated test function; a NaN (1003 and 1005 on negative x) is the
// worst value there is, so that every algorithm moves away from it.
struct NegatedFunction {
    std::int32_t code = 40004;

    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        const double value = zarnel::TestFunction(code, x.data());
        return {std::isnan(value) ? std::numeric_limits<double>::max() : -value};
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        const std::size_t n = zarnel::TestFunctionVariableCount(code);
        return {pagmo::vector_double(n, kLower), pagmo::vector_double(n, kUpper)};
    }
    std::string get_name() const { return "ZarnelBench " + std::to_string(code); }
};

pagmo::algorithm MakeAlgorithm(const std::string& name, unsigned generations, unsigned seed) {
    // No early stop on small spreads (ftol, xtol 0): every algorithm gets the
    // whole budget. cmaes keeps its samples inside the bounds.
    if (name == "sga")
        return pagmo::algorithm(
            pagmo::sga(generations, .9, 1., .02, 1., 2u, "exponential", "polynomial", "tournament", seed));
    if (name == "de") return pagmo::algorithm(pagmo::de(generations, 0.8, 0.9, 2u, 0.0, 0.0, seed));
    if (name == "sade") return pagmo::algorithm(pagmo::sade(generations, 2u, 1u, 0.0, 0.0, false, seed));
    if (name == "pso")
        return pagmo::algorithm(pagmo::pso(generations, 0.7298, 2.05, 2.05, 0.5, 5u, 2u, 4u, false, seed));
    if (name == "cmaes")
        return pagmo::algorithm(pagmo::cmaes(generations, -1, -1, -1, -1, 0.5, 0.0, 0.0, false, true, seed));
    throw std::invalid_argument("unknown algorithm " + name + " (sga, de, sade, pso, cmaes)");
}

// The test function at the grid point nearest to x, variable by variable.
double OnGrid(std::int32_t code, const pagmo::vector_double& x, std::vector<std::uint32_t>& genes) {
    std::vector<double> point(x.size());
    genes.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        genes[i] = zarnel::NearestGene(x[i], kLower, kUpper);
        point[i] = zarnel::GridPoint(genes[i], kLower, kUpper);
    }
    return zarnel::TestFunction(code, point.data());
}

// The problem agrees with the classic decoding and evaluation: at a few
// grid points of every function, minus the fitness that the classic
// evaluation operator stores for the same genes.
bool AgreesWithClassic(std::int32_t code) {
    const std::uint32_t n = zarnel::TestFunctionVariableCount(code);
    zarnel::BenchPopulation population(1, n);
    const std::vector<double> lower(n, kLower), upper(n, kUpper);
    zarnel::CDefaultEvalOperator eval(&population, lower.data(), upper.data(), code, 1);
    const NegatedFunction problem{code};
    const std::uint32_t probes[] = {0u, 0xFFFFFFFFu, 0x80000000u, 0x12345678u, 0xC0FFEE00u};
    for (const std::uint32_t probe : probes) {
        zarnel::BenchIndividual* individual = population.GetIndividual(0);
        pagmo::vector_double x(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t gene = probe + i * 0x9E3779B9u;
            individual->GetGenes()[i] = gene;
            x[i] = zarnel::GridPoint(gene, kLower, kUpper);
        }
        eval.Evaluate(individual);
        const double classic = *individual->GetFitness();
        const double negated = problem.fitness(x)[0];
        const bool same =
            std::isnan(classic) ? negated == std::numeric_limits<double>::max() : negated == -classic;
        if (!same) {
            std::fprintf(stderr,
                         "pagmo_bench: %d disagrees with the classic evaluation: %.17g against %.17g\n", code,
                         negated, classic);
            return false;
        }
    }
    return true;
}

struct Settings {
    std::string algorithm;
    std::vector<std::int32_t> codes{40004};
    unsigned runs = 5;
    std::uint64_t seed = 1;
    unsigned population = 50;
    std::uint64_t evaluations = 0;
    std::string points;
};

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr,
                 "pagmo_bench: %s\nUsage: pagmo_bench --algorithm sga|de|sade|pso|cmaes [--function CODE | "
                 "--all] [--runs R] [--seed S] [--population P] [--evaluations N] [--points FILE]\n",
                 why);
    std::exit(2);
}

Settings Parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--all") {
            settings.codes = zarnel::AllBenchFunctions();
            continue;
        }
        if (i + 1 >= argc) Usage(("no value after " + flag).c_str());
        const char* value = argv[++i];
        char* end = nullptr;
        const unsigned long long number = std::strtoull(value, &end, 10);
        const bool whole = end != value && *end == '\0';
        if (flag == "--algorithm") {
            settings.algorithm = value;
        } else if (flag == "--points") {
            settings.points = value;
        } else if (!whole) {
            Usage((flag + " needs a whole number, not " + value).c_str());
        } else if (flag == "--function") {
            settings.codes = {static_cast<std::int32_t>(number)};
            if (zarnel::TestFunctionVariableCount(settings.codes[0]) == 0) Usage("no such function");
        } else if (flag == "--runs") {
            settings.runs = static_cast<unsigned>(number);
        } else if (flag == "--seed") {
            settings.seed = number;
        } else if (flag == "--population") {
            settings.population = static_cast<unsigned>(number);
        } else if (flag == "--evaluations") {
            settings.evaluations = number;
        } else {
            Usage(("unknown flag " + flag).c_str());
        }
    }
    if (settings.algorithm.empty()) Usage("--algorithm is required");
    if (settings.population < 7) Usage("--population must be at least 7 (de needs 6 others)");
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    const Settings settings = Parse(argc, argv);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> points(nullptr, std::fclose);
    if (!settings.points.empty()) {
        points.reset(std::fopen(settings.points.c_str(), "a"));
        if (!points) Usage(("cannot open " + settings.points).c_str());
    }
    try {
        for (const std::int32_t code : settings.codes) {
            if (!AgreesWithClassic(code)) return 1;
            const zarnel::BenchOptions defaults;
            const std::uint64_t budget =
                settings.evaluations != 0 ? settings.evaluations : zarnel::ClassicEvaluations(defaults, code);
            if (budget < settings.population) Usage("--evaluations is below --population");
            const auto generations =
                static_cast<unsigned>((budget - settings.population) / settings.population);
            for (unsigned r = 0; r < settings.runs; ++r) {
                const unsigned seed = zarnel::run::ThreadSeeder::StreamSeed(settings.seed, r);
                const auto start = std::chrono::steady_clock::now();
                pagmo::problem problem{NegatedFunction{code}};
                pagmo::population population{problem, settings.population, seed};
                pagmo::algorithm algorithm = MakeAlgorithm(settings.algorithm, generations, seed);
                population = algorithm.evolve(population);
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::vector<std::uint32_t> genes;
                const double best = OnGrid(code, population.champion_x(), genes);
                std::printf("%s %d %u %llu %.17g %.3f\n", settings.algorithm.c_str(), code, r,
                            static_cast<unsigned long long>(population.get_problem().get_fevals()), best,
                            seconds);
                if (points) {
                    std::fprintf(points.get(), "%d", code);
                    for (const std::uint32_t gene : genes) std::fprintf(points.get(), " %u", gene);
                    std::fprintf(points.get(), "\n");
                }
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pagmo_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
