#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "islands/mpi_session.h"
#include "islands/ring_channel.h"
#include "islands/stop_vote.h"
#include "solve/island_transport.h"

namespace zarnel::islands {

// Several islands in each MPI process: the islands of one rank, as
// MpiIslands hands them out when it runs more than one per process.
//
// The ring runs over every island of the job: island g = rank × K + local
// (K islands per rank). Inside a rank migrants pass as an in-memory
// hand-over through the receiving island's mailbox, as in LocalIslands; the
// rank's last island sends to the next rank's first one over MPI.
//
// MPI is called by the thread that made the session only (the funneled
// level), and that thread runs local island 0 (RunIslands). So island 0
// speaks for its rank: it sends what the rank's last island left in the
// outbox (RingChannel), receives from the previous rank, and takes part in
// the job's stop vote (StopVote) with the highest stop any island of the
// rank asked for and the best fitness of the rank. Once a vote says stop,
// island 0 publishes the agreed reason and the other islands of the rank
// read it after their next master iteration. A stop asked for anywhere
// enters the vote at the next poll of its rank's island 0 and therefore
// reaches every island once two more votes have ended, plus one master
// iteration of each island that is not its rank's first.
//
// The end: the other islands of the rank wait in Drain for the agreed
// reason and hand in their figures; island 0 waits for all of them, then
// takes part in the job's end for the whole rank (gather.h): the winner
// over all islands, every island's figures to island 0 of the job.
//
// Guards. `mutex_` guards the mailboxes, the outbox and the endings, and
// every write of the published agreement; `changed_` wakes an island
// waiting for the agreement, or island 0 waiting for the endings.
// `agreed_` (for its reads), `stopCode_`, `bests_`, `globalBest_` and
// `dumpRequests_` are atomics read and written relaxed: each is a value of
// its own that orders nothing else (what islands hand each other passes
// through `mutex_`). The channel, the vote and the `ended_` flag belong to
// island 0's transport and thread. Each island's transport object is used
// by its own master thread only.
class RankIslands {
public:
    // Messages that may wait unread in a mailbox, or unsent in the outbox.
    static constexpr std::size_t kMaxUnread = 4;

    RankIslands(const MpiSession& session, std::uint32_t perRank, int tag);
    RankIslands(const RankIslands&) = delete;
    RankIslands& operator=(const RankIslands&) = delete;
    ~RankIslands();

    std::uint32_t Islands() const { return count_ * static_cast<std::uint32_t>(session_.Size()); }
    std::uint32_t FirstLocal() const { return count_ * static_cast<std::uint32_t>(session_.Rank()); }

    // The transport of local island `local`; local island 0's must be used
    // by the thread that made the session.
    std::unique_ptr<IslandTransport> Connect(std::uint32_t local);

private:
    class Transport;
    using Bytes = IslandTransport::Bytes;

    struct Mailbox {
        std::deque<Bytes> messages;      // oldest first
        bool closed = false;             // the owner has left: later messages are discarded
        std::uint64_t lateMigrants = 0;  // migrants that came after it closed
    };
    struct Ending {
        bool ended = false;
        IslandEnding ending;
    };

    void Announce(std::uint32_t code);
    // Local island 0: hands what waits in the outbox to the channel, as
    // far as the channel takes it.
    void FlushOutbox();
    // Local island 0: makes the vote's agreement known to the rank.
    void Publish(std::uint32_t code);
    // The agreed code, once island 0 has published it; 0 before.
    std::uint32_t Agreed();
    // Waits until island 0 has published the agreement.
    std::uint32_t WaitForAgreement();
    // Local island `local` leaves: its mailbox closes; returns what was unread.
    std::vector<Bytes> Depart(std::uint32_t local);
    void HandIn(std::uint32_t local, IslandEnding ending);
    // Local island 0's part in the end of the job, for the whole rank.
    IslandsEnded EndForRank(IslandEnding mine);
    // Local island 0 left without its End.
    void Abandon();

    const MpiSession& session_;
    const std::uint32_t count_;
    RingChannel channel_;
    StopVote vote_;
    bool ended_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Mailbox> mailboxes_;  // entry i: what local island i receives (entry 0 unused)
    Mailbox outbox_;                  // from the last local island to the next rank
    std::vector<Ending> endings_;

    // The code that the job's vote agreed on, 0 until then: written under
    // `mutex_` (so that a waiter cannot miss it), read relaxed after every
    // master iteration.
    std::atomic<std::uint32_t> agreed_{0};
    std::atomic<std::uint32_t> stopCode_{0};  // the highest StopCode the rank's islands announced
    std::unique_ptr<std::atomic<double>[]> bests_;
    std::atomic<double> globalBest_;
    std::atomic<std::uint64_t> dumpRequests_{0};
};

}  // namespace zarnel::islands
