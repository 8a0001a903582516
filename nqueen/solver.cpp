#include "nqueen/solver.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "framework/best_individual.h"
#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "nqueen/dump_reader.h"
#include "nqueen/eval_operator.h"
#include "nqueen/init_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/operator_set.h"
#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"
#include "nqueen/port_island_link.h"
#include "nqueen/report.h"
#include "platform/console.h"
#include "platform/memory.h"
#include "run/atomic_file.h"
#include "run/console_output.h"
#include "run/history.h"
#include "run/run_files.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "run/seed.h"
#include "solve/island_threads.h"
#include "solve/local_islands.h"
#include "solve/run_session.h"

namespace zarnel {

namespace {

constexpr int kBadInput = -1;
// Status of a run that a limit ended before it found a solution.
constexpr int kEndedUnsolved = 2;
// Status of a run that an end request (SIGTERM, SIGHUP, Ctrl+Break) ended
// while it kept a record: the record is written, the report is not.
constexpr int kEndedOnRequest = 3;
// Status of an island run that an island could not carry on (it failed, or
// the islands could not agree why they stopped): nothing is reported.
constexpr int kIslandsFailed = 4;
constexpr std::uint32_t kChunk = 1000;

// The words that name each file of a run in messages.
constexpr const char* kParameterFileRole = "parameter file";
constexpr const char* kReportFileRole = "report file";
constexpr const char* kRecordRole = "run record";
constexpr const char* kResumedDumpRole = "population dump resumed from";

// Empty when the report can be written at `path`; otherwise the reason, so
// that a long run never ends with nowhere to write its report. The check
// creates nothing that remains, so a run ended from outside leaves no report.
std::string CheckReportPath(const std::string& path, const std::string& parameterPath) {
    namespace fs = std::filesystem;
    const std::string prefix = "Cannot write report file " + path + ": ";
    std::error_code error;
    // The report would replace the parameters it was made from.
    if (!path.empty() && fs::is_regular_file(parameterPath, error) &&
        fs::equivalent(path, parameterPath, error))
        return prefix + "it is the parameter file " + parameterPath;
    const std::string reason = run::CheckReplaceable(path);
    return reason.empty() ? reason : prefix + reason;
}

// Empty when the run's data fits in what the system offers: the physical
// memory, or a smaller address-space limit.
std::string CheckMemory(const NQueenParameters& parameters, const std::string& parameterPath) {
    std::uint64_t available = platform::PhysicalMemoryBytes();
    std::string what = "physical memory";
    const std::uint64_t limit = platform::AddressSpaceLimitBytes();
    if (limit != 0 && (available == 0 || limit < available)) {
        available = limit;
        what = "address space that the process may use";
    }
    if (available == 0) return {};
    return CheckRunMemory(parameters, parameterPath, available, what);
}

bool WriteReportFile(const std::string& path, const NQueenRunSummary& summary, std::FILE* err) {
    const std::string reason =
        run::WriteFileAtomically(path, [&](std::FILE* file) { return WriteReport(file, summary); });
    if (!reason.empty()) {
        std::fprintf(err, "Unable to write report file %s: %s; the file was left as it was\n", path.c_str(),
                     reason.c_str());
    }
    return reason.empty();
}

// What the run-control keys ask of one run, prepared at start-up.
struct RunSetup {
    std::optional<std::uint32_t> seed;                    // none: drawn from the clock
    std::optional<std::vector<std::uint16_t>> genes;      // a population read back from a dump
    std::optional<std::vector<std::uint32_t>> wideGenes;  // the same for 32-bit genes
    run::StopLimits limits;
    bool showSeed = false;  // any run-control key is set
    bool record = false;    // json_report is set
};

// The report's words for the limit that ended a run unsolved.
std::string EndedBy(run::StopReason reason, const NQueenParameters& p) {
    char text[96];
    if (reason == run::StopReason::kIterationLimit) {
        std::snprintf(text, sizeof text, "iteration limit (max_iterations %lld)",
                      static_cast<long long>(p.max_iterations));
    } else {
        std::snprintf(text, sizeof text, "time limit (time_limit %g s)", p.time_limit);
    }
    return text;
}

// The master seed of island `island` of a run seeded with `runSeed`: island 0
// keeps the run seed, so that one island replays the single-process run; the
// others take seeds derived from it, so that the islands search apart.
std::uint32_t IslandSeed(std::uint32_t runSeed, int island) {
    if (island == 0) return runSeed;
    return static_cast<std::uint32_t>(run::DeriveSeed(runSeed, static_cast<std::uint64_t>(island)));
}

// Island 0's view of the run over all islands: the figures summed.
struct IslandTotals {
    std::uint64_t iterations = 0;
    std::uint64_t evaluations = 0;
    std::int64_t masterMsec = 0;
    std::vector<run::ThreadRecord> threads;  // per slave thread index, summed over the islands
};

IslandTotals SumIslands(const std::vector<run::IslandRecord>& islands) {
    IslandTotals totals;
    for (const run::IslandRecord& island : islands) {
        totals.iterations += island.masterIterations;
        totals.evaluations += island.evaluations;
        totals.masterMsec += island.masterBusyMs;
        if (totals.threads.size() < island.threads.size()) totals.threads.resize(island.threads.size());
        for (std::size_t j = 0; j < island.threads.size(); ++j) {
            run::ThreadRecord& sum = totals.threads[j];
            const run::ThreadRecord& one = island.threads[j];
            sum.index = static_cast<std::uint32_t>(j);
            sum.busyMs += one.busyMs;
            sum.steps += one.steps;
            sum.claimAttempts += one.claimAttempts;
            sum.claimsFailed += one.claimsFailed;
        }
    }
    return totals;
}

// The dump read back for a run of `Gene`s.
std::optional<std::vector<std::uint16_t>>& StartGenes(RunSetup& setup, std::uint16_t) { return setup.genes; }
std::optional<std::vector<std::uint32_t>>& StartGenes(RunSetup& setup, std::uint32_t) {
    return setup.wideGenes;
}

// Island links carry 16-bit genes. The checks refuse islands beyond 65536
// queens, so a run of 32-bit genes never has a link, and these do nothing
// for it.
void NoteIslandBest(IslandLink& link, NQueenPopulation& population) { link.NoteBest(population); }
void NoteIslandBest(IslandLink&, WideQueenPopulation&) {}
bool IslandsGoOn(IslandLink& link, std::uint32_t total, NQueenPopulation& population,
                 NQueenOperatorSet& operators) {
    return link.BetweenIterations(total, population, *operators.eval);
}
bool IslandsGoOn(IslandLink&, std::uint32_t, WideQueenPopulation&, WideQueenOperatorSet&) { return false; }
IslandsEnd FinishIslands(IslandLink& link, NQueenPopulation& population, const run::IslandRecord& mine) {
    return link.Finish(population, mine);
}
IslandsEnd FinishIslands(IslandLink&, WideQueenPopulation&, const run::IslandRecord&) { return {}; }

// Builds everything, runs to a solution or a limit and tears down in reverse
// order of construction (the objects live on this frame). With a link, this
// process is one island of the run (see SolverVariant). `Gene` is the width
// of the run's genes (UsesWideGenes).
template <typename Gene>
int SolveAndReport(const NQueenParameters& parameters, const std::string& reportPath, run::RunFiles files,
                   RunSetup& setup, const SolverVariant& variant, IslandLink* link, std::FILE* out,
                   std::FILE* err) {
    RunSession::Setup sessionSetup;
    sessionSetup.program = variant.program;
    sessionSetup.limits = setup.limits;
    sessionSetup.chunk = kChunk;
    // A run that keeps a record ends on an end request as on a limit, so
    // that the record is written from here, not from a signal handler. Of
    // the islands of one process, the main thread's handles them.
    sessionSetup.endRequests = setup.record && (link == nullptr || link->HandlesEndRequests());
    sessionSetup.dumpDirectory = parameters.dump_directory;
    sessionSetup.refusedRoles = {kParameterFileRole, kReportFileRole};
    // Counts the master's own evaluations (the initial scoring and the
    // mutations) from here on.
    RunSession session(std::move(sessionSetup), std::move(files));

    QueenPopulationOf<Gene> population(PopulationSizeBuilt(parameters.population_size),
                                       static_cast<std::uint32_t>(parameters.queens));
    // Islands share one run seed (collective: before anything can fail
    // on one island only); each island starts its generators from its own
    // seed derived from it.
    std::optional<std::uint32_t> runSeed;
    NQueenStartOf<Gene> startWith{setup.seed, std::move(StartGenes(setup, Gene{}))};
    if (link != nullptr) {
        runSeed = link->ShareRunSeed(setup.seed);
        startWith.seed = IslandSeed(*runSeed, link->Island());
    }
    NQueenOperatorSetOf<Gene> operators = MakeOperatorSet(parameters, &population, std::move(startWith));
    CParallelGA engine(operators.init.get(), operators.master.get(), operators.slave.get(),
                       static_cast<std::uint32_t>(parameters.slave_threads));
    const std::uint32_t seed = runSeed ? *runSeed : operators.SeedUsed();
    // Only island 0 prints progress and the solution.
    const bool speaks = link == nullptr || link->Island() == 0;

    // A console that fails (a closed pipe, a full disk) does not stop the
    // run: the report is still written and the exit status tells.
    run::ConsoleOutput console(out, err, variant.program);
    const Gene* solution = nullptr;
    float bestFitness = 0.0f;
    run::History history;
    run::RunHooks hooks;
    hooks.afterChunk = [&](std::uint32_t total) {
        QueenIndividualOf<Gene>* best = population.GetIndividual(BestIndividualIndex(population));
        bestFitness = *best->GetFitness();
        if (link != nullptr) NoteIslandBest(*link, population);
        if (speaks) {
            // Island 0 shows the best over all islands.
            const double shown = link != nullptr
                                     ? std::max(static_cast<double>(bestFitness), link->GlobalBestFitness())
                                     : static_cast<double>(bestFitness);
            std::fprintf(out, "Iter: %" PRIu32 ", best ind fitness: %f\n", total, shown);
            console.Flush();
        }
        solution = best->GetGenes();
        if (setup.record) history.push_back(run::Summarise(population, total));
        const auto dump = [&](std::FILE* file) { return WritePopulationDump(file, population); };
        if (link == nullptr) {
            session.DumpOnRequest(std::to_string(total) + ".txt", dump, err);
        } else if (link->TakeDumpRequest()) {
            // One request dumps every island.
            session.DumpNow(link->DumpName(total), dump, err);
        }
        return bestFitness == 0.0f;
    };
    // Set when the islands agreed to stop for a reason of another island.
    bool islandsStopped = false;
    if (link != nullptr) {
        hooks.betweenIterations = [&](std::uint32_t total) -> std::optional<run::StopReason> {
            if (!IslandsGoOn(*link, total, population, operators)) {
                islandsStopped = true;
                return run::StopReason::kSignal;  // the agreed reason comes from Finish
            }
            // With several islands a solution is looked for at every
            // migration too, so that the others learn of it within about
            // one migration interval rather than one chunk.
            if (link->Islands() > 1 && total % link->MigrationInterval() == 0 &&
                *population.GetIndividual(BestIndividualIndex(population))->GetFitness() == 0.0f)
                return run::StopReason::kSolved;
            return std::nullopt;
        };
    }
    run::StopReason reason = session.Run(engine, hooks);
    std::uint32_t total = session.Iterations();
    std::uint64_t masterIterations = total;

    std::int64_t masterMsec = 0;
    std::unique_ptr<std::uint32_t[]> threadMsec = engine.GetThreadTimes(masterMsec);
    std::uint64_t evaluations = session.Evaluations(engine);
    std::vector<run::ThreadRecord> threads = run::CollectThreads(engine);
    std::vector<run::IslandRecord> islandRecords;
    std::vector<Gene> islandSolution;
    if (link != nullptr) {
        // This island's own reason (a solution, a limit, an end request)
        // goes to the others; a stop they agreed on needs no announcing.
        if (reason == run::StopReason::kSolved || !islandsStopped) link->AnnounceStop(reason);
        run::IslandRecord mine;
        mine.island = static_cast<std::uint32_t>(link->Island());
        mine.masterIterations = total;
        mine.evaluations = evaluations;
        mine.masterBusyMs = masterMsec;
        mine.threads = threads;
        IslandsEnd end = FinishIslands(*link, population, mine);
        if (!end.reason) {
            std::fprintf(err, "%s: island %d: an island could not go on; no report\n", variant.program,
                         link->Island());
            return kIslandsFailed;
        }
        reason = *end.reason;
        if (!speaks) {
            return reason == run::StopReason::kSolved   ? 0
                   : reason == run::StopReason::kSignal ? kEndedOnRequest
                                                        : kEndedUnsolved;
        }
        // Island 0 reports the run over all islands.
        const IslandTotals totals = SumIslands(end.islands);
        masterIterations = totals.iterations;
        total = static_cast<std::uint32_t>(std::min<std::uint64_t>(masterIterations, UINT32_MAX));
        evaluations = totals.evaluations;
        masterMsec = totals.masterMsec;
        threads = totals.threads;
        for (std::size_t j = 0; j < threads.size() && j < engine.GetThreadCount(); ++j)
            threadMsec[j] = static_cast<std::uint32_t>(threads[j].busyMs);
        islandSolution.assign(end.genes.begin(), end.genes.end());
        islandRecords = std::move(end.islands);
        bestFitness = end.fitness;
        if (islandSolution.size() == static_cast<std::size_t>(parameters.queens))
            solution = islandSolution.data();
    }
    const bool solved = reason == run::StopReason::kSolved;
    // Like a run ended from outside without a record, it leaves no report.
    const bool requested = reason == run::StopReason::kSignal;
    const std::string endedBy = solved ? std::string() : EndedBy(reason, parameters);
    NQueenRunSummary summary;
    summary.parameters = &parameters;
    summary.totalIterations = total;
    summary.masterMsec = masterMsec;
    summary.threadMsec = threadMsec.get();
    if constexpr (sizeof(Gene) == sizeof(std::uint16_t)) {
        summary.solution = solution;
    } else {
        summary.wideSolution = solution;
    }
    summary.seed = setup.showSeed ? &seed : nullptr;
    summary.endedBy = solved ? nullptr : endedBy.c_str();
    summary.bestFitness = bestFitness;
    bool reported = true;
    if (!requested) {
        reported = WriteReportFile(reportPath, summary, err);
        std::fputs(solved ? "\nSolution:\n" : "\nBest individual found:\n", out);
        WriteSolutionRows(out, solution, static_cast<std::uint32_t>(parameters.queens));
    } else {
        std::fprintf(err, "%s: ended on request after %" PRIu32 " master iterations; no report\n",
                     variant.program, total);
    }
    console.Flush();

    int status = !reported          ? kReportNotWritten
                 : console.Failed() ? kConsoleOutputFailed
                 : solved           ? 0
                 : requested        ? kEndedOnRequest
                                    : kEndedUnsolved;
    if (setup.record) {
        run::RunRecord record = session.Record(engine, reason);
        if (!parameters.operators.empty()) record.operators = parameters.operators;
        for (const auto& [key, value] : KeysAsRead(parameters))
            std::visit(
                [&record, &name = key](const auto& read) { record.parameters.emplace_back(name, read); },
                value);
        record.seed = seed;
        // A record that cannot be written changes the status below, which
        // then is in no record.
        record.exitStatus = status;
        // Island 0's record sums the islands.
        record.masterIterations = masterIterations;
        record.masterBusyMs = masterMsec;
        record.threads = std::move(threads);
        record.evaluations = evaluations;
        record.islands = std::move(islandRecords);
        record.history = std::move(history);
        record.bestFitness = bestFitness;
        record.memoryEstimateBytes = EstimateRunMemory(parameters);
        record.solution = std::vector<std::int64_t>(solution, solution + parameters.queens);
        if (!session.WriteRecord(parameters.json_report, record, err)) status = kReportNotWritten;
    }

    // Scripts and CI have no keyboard: wait only when a person is there.
    if ((link == nullptr || link->WaitsForKey()) && !requested && platform::StdinIsTerminal())
        platform::ReadKeyNoEcho();
    return status;
}

// Fills `setup` from the run-control keys; reads the dump to resume from and
// checks that the record can be written. Empty on success, else the reason.
std::string PrepareRunControl(const NQueenParameters& parameters, const std::string& parameterPath,
                              const std::string& reportPath, RunSetup& setup) {
    const auto set = [&](ParameterKey key) { return parameters.StateOf(key) == KeyState::kSet; };
    if (set(ParameterKey::kSeed)) setup.seed = static_cast<std::uint32_t>(parameters.seed);
    if (set(ParameterKey::kMaxIterations))
        setup.limits.maxIterations = static_cast<std::uint32_t>(parameters.max_iterations);
    if (set(ParameterKey::kTimeLimit)) setup.limits.timeLimitSeconds = parameters.time_limit;
    // A file that asks for anything beyond the classic keys gets the seed in
    // its report; a classic report stays as it always was.
    setup.showSeed =
        UsesRunControl(parameters) || set(ParameterKey::kOperators) || set(ParameterKey::kIslands);
    setup.record = set(ParameterKey::kJsonReport);
    // Neither output may replace the population it starts from.
    const bool resume = set(ParameterKey::kResumeFrom);
    const std::string isResumed =
        "it is the population dump to resume from (resume_from " + parameters.resume_from + ")";
    if (resume && run::SameFile(reportPath, parameters.resume_from))
        return "Cannot write report file " + reportPath + ": " + isResumed;
    if (setup.record) {
        const std::string& path = parameters.json_report;
        const std::string prefix = "Cannot write run record " + path + ": ";
        if (run::SameFile(path, parameterPath)) return prefix + "it is the parameter file";
        if (run::SameFile(path, reportPath)) return prefix + "it is the report file";
        if (resume && run::SameFile(path, parameters.resume_from)) return prefix + isResumed;
        const std::string reason = run::CheckReplaceable(path);
        if (!reason.empty()) return prefix + reason;
    }
    if (resume) {
        try {
            const auto queens = static_cast<std::uint32_t>(parameters.queens);
            const std::uint32_t size = PopulationSizeBuilt(parameters.population_size);
            if (UsesWideGenes(parameters)) {
                std::vector<std::uint32_t> genes;
                const std::string problem = ReadPopulationDump(parameters.resume_from, queens, size, genes);
                if (!problem.empty()) return problem;
                setup.wideGenes = std::move(genes);
            } else {
                std::vector<std::uint16_t> genes;
                const std::string problem = ReadPopulationDump(parameters.resume_from, queens, size, genes);
                if (!problem.empty()) return problem;
                setup.genes = std::move(genes);
            }
        } catch (const std::bad_alloc&) {
            return "Cannot resume from population dump " + parameters.resume_from + ": not enough memory";
        }
    }
    return {};
}

// Every file that a run reads or writes, as known at start-up.
run::RunFiles FilesOfRun(const NQueenParameters& parameters, const std::string& parameterPath,
                         const std::string& reportPath) {
    run::RunFiles files;
    files.Add(parameterPath, kParameterFileRole);
    files.Add(reportPath, kReportFileRole);
    if (parameters.StateOf(ParameterKey::kJsonReport) == KeyState::kSet)
        files.Add(parameters.json_report, kRecordRole);
    if (parameters.StateOf(ParameterKey::kResumeFrom) == KeyState::kSet)
        files.Add(parameters.resume_from, kResumedDumpRole);
    return files;
}

}  // namespace

int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err) {
    return RunNQueen(argc, argv, out, err, SolverVariant{});
}

