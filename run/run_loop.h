#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "framework/parallel_ga.h"

namespace zarnel::run {

// Why a run ended.
enum class StopReason : std::uint8_t {
    kSolved,           // a solution: the problem's own end (N-Queens fitness 0)
    kIterationLimit,   // the master-iteration limit
    kTimeLimit,        // the wall-clock limit
    kSignal,           // an end request from outside (SIGTERM, SIGHUP, Ctrl+\ (SIGQUIT), Ctrl+Break)
    kTarget,           // the best fitness reached the target the run was given
    kStagnation,       // the best fitness did not improve for the stagnation limit
    kError,            // the problem's own code failed (an exception left it)
    kEvaluationLimit,  // the fitness-evaluation budget
};

// The name of a reason as the run record writes it ("solved", "iteration_limit", ...).
const char* StopReasonName(StopReason reason);

// The limits that may end a run before it is solved; a zero means no limit.
struct StopLimits {
    std::uint32_t maxIterations = 0;  // master iterations
    double timeLimitSeconds = 0.0;    // wall-clock seconds since the loop's start time

    bool Any() const { return maxIterations != 0 || timeLimitSeconds > 0.0; }
};

// Where a program, or a layer above it, takes part in the run. Both calls
// come on the thread that runs the loop while every slave thread waits, so
// they may read and change the population.
struct RunHooks {
    // After every chunk, with the master iterations so far: prints the
    // progress line, keeps the history, writes a requested dump. Returns
    // true when the run is solved and must end.
    std::function<bool(std::uint32_t total)> afterChunk;
    // Optional, after every master iteration: a reason to end the run now
    // (an end request, a stop from another island), or none to go on.
    std::function<std::optional<StopReason>(std::uint32_t total)> betweenIterations;
};

// Runs an engine in chunks of `chunk` master iterations until the chunk hook
// says the run is solved or a limit or the iteration hook ends it. Without
// limits and without an iteration hook each chunk is one engine.Run(chunk),
// the classic loop. Otherwise the engine runs one iteration at a time, so a
// limit is honoured within one master iteration, while chunks keep their
// length (the last, cut short by a limit, still ends with the chunk hook)
// and end where one long Run would have ended on an operator's stop. The
// random draws are the same either way. Main thread only, like the engine.
class RunLoop {
public:
    using Clock = std::chrono::steady_clock;

    RunLoop(CParallelGA& engine, const StopLimits& limits, Clock::time_point start,
            std::uint32_t chunk = 1000)
        : engine_(engine), limits_(limits), start_(start), chunk_(chunk) {}

    // Runs until the end and says why it ended.
    StopReason Run(const RunHooks& hooks);

    // Master iterations run so far.
    std::uint32_t Total() const { return total_; }

private:
    // The limit that the run has reached, if any.
    std::optional<StopReason> LimitReached() const;

    CParallelGA& engine_;
    StopLimits limits_;
    Clock::time_point start_;
    std::uint32_t chunk_;
    std::uint32_t total_ = 0;
};

}  // namespace zarnel::run
