#pragma once

#include "islands/mpi_session.h"

namespace zarnel::islands {
// The session that the test main made; valid while the cases run.
extern const MpiSession* testSession;
}  // namespace zarnel::islands
