#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "genome/genome.h"
#include "run/history.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "solve/options.h"
#include "solve/population_io.h"
#include "solve/problem.h"
#include "solve/result.h"
#include "solve/run_session.h"
#include "solve/session.h"
#include "solve/steady_state.h"

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

}  // namespace detail

// Runs `problem` (see ProblemType in solve/problem.h) with a steady-state GA
// on the master–slave engine until a stop limit, the target, an end request or
// stagnation ends it, and returns the best individual with the run's figures.
// `operators` chooses the crossover, mutation and their rates for the
// problem's genome kind (OperatorsOf<Kind>, genome/operators.h).
//
// A problem, option or resume file that cannot work is refused with a
// SolveError before anything runs. An exception that leaves the problem's
// fitness or improve ends the run (the record is written, with stop reason
// "error") and is thrown again from here. Call it from one thread at a time:
// with `handleSignals` it handles the process's Ctrl+C and end requests for
// the length of the run.
template <class Problem, class Operators = OperatorsOf<KindOf<Problem>>>
SolveResult<GeneOf<Problem>> Solve(const Problem& problem, const SolveOptions& options = {},
                                   const Operators& operators = {}) {
    detail::CheckProblem<Problem>();
    using Kind = KindOf<Problem>;
    using Gene = GeneOf<Problem>;
    using Scheme = detail::SteadyState<Problem, Operators>;
    using Population = typename Scheme::Population;

    const Kind kind = problem.genome();
    if (const std::string reason = kind.Validate(); !reason.empty())
        throw SolveError("the problem's genome cannot be used: " + reason);
    if (const std::string reason = operators.Validate(); !reason.empty())
        throw SolveError("the operators cannot be used: " + reason);
    const detail::RunPlan plan = detail::PlanRun(options, kind.Length());
    RunSession::Setup sessionSetup;
    sessionSetup.program = "zarnel::Solve";
    sessionSetup.limits = plan.limits;
    sessionSetup.chunk = 1;  // the chunk hook decides when a progress line is due
    sessionSetup.handleSignals = options.handleSignals;
    sessionSetup.dumpDirectory = options.dumpDirectory;
    // Counts the calling thread's own evaluations (the steps it runs without
    // slave threads) with the slave threads'.
    RunSession session(std::move(sessionSetup), detail::FilesOfRun(options));
    const std::string problemName = detail::ProblemName(problem);

    Population population(plan.population, kind.Length());
    detail::DumpHeader header{problemName, std::string(Kind::kName), kind.Length(), plan.population, 0,
                              plan.seed};
    if (!options.resumeFrom.empty()) {
        const detail::DumpText dump = detail::ReadDumpText(options.resumeFrom, header);
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

    detail::SchemeSettings settings;
    settings.runSeed = plan.seed;
    settings.threads = plan.threads;
    settings.tournament = plan.tournament;
    settings.fixedSteps = plan.fixedSteps;
    settings.target = plan.target;
    settings.deterministic = options.deterministic;
    settings.resumed = !options.resumeFrom.empty();
    Scheme scheme(problem, kind, operators, population, settings);

    CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), plan.threads);
    // The first slave phase makes and scores the population; it is no master
    // iteration of the run.
    engine.Run(1);

    SolveResult<Gene> result;
    result.seed = plan.seed;
    run::History history;
    double lastProgress = 0.0;
    const std::uint32_t progressEvery = options.progressEvery != 0 ? options.progressEvery
                                        : options.deterministic    ? 100
                                                                   : 0;
    const auto observe = [&](std::uint64_t iteration) {
        Progress progress;
        progress.iteration = iteration;
        progress.evaluations = session.Evaluations(engine);
        progress.best = *population.GetIndividual(detail::BestIndex(population))->GetFitness();
        progress.mean = detail::MeanFitness(population);
        progress.seconds = session.Elapsed();
        if (options.progress) {
            options.progress(progress);
        } else if (!options.quiet) {
            detail::PrintProgressLine(stdout, progress);
        }
        if (!options.record.empty()) {
            run::HistoryEntry entry = run::Summarise(population, static_cast<std::uint32_t>(iteration));
            entry.mean = progress.mean;
            entry.evaluations = progress.evaluations;
            entry.seconds = progress.seconds;
            history.push_back(entry);
        }
        lastProgress = progress.seconds;
    };

    std::optional<StopReason> reason;
    if (scheme.Failed()) reason = StopReason::kError;
    if (!reason && scheme.Reached()) reason = StopReason::kTarget;
    std::uint64_t iterations = 0;
    if (!reason) {
        run::RunHooks hooks;
        hooks.afterChunk = [&](std::uint32_t total) {
            if (scheme.Failed() || scheme.Reached()) return true;
            if (progressEvery != 0 ? total % progressEvery == 0
                                   : session.Elapsed() - lastProgress >= options.progressInterval)
                observe(total);
            if (options.handleSignals) {
                // Named by the population's age, which a resumed run carries on.
                header.iteration = firstIteration + total;
                const std::string path = session.DumpOnRequest(
                    std::to_string(header.iteration) + ".txt",
                    [&](std::FILE* file) { return detail::WriteDump(file, header, population, kind); },
                    stderr);
                if (!path.empty()) {
                    result.dumps.push_back(path);
                    std::fprintf(stderr,
                                 "Population written to %s; the run goes on (SIGTERM or Ctrl+\\ ends it)\n",
                                 path.c_str());
                }
            }
            return false;
        };
        hooks.betweenIterations = [&](std::uint32_t) -> std::optional<StopReason> {
            if (plan.maxEvaluations != 0 && session.Evaluations(engine) >= plan.maxEvaluations)
                return StopReason::kEvaluationLimit;
            if (plan.stagnation != 0 && scheme.SinceImprovement() >= plan.stagnation)
                return StopReason::kStagnation;
            return std::nullopt;
        };
        reason = session.Run(engine, hooks);
        iterations = session.Iterations();
        if (*reason == StopReason::kSolved)
            reason = scheme.Failed() ? StopReason::kError : StopReason::kTarget;
    }
    observe(iterations);

    typename Scheme::Individual* best = population.GetIndividual(detail::BestIndex(population));
    result.genes.assign(best->GetGenes(), best->GetGenes() + kind.Length());
    result.fitness = *best->GetFitness();
    result.stopReason = *reason;
    result.iterations = iterations;
    result.evaluations = session.Evaluations(engine);
    result.steps = session.Steps(engine);

    if (!options.record.empty()) {
        run::RunRecord record = session.Record(engine, *reason);
        record.problem = problemName;
        record.genomeKind = std::string(Kind::kName);
        record.genomeLength = kind.Length();
        record.parameters = detail::RecordParameters(options, plan);
        record.operators = detail::OperatorNames<Problem>(operators);
        record.seed = plan.seed;
        record.history = std::move(history);
        record.bestFitness = result.fitness;
        record.solution = detail::RecordedSolution(problem, std::span<const Gene>(result.genes));
        record.resumedFrom = options.resumeFrom;
        session.WriteRecord(options.record, record, stderr);
    }
    result.seconds = session.Elapsed();
    if (*reason == StopReason::kError) std::rethrow_exception(scheme.Failure());
    return result;
}

}  // namespace zarnel
