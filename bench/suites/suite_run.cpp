#include "bench/suites/suite_run.h"

#include <cinttypes>
#include <cmath>
#include <filesystem>
#include <limits>
#include <span>
#include <vector>

#include "bench/suites/suite.h"
#include "objectives/indicators.h"
#include "objectives/point_set.h"
#include "run/atomic_file.h"
#include "solve/solve.h"

namespace zarnel::suites {

namespace {

// Numbers in full precision, or null for NaN (JSON has no NaN).
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "null" : (value > 0 ? "\"inf\"" : "\"-inf\"");
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Writes `lines` under the header as score_front reads it (comment lines of
// "key value", then one decision vector a line, its objectives after it),
// replacing the file atomically.
void WriteFinal(const std::string& path, const std::string& header, const std::string& lines) {
    const std::string reason = run::WriteFileAtomically(path, [&](std::FILE* file) {
        return std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
               std::fwrite(lines.data(), 1, lines.size(), file) == lines.size();
    });
    if (!reason.empty()) throw SolveError("cannot write " + path + ": " + reason);
}

void AppendNumbers(std::string& line, std::span<const double> values) {
    char number[40];
    for (const double value : values) {
        std::snprintf(number, sizeof number, "%.17g ", value);
        line += number;
    }
}

template <class Problem>
SuiteRow Run(const Problem& problem, const Budget& budget, const SuiteSettings& settings,
             SolveOptions options) {
    SuiteRow row;
    row.problem = problem.name();
    std::uint32_t population = settings.population != 0 ? settings.population : budget.population;
    if (!ObjectivesProblem<Problem> && settings.population == 0 && settings.singleObjectivePopulation != 0)
        population = settings.singleObjectivePopulation;
    const std::uint64_t evaluations = settings.evaluations != 0 ? settings.evaluations : budget.evaluations;
    options.population = population;
    if (!options.seed) options.seed = run::SeedFromClock();
    row.seed = *options.seed;
    if (!settings.recordDirectory.empty()) {
        options.record = (std::filesystem::path(settings.recordDirectory) /
                          (row.problem + "." + std::to_string(row.seed) + ".json"))
                             .string();
    }
    std::string header = "# problem " + row.problem + "\n# program " + settings.label + "\n# seed " +
                         std::to_string(row.seed) + "\n";
    std::string lines;
    if constexpr (ObjectivesProblem<Problem>) {
        // Whole generations within the budget, as the peers run: the first
        // population, then one population of children per generation.
        options.maxIterations = static_cast<std::uint32_t>(
            evaluations > population ? (evaluations - population) / population : 1);
        const auto result = Solve(problem, options);
        row.objectives = static_cast<std::uint32_t>(kObjectiveCount<Problem>);
        row.hypervolume = result.hypervolume;
        std::vector<double> points;
        for (const auto& member : result.front) {
            points.insert(points.end(), member.objectives.begin(), member.objectives.end());
            AppendNumbers(lines, member.genes);
            AppendNumbers(lines, member.objectives);
            lines += '\n';
        }
        const std::vector<double> front = problem.referenceFront();
        row.igdPlus = objectives::IgdPlus(objectives::PointSet(points, row.objectives),
                                          objectives::PointSet(front, row.objectives));
        row.feasibleShare = result.feasibleShare;
        row.evaluations = result.evaluations;
        row.seconds = result.seconds;
        // The file holds the front; the share is the final population's.
        header += "# feasible_share " + JsonNumber(row.feasibleShare) + "\n";
    } else {
        // A run ends after the master iteration that reaches the budget: a
        // fixed count of steps per phase keeps the overshoot to a few
        // children per thread, where sized phases grow to thousands.
        options.maxEvaluations = evaluations;
        if (options.stepsPerPhase == 0) options.stepsPerPhase = 25;
        if (settings.singleObjectiveTournament != 0)
            options.tournamentSize = settings.singleObjectiveTournament;
        const auto result = settings.singleObjectiveOperators
                                ? Solve(problem, options, *settings.singleObjectiveOperators)
                                : Solve(problem, options);
        row.best = result.feasible ? result.fitness : std::numeric_limits<double>::quiet_NaN();
        const double known = problem.bestKnown();
        row.gap = (row.best - known) / std::max(1.0, std::fabs(known));
        row.feasibleShare = result.feasible ? 1.0 : 0.0;
        row.evaluations = result.evaluations;
        row.seconds = result.seconds;
        if (!result.genes.empty()) {
            AppendNumbers(lines, result.genes);
            AppendNumbers(lines, std::span<const double>(&result.fitness, 1));
            lines += '\n';
        }
    }
    header +=
        "# evaluations " + std::to_string(row.evaluations) + "\n# seconds " + JsonNumber(row.seconds) + "\n";
    if (!settings.outDirectory.empty()) {
        WriteFinal((std::filesystem::path(settings.outDirectory) /
                    (row.problem + "." + settings.label + "." + std::to_string(row.seed) + ".txt"))
                       .string(),
                   header, lines);
    }
    return row;
}

}  // namespace

SuiteRow RunSuiteProblem(const std::string& name, const SuiteSettings& settings, SolveOptions options) {
    SuiteRow row;
    const bool found = VisitProblem(name, [&](const auto& problem, const Budget& budget) {
        using Problem = std::remove_cvref_t<decltype(problem)>;
        if constexpr (!ObjectivesProblem<Problem>) options.survival = zarnel::Survival::kAutomatic;
        row = Run(problem, budget, settings, options);
    });
    if (!found) throw SolveError("no problem named " + name + " (--list names them)");
    return row;
}

void PrintRow(std::FILE* out, const SuiteRow& row) {
    if (row.objectives >= 2) {
        std::fprintf(out,
                     "%-16s %u objectives  hypervolume %.7f  igd+ %.3e  feasible %.3f  evaluations %" PRIu64
                     "  seconds %.3f\n",
                     row.problem.c_str(), row.objectives, row.hypervolume, row.igdPlus, row.feasibleShare,
                     row.evaluations, row.seconds);
    } else {
        std::fprintf(out,
                     "%-16s 1 objective   best %-14.10g gap %.3e  feasible %s  evaluations %" PRIu64
                     "  seconds %.3f\n",
                     row.problem.c_str(), row.best, row.gap, row.feasibleShare == 1.0 ? "yes" : "no",
                     row.evaluations, row.seconds);
    }
    std::fflush(out);
}

std::string RowsJson(const std::vector<SuiteRow>& rows) {
    std::string text = "[\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SuiteRow& row = rows[i];
        text += "  {\"problem\": \"" + row.problem + "\", \"objectives\": " + std::to_string(row.objectives) +
                ", \"seed\": " + std::to_string(row.seed);
        if (row.objectives >= 2) {
            text += ", \"hypervolume\": " + JsonNumber(row.hypervolume) +
                    ", \"igd_plus\": " + JsonNumber(row.igdPlus);
        } else {
            text += ", \"best\": " + JsonNumber(row.best) + ", \"gap\": " + JsonNumber(row.gap);
        }
        text += ", \"feasible_share\": " + JsonNumber(row.feasibleShare) +
                ", \"evaluations\": " + std::to_string(row.evaluations) +
                ", \"seconds\": " + JsonNumber(row.seconds) + "}" + (i + 1 < rows.size() ? ",\n" : "\n");
    }
    return text + "]\n";
}

}  // namespace zarnel::suites
