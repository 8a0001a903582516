#pragma once

#include <mpi.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

namespace zarnel::islands {

// One island's two links of the ring of MPI_COMM_WORLD: messages go to rank
// + 1 and come from rank - 1 (both modulo the size). Sends are non-blocking
// and keep their buffer until MPI reports them complete; a receive takes a
// message only when one has arrived. Each message is one MPI message of
// bytes, so a receiver never waits for a second part.
//
// Owns its in-flight send buffers and their requests. Main thread only
// (the thread that made the MpiSession); Drain must run on every rank
// together, after which nothing is pending and MPI may be finalised.
class RingChannel {
public:
    using Bytes = std::vector<unsigned char>;

    // At most this many sends stay unfinished; Send refuses more, so a
    // neighbour that stalls cannot make this island's memory grow.
    static constexpr std::size_t kMaxInFlight = 4;

    RingChannel(int rank, int size, int tag) : rank_(rank), size_(size), tag_(tag) {}
    RingChannel(const RingChannel&) = delete;
    RingChannel& operator=(const RingChannel&) = delete;
    // Frees the requests still pending (only when Drain was not reached,
    // on the way to an aborted job); MPI must still be initialised.
    ~RingChannel();

    int Next() const { return (rank_ + 1) % size_; }
    int Previous() const { return (rank_ + size_ - 1) % size_; }

    // Starts sending `message` to the next rank; false, sending nothing, when
    // kMaxInFlight sends are still unfinished.
    bool Send(Bytes message);
    // True when Send would refuse now (kMaxInFlight sends unfinished): a
    // caller that must keep a refused message asks first, since Send takes
    // the message whether it sends it or not.
    bool Full();

    // Takes one message that the previous rank has sent into `message`;
    // false at once when none has arrived.
    bool Receive(Bytes& message);

    // Ends the channel's traffic, on every rank at the same point: tells the
    // next rank how many messages this rank sent, takes every message the
    // previous rank sent and that was not received yet, and waits for this
    // rank's own sends. Returns the messages taken here.
    std::vector<Bytes> Drain();

    std::uint64_t MessagesSent() const { return sent_; }

private:
    struct Pending {
        MPI_Request request = MPI_REQUEST_NULL;
        Bytes buffer;
    };

    // Forgets the sends that MPI has completed.
    void Prune();

    int rank_;
    int size_;
    int tag_;
    std::uint64_t sent_ = 0;
    std::uint64_t received_ = 0;
    // A list: a started send's buffer must not move.
    std::list<Pending> inFlight_;
};

}  // namespace zarnel::islands
