#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "genome/real_vector_operators.h"
#include "solve/options.h"

// One run of a standard problem by name through zarnel::Solve, at the
// suite's budget unless told otherwise, scored as the comparison with the
// peers scores it: what ZarnelSuites prints, one row per problem.
namespace zarnel::suites {

struct SuiteSettings {
    std::uint32_t population = 0;   // 0: the suite's
    std::uint64_t evaluations = 0;  // 0: the suite's
    // Where the final front (or best individual) goes in score_front's
    // format, as "<problem>.<label>.<seed>.txt"; empty: nowhere.
    std::string outDirectory;
    std::string label = "zarnel";
    // Where each run's record goes, as "<problem>.<seed>.json"; empty: none.
    std::string recordDirectory;
    // The operators of the problems of one objective; none: Solve's default.
    std::optional<RealVectorOperators> singleObjectiveOperators;
    // Their tournament size (SolveOptions::tournamentSize); 0: the options'.
    std::uint32_t singleObjectiveTournament = 0;
    // Their population when `population` is 0; 0: the suite's.
    std::uint32_t singleObjectivePopulation = 0;
};

// What one run found. Several objectives: the front's hypervolume against
// the suite's reference point, its IGD+ against the reference front and the
// feasible share of the final population. One objective: the best cost
// (NaN when it is infeasible), its relative gap to the best known, and
// whether it is feasible.
struct SuiteRow {
    std::string problem;
    std::uint32_t objectives = 1;
    double hypervolume = 0.0;
    double igdPlus = 0.0;
    double best = 0.0;
    double gap = 0.0;
    double feasibleShare = 0.0;
    std::uint64_t evaluations = 0;
    double seconds = 0.0;
    std::uint64_t seed = 0;
};

// Runs the problem called `name` with `options` (their seed, threads,
// deterministic, survival...; population and limits come from the budget).
// Throws zarnel::SolveError for a name that no problem has, and whatever
// Solve throws.
SuiteRow RunSuiteProblem(const std::string& name, const SuiteSettings& settings, SolveOptions options);

// The row as ZarnelSuites prints it, and a whole table as JSON.
void PrintRow(std::FILE* out, const SuiteRow& row);
std::string RowsJson(const std::vector<SuiteRow>& rows);

}  // namespace zarnel::suites
