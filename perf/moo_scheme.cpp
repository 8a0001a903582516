// Zarnel's side of the comparison of several objectives (perf/moo_peers.sh):
// one run of the generational scheme on the engine, on a suite problem at
// its population and evaluations, its final population written as pagmo_moo
// and deap_moo.py write theirs, for perf/score_front to score with the same
// code as every other side. The flags that change the scheme's or the
// operators' settings serve the measurements that chose the defaults
// (perf/moo_ablation.sh); without them a run is what Solve runs.
//
//   moo_scheme --problem zdt1 --seed 3 --out run.txt [--threads N]
//              [--evaluations N] [--population N] [--survival nsga2|nsga3]
//              [--sbx-eta X] [--pm-eta X] [--crossover-rate X] [--mutation-rate X]
//              [--bounds shaped|clamped]
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "bench/suites/suite.h"
#include "framework/parallel_ga.h"
#include "genome/real_vector_operators.h"
#include "solve/generational.h"

namespace {

using namespace zarnel;

struct Setup {
    std::string problem, out;
    std::uint64_t seed = 1;
    std::uint32_t threads = 1;
    std::uint64_t evaluations = 0;
    std::uint32_t population = 0;
    detail::SurvivalKind survival = detail::SurvivalKind::kAutomatic;
    RealVectorOperators operators = DefaultObjectivesOperators<RealVector>();
};

template <class Problem>
int Run(const Problem& problem, const suites::Budget& budget, const Setup& setup) {
    using Scheme = detail::Generational<Problem, RealVectorOperators>;
    const std::uint64_t evaluations = setup.evaluations != 0 ? setup.evaluations : budget.evaluations;
    const std::uint32_t population = setup.population != 0 ? setup.population : budget.population;
    if (population < 2 || evaluations < population)
        throw std::invalid_argument(
            "--population needs at least 2 and --evaluations at least the population");
    const RealVector kind = problem.genome();
    const auto start = std::chrono::steady_clock::now();
    typename Scheme::Population individuals(population, kind.Length());
    detail::GenerationalSettings settings;
    settings.runSeed = setup.seed;
    settings.threads = setup.threads;
    settings.survival = setup.survival;
    if (setup.survival == detail::SurvivalKind::kAutomatic && budget.survival == suites::Survival::kNsga3)
        settings.survival = detail::SurvivalKind::kNsga3;
    Scheme scheme(problem, kind, setup.operators, individuals, settings);
    // The first iteration makes and scores the population, each later one
    // is a generation of `population` children.
    const auto iterations = static_cast<std::uint32_t>(evaluations / population);
    {
        CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(),
                           setup.threads);
        engine.Run(iterations);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (scheme.Failed()) std::rethrow_exception(scheme.Failure());
    std::FILE* out = std::fopen(setup.out.c_str(), "w");
    if (out == nullptr) {
        std::perror(setup.out.c_str());
        return 1;
    }
    std::fprintf(out,
                 "# problem %s\n# algorithm zarnel %s %s\n# seed %llu\n# population %u\n# evaluations %llu\n"
                 "# seconds %.3f\n# threads %u\n",
                 problem.name().c_str(), scheme.UsesNsga3() ? "nsga3" : "nsga2",
                 setup.operators.Name().c_str(), static_cast<unsigned long long>(setup.seed), population,
                 static_cast<unsigned long long>(std::uint64_t{iterations} * population), seconds,
                 setup.threads);
    for (std::uint32_t i = 0; i < population; ++i) {
        auto& individual = *individuals.GetIndividual(i);
        for (std::uint32_t g = 0; g < individual.GetLength(); ++g)
            std::fprintf(out, "%.17g ", individual.GetGenes()[g]);
        for (const double f : scheme.Objectives(i)) std::fprintf(out, "%.17g ", f);
        std::fprintf(out, "\n");
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

double Number(const std::string& flag, const std::string& value) {
    std::size_t used = 0;
    const double number = std::stod(value, &used);
    if (used != value.size()) throw std::invalid_argument(flag + " needs a number, not " + value);
    return number;
}

}  // namespace

int main(int argc, char** argv) {
    Setup setup;
    try {
        if (argc % 2 == 0) throw std::invalid_argument("every flag needs a value");
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string flag = argv[i], value = argv[i + 1];
            if (flag == "--problem") {
                setup.problem = value;
            } else if (flag == "--out") {
                setup.out = value;
            } else if (flag == "--seed") {
                setup.seed = std::stoull(value);
            } else if (flag == "--threads") {
                setup.threads = static_cast<std::uint32_t>(std::stoul(value));
            } else if (flag == "--evaluations") {
                setup.evaluations = std::stoull(value);
            } else if (flag == "--population") {
                setup.population = static_cast<std::uint32_t>(std::stoul(value));
            } else if (flag == "--survival") {
                if (value != "nsga2" && value != "nsga3")
                    throw std::invalid_argument("--survival nsga2 or nsga3");
                setup.survival =
                    value == "nsga2" ? detail::SurvivalKind::kNsga2 : detail::SurvivalKind::kNsga3;
            } else if (flag == "--sbx-eta") {
                setup.operators.sbxEta = Number(flag, value);
            } else if (flag == "--pm-eta") {
                setup.operators.polynomialEta = Number(flag, value);
            } else if (flag == "--crossover-rate") {
                setup.operators.crossoverRate = Number(flag, value);
            } else if (flag == "--mutation-rate") {
                setup.operators.mutationRate = Number(flag, value);
            } else if (flag == "--bounds") {
                if (value != "shaped" && value != "clamped")
                    throw std::invalid_argument("--bounds shaped or clamped");
                setup.operators.bounds = value == "shaped" ? RealVectorOperators::Bounds::kShaped
                                                           : RealVectorOperators::Bounds::kClamped;
            } else {
                throw std::invalid_argument("unknown flag " + flag);
            }
        }
        if (setup.problem.empty() || setup.out.empty())
            throw std::invalid_argument("--problem and --out are needed");
        if (const std::string fault = setup.operators.Validate(); !fault.empty())
            throw std::invalid_argument(fault);
        int status = 2;
        if (!suites::VisitProblem(setup.problem, [&](const auto& problem, const suites::Budget& budget) {
                if constexpr (requires { problem.objectives(problem.genome().lower); }) {
                    status = Run(problem, budget, setup);
                } else {
                    throw std::invalid_argument(problem.name() + " has one objective");
                }
            })) {
            throw std::invalid_argument("no problem named " + setup.problem);
        }
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr,
                     "moo_scheme: %s\nusage: moo_scheme --problem NAME --seed N --out FILE [--threads N] "
                     "[--evaluations N] [--population N] [--survival nsga2|nsga3] [--sbx-eta X] [--pm-eta X] "
                     "[--crossover-rate X] [--mutation-rate X] [--bounds shaped|clamped]\n",
                     error.what());
        return 2;
    }
}
