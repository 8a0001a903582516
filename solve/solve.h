#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "genome/genome.h"
#include "run/seed.h"
#include "solve/front.h"
#include "solve/generational_run.h"
#include "solve/island_threads.h"
#include "solve/island_transport.h"
#include "solve/local_islands.h"
#include "solve/migrant_codec.h"
#include "solve/objectives_problem.h"
#include "solve/options.h"
#include "solve/problem.h"
#include "solve/result.h"
#include "solve/run_population.h"
#include "solve/session.h"
#include "solve/steady_run.h"

namespace zarnel {

// What Solve returns for a problem: SolveResult<Gene> for one objective,
// FrontResult<Gene, M> for several.
template <class Problem>
using SolveResultOf = std::conditional_t<ObjectivesProblem<Problem>,
                                         FrontResult<GeneOf<Problem>, detail::kObjectiveExtent<Problem>>,
                                         SolveResult<GeneOf<Problem>>>;

namespace detail {

// The scheme that runs a problem: the generational one for several
// objectives, the steady-state one for one.
template <class Problem, class Operators>
using RunOf = std::conditional_t<ObjectivesProblem<Problem>, GenerationalRun<Problem, Operators>,
                                 SteadyRun<Problem, Operators>>;

// The operators Solve breeds with unless it is given others: the kind's
// defaults, or for several objectives DefaultObjectivesOperators.
template <class Problem, class Operators>
Operators DefaultOperators() {
    if constexpr (ObjectivesProblem<Problem> && std::is_same_v<Operators, OperatorsOf<KindOf<Problem>>>) {
        return DefaultObjectivesOperators<KindOf<Problem>>();
    } else {
        return Operators{};
    }
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
SolveResultOf<Problem> RunIslandsOfRun(const Problem& problem, const KindOf<Problem>& kind,
                                       const Operators& operators, const std::string& problemName,
                                       const RunPlan& plan, const SolveOptions& options) {
    using Gene = GeneOf<Problem>;
    using Run = RunOf<Problem, Operators>;
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
        using Codec = islands::MigrantCodec<typename Run::Individual>;
        const std::uint64_t perMessage =
            Codec::kHeaderBytes + std::uint64_t{std::max<std::uint32_t>(plan.migrants, 1)} *
                                      Codec::MigrantBytes(static_cast<std::uint32_t>(kind.Length()));
        if (plan.islands > 1 && perMessage > network->MaxMessageBytes()) {
            throw SolveError("migrants " + std::to_string(plan.migrants) + " of " +
                             std::to_string(kind.Length()) + " genes make messages of " +
                             std::to_string(perMessage) + " bytes, more than islands " + network->Name() +
                             " carry (" + std::to_string(network->MaxMessageBytes()) + ")");
        }
        // Several objectives: every island's front goes to island 0 at the
        // end, all of them at once over MPI.
        const std::uint64_t fronts =
            plan.objectives < 2 ? 0
                                : std::uint64_t{plan.islands} *
                                      PackedFrontBytes<Gene>(plan.population, kind.Length(), plan.objectives);
        if (plan.islands > 1 && fronts > network->MaxMessageBytes()) {
            throw SolveError("the fronts of " + std::to_string(plan.islands) + " islands of " +
                             std::to_string(plan.population) + " individuals of " +
                             std::to_string(kind.Length()) + " genes may take " + std::to_string(fronts) +
                             " bytes, more than islands " + network->Name() + " carry (" +
                             std::to_string(network->MaxMessageBytes()) + ")");
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

    SolveResultOf<Problem> result;
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
        SolveResultOf<Problem> ownResult =
            RunPopulation<Run>({problem, kind, operators, problemName, own, mine, &seat});
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

// Runs `problem` on the master–slave engine until a stop limit, the target,
// an end request or stagnation ends it. A problem of one objective (see
// ProblemType in solve/problem.h) runs a steady-state GA and the result is
// its best individual with the run's figures (SolveResult); a problem of
// several objectives (see solve/objectives_problem.h) runs the generational
// NSGA-II or NSGA-III and the result is its front (FrontResult). Either may
// have constraints, ranked by the feasibility rules. `operators` chooses the
// crossover, mutation and their rates for the problem's genome kind
// (OperatorsOf<Kind>, genome/operators_of.h). With `islands` (or a
// `network`) the run is a ring of populations (see SolveOptions::islands);
// the result is then the best individual of all islands, or the front of all
// islands' fronts together, and the figures summed over them.
//
// A problem, option or resume file that cannot work is refused with a
// SolveError before anything runs; so is a slave thread that the system
// cannot start ("cannot start slave thread 38 of 200: ..."). An exception
// that leaves the problem's fitness, objectives, constraints or improve, or
// the progress callback, ends the run (the record is written, with stop
// reason "error") and is thrown again from here; with islands, on any
// island, after every island has stopped. So does an improve that leaves a
// genome the kind's Check refuses: a SolveError that names improve, the gene
// and its value.
//
// Several calls may run at once, on other threads or one inside another's
// fitness. With `handleSignals` they share the process's Ctrl+C and end
// requests: the handlers are installed by the first and given back by the
// last to end, an end request ends every one of them, and a Ctrl+C dumps
// the population of the one that looks first.
template <class Problem, class Operators = OperatorsOf<KindOf<Problem>>>
SolveResultOf<Problem> Solve(const Problem& problem, const SolveOptions& options = {},
                             const Operators& operators = detail::DefaultOperators<Problem, Operators>()) {
    using Kind = KindOf<Problem>;
    using Run = detail::RunOf<Problem, Operators>;
    std::size_t objectives = 1;
    if constexpr (ObjectivesProblem<Problem>) {
        detail::CheckObjectivesProblem<Problem>();
        objectives = detail::ObjectiveCountOf(problem);
        if (objectives < 2)
            throw SolveError("the problem gives " + std::to_string(objectives) +
                             " objectives; a run of several needs at least 2");
        const std::vector<double> reference = detail::ProblemReferencePoint(problem);
        if (!reference.empty() &&
            (reference.size() != objectives ||
             !std::all_of(reference.begin(), reference.end(), [](double v) { return std::isfinite(v); }))) {
            throw SolveError("the problem's referencePoint() gives " + std::to_string(reference.size()) +
                             " values; it must give " + std::to_string(objectives) + " finite numbers");
        }
    } else {
        detail::CheckProblem<Problem>();
        detail::CheckConstraints<Problem>();
    }

    const Kind kind = problem.genome();
    if (const std::string reason = kind.Validate(); !reason.empty())
        throw SolveError("the problem's genome cannot be used: " + reason);
    if (const std::string reason = operators.Validate(); !reason.empty())
        throw SolveError("the operators cannot be used: " + reason);
    const detail::RunPlan plan = detail::PlanRun(options, kind.Length(), objectives,
                                                 HasBatchFitness<Problem> && !ObjectivesProblem<Problem>);
    // The problem's genome, name and decode are called on this thread only.
    const std::string problemName = detail::ProblemName(problem);
    if (plan.islands == 1 && options.network == nullptr)
        return detail::RunPopulation<Run>({problem, kind, operators, problemName, plan, options, nullptr});
    return detail::RunIslandsOfRun(problem, kind, operators, problemName, plan, options);
}

}  // namespace zarnel
