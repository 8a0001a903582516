#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "platform/console.h"
#include "run/history.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "solve/island_port.h"
#include "solve/island_transport.h"
#include "solve/options.h"
#include "solve/problem.h"
#include "solve/run_session.h"
#include "solve/session.h"
#include "solve/wide_count.h"

namespace zarnel::detail {

template <class Problem>
std::string ProblemName(const Problem& problem) {
    if constexpr (HasName<Problem>) {
        return problem.name();
    } else {
        return {};
    }
}

// The record's words for the operators of a run.
template <class Problem, class Operators>
std::string OperatorNames(const Operators& operators) {
    std::string names = operators.Name();
    if constexpr (HasImprove<Problem>) names += "+improve";
    return names;
}

// One island's place in a run of islands.
struct IslandSeat {
    islands::IslandTransport* transport = nullptr;
    islands::IslandSettings settings;
    // Ctrl+C asks every island for a dump of its population (named
    // "<iteration>.<island>.txt").
    bool dumps = false;
};

// What RunPopulation is given for a run, besides the scheme's own part: the
// problem, its kind, the operators and its name, the resolved plan and the
// options, and for one island of a run of islands its seat (null without
// islands).
template <class Problem, class Operators>
struct RunInput {
    const Problem& problem;
    const KindOf<Problem>& kind;
    const Operators& operators;
    const std::string& problemName;
    const RunPlan& plan;
    const SolveOptions& options;
    const IslandSeat* seat;
};

// The run of one population on the master–slave engine: the whole run of
// Solve without islands, or one island's part of a run of islands, on the
// thread that builds, runs and destroys its engine. What the scheme shares
// with every other is here: the session (clocks, signals, files), the
// resume, the engine and its loop with the stop limits, progress calls and
// the history, Ctrl+C dumps, the islands' port, the record's common members
// and the failure thrown again at the end. What differs is the `Run`'s (a
// SteadyRun or a GenerationalRun, built here): its scheme, its figures, its
// dumps' lines, its result and its record's own members.
//
// With islands, the record (only the island whose options name one writes
// it) sums the islands and lists each, its history follows island 0 alone,
// and the result of island 0 is the run's.
template <class Run>
typename Run::Result RunPopulation(const typename Run::Input& input) {
    using Kind = typename Run::Kind;
    using Population = typename Run::Population;
    using Individual = typename Run::Individual;
    const RunPlan& plan = input.plan;
    const SolveOptions& options = input.options;
    const IslandSeat* seat = input.seat;
    const Kind& kind = input.kind;

    RunSession::Setup sessionSetup;
    sessionSetup.program = "zarnel::Solve";
    sessionSetup.limits = plan.limits;
    sessionSetup.chunk = 1;  // the chunk hook decides when a progress line is due
    sessionSetup.handleSignals = options.handleSignals;
    sessionSetup.dumpDirectory = options.dumpDirectory;
    // Counts the calling thread's own evaluations (the steps it runs without
    // slave threads) with the slave threads'.
    RunSession session(std::move(sessionSetup), FilesOfRun(options));

    Population population(plan.population, kind.Length());
    DumpHeader header{input.problemName, std::string(Kind::kName), kind.Length(), plan.population, 0,
                      plan.seed};
    std::optional<DumpText> dump;
    if (!options.resumeFrom.empty()) {
        // With islands, island 0 speaks for all.
        const bool warns = seat == nullptr || seat->transport->Island() == 0;
        dump = ReadDumpText(options.resumeFrom, header, warns ? stderr : nullptr);
        using Gene = typename Kind::Gene;
        for (std::uint32_t i = 0; i < population.size; ++i) {
            const std::span<Gene> genes(population.GetIndividual(i)->GetGenes(), kind.Length());
            std::string reason = kind.Read(dump->genomes[i], genes);
            if (reason.empty()) reason = kind.Check(genes);
            if (!reason.empty()) {
                throw SolveError("Cannot resume from " + options.resumeFrom + ", line " +
                                 std::to_string(dump->lines[i]) + ": " + reason);
            }
        }
        header.iteration = dump->header.iteration;
    }
    const std::uint64_t firstIteration = header.iteration;

    std::optional<run::RunLoop::Clock::time_point> deadline;
    if (plan.limits.timeLimitSeconds > 0.0) {
        deadline = session.Start() + std::chrono::duration_cast<run::RunLoop::Clock::duration>(
                                         std::chrono::duration<double>(plan.limits.timeLimitSeconds));
    }
    // An end request reaches every island through the process's flag.
    const bool endRequests = seat != nullptr ? seat->dumps : options.handleSignals;
    Run run(input, population, deadline, endRequests, dump ? &*dump : nullptr);
    auto& scheme = run.Scheme();

    std::optional<CParallelGA> engineSlot;
    try {
        engineSlot.emplace(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(),
                           plan.threads);
    } catch (const std::system_error& error) {
        // The system refused a thread (a process limit): nothing has run.
        throw SolveError(error.what());
    }
    CParallelGA& engine = *engineSlot;
    // The first slave phase makes and scores the population; it is no master
    // iteration of the run.
    engine.Run(1);
    // The individuals that hold a genome: all of them, unless the time limit
    // or an end request stopped the first population half-way.
    const std::uint32_t made = scheme.Interrupted() ? scheme.FirstPopulationMade() : population.size;
    run.Started(made);

    std::optional<islands::IslandPort<Population>> port;
    if (seat != nullptr) port.emplace(*seat->transport, seat->settings);
    const std::string islandSuffix =
        port ? "." + std::to_string(port->Island()) + ".txt" : std::string(".txt");

    typename Run::Result result;
    result.seed = plan.seed;
    run::History history;
    double lastProgress = 0.0;
    std::optional<std::uint64_t> observedAt;
    // The progress call and the history entry of master iteration
    // `iteration` (`last`: the run's last call). A progress callback that
    // throws fails the run as a throwing fitness does.
    const auto observe = [&](std::uint64_t iteration, bool last) {
        Progress progress;
        progress.iteration = iteration;
        progress.evaluations = session.Evaluations(engine);
        run.Measure(progress, made, last);
        progress.seconds = session.Elapsed();
        observedAt = iteration;
        lastProgress = progress.seconds;
        if (!options.record.empty()) {
            run::HistoryEntry entry = run::Summarise(population, static_cast<std::uint32_t>(iteration), made);
            run.Note(progress, entry);
            entry.evaluations = progress.evaluations;
            entry.seconds = progress.seconds;
            history.push_back(entry);
        }
        if (options.progress) {
            try {
                options.progress(progress);
            } catch (...) {
                scheme.Fail(std::current_exception());
            }
        } else if (!options.quiet) {
            PrintProgressLine(stdout, progress);
        }
    };

    std::optional<StopReason> reason;
    if (scheme.Failed()) {
        reason = StopReason::kError;
    } else if (scheme.Interrupted()) {
        reason = (endRequests && platform::EndRequested()) || options.stop.stop_requested()
                     ? StopReason::kSignal
                     : StopReason::kTimeLimit;
    } else if (run.Reached()) {
        reason = StopReason::kTarget;
    }
    std::uint64_t iterations = 0;
    bool stoppedByIslands = false;
    // The port counts in 64 bits; the run loop's total wraps.
    islands::WideCount wideTotal;
    // The program's stop ended the run (and, with dumpOnStop, the population
    // is to be written once).
    bool stopSeen = false;
    bool dumpedOnStop = false;
    if (!reason) {
        run::RunHooks hooks;
        hooks.afterChunk = [&](std::uint32_t total) {
            run.AfterIteration(total);
            if (scheme.Failed() || run.Reached()) return true;
            if (plan.progressEvery != 0 ? total % plan.progressEvery == 0
                                        : session.Elapsed() - lastProgress >= options.progressInterval)
                observe(total, false);
            if (scheme.Failed()) return true;
            bool dumpAsked = seat != nullptr ? seat->dumps && seat->transport->DumpRequested()
                                             : options.handleSignals && platform::TakeCtrlCRequest();
            const bool forStop = stopSeen && options.dumpOnStop && !dumpedOnStop;
            if (forStop) dumpAsked = dumpedOnStop = true;
            if (dumpAsked) {
                // Named by the population's age, which a resumed run carries on.
                header.iteration = firstIteration + total;
                const std::string path = session.DumpNow(
                    std::to_string(header.iteration) + islandSuffix,
                    [&](std::FILE* file) { return run.WriteDump(file, header); }, stderr);
                if (!path.empty()) {
                    result.dumps.push_back(path);
                    std::fprintf(
                        stderr,
                        forStop ? "Population written to %s; the run was stopped\n"
                                : "Population written to %s; the run goes on (SIGTERM or Ctrl+\\ ends it)\n",
                        path.c_str());
                }
            }
            return false;
        };
        hooks.betweenIterations = [&](std::uint32_t total) -> std::optional<StopReason> {
            run.AfterIteration(total);
            if (options.stop.stop_requested()) {
                stopSeen = true;
                return StopReason::kSignal;
            }
            if (plan.maxEvaluations != 0 && session.Evaluations(engine) >= plan.maxEvaluations)
                return StopReason::kEvaluationLimit;
            if (plan.stagnation != 0 && run.SinceImprovement() >= plan.stagnation)
                return StopReason::kStagnation;
            if (port &&
                !port->BetweenIterations(wideTotal.Follow(total), population,
                                         [&](Individual* migrant) { scheme.ScoreMigrant(*migrant); })) {
                stoppedByIslands = true;
                return StopReason::kSignal;  // the islands' agreed reason comes from Finish
            }
            return std::nullopt;
        };
        reason = session.Run(engine, hooks);
        iterations = session.Iterations();
        if (*reason == StopReason::kSolved)
            reason = scheme.Failed() ? StopReason::kError : StopReason::kTarget;
    }

    run.Finish(result, made);
    result.iterations = iterations;
    result.evaluations = session.Evaluations(engine);
    result.steps = session.Steps(engine);
    std::vector<islands::IslandFigures> islandFigures;
    if (port) {
        // This island's own reason (the target, a limit, a failure, an end
        // request) goes to the others; a stop they agreed on needs none.
        if (!stoppedByIslands || scheme.Failed())
            port->AnnounceStop(scheme.Failed() ? StopReason::kError : *reason);
        islands::IslandFigures mine;
        mine.masterIterations = iterations;
        mine.evaluations = result.evaluations;
        mine.steps = result.steps;
        std::int64_t masterMsec = 0;
        const std::unique_ptr<std::uint32_t[]> threadMsec = engine.GetThreadTimes(masterMsec);
        mine.masterBusyMs = masterMsec;
        for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j)
            mine.threads.push_back({threadMsec[j], engine.GetThreadStats(j)});
        auto outcome = port->Finish(population, std::move(mine), run.IslandEnd());
        reason = outcome.reason;
        if (!outcome.islands.empty()) {
            // Island 0 reports the run: the islands summed, and what the
            // scheme takes from the others (the winner's best, every front).
            run.TakeIslands(result, outcome, made);
            const islands::IslandTotals totals = islands::SumIslands(outcome.islands);
            result.iterations = totals.masterIterations;
            result.evaluations = totals.evaluations;
            result.steps = totals.steps;
            islandFigures = std::move(outcome.islands);
        }
    }
    // The last progress call, unless the last master iteration had it.
    if (observedAt != iterations) observe(iterations, true);
    if (scheme.Failed()) reason = StopReason::kError;
    result.stopReason = *reason;

