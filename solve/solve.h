#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "genome/genome.h"
#include "platform/console.h"
#include "run/history.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "run/seed.h"
#include "solve/island_port.h"
#include "solve/island_threads.h"
#include "solve/island_transport.h"
#include "solve/local_islands.h"
#include "solve/migrant_codec.h"
#include "solve/options.h"
#include "solve/population_io.h"
#include "solve/problem.h"
#include "solve/result.h"
#include "solve/run_session.h"
#include "solve/session.h"
#include "solve/steady_state.h"
#include "solve/wide_count.h"

namespace zarnel {

namespace detail {

// The record's words for the operators of a run.
template <class Problem, class Operators>
std::string OperatorNames(const Operators& operators) {
    std::string names = operators.Name();
    if constexpr (HasImprove<Problem>) names += "+improve";
    return names;
}

// The mean of the fitness values that are numbers.
template <class Population>
double MeanFitness(Population& population) {
    double sum = 0.0;
    std::uint64_t counted = 0;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        const double fitness = *population.GetIndividual(i)->GetFitness();
        if (std::isnan(fitness)) continue;
        sum += fitness;
        ++counted;
    }
    return counted == 0 ? std::nan("") : sum / static_cast<double>(counted);
}

template <class Problem>
std::string ProblemName(const Problem& problem) {
    if constexpr (HasName<Problem>) {
        return problem.name();
    } else {
        return {};
    }
}

// One island's place in a run of islands.
struct IslandSeat {
    islands::IslandTransport* transport = nullptr;
    islands::IslandSettings settings;
    // Ctrl+C asks every island for a dump of its population (named
    // "<iteration>.<island>.txt").
    bool dumps = false;
};

// The steady-state run of one population: the whole run of Solve without
// islands (`seat` null), or one island's part of a run of islands, on the
// thread that builds, runs and destroys its engine. With islands, the
// record (only the island whose options name one writes it) sums the
// islands and lists each, its history follows island 0 alone, and the
// result of island 0 is the run's: the winner's best individual and the
// islands' figures summed. Fitness values leave here as the problem gives
// them (RankedFitness turns the engine's back).
template <class Problem, class Operators>
SolveResult<GeneOf<Problem>> RunPopulation(const Problem& problem, const KindOf<Problem>& kind,
                                           const Operators& operators, const std::string& problemName,
                                           const RunPlan& plan, const SolveOptions& options,
                                           const IslandSeat* seat) {
    using Kind = KindOf<Problem>;
    using Gene = GeneOf<Problem>;
    using Scheme = SteadyState<Problem, Operators>;
    using Population = typename Scheme::Population;
    using Individual = typename Scheme::Individual;
    const auto own = [](double ranked) { return RankedFitness<Problem>(ranked); };

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
    DumpHeader header{problemName, std::string(Kind::kName), kind.Length(), plan.population, 0, plan.seed};
    if (!options.resumeFrom.empty()) {
        // With islands, island 0 speaks for all.
        const bool warns = seat == nullptr || seat->transport->Island() == 0;
        const DumpText dump = ReadDumpText(options.resumeFrom, header, warns ? stderr : nullptr);
        for (std::uint32_t i = 0; i < population.size; ++i) {
            const std::span<Gene> genes(population.GetIndividual(i)->GetGenes(), kind.Length());
            std::string reason = kind.Read(dump.genomes[i], genes);
            if (reason.empty()) reason = kind.Check(genes);
            if (!reason.empty()) {
                throw SolveError("Cannot resume from " + options.resumeFrom + ", line " +
                                 std::to_string(dump.lines[i]) + ": " + reason);
            }
        }
        header.iteration = dump.header.iteration;
    }
    const std::uint64_t firstIteration = header.iteration;

    SchemeSettings settings;
    settings.runSeed = plan.seed;
    settings.threads = plan.threads;
    settings.tournament = plan.tournament;
    settings.fixedSteps = plan.fixedSteps;
    if (plan.target) settings.target = own(*plan.target);
    settings.deterministic = options.deterministic;
    settings.resumed = !options.resumeFrom.empty();
    if (plan.batch != 0) settings.batch = plan.batch;
    settings.stop = options.stop;
    if (plan.limits.timeLimitSeconds > 0.0) {
        settings.deadline =
            session.Start() + std::chrono::duration_cast<run::RunLoop::Clock::duration>(
                                  std::chrono::duration<double>(plan.limits.timeLimitSeconds));
    }
    // An end request reaches every island through the process's flag.
    settings.endRequests = seat != nullptr ? seat->dumps : options.handleSignals;
    Scheme scheme(problem, kind, operators, population, settings);

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

    std::optional<islands::IslandPort<Population>> port;
    if (seat != nullptr) port.emplace(*seat->transport, seat->settings);
    const std::string islandSuffix =
        port ? "." + std::to_string(port->Island()) + ".txt" : std::string(".txt");

    SolveResult<Gene> result;
    result.seed = plan.seed;
    run::History history;
    double lastProgress = 0.0;
    std::optional<std::uint64_t> observedAt;
    // The progress call and the history entry of master iteration
    // `iteration`. A progress callback that throws fails the run as a
    // throwing fitness does.
    const auto observe = [&](std::uint64_t iteration) {
        Progress progress;
        progress.iteration = iteration;
        progress.evaluations = session.Evaluations(engine);
        progress.best = own(*population.GetIndividual(BestIndex(population))->GetFitness());
        progress.mean = own(MeanFitness(population));
        progress.seconds = session.Elapsed();
        observedAt = iteration;
        lastProgress = progress.seconds;
        if (!options.record.empty()) {
            run::HistoryEntry entry = run::Summarise(population, static_cast<std::uint32_t>(iteration), made);
            entry.best = progress.best;
            entry.mean = progress.mean;
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
        reason = (settings.endRequests && platform::EndRequested()) || options.stop.stop_requested()
                     ? StopReason::kSignal
                     : StopReason::kTimeLimit;
    } else if (scheme.Reached()) {
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
            if (scheme.Failed() || scheme.Reached()) return true;
            if (plan.progressEvery != 0 ? total % plan.progressEvery == 0
                                        : session.Elapsed() - lastProgress >= options.progressInterval)
                observe(total);
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
                    [&](std::FILE* file) {
                        return WriteDump(file, header, population, kind, Minimises<Problem>());
                    },
                    stderr);
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
            if (options.stop.stop_requested()) {
                stopSeen = true;
                return StopReason::kSignal;
            }
            if (plan.maxEvaluations != 0 && session.Evaluations(engine) >= plan.maxEvaluations)
                return StopReason::kEvaluationLimit;
            if (plan.stagnation != 0 && scheme.SinceImprovement() >= plan.stagnation)
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

    if (made != 0) {
        Individual* best = population.GetIndividual(BestIndex(population));
        result.genes.assign(best->GetGenes(), best->GetGenes() + kind.Length());
        result.fitness = own(*best->GetFitness());
    } else {
        result.fitness = std::numeric_limits<double>::quiet_NaN();
    }
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
        auto outcome = port->Finish(population, std::move(mine));
        reason = outcome.reason;
        if (!outcome.islands.empty()) {
            // Island 0 reports the run: the winner's best, the islands summed.
            // A winner without a number does not replace a genome with none.
            if (outcome.genes.size() == kind.Length() && (!std::isnan(outcome.fitness) || made != 0)) {
                result.genes = std::move(outcome.genes);
                result.fitness = own(outcome.fitness);
            }
            const islands::IslandTotals totals = islands::SumIslands(outcome.islands);
            result.iterations = totals.masterIterations;
            result.evaluations = totals.evaluations;
            result.steps = totals.steps;
            islandFigures = std::move(outcome.islands);
        }
    }
    // The last progress call, unless the last master iteration had it.
    if (observedAt != iterations) observe(iterations);
    if (scheme.Failed()) reason = StopReason::kError;
    result.stopReason = *reason;

    if (!options.record.empty()) {
        run::RunRecord record = session.Record(engine, *reason);
        record.problem = problemName;
        record.genomeKind = std::string(Kind::kName);
        record.genomeLength = kind.Length();
        record.parameters = RecordParameters(options, plan);
        record.operators = OperatorNames<Problem>(operators);
        record.seed = plan.seed;
        record.history = std::move(history);
        record.direction = Minimises<Problem>() ? "minimise" : "maximise";
        record.bestFitness = result.fitness;
        if (!result.genes.empty())
            record.solution = RecordedSolution(problem, std::span<const Gene>(result.genes));
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
            for (const islands::IslandFigures& figures : islandFigures) {
                record.islands.push_back(islands::ToIslandRecord(figures));
                record.islands.back().bestFitness = own(figures.bestFitness);
            }
        }
        session.WriteRecord(options.record, record, stderr, &result.recordError);
    }
    result.seconds = session.Elapsed();
    if (seat != nullptr ? scheme.Failed() : *reason == StopReason::kError)
        std::rethrow_exception(scheme.Failure());
    return result;
}

