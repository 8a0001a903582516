#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace zarnel {

namespace islands {
class IslandNetwork;
}

// The figures of a run at one moment, as the progress line shows them and the
// record's history keeps them. With islands: island 0's population alone.
// Fitness values are the problem's own (costs, for a problem that minimises).
struct Progress {
    std::uint64_t iteration = 0;    // master iterations of this run so far
    std::uint64_t evaluations = 0;  // fitness evaluations so far (calls that threw included)
    double best = 0.0;              // the best fitness in the population (the lowest cost)
    double mean = 0.0;              // the mean fitness (NaNs left out)
    double seconds = 0.0;           // wall-clock seconds since Solve began
    // One objective under constraints: the best individual's total
    // violation (0: it is feasible; the best is then the best feasible one).
    double violation = 0.0;
    // Several objectives (best and mean are then NaN): their number M, the
    // distinct feasible members of the population's first front, their
    // hypervolume against the reference point (NaN when not measured on
    // this call: no reference point yet, or more than 5 objectives, where
    // it is measured on the last call only, unless a target or stagnation
    // needs it every generation), and the feasible share of the population.
    std::uint32_t objectives = 0;
    std::uint64_t frontSize = 0;
    double hypervolume = std::numeric_limits<double>::quiet_NaN();
    double feasibleShare = 0.0;
};

// How a run of several objectives keeps its population: NSGA-II's crowding
// distance or NSGA-III's reference directions. Automatic: NSGA-II for 2 and
// 3 objectives, NSGA-III for more, where crowding distance no longer spreads
// a front.
enum class Survival { kAutomatic, kNsga2, kNsga3 };

// How Solve runs a problem. Every member has a usable default; a value that
// cannot work is refused by Solve with a SolveError that names it.
struct SolveOptions {
    // Slave threads. 0 means the thread that calls Solve runs the tournament
    // steps itself (one thread in all); the default is one per hardware thread.
    std::uint32_t threads = DefaultThreads();
    // Individuals, 3 … 32767, and at least tournamentSize × threads, so
    // that no thread ever waits for a claim (with islands: × the threads of
    // the island with the most). 0: max(100, (tournamentSize + 1) × threads).
    std::uint32_t population = 0;
    // The run seed; none draws one from the clock. It is recorded either
    // way. A seed repeats a run, to the last figure of its record but times
    // and per-thread figures, when the run is `deterministic` (at any number
    // of threads), or when it has a given seed, one population and 0 or 1
    // slave threads (0 and 1 then give the same run): its steps per phase
    // are then fixed (stepsPerPhase, or half the population) rather than
    // sized from their measured cost, which costs a fitness of a microsecond
    // or less much of its speed. Neither holds when the time limit or an end
    // request ends the run, nor with 2 or more threads in the default mode.
    // The record says which ("repeatable"). The problem's fitness and
    // improve must depend on their arguments only.
    std::optional<std::uint64_t> seed;
    // Individuals each tournament step claims (2 parents, 1 replaced, the rest
    // only compete): 3 … 16.
    std::uint32_t tournamentSize = 3;
    // Tournament steps per slave thread per master iteration (with two or
    // more slave threads in the default mode, the phase's stepsPerPhase ×
    // threads steps go to the threads as they come free, so one thread may
    // take more than another). 0 sizes it from the measured cost of a step,
    // so that a slave phase lasts two milliseconds or longer, long enough for
    // handing it out, waiting for its last step and the master pass to cost
    // at most about 3 % of it, and at most 100 ms (runs that a seed repeats
    // use a fixed count instead; see `seed` and `deterministic`).
    std::uint32_t stepsPerPhase = 0;
    // The same result from the same seed whatever `threads` is: the best
    // genome and fitness, the iterations, the history and the record but for
    // times and per-thread figures. The population is dealt out into a fixed
    // number of lanes before every slave phase (it depends on the population
    // and the tournament size only), each with a generator stream of its own,
    // and threads take whole lanes. Steps per phase are then a fixed count
    // per lane (`stepsPerPhase`, or half a lane's share of the population),
    // and a time limit still ends the run when it comes. Needs a seed to
    // repeat, and a fitness and improve that depend on their arguments only.
    bool deterministic = false;
    // For a problem with batchFitness (solve/problem.h): the most children
    // bred from one share of the population before they are scored, in one
    // batchFitness call. The share is each slave thread's
    // (population / threads) or, when deterministic, each lane's slice; a
    // child waiting for its score keeps its place claimed, so it is never a
    // parent and never replaced until it has one. 0: a quarter of the
    // share; at most the share less tournamentSize − 1, so that a thread
    // with a full batch can still claim a tournament. Read only for a
    // problem with batchFitness.
    std::uint32_t batchSize = 0;