namespace {

// Reads and checks the command line and the parameter file and prepares the
// run: none when the run can start, else the exit status, the reason
// written.
std::optional<int> PrepareRun(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                              const SolverVariant& variant, NQueenParameters& parameters, RunSetup& setup) {
    if (argc != 3) {
        std::fputs(variant.usage, out);
        return kBadInput;
    }
    const std::string parameterPath = argv[1];
    const std::string reportPath = argv[2];
    parameters.islandKeys = variant.islandKeys;
    parameters.islandsKey = variant.localIslands;
    bool opened = false;
    try {
        opened = ReadParameterFile(parameterPath.c_str(), parameters, [err](const std::string& warning) {
            std::fprintf(err, "%s\n", warning.c_str());
        });
    } catch (const std::bad_alloc&) {
        // A file or stream larger than the memory available, for instance
        // one that never ends.
        std::fprintf(err, "Unable to load parameter file %s: not enough memory\n", parameterPath.c_str());
        return kBadInput;
    }
    if (!opened) {
        std::fputs("Unable to open input file!\n", out);
        return kBadInput;
    }
    std::string problem = CheckParameters(parameters, parameterPath);
    if (problem.empty()) problem = CheckRunControl(parameters, parameterPath);
    if (problem.empty() && parameters.islandKeys) problem = CheckIslandKeys(parameters, parameterPath);
    // A stop limit bounds a run that could otherwise never end.
    if (problem.empty() && !HasStopLimit(parameters)) problem = CheckRunCanEnd(parameters, parameterPath);
    if (problem.empty()) problem = CheckMemory(parameters, parameterPath);
    if (problem.empty()) problem = CheckReportPath(reportPath, parameterPath);
    if (problem.empty()) problem = PrepareRunControl(parameters, parameterPath, reportPath, setup);
    if (!problem.empty()) {
        std::fprintf(err, "%s\n", problem.c_str());
        return kBadInput;
    }
    return std::nullopt;
}

// The run of `islands` islands in this process: the solver once per island,
// island 0 on this thread and the others each on a master thread of its own,
// linked through the islands of one process. Island 0 prints, and writes the
// report and the record, as island 0 of ZarnelNQueenIslands does. Returns
// island 0's status.
int RunIslandsInProcess(const NQueenParameters& parameters, const std::string& parameterPath,
                        const std::string& reportPath, const RunSetup& setup, const SolverVariant& variant,
                        std::FILE* out, std::FILE* err) {
    // Deterministic islands migrate and vote on the stop at fixed
    // iterations, so that the run repeats at any thread count.
    islands::LocalIslands network(static_cast<std::uint32_t>(parameters.islands),
                                  parameters.deterministic == "yes");
    islands::IslandSettings settings;
    settings.migrationInterval = static_cast<std::uint32_t>(parameters.migration_interval);
    settings.migrants = static_cast<std::uint32_t>(parameters.migrants);
    int status = kIslandsFailed;
    islands::RunIslands(network, [&](islands::IslandTransport& transport) {
        const bool first = transport.Island() == 0;
        PortIslandLink link(network, transport, settings, first, first);
        // Every island starts from the same dump, if any.
        RunSetup own = setup;
        // Islands stop at 65536 queens (their migrants carry 16-bit genes).
        const int result = SolveAndReport<std::uint16_t>(parameters, reportPath,
                                                         FilesOfRun(parameters, parameterPath, reportPath),
                                                         own, variant, &link, out, err);
        if (first) status = result;
    });
    return status;
}

}  // namespace