// The threads of island `local` of `localIslands` when the process has
// `threads` in all: an equal share, the first ones one more.
inline std::uint32_t IslandThreads(std::uint32_t threads, std::uint32_t localIslands, std::uint32_t local) {
    return threads / localIslands + (local < threads % localIslands ? 1 : 0);
}

// A run of islands: checks what every island would check, agrees with the
// other processes that all can start, then runs each island of this process
// (RunIslands) and returns island 0's result: the run's.
template <class Problem, class Operators>
SolveResult<GeneOf<Problem>> RunIslandsOfRun(const Problem& problem, const KindOf<Problem>& kind,
                                             const Operators& operators, const std::string& problemName,
                                             const RunPlan& plan, const SolveOptions& options) {
    using Gene = GeneOf<Problem>;
    islands::IslandNetwork* network = options.network;
    std::optional<islands::LocalIslands> local;
    if (network == nullptr) network = &local.emplace(plan.islands, options.deterministic);
    const bool first = network->FirstLocal() == 0;

    // The files of the run, once for all islands, before any starts: only
    // island 0 writes the record.
    std::exception_ptr refused;
    try {
        SolveOptions checked = options;
        if (!first) checked.record.clear();
        (void)FilesOfRun(checked);
        // A migration is one message, and so is the winner's individual at
        // the end: both must fit what the network carries.
        using Codec = islands::MigrantCodec<typename SteadyState<Problem, Operators>::Individual>;
        const std::uint64_t perMessage =
            Codec::kHeaderBytes + std::uint64_t{std::max<std::uint32_t>(plan.migrants, 1)} *
                                      Codec::MigrantBytes(static_cast<std::uint32_t>(kind.Length()));
        if (plan.islands > 1 && perMessage > network->MaxMessageBytes()) {
            throw SolveError("migrants " + std::to_string(plan.migrants) + " of " +
                             std::to_string(kind.Length()) + " genes make messages of " +
                             std::to_string(perMessage) + " bytes, more than islands " + network->Name() +
                             " carry (" + std::to_string(network->MaxMessageBytes()) + ")");
        }
        if (!options.resumeFrom.empty()) {
            const DumpHeader expect{
                problemName, std::string(KindOf<Problem>::kName), kind.Length(), plan.population, 0,
                plan.seed};
            const DumpText dump = ReadDumpText(options.resumeFrom, expect);
            std::vector<Gene> genes(kind.Length());
            for (std::size_t i = 0; i < dump.genomes.size(); ++i) {
                std::string reason = kind.Read(dump.genomes[i], std::span<Gene>(genes));
                if (reason.empty()) reason = kind.Check(std::span<const Gene>(genes));
                if (!reason.empty()) {
                    throw SolveError("Cannot resume from " + options.resumeFrom + ", line " +
                                     std::to_string(dump.lines[i]) + ": " + reason);
                }
            }
        }
    } catch (const SolveError&) {
        refused = std::current_exception();
    }
    if (!network->AllReady(!refused)) {
        if (refused) std::rethrow_exception(refused);
        throw SolveError("another island of the run refused to start; its process says why");
    }
    const std::uint64_t runSeed = network->ShareSeed(plan.seed);

    SolveResult<Gene> result;
    std::vector<std::vector<std::string>> dumps(network->LocalCount());
    islands::RunIslands(*network, [&](islands::IslandTransport& transport) {
        const std::uint32_t island = transport.Island();
        const std::uint32_t localIndex = island - network->FirstLocal();
        RunPlan own = plan;
        // Island 0 keeps the run seed, so one island repeats a run without
        // islands; the others search apart.
        own.seed = island == 0 ? runSeed : run::DeriveSeed(runSeed, island);
        own.threads = IslandThreads(plan.threads, plan.localIslands, localIndex);
        if (plan.maxEvaluations != 0)
            own.maxEvaluations = (plan.maxEvaluations + plan.islands - 1) / plan.islands;
        SolveOptions mine = options;
        if (island != 0) {
            mine.record.clear();
            mine.quiet = true;
            mine.progress = {};
        }
        // The process's signals belong to the calling thread's island.
        mine.handleSignals = options.handleSignals && localIndex == 0;
        IslandSeat seat;
        seat.transport = &transport;
        seat.settings = {plan.migrationInterval, plan.migrants};
        seat.dumps = options.handleSignals;
        SolveResult<Gene> ownResult = RunPopulation(problem, kind, operators, problemName, own, mine, &seat);
        dumps[localIndex] = ownResult.dumps;
        if (localIndex == 0) result = std::move(ownResult);
    });
    result.seed = runSeed;
    result.dumps.clear();
    for (const std::vector<std::string>& some : dumps)
        result.dumps.insert(result.dumps.end(), some.begin(), some.end());
    if (result.stopReason == StopReason::kError) {
        // An island of another process failed; that process says how.
        throw std::runtime_error("zarnel::Solve: an island of the run failed; its process says why");
    }
    return result;
}

}  // namespace detail