    if (!options.record.empty()) {
        run::RunRecord record = session.Record(engine, *reason);
        record.problem = input.problemName;
        record.genomeKind = std::string(Kind::kName);
        record.genomeLength = kind.Length();
        record.parameters = RecordParameters(options, plan);
        record.operators = OperatorNames<typename Run::ProblemType>(input.operators);
        record.seed = plan.seed;
        record.history = std::move(history);
        record.resumedFrom = options.resumeFrom;
        // Where it stopped depended on the clock or on the outside; with
        // islands, so did where the others were when one failed.
        record.repeatable = plan.repeatable && *reason != StopReason::kTimeLimit &&
                            *reason != StopReason::kSignal &&
                            !(*reason == StopReason::kError && plan.islands > 1) && !scheme.Interrupted();
        if (scheme.Interrupted()) record.firstPopulationScored = made;
        if (!islandFigures.empty()) {
            const islands::IslandTotals totals = islands::SumIslands(islandFigures);
            record.masterIterations = totals.masterIterations;
            record.evaluations = totals.evaluations;
            record.masterBusyMs = totals.masterBusyMs;
            record.threads = totals.threads;
            for (const islands::IslandFigures& figures : islandFigures)
                record.islands.push_back(islands::ToIslandRecord(figures));
        }
        run.Record(record, result);
        session.WriteRecord(options.record, record, stderr, &result.recordError);
    }
    result.seconds = session.Elapsed();
    if (seat != nullptr ? scheme.Failed() : *reason == StopReason::kError)
        std::rethrow_exception(scheme.Failure());
    return result;
}

}  // namespace zarnel::detail
