#pragma once

#include <cstdint>

namespace zarnel::islands {

// Why an island asks every island to stop. When several islands ask in the
// same vote, the highest value is the run's reason: a solution outranks a
// failure, which outranks the limits.
enum class StopReason : std::uint8_t {
    kNone = 0,
    kSignal = 1,          // the user asked the run to end
    kIterationLimit = 2,  // master iterations reached the limit
    kTimeLimit = 3,       // the wall-clock limit passed
    kFailed = 4,          // the island cannot go on (an exception, a broken message)
    kSolved = 5,          // the island holds a solution
};

}  // namespace zarnel::islands
