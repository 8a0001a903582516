#include "islands/stop_vote.h"

#include <cmath>
#include <limits>

#include "solve/island_transport.h"

namespace zarnel::islands {

StopVote::~StopVote() {
    // A collective cannot be cancelled; freeing the request lets MPI_Abort
    // run without a leaked handle. Normal runs end with no vote in flight.
    if (request_ != MPI_REQUEST_NULL) MPI_Request_free(&request_);
}

void StopVote::Announce(std::uint32_t code) {
    if (code > local_) local_ = code;
}

void StopVote::Start() {
    sendBuffer_[0] = static_cast<double>(local_);
    // A NaN would make the maximum depend on the order of the operands.
    sendBuffer_[1] = std::isnan(localBest_) ? -std::numeric_limits<double>::infinity() : localBest_;
    MPI_Iallreduce(sendBuffer_, receiveBuffer_, 2, MPI_DOUBLE, MPI_MAX, MPI_COMM_WORLD, &request_);
    inFlight_ = true;
}

void StopVote::Finished() {
    inFlight_ = false;
    ++votesEnded_;
    globalBest_ = receiveBuffer_[1];
    haveGlobalBest_ = true;
    if (receiveBuffer_[0] > 0.0) {
        agreed_ = true;
        agreedCode_ = static_cast<std::uint32_t>(receiveBuffer_[0]);
    }
}

bool StopVote::Poll() {
    if (agreed_) return true;
    if (!haveGlobalBest_) globalBest_ = localBest_;
    if (inFlight_) {
        int done = 0;
        MPI_Test(&request_, &done, MPI_STATUS_IGNORE);
        if (done == 0) return false;
        Finished();
        if (agreed_) return true;
    }
    Start();
    return false;
}

void StopVote::WaitForAgreement() {
    // An island that has asked for nothing and heard no stop would wait for
    // ever; one that heard the stop asks for nothing more.
    if (!agreed_ && local_ == 0) Announce(StopCode(run::StopReason::kError));
    while (!agreed_) {
        if (!inFlight_) Start();
        MPI_Wait(&request_, MPI_STATUS_IGNORE);
        Finished();
    }
}

}  // namespace zarnel::islands
