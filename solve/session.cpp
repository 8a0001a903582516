#include "solve/session.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "objectives/reference_directions.h"
#include "run/atomic_file.h"
#include "run/seed.h"
#include "solve/island_transport.h"
#include "solve/lanes.h"
#include "solve/result.h"

namespace zarnel {

std::uint32_t SolveOptions::DefaultThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

namespace detail {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMaxThreads = 1024;
constexpr std::uint32_t kMaxPopulation = 32767;
constexpr std::uint32_t kMaxTournament = 16;
constexpr std::uint32_t kMaxSteps = 1u << 20;
constexpr std::uint32_t kMaxIslands = 256;
constexpr const char* kDumpTitle = "# zarnel population dump";

[[noreturn]] void Refuse(const std::string& message) { throw SolveError(message); }

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Numbers in full precision, separated by blanks.
std::string NumberList(const std::vector<double>& values) {
    std::string text;
    for (const double value : values) {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g", value);
        if (!text.empty()) text += ' ';
        text += number;
    }
    return text;
}

}  // namespace

std::uint32_t DefaultObjectivesPopulation(std::size_t objectives) {
    if (objectives <= 2) return 100;
    std::size_t directions = 0;
    if (objectives <= 5) {
        const std::size_t divisions = objectives == 3 ? 12 : objectives == 4 ? 8 : 6;
        directions = objectives::DasDennisCount(objectives, divisions);
    } else if (objectives <= 10) {
        directions = objectives::DasDennisCount(objectives, 3) + objectives::DasDennisCount(objectives, 2);
    } else {
        directions = objectives::DasDennisCount(objectives, 2) + objectives::DasDennisCount(objectives, 1);
    }
    const std::size_t rounded = (directions + 3) / 4 * 4;
    return static_cast<std::uint32_t>(
        std::min<std::size_t>(rounded == 0 ? kMaxPopulation : rounded, kMaxPopulation / 4 * 4));
}

std::vector<double> ReferenceDirectionsOf(const SolveOptions& options, std::size_t objectives,
                                          std::uint32_t population) {
    if (!options.referenceDirections.empty() && options.referenceDivisions != 0)
        Refuse("referenceDirections and referenceDivisions are both set; give one of them");
    std::vector<double> directions;
    if (options.referenceDivisions != 0) {
        const std::size_t count = objectives::DasDennisCount(objectives, options.referenceDivisions);
        if (count == 0 || count > population) {
            Refuse("referenceDivisions " + std::to_string(options.referenceDivisions) + " gives " +
                   (count == 0 ? std::string("more") : std::to_string(count)) + " directions for " +
                   std::to_string(objectives) + " objectives, more than the population " +
                   std::to_string(population) + " can keep");
        }
        directions = objectives::DasDennis(objectives, options.referenceDivisions);
    } else {
        directions = options.referenceDirections;
        if (directions.empty()) return directions;
        if (directions.size() % objectives != 0)
            Refuse("referenceDirections holds " + std::to_string(directions.size()) +
                   " values, not whole "
                   "directions of " +
                   std::to_string(objectives) + " objectives");
        if (directions.size() / objectives > population)
            Refuse("referenceDirections holds " + std::to_string(directions.size() / objectives) +
                   " directions, more than the population " + std::to_string(population));
        for (std::size_t d = 0; d < directions.size(); d += objectives) {
            double sum = 0.0;
            for (std::size_t j = 0; j < objectives; ++j) {
                const double value = directions[d + j];
                if (!std::isfinite(value) || value < 0.0)
                    Refuse("referenceDirections: direction " + std::to_string(d / objectives + 1) + " has " +
                           Number(value) + "; coordinates are finite and >= 0");
                sum += value;
            }
            if (sum == 0.0)
                Refuse("referenceDirections: direction " + std::to_string(d / objectives + 1) + " is all 0");
        }
    }
    return directions;
}

RunPlan PlanRun(const SolveOptions& options, std::uint32_t genomeLength, std::size_t objectives,
                bool batches) {
    RunPlan plan;
    plan.objectives = std::max<std::size_t>(objectives, 1);
    const bool several = plan.objectives >= 2;
    if (genomeLength == 0) Refuse("the genome has no genes: genome() must give a length of at least 1");
    if (options.threads > kMaxThreads)
        Refuse("threads " + std::to_string(options.threads) + " is more than " + std::to_string(kMaxThreads));
    plan.threads = options.threads;
    if (options.tournamentSize < 3 || options.tournamentSize > kMaxTournament)
        Refuse("tournamentSize " + std::to_string(options.tournamentSize) +
               " is outside 3 … 16 (two parents and one to replace at least)");
    plan.tournament = options.tournamentSize;
    if (options.islands < 1 || options.islands > kMaxIslands)
        Refuse("islands " + std::to_string(options.islands) + " is outside 1 … " +
               std::to_string(kMaxIslands));
    if (options.network != nullptr) {
        if (options.islands != 1)
            Refuse("islands " + std::to_string(options.islands) + " with islands " + options.network->Name() +
                   ": each process runs the islands its network gives it (leave islands at 1)");
        if (options.deterministic && !options.network->Deterministic())
            Refuse("deterministic with islands " + options.network->Name() +
                   ": there, which migrants arrive when depends on timing");
        plan.islands = options.network->Islands();
        plan.localIslands = std::max(options.network->LocalCount(), 1u);
    } else {
        plan.islands = options.islands;
        plan.localIslands = options.islands;
    }
    if (plan.islands > 1 && options.migrationInterval == 0)
        Refuse("migrationInterval is 0; it must be at least 1");
    plan.migrationInterval = options.migrationInterval;
    plan.migrants = options.migrants;
    if (several) {
        // Parents are chosen by binary tournaments and every generation is
        // one slave phase of `population` children.
        if (options.tournamentSize != 3)
            Refuse("tournamentSize " + std::to_string(options.tournamentSize) +
                   " does not apply to a problem of several objectives, whose parents come from binary "
                   "tournaments; leave it at 3");
        if (options.stepsPerPhase != 0)
            Refuse("stepsPerPhase " + std::to_string(options.stepsPerPhase) +
                   " does not apply to a problem of several objectives, whose slave phases are one "
                   "generation each; leave it at 0");
        if (!options.referencePoint.empty() && options.referencePoint.size() != plan.objectives)
            Refuse("referencePoint holds " + std::to_string(options.referencePoint.size()) +
                   " values for a problem of " + std::to_string(plan.objectives) + " objectives");
        for (const double value : options.referencePoint) {
            if (!std::isfinite(value))
                Refuse("referencePoint holds " + Number(value) + "; it must be finite");
        }
    } else if (options.survival != Survival::kAutomatic || !options.referenceDirections.empty() ||
               options.referenceDivisions != 0 || !options.referencePoint.empty()) {
        Refuse(std::string(options.survival != Survival::kAutomatic ? "survival"
                           : !options.referencePoint.empty()        ? "referencePoint"
                                                                    : "reference directions") +
               " applies to problems of several objectives; this one has a single fitness");
    }
    // Every thread can hold all its claims at once, so none ever waits for
    // another to let go. With islands, the island with the most threads. A
    // generational run claims nothing.
    const std::uint32_t holders = std::max((plan.threads + plan.localIslands - 1) / plan.localIslands, 1u);
    const std::uint64_t least = several ? 3 : std::uint64_t{plan.tournament} * holders;
    if (several && options.population == 0) {
        plan.population = DefaultObjectivesPopulation(plan.objectives);
    } else if (options.population == 0) {
        plan.population = static_cast<std::uint32_t>(std::max<std::uint64_t>(100, least + holders));
        if (plan.population > kMaxPopulation)
            Refuse("threads " + std::to_string(plan.threads) + " need a population above 32767; use fewer");
    } else {
        plan.population = options.population;
        if (plan.population < 3) Refuse("population " + std::to_string(plan.population) + " is below 3");
        if (plan.population > kMaxPopulation)
            Refuse("population " + std::to_string(plan.population) + " is above 32767");
        if (plan.population < least) {
            Refuse("population " + std::to_string(plan.population) + " is too small for " +
                   std::to_string(holders) + " thread(s) claiming " + std::to_string(plan.tournament) +
                   " individuals each: it needs at least " + std::to_string(least) +
                   ", or threads would wait on each other's claims");
        }
    }
    if (plan.islands > 1 && plan.migrants >= plan.population)
        Refuse("migrants " + std::to_string(plan.migrants) + " is not below the population " +
               std::to_string(plan.population) + " of an island, whose best never makes room");
    if (options.stepsPerPhase > kMaxSteps)
        Refuse("stepsPerPhase " + std::to_string(options.stepsPerPhase) + " is above " +
               std::to_string(kMaxSteps));
    plan.fixedSteps = options.stepsPerPhase;
    if (!(options.timeLimit >= 0.0) || std::isinf(options.timeLimit))
        Refuse("timeLimit " + Number(options.timeLimit) + " is no number of seconds (0 for no limit)");
    if (options.target && std::isnan(*options.target)) Refuse("target is NaN");
    if (!(options.progressInterval > 0.0))
        Refuse("progressInterval " + Number(options.progressInterval) + " is not above 0");
    plan.limits.maxIterations = options.maxIterations;
    plan.limits.timeLimitSeconds = options.timeLimit;
    plan.target = options.target;
    plan.stagnation = options.stagnation;
    plan.maxEvaluations = options.maxEvaluations;
    plan.seed = options.seed ? *options.seed : run::SeedFromClock();
    if (several) {
        // The generational scheme repeats at any thread count; islands
        // repeat when their migration is deterministic. Progress comes every
        // 10 generations, so that the history repeats too.
        plan.repeatable = options.deterministic || (plan.islands == 1 && options.network == nullptr);
        plan.progressEvery = options.progressEvery != 0 ? options.progressEvery : plan.repeatable ? 10 : 0;
        (void)ReferenceDirectionsOf(options, plan.objectives, plan.population);
        return plan;
    }
    plan.repeatable = options.deterministic ||
                      (options.seed && plan.islands == 1 && options.network == nullptr && plan.threads <= 1);
    if (plan.repeatable && !options.deterministic && plan.fixedSteps == 0)
        plan.fixedSteps = std::max<std::uint32_t>(1, plan.population / 2);
    plan.progressEvery = options.progressEvery != 0 ? options.progressEvery : plan.repeatable ? 100 : 0;
    if (batches) {
        // The children of a batch stay claimed until it is scored: a share
        // of the population (a thread's, or a lane's slice) must keep a
        // tournament's worth free besides them.
        const std::uint32_t share = options.deterministic
                                        ? plan.population / lanes::LaneCount(plan.population, plan.tournament)
                                        : plan.population / holders;
        const std::uint32_t most = share - plan.tournament + 1;
        if (options.batchSize > most) {
            Refuse("batchSize " + std::to_string(options.batchSize) + " is more than " +
                   std::to_string(most) + ": " + (options.deterministic ? "a lane's" : "a thread's") +
                   " share of " + std::to_string(share) + " individuals must keep a tournament of " +
                   std::to_string(plan.tournament) +
                   " free beside the children that wait for their score; use a larger population or fewer "
                   "threads");
        }
        plan.batch = options.batchSize != 0 ? options.batchSize
                                            : std::min(most, std::max<std::uint32_t>(1, share / 4));
    }
    return plan;
}

run::RunFiles FilesOfRun(const SolveOptions& options) {
    run::RunFiles files;
    if (!options.record.empty()) {
        if (!run::RecordsSupported())
            Refuse("record " + options.record +
                   ": this build of Zarnel writes no records (it lacked nlohmann-json)");
        if (!options.resumeFrom.empty() && run::SameFile(options.record, options.resumeFrom))
            Refuse("record " + options.record + " is the dump the run resumes from, which it would replace");
        const std::string reason = run::CheckReplaceable(options.record);
        if (!reason.empty()) Refuse("Cannot write the record " + options.record + ": " + reason);
        files.Add(options.record, "run record");
    }
    files.Add(options.resumeFrom, "population dump resumed from");
    if (!options.dumpDirectory.empty()) {
        std::error_code error;
        if (!fs::is_directory(options.dumpDirectory, error))
            Refuse("dumpDirectory " + options.dumpDirectory + " is not a directory");
    }
    return files;
}

std::string ProgressLine(const Progress& progress) {
    char line[256];
    if (progress.objectives >= 2) {
        char hypervolume[40] = "not measured";
        if (!std::isnan(progress.hypervolume))
            std::snprintf(hypervolume, sizeof hypervolume, "%.10g", progress.hypervolume);
        std::snprintf(line, sizeof line,
                      "iteration %" PRIu64 ": front %" PRIu64 ", hypervolume %s, feasible %.1f %%, %" PRIu64
                      " evaluations, %.1f s\n",
                      progress.iteration, progress.frontSize, hypervolume, 100.0 * progress.feasibleShare,
                      progress.evaluations, progress.seconds);
    } else if (progress.violation != 0.0) {
        // No individual is feasible yet: the best is the least violating.
        std::snprintf(line, sizeof line,
                      "iteration %" PRIu64 ": best %.10g (infeasible, violation %.6g), mean %.10g, %" PRIu64
                      " evaluations, %.1f s\n",
                      progress.iteration, progress.best, progress.violation, progress.mean,
                      progress.evaluations, progress.seconds);
    } else {
        std::snprintf(line, sizeof line,
                      "iteration %" PRIu64 ": best %.10g, mean %.10g, %" PRIu64 " evaluations, %.1f s\n",
                      progress.iteration, progress.best, progress.mean, progress.evaluations,
                      progress.seconds);
    }
    return line;
}

void PrintProgressLine(std::FILE* out, const Progress& progress) {
    std::fputs(ProgressLine(progress).c_str(), out);
    std::fflush(out);
}

run::ParameterList RecordParameters(const SolveOptions& options, const RunPlan& plan) {
    run::ParameterList list;
    // Unsigned, so that a seed of 2^63 or more is recorded as it is.
    const auto whole = [&](const char* key, std::uint64_t value) { list.emplace_back(key, value); };
    whole("threads", options.threads);
    whole("population", plan.population);
    whole("seed", plan.seed);
    if (plan.objectives < 2) whole("tournament_size", plan.tournament);
    if (plan.fixedSteps != 0) whole("steps_per_phase", plan.fixedSteps);
    if (plan.batch != 0) whole("batch_size", plan.batch);
    if (options.deterministic) whole("deterministic", 1);
    if (plan.limits.maxIterations != 0) whole("max_iterations", plan.limits.maxIterations);
    if (plan.limits.timeLimitSeconds > 0.0) list.emplace_back("time_limit", plan.limits.timeLimitSeconds);
    if (plan.target) list.emplace_back("target", *plan.target);
    if (plan.stagnation != 0) whole("stagnation", plan.stagnation);
    if (plan.maxEvaluations != 0) whole("max_evaluations", plan.maxEvaluations);
    if (plan.islands > 1 || options.network != nullptr) {
        whole("islands", plan.islands);
        whole("migration_interval", plan.migrationInterval);
        whole("migrants", plan.migrants);
    }
    if (options.survival != Survival::kAutomatic)
        list.emplace_back("survival", std::string(options.survival == Survival::kNsga2 ? "nsga2" : "nsga3"));
    if (options.referenceDivisions != 0) whole("reference_divisions", options.referenceDivisions);
    if (!options.referenceDirections.empty())
        whole("reference_directions", options.referenceDirections.size() / plan.objectives);
    if (!options.referencePoint.empty())
        list.emplace_back("reference_point", NumberList(options.referencePoint));
    if (!options.record.empty()) list.emplace_back("record", options.record);
    if (!options.dumpDirectory.empty()) list.emplace_back("dump_directory", options.dumpDirectory);
    if (!options.resumeFrom.empty()) list.emplace_back("resume_from", options.resumeFrom);
    return list;
}

std::string DumpHeaderText(const DumpHeader& header, std::span<const double> referencePoint) {
    std::string text = kDumpTitle;
    text += "\n# problem: " + header.problem;
    text += "\n# genome: " + header.kind + " " + std::to_string(header.length);
    text += "\n# individuals: " + std::to_string(header.individuals);
    text += "\n# iteration: " + std::to_string(header.iteration);
    text += "\n# seed: " + std::to_string(header.seed) + "\n";
    if (!referencePoint.empty())
        text += "# reference_point: " + NumberList({referencePoint.begin(), referencePoint.end()}) + "\n";
    return text;
}

namespace {

// A whole number that fills `text`, or none.
std::optional<std::uint64_t> WholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return std::nullopt;
    return value;
}

void Trim(std::string& text) {
    const std::size_t end = text.find_last_not_of(" \t\r");
    text.erase(end == std::string::npos ? 0 : end + 1);
    text.erase(0, std::min(text.size(), text.find_first_not_of(" \t")));
}

}  // namespace

