#pragma once

#include "platform/waitable.h"

namespace zarnel::platform {

// An auto-reset event, created not signalled: Set() signals it, and the one
// wait that it satisfies resets it. Setting an already signalled event has no
// further effect. Setting an event and returning from a wait on it order all
// memory accesses before the Set() before those after the wait.
class AutoResetEvent : public Waitable {
public:
    AutoResetEvent() : Waitable(0, 1) {}

    void Set() { Signal(1); }
};

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
