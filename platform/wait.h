#pragma once

#include <cstddef>

#include "platform/waitable.h"

namespace zarnel::platform {

// Waits, without time-out, until one of objects[0 .. count-1] is signalled,
// takes one unit of it and returns its position. When several are signalled
// the lowest position wins. count must be at least 1. On Windows a failure of
// the system's wait returns count (no position), and lists longer than 64
// objects are polled in groups, each signal seen within about a millisecond.
std::size_t WaitForAny(Waitable* const* objects, std::size_t count);

// Waits, without time-out, until every object has been signalled, taking one
// unit of each. Objects are taken one after another, which is the same as an
// all-at-once wait as long as the caller is the only thread that waits on
// them (as the engine's master is for its done events). No limit on count.
// On Windows a failure of the system's wait throws std::system_error.
void WaitForAll(Waitable* const* objects, std::size_t count);

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