DumpText ReadDumpText(const std::string& path, const DumpHeader& expect, std::FILE* err) {
    const std::string at = "Cannot resume from " + path;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) Refuse(at + ": " + error.message());
    if (!fs::is_regular_file(status)) Refuse(at + ": it is not a regular file");
    // Longer than any dump of this run could be: refused before it is read.
    const std::uint64_t longest = 4096 + expect.individuals * (expect.length * 26 + 64);
    if (fs::file_size(path, error) > longest) Refuse(at + ": it is longer than a dump of this run can be");
    std::ifstream file(path, std::ios::binary);
    if (!file) Refuse(at + ": it cannot be opened");

    DumpText dump;
    std::string line;
    std::uint64_t number = 0;
    bool titled = false;
    bool header = true;
    const auto refuseLine = [&](const std::string& reason) {
        Refuse(at + ", line " + std::to_string(number) + ": " + reason);
    };
    errno = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.find('\0') != std::string::npos) refuseLine("it holds a zero byte");
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!titled) {
            if (line != kDumpTitle)
                refuseLine("it is no population dump (its first line is not \"" + std::string(kDumpTitle) +
                           "\")");
            titled = true;
            continue;
        }
        if (header && line.starts_with("# ")) {
            const std::size_t colon = line.find(": ");
            if (colon == std::string::npos) continue;
            const std::string key = line.substr(2, colon - 2);
            std::string value = line.substr(colon + 2);
            Trim(value);
            if (key == "problem") {
                dump.header.problem = value;
            } else if (key == "genome") {
                const std::size_t blank = value.rfind(' ');
                const auto length =
                    blank == std::string::npos ? std::nullopt : WholeNumber(value.substr(blank + 1));
                if (!length) refuseLine("the genome line is not \"<kind> <length>\"");
                dump.header.kind = value.substr(0, blank);
                dump.header.length = *length;
            } else if (key == "reference_point") {
                std::istringstream numbers(value);
                std::vector<double> point;
                for (std::string word; numbers >> word;) {
                    char* end = nullptr;
                    const double coordinate = std::strtod(word.c_str(), &end);
                    if (end != word.c_str() + word.size() || !std::isfinite(coordinate))
                        refuseLine("the reference_point line holds \"" + word + "\", no finite number");
                    point.push_back(coordinate);
                }
                dump.referencePoint = std::move(point);
            } else if (key == "individuals" || key == "iteration" || key == "seed") {
                const auto parsed = WholeNumber(value);
                if (!parsed) refuseLine("the " + key + " line holds no whole number");
                (key == "individuals" ? dump.header.individuals
                 : key == "iteration" ? dump.header.iteration
                                      : dump.header.seed) = *parsed;
            }
            continue;
        }
        if (header) {
            header = false;
            if (dump.header.kind != expect.kind || dump.header.length != expect.length) {
                Refuse(at + ": it holds genomes of kind " + dump.header.kind + " with " +
                       std::to_string(dump.header.length) + " genes; this run's genome is " + expect.kind +
                       " with " + std::to_string(expect.length));
            }
            if (dump.header.individuals != expect.individuals) {
                Refuse(at + ": it holds " + std::to_string(dump.header.individuals) +
                       " individuals; this run's population is " + std::to_string(expect.individuals) +
                       " (set the population to match)");
            }
            if (err != nullptr && dump.header.problem != expect.problem) {
                std::fprintf(err,
                             "Warning: %s is a dump of the problem \"%s\"; this run's problem is \"%s\" "
                             "(its genomes fit, so the run resumes from them)\n",
                             path.c_str(), dump.header.problem.c_str(), expect.problem.c_str());
            }
        }
        std::string genes = line.substr(0, line.find('#'));
        Trim(genes);
        if (genes.empty()) {
            if (line.empty()) continue;
            refuseLine("it holds no genes");
        }
        if (dump.genomes.size() == expect.individuals)
            refuseLine("more individuals than the " + std::to_string(expect.individuals) +
                       " its header announces");
        dump.genomes.push_back(std::move(genes));
        dump.lines.push_back(number);
    }
    // A read that failed (an I/O error; /proc/self/mem) is no end of file.
    const int readError = errno;
    if (file.bad()) Refuse(at + ": it cannot be read: " + std::strerror(readError != 0 ? readError : EIO));
    if (!titled) Refuse(at + ": it is empty");
    if (header) Refuse(at + ": it holds no individuals");
    if (dump.genomes.size() != expect.individuals) {
        Refuse(at + ": it holds " + std::to_string(dump.genomes.size()) +
               " individuals where its header announces " + std::to_string(expect.individuals) +
               " (a cut-off file?)");
    }
    return dump;
}

}  // namespace detail

}  // namespace zarnel
