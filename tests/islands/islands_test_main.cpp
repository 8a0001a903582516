// The main of the island tests: MPI is started once, before the first case,
// and finalised after the last, as a process may do it only once.
#include <gtest/gtest.h>

#include "islands/mpi_session.h"
#include "islands_test_session.h"

namespace zarnel::islands {
const MpiSession* testSession = nullptr;
}

int main(int argc, char** argv) {
    zarnel::islands::MpiSession session(&argc, &argv);
    zarnel::islands::testSession = &session;
    ::testing::InitGoogleTest(&argc, argv);
    // mpiexec returns a non-zero status when any rank does, so a failure on
    // any island fails the test.
    return RUN_ALL_TESTS();
}