int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
              const SolverVariant& variant) {
    platform::InstallCtrlCHandler();
    platform::IgnoreBrokenPipe();
    NQueenParameters parameters;
    RunSetup setup;
    const std::optional<int> refused = PrepareRun(argc, argv, out, err, variant, parameters, setup);
    // Islands start together or not at all: one that refused would leave the
    // others waiting for it.
    if (variant.allReady && !variant.allReady(!refused)) {
        if (!refused)
            std::fprintf(err, "%s: another island refused to start; see its message\n", variant.program);
        return refused.value_or(kBadInput);
    }
    if (refused) return *refused;
    try {
        const std::string reportPath = argv[2];
        if (parameters.islands > 1 && !variant.makeLink)
            return RunIslandsInProcess(parameters, argv[1], reportPath, setup, variant, out, err);
        const std::unique_ptr<IslandLink> link = variant.makeLink ? variant.makeLink(parameters) : nullptr;
        run::RunFiles files = FilesOfRun(parameters, argv[1], reportPath);
        if (UsesWideGenes(parameters)) {
            return SolveAndReport<std::uint32_t>(parameters, reportPath, std::move(files), setup, variant,
                                                 link.get(), out, err);
        }
        return SolveAndReport<std::uint16_t>(parameters, reportPath, std::move(files), setup, variant,
                                             link.get(), out, err);
    } catch (const std::exception& error) {
        // Memory or threads for the run were not available.
        std::fprintf(err, "%s: cannot run: %s\n", variant.program, error.what());
        return kBadInput;
    }
}

}  // namespace zarnel
