#include "run/run_loop.h"

#include <algorithm>

namespace zarnel::run {

const char* StopReasonName(StopReason reason) {
    switch (reason) {
        case StopReason::kSolved:
            return "solved";
        case StopReason::kIterationLimit:
            return "iteration_limit";
        case StopReason::kTimeLimit:
            return "time_limit";
        case StopReason::kSignal:
            return "signal";
        case StopReason::kTarget:
            return "target";
        case StopReason::kStagnation:
            return "stagnation";
        case StopReason::kError:
            return "error";
        case StopReason::kEvaluationLimit:
            return "evaluation_limit";
    }
    return "unknown";
}

std::optional<StopReason> RunLoop::LimitReached() const {
    if (limits_.maxIterations != 0 && total_ >= limits_.maxIterations) return StopReason::kIterationLimit;
    if (limits_.timeLimitSeconds > 0.0) {
        const std::chrono::duration<double> elapsed = Clock::now() - start_;
        if (elapsed.count() >= limits_.timeLimitSeconds) return StopReason::kTimeLimit;
    }
    return std::nullopt;
}

StopReason RunLoop::Run(const RunHooks& hooks) {
    const bool stepwise = limits_.Any() || static_cast<bool>(hooks.betweenIterations);
    for (;;) {
        std::optional<StopReason> ended;
        if (!stepwise) {
            total_ += engine_.Run(chunk_);
        } else {
            // A chunk never runs past the iteration limit.
            std::uint32_t length = chunk_;
            if (limits_.maxIterations != 0) length = std::min(length, limits_.maxIterations - total_);
            for (std::uint32_t done = 0; done < length && !ended;) {
                const std::uint32_t ran = engine_.Run(1);
                done += ran;
                total_ += ran;
                // An operator asked to stop: one long Run would end here too.
                if (engine_.Stopped()) break;
                ended = LimitReached();
                if (!ended && hooks.betweenIterations) ended = hooks.betweenIterations(total_);
            }
        }
        // A run solved in the iteration that reached a limit counts as solved.
        if (hooks.afterChunk(total_)) return StopReason::kSolved;
        if (ended) return *ended;
    }
}

}  // namespace zarnel::run
