#pragma once

#include <mpi.h>

#include <cstdint>
#include <limits>

namespace zarnel::islands {

// The global stop, as a sequence of non-blocking votes over MPI_COMM_WORLD.
// Each vote is an MPI_Iallreduce (maximum) of two numbers per island: the
// code of the reason it asks to stop for (StopCode, whose order is the
// reasons' rank; 0 to go on) and its best fitness. Poll, called by
// every island once per master iteration, tests the vote in flight and starts
// the next when it has ended; a vote ends once every island has joined it,
// so every island reads the same result from the same vote, and all stop
// after that one vote: none is left with a vote that others never join.
// A stop asked for reaches every island within the next two votes, that is
// within about two master iterations of the slowest island.
//
// Owns the request of the vote in flight. Main thread only. Every island
// must keep calling Poll (or WaitForAgreement) until the vote says stop.
class StopVote {
public:
    StopVote() = default;
    StopVote(const StopVote&) = delete;
    StopVote& operator=(const StopVote&) = delete;
    // A vote still in flight here means the job is being aborted.
    ~StopVote();

    // Asks every island to stop for the reason of `code` (StopCode); the
    // first code given is kept, a later one replaces it only when it ranks
    // higher.
    void Announce(std::uint32_t code);
    // This island's best fitness, sent with the next vote.
    void SetLocalBest(double fitness) { localBest_ = fitness; }

    // True once a vote has said stop; never blocks.
    bool Poll();
    // Votes until a vote says stop, blocking; the island must have announced
    // a stop (otherwise it announces a failure, so that this cannot wait for
    // ever). Returns at once when a vote has already said stop.
    void WaitForAgreement();

    bool Agreed() const { return agreed_; }
    // The highest code of the vote that said stop, and this island's own.
    std::uint32_t AgreedCode() const { return agreedCode_; }
    std::uint32_t LocalCode() const { return local_; }
    // The best fitness over all islands as of the last finished vote (this
    // island's own before the first vote ends).
    double GlobalBest() const { return globalBest_; }
    // Votes ended so far: the same on every island once they have stopped,
    // since each vote ends for all.
    std::uint64_t VotesEnded() const { return votesEnded_; }

private:
    void Start();
    void Finished();

    std::uint32_t local_ = 0;
    double localBest_ = -std::numeric_limits<double>::infinity();
    bool inFlight_ = false;
    bool agreed_ = false;
    std::uint32_t agreedCode_ = 0;
    double globalBest_ = 0.0;
    bool haveGlobalBest_ = false;
    std::uint64_t votesEnded_ = 0;
    // Buffers of the vote in flight; MPI uses them until the vote ends.
    double sendBuffer_[2] = {0.0, 0.0};
    double receiveBuffer_[2] = {0.0, 0.0};
    MPI_Request request_ = MPI_REQUEST_NULL;
};

}  // namespace zarnel::islands
