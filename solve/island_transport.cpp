#include "solve/island_transport.h"

namespace zarnel::islands {

namespace {

// Codes are rank × 16 + the reason's own value, so every reason fits below
// the next rank.
constexpr std::uint32_t kCodesPerRank = 16;

}  // namespace

int StopRank(run::StopReason reason) {
    switch (reason) {
        case run::StopReason::kSolved:
        case run::StopReason::kTarget:
            return 5;
        case run::StopReason::kError:
            return 4;
        case run::StopReason::kTimeLimit:
            return 3;
        case run::StopReason::kIterationLimit:
        case run::StopReason::kStagnation:
        case run::StopReason::kEvaluationLimit:
            return 2;
        case run::StopReason::kSignal:
            return 1;
    }
    return 4;
}

std::uint32_t StopCode(run::StopReason reason) {
    return static_cast<std::uint32_t>(StopRank(reason)) * kCodesPerRank + static_cast<std::uint32_t>(reason);
}

std::optional<run::StopReason> ReasonOfCode(std::uint32_t code) {
    if (code == 0 || code % kCodesPerRank > static_cast<std::uint32_t>(run::StopReason::kEvaluationLimit))
        return std::nullopt;
    const auto reason = static_cast<run::StopReason>(code % kCodesPerRank);
    if (StopCode(reason) != code) return std::nullopt;
    return reason;
}

}  // namespace zarnel::islands
