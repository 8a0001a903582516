#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "solve/island_transport.h"

namespace zarnel::islands {

// Islands in one process, each run by a master thread of its own
// (RunIslands): the in-memory transport. A migration message is handed over
// as it is, through the receiving island's mailbox.
//
// Two ways to stop and migrate:
//   - default: a stop asked for by any island is one atomic maximum that every
//     island reads after each master iteration, so it reaches all within one
//     master iteration; a migration takes whatever has arrived (at most
//     kMaxUnread messages wait in a mailbox; a send beyond that is refused).
//   - deterministic: migration is a blocking hand-over, each island taking
//     exactly the message its neighbour sent at the same migration, and the
//     stop is decided only at migrations, by a vote that waits for every
//     island: a stop asked for between two migrations (or an island that
//     ended its loop there) stops every island at the next migration. Which
//     island runs faster then changes nothing, so a deterministic run of
//     islands repeats. An end request or a failure is the exception: no
//     seed repeats it, and the next migration may be far off, so it stops
//     every island after its current master iteration, as by default.
//
// Guards. Each mailbox has its own mutex, which guards its queue, its closed
// flag, its late count and its sender's departure; its condition variable
// wakes a receiver waiting for its neighbour's message. `stateMutex_` guards
// the seats (each island's last vote, its departure and its end), the two
// vote slots and the seed; `stateChanged_` wakes islands waiting in a vote or
// island 0 waiting in End. `stopCode_`, `interrupted_`, `bests_` and
// `dumpRequests_` are atomics read and written relaxed: each is a value of
// its own that orders nothing else (the population data each island touches is its own; what
// islands hand over passes through a mutex). Every island's own transport
// object is used by its master thread only.
class LocalIslands final : public IslandNetwork {
public:
    // Messages that may wait unread in a mailbox in the default mode.
    static constexpr std::size_t kMaxUnread = 4;

    LocalIslands(std::uint32_t islands, bool deterministic);
    LocalIslands(const LocalIslands&) = delete;
    LocalIslands& operator=(const LocalIslands&) = delete;
    ~LocalIslands() override;

    std::uint32_t Islands() const override { return count_; }
    std::uint32_t LocalCount() const override { return count_; }
    std::uint32_t FirstLocal() const override { return 0; }
    bool Deterministic() const override { return deterministic_; }
    std::string Name() const override { return "in this process"; }
    bool AllReady(bool ready) override { return ready; }
    // The first value given is kept and returned to every later caller.
    std::uint64_t ShareSeed(std::uint64_t seed) override;
    std::unique_ptr<IslandTransport> Connect(std::uint32_t local) override;

private:
    class Transport;
    using Bytes = IslandTransport::Bytes;

    struct Mailbox {
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<std::pair<std::uint64_t, Bytes>> messages;  // (migration, message), oldest first
        bool closed = false;             // the owner has ended: later messages are discarded
        std::uint64_t lateMigrants = 0;  // migrants of messages that came after it closed
        // The sending island ended before sending its message of this
        // migration (and of every later one).
        std::optional<std::uint64_t> senderGoneFrom;
    };

    // One island's part in the votes and the end.
    struct Seat {
        std::uint64_t voted = 0;         // the last migration it voted at
        bool departed = false;           // it has left its loop
        std::uint64_t departedFrom = 0;  // the first vote it does not take part in
        std::uint32_t departCode = 0;    // the stop it asked for when it left
        double departBest = 0.0;
        bool ended = false;  // it has handed in its IslandEnding
        IslandEnding ending;
    };

    // The running maximum of one vote; two slots serve alternate votes (an
    // island can be at most one vote ahead of the slowest).
    struct Slot {
        std::uint64_t epoch = 0;
        std::uint32_t code = 0;
        double best = 0.0;
    };

    void Announce(std::uint32_t code, bool interrupts);
    Mailbox& MailboxOf(std::uint32_t island) { return *mailboxes_[island]; }
    // The island leaves its loop: its mailbox closes (returning what was
    // unread), its neighbour stops waiting for it and later votes count it
    // with `code`. The caller holds no lock.
    std::vector<Bytes> Depart(std::uint32_t island, std::uint64_t firstMissedVote, std::uint32_t code,
                              double best);
    // Island `island`'s vote at migration `epoch`: waits until every island
    // has voted there or left before it, and returns the agreed reason (and
    // the best fitness over the islands in `globalBest`).
    std::optional<run::StopReason> Vote(std::uint32_t island, std::uint64_t epoch, std::uint32_t code,
                                        double best, double& globalBest);
    // Hands in island `island`'s end; island 0 waits for every island's and
    // gets the run's figures and winner.
    IslandsEnded End(std::uint32_t island, IslandEnding mine);
    // Counts an island that left without its End as ended, with no figures.
    void Abandon(std::uint32_t island);

    const std::uint32_t count_;
    const bool deterministic_;
    std::vector<std::unique_ptr<Mailbox>> mailboxes_;  // entry i: what island i receives
    std::atomic<std::uint32_t> stopCode_{0};           // the highest StopCode announced
    std::atomic<bool> interrupted_{false};             // an end request or a failure was announced
    std::unique_ptr<std::atomic<double>[]> bests_;     // entry i: island i's best, default mode
    std::atomic<std::uint64_t> dumpRequests_{0};

    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    std::vector<Seat> seats_;
    Slot slots_[2];
    std::optional<std::uint64_t> seed_;
};

}  // namespace zarnel::islands
