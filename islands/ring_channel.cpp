#include "islands/ring_channel.h"

#include <iterator>
#include <limits>
#include <stdexcept>
#include <utility>

namespace zarnel::islands {

RingChannel::~RingChannel() {
    for (Pending& pending : inFlight_) {
        if (pending.request != MPI_REQUEST_NULL) MPI_Request_free(&pending.request);
    }
}

void RingChannel::Prune() {
    for (auto it = inFlight_.begin(); it != inFlight_.end();) {
        int done = 0;
        MPI_Test(&it->request, &done, MPI_STATUS_IGNORE);
        it = done != 0 ? inFlight_.erase(it) : std::next(it);
    }
}

bool RingChannel::Full() {
    Prune();
    return inFlight_.size() >= kMaxInFlight;
}

bool RingChannel::Send(Bytes message) {
    if (message.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("a ring message larger than 2 GiB");
    }
    Prune();
    if (inFlight_.size() >= kMaxInFlight) return false;
    Pending& pending = inFlight_.emplace_back();
    pending.buffer = std::move(message);
    MPI_Isend(pending.buffer.data(), static_cast<int>(pending.buffer.size()), MPI_BYTE, Next(), tag_,
              MPI_COMM_WORLD, &pending.request);
    ++sent_;
    return true;
}

bool RingChannel::Receive(Bytes& message) {
    int arrived = 0;
    MPI_Message handle = MPI_MESSAGE_NULL;
    MPI_Status status;
    // A matched probe: the message found is the one received, whatever else
    // arrives in between.
    MPI_Improbe(Previous(), tag_, MPI_COMM_WORLD, &arrived, &handle, &status);
    if (arrived == 0) return false;
    int count = 0;
    MPI_Get_count(&status, MPI_BYTE, &count);
    message.resize(static_cast<std::size_t>(count));
    MPI_Mrecv(message.data(), count, MPI_BYTE, &handle, MPI_STATUS_IGNORE);
    ++received_;
    return true;
}

std::vector<RingChannel::Bytes> RingChannel::Drain() {
    // Every rank sends its count to the next and takes the previous one's in
    // one combined call, which cannot deadlock around the ring.
    std::uint64_t previousSent = 0;
    MPI_Sendrecv(&sent_, 1, MPI_UINT64_T, Next(), tag_ + 1, &previousSent, 1, MPI_UINT64_T, Previous(),
                 tag_ + 1, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    std::vector<Bytes> left;
    // These messages were all sent, so each blocking receive ends.
    while (received_ < previousSent) {
        MPI_Status status;
        MPI_Probe(Previous(), tag_, MPI_COMM_WORLD, &status);
        int count = 0;
        MPI_Get_count(&status, MPI_BYTE, &count);
        Bytes& message = left.emplace_back(static_cast<std::size_t>(count));
        MPI_Recv(message.data(), count, MPI_BYTE, Previous(), tag_, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        ++received_;
    }
    for (Pending& pending : inFlight_) MPI_Wait(&pending.request, MPI_STATUS_IGNORE);
    inFlight_.clear();
    return left;
}

}  // namespace zarnel::islands
