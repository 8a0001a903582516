// How fast a stop asked for on one island reaches the others over MPI.
#include "islands/stop_vote.h"

#include <gtest/gtest.h>
#include <mpi.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "islands_test_session.h"
#include "solve/island_transport.h"

namespace zarnel::islands {
namespace {

// Island 1 asks to stop after its 40th poll, while island 2 polls slowly
// (it sleeps between polls) and island 0 as fast as it can. Whatever the
// speeds, every island stops after the same vote, at most two votes after
// the one that was running when the stop was asked for.
TEST(StopVoteTest, AStopReachesEveryIslandWithinTwoVotesWhateverTheirSpeeds) {
    const int rank = testSession->Rank();
    ASSERT_EQ(testSession->Size(), 3);
    StopVote vote;
    std::uint64_t polls = 0;
    std::uint64_t askedAt = 0;  // island 1: votes ended when it asked
    vote.SetLocalBest(static_cast<double>(rank));
    while (!vote.Poll()) {
        ++polls;
        if (rank == 1 && polls == 40) {
            vote.Announce(StopCode(run::StopReason::kIterationLimit));
            askedAt = vote.VotesEnded();
        }
        if (rank == 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ReasonOfCode(vote.AgreedCode()), run::StopReason::kIterationLimit);
    EXPECT_EQ(vote.GlobalBest(), 2.0);
    MPI_Bcast(&askedAt, 1, MPI_UINT64_T, 1, MPI_COMM_WORLD);
    const std::uint64_t ended = vote.VotesEnded();
    std::uint64_t lowest = 0;
    std::uint64_t highest = 0;
    MPI_Allreduce(&ended, &lowest, 1, MPI_UINT64_T, MPI_MIN, MPI_COMM_WORLD);
    MPI_Allreduce(&ended, &highest, 1, MPI_UINT64_T, MPI_MAX, MPI_COMM_WORLD);
    EXPECT_EQ(lowest, highest);
    EXPECT_GT(ended, askedAt);
    EXPECT_LE(ended, askedAt + 2);
}

}  // namespace
}  // namespace zarnel::islands
