// ZarnelSuites: the standard problems of several objectives and of
// constraints (bench/suites) through zarnel::Solve, by name, at their
// budgets; one line per problem with its hypervolume, IGD+ and feasible
// share (several objectives) or best cost, gap to the best known and
// feasibility (one), the evaluations and the seconds. docs/zarnel-suites.md
// has the flags.
//
//   ZarnelSuites --problem zdt1 --seed 3 --threads 2
//   ZarnelSuites --all --seed 1 --json table.json --out fronts/
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench/suites/suite.h"
#include "bench/suites/suite_run.h"
#include "run/atomic_file.h"
#include "solve/flags.h"
#include "solve/result.h"

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.quiet = true;
    zarnel::suites::SuiteSettings settings;
    std::string problem, json, survival = "automatic", variation = "default";
    zarnel::RealVectorOperators single;
    std::uint32_t tournament = 0;
    bool all = false, list = false, progress = false;
    zarnel::Flags flags("ZarnelSuites: the standard problems of several objectives and of constraints");
    flags.Standard(options)
        .Add("--problem", "The problem to run (--list names them)", problem)
        .Add("--all", "Run every problem, in table order", all)
        .Add("--list", "Name the problems and end", list)
        .Add("--evaluations,--max-evaluations",
             "Evaluations of each run (0: the suite's budget); several objectives run whole generations "
             "within it",
             settings.evaluations)
        .Add("--population", "Individuals (0: the suite's)", settings.population)
        .Add("--survival", "Several objectives: automatic, nsga2 or nsga3", survival)
        .Add(
            "--variation",
            "One objective: default (Solve's), sbx, blx_alpha, arithmetic or differential (then a tournament "
            "of 4 and a population of 200 unless --tournament and --population say otherwise)",
            variation)
        .Add("--tournament", "One objective: individuals per tournament step (0: Solve's 3)", tournament)
        .Add("--differential-weight", "With --variation differential: F", single.differentialWeight)
        .Add("--differential-rate", "With --variation differential: CR", single.differentialRate)
        .Add("--mutation-rate", "With --variation other than default: each gene's mutation chance (-1: 1/n)",
             single.mutationRate)
        .Add("--out",
             "A directory for each run's final front, as PROBLEM.zarnel.SEED.txt (perf/score_front's format)",
             settings.outDirectory)
        .Add("--records", "A directory for each run's record, as PROBLEM.SEED.json", settings.recordDirectory)
        .Add("--json", "Write the table as JSON to this file", json)
        .Add("--progress", "Print each run's progress lines", progress);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    if (list) {
        for (const std::string& name : zarnel::suites::ProblemNames()) std::printf("%s\n", name.c_str());
        return 0;
    }
    if (survival == "nsga2") {
        options.survival = zarnel::Survival::kNsga2;
        settings.label = "zarnel-nsga2";
    } else if (survival == "nsga3") {
        options.survival = zarnel::Survival::kNsga3;
        settings.label = "zarnel-nsga3";
    } else if (survival != "automatic") {
        std::fprintf(stderr, "ZarnelSuites: --survival %s: give automatic, nsga2 or nsga3\n",
                     survival.c_str());
        return 2;
    }
    if (variation != "default") {
        const std::pair<const char*, zarnel::RealVectorOperators::Crossover> crossovers[] = {
            {"sbx", zarnel::RealVectorOperators::Crossover::kSbx},
            {"blx_alpha", zarnel::RealVectorOperators::Crossover::kBlxAlpha},
            {"arithmetic", zarnel::RealVectorOperators::Crossover::kArithmetic},
            {"differential", zarnel::RealVectorOperators::Crossover::kDifferential}};
        const auto found = std::find_if(std::begin(crossovers), std::end(crossovers),
                                        [&](const auto& entry) { return variation == entry.first; });
        if (found == std::end(crossovers)) {
            std::fprintf(stderr,
                         "ZarnelSuites: --variation %s: give default, sbx, blx_alpha, arithmetic or "
                         "differential\n",
                         variation.c_str());
            return 2;
        }
        single.crossover = found->second;
        settings.singleObjectiveOperators = single;
        // Differential evolution's step takes three parents, and a larger
        // population keeps it from closing in early (g02, g03).
        if (single.crossover == zarnel::RealVectorOperators::Crossover::kDifferential) {
            if (tournament == 0) tournament = 4;
            settings.singleObjectivePopulation = 200;
        }
        settings.label = "zarnel-" + variation;
    }
    if (tournament != 0) settings.singleObjectiveTournament = tournament;
    if (all == !problem.empty()) {
        std::fprintf(stderr, "ZarnelSuites: give --problem NAME or --all (--list names the problems)\n");
        return 2;
    }
    options.quiet = !progress;
    const std::vector<std::string> names =
        all ? zarnel::suites::ProblemNames() : std::vector<std::string>{problem};
    std::vector<zarnel::suites::SuiteRow> rows;
    for (const std::string& name : names) {
        try {
            rows.push_back(zarnel::suites::RunSuiteProblem(name, settings, options));
        } catch (const zarnel::SolveError& error) {
            std::fprintf(stderr, "ZarnelSuites: %s: %s\n", name.c_str(), error.what());
            return 2;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "ZarnelSuites: %s failed: %s\n", name.c_str(), error.what());
            return 1;
        }
        zarnel::suites::PrintRow(stdout, rows.back());
    }
    if (!json.empty()) {
        const std::string text = zarnel::suites::RowsJson(rows);
        const std::string reason = zarnel::run::WriteFileAtomically(json, [&](std::FILE* file) {
            return std::fwrite(text.data(), 1, text.size(), file) == text.size();
        });
        if (!reason.empty()) {
            std::fprintf(stderr, "ZarnelSuites: cannot write %s: %s\n", json.c_str(), reason.c_str());
            return 1;
        }
    }
    return 0;
}