// Runs `problem` (see ProblemType in solve/problem.h) with a steady-state GA
// on the master–slave engine until a stop limit, the target, an end request or
// stagnation ends it, and returns the best individual with the run's figures.
// `operators` chooses the crossover, mutation and their rates for the
// problem's genome kind (OperatorsOf<Kind>, genome/operators_of.h). With
// `islands` (or a `network`) the run is a ring of populations (see
// SolveOptions::islands); the result is then the best individual of all
// islands and the figures summed over them.
//
// A problem, option or resume file that cannot work is refused with a
// SolveError before anything runs; so is a slave thread that the system
// cannot start ("cannot start slave thread 38 of 200: ..."). An exception
// that leaves the problem's fitness or improve, or the progress callback,
// ends the run (the record is written, with stop reason "error") and is
// thrown again from here; with islands, on any island, after every island
// has stopped. So does an improve that leaves a genome the kind's Check
// refuses: a SolveError that names improve, the gene and its value.
//
// Several calls may run at once, on other threads or one inside another's
// fitness. With `handleSignals` they share the process's Ctrl+C and end
// requests: the handlers are installed by the first and given back by the
// last to end, an end request ends every one of them, and a Ctrl+C dumps
// the population of the one that looks first.
template <class Problem, class Operators = OperatorsOf<KindOf<Problem>>>
SolveResult<GeneOf<Problem>> Solve(const Problem& problem, const SolveOptions& options = {},
                                   const Operators& operators = {}) {
    detail::CheckProblem<Problem>();
    using Kind = KindOf<Problem>;

    const Kind kind = problem.genome();
    if (const std::string reason = kind.Validate(); !reason.empty())
        throw SolveError("the problem's genome cannot be used: " + reason);
    if (const std::string reason = operators.Validate(); !reason.empty())
        throw SolveError("the operators cannot be used: " + reason);
    const detail::RunPlan plan = detail::PlanRun(options, kind.Length(), HasBatchFitness<Problem>);
    // The problem's genome, name and decode are called on this thread only.
    const std::string problemName = detail::ProblemName(problem);
    if (plan.islands == 1 && options.network == nullptr)
        return detail::RunPopulation(problem, kind, operators, problemName, plan, options, nullptr);
    return detail::RunIslandsOfRun(problem, kind, operators, problemName, plan, options);
}

}  // namespace zarnel