    // Islands: `islands` populations of `population` individuals each, each
    // with its own engine on a master thread of its own (island 0 on the
    // calling thread) and its share of `threads` (island i gets threads / K,
    // the first threads % K one more; an island with none runs its steps on
    // its master thread). Island 0 keeps the run seed, island i runs from a
    // seed derived from it. Every `migrationInterval` master iterations each
    // island sends copies of its `migrants` best individuals to the next one
    // on a ring; they replace the worst there (never the best) and are scored
    // again. The target, a limit, an end request or a failure on any island
    // stops all. The limits count per island (maxEvaluations: its share,
    // rounded up); the record sums the islands and lists each in "islands".
    // With `deterministic` migration and the stop come at fixed iterations,
    // so the result still repeats at any thread count; only an end request
    // or a failure, which no seed repeats, stops every island at once. The
    // history and progress follow island 0's population. 1: one population,
    // the run as always.
    std::uint32_t islands = 1;
    std::uint32_t migrationInterval = 100;
    std::uint32_t migrants = 1;
    // The islands over another transport instead of this process's threads:
    // islands::MpiIslands (the optional component `islands`) runs one island
    // in each MPI process. Not owned; null for islands in this process.
    islands::IslandNetwork* network = nullptr;

    // Stop limits; 0 or none means no such limit. Checked after every master
    // iteration; the time limit and end requests also while the first
    // population is made (a run stopped there returns the best of the
    // individuals made so far, and its record says how many).
    std::uint32_t maxIterations = 0;  // master iterations
    double timeLimit = 0.0;           // wall-clock seconds
    // Stop once the best fitness is >= target (<= target, for a problem
    // that minimises: a cost).
    std::optional<double> target;
    std::uint32_t stagnation = 0;  // master iterations without a better best
    // Fitness evaluations (the first population's included); the run ends
    // after the master iteration that reaches it, so it may pass it by up to
    // one slave phase (stepsPerPhase × threads children fix that overshoot).
    std::uint64_t maxEvaluations = 0;

    // Progress: called on the calling thread about every `progressInterval`
    // seconds and once at the end (once only when the last master iteration
    // already had its call). Without it Solve prints the standard progress
    // line on standard output, unless `quiet`. An exception that leaves it
    // ends the run as one from the fitness does.
    std::function<void(const Progress&)> progress;
    bool quiet = false;
    double progressInterval = 1.0;
    // Master iterations between progress lines (and history entries) instead
    // of seconds; 0 for seconds. A run that its seed repeats (see `seed`)
    // uses 100 when it is 0, so that its history repeats too.
    std::uint32_t progressEvery = 0;

    // A JSON record of the run (docs/run-record.md), written atomically at its
    // end, however it ends; empty for none.
    std::string record;
    // Ctrl+C writes the population to "<iterations>.txt" in this directory
    // (empty: the current one) and the run goes on; SIGTERM, SIGHUP and
    // Ctrl+\ (Ctrl+Break on Windows) end the run after the current master
    // iteration, with its record. Off: Solve leaves the process's signals
    // alone. Calls that run at once share the handlers (see Solve).
    bool handleSignals = true;
    std::string dumpDirectory;
    // A stop asked for by the program itself (a window's stop button, a
    // binding that polls its own interrupts), from any thread through the
    // std::stop_source it came from: the run ends as an end request ends it,
    // after the current master iteration or between two individuals of the
    // first population, with stop reason "signal" and its record. With
    // `dumpOnStop`, a run stopped after its first population writes the
    // population first, named and placed as a Ctrl+C dump. Default: no stop.
    std::stop_token stop;
    bool dumpOnStop = false;
    // Start from the individuals of a dump that Ctrl+C wrote (every fitness
    // is computed again) instead of a random population.
    std::string resumeFrom;

    // Problems of several objectives (`objectives` instead of `fitness`) run
    // the generational scheme: every master iteration is one generation of
    // `population` children, bred from binary tournaments and scored by the
    // slave threads, after which the parents and children together are
    // sorted and the best `population` survive. Its result is the same at
    // every thread count, so a seed repeats it without `deterministic`
    // (which changes nothing there, but for islands, whose migration it
    // fixes as for one objective). `tournamentSize` and `stepsPerPhase` do
    // not apply and are refused; the population defaults to 100 for 2
    // objectives, and for more to the number of NSGA-III's default reference
    // directions rounded up to a multiple of 4 (92 for 3, 168 for 4, 212 for
    // 5, 80 for 6, 156 for 8); `target` is a hypervolume to reach and
    // `stagnation` counts generations without a larger hypervolume.
    Survival survival = Survival::kAutomatic;
    // NSGA-III's reference directions: `referenceDirections` point after
    // point, M values each (coordinates >= 0, not all 0), or Das and
    // Dennis's with `referenceDivisions` divisions; neither: the default for
    // the population (objectives::DefaultDirections). At most one of the two,
    // with no more directions than the population.
    std::vector<double> referenceDirections;
    std::uint32_t referenceDivisions = 0;
    // The point hypervolumes are measured from, M values: the problem's own
    // `referencePoint()` when it has one, else this, else (when empty) the
    // first population's feasible nadir plus a tenth of its range in each
    // objective (of every individual with numbers when none is feasible),
    // which the record and a dump keep so that a resumed run measures from
    // it too. Every value must lie beyond what the front will reach: a
    // member that does not dominate it adds nothing to the hypervolume.
    std::vector<double> referencePoint;

    static std::uint32_t DefaultThreads();
};

}  // namespace zarnel
