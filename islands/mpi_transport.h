#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "islands/mpi_session.h"
#include "islands/rank_islands.h"
#include "islands/ring_channel.h"
#include "islands/stop_vote.h"
#include "solve/island_transport.h"

namespace zarnel::islands {

// The transport of one island per MPI process: the ring of MPI_COMM_WORLD
// (RingChannel: non-blocking sends, at most RingChannel::kMaxInFlight
// unfinished), the stop as a sequence of non-blocking votes (StopVote, which
// reaches every island within two votes) and the end's collectives
// (gather.h). It is never deterministic: which migrants arrive at a
// migration depends on timing.
//
// Points to the session without owning it. Main thread only (the funneled
// thread level). Destroying a transport that has not ended, in a job of
// several islands, aborts the job (MPI_Abort; mpirun then ends every rank
// and says so): the other islands would otherwise wait for this one in
// their end for ever.
class MpiTransport final : public IslandTransport {
public:
    static constexpr int kMigrantTag = 7100;

    explicit MpiTransport(const MpiSession& session, int tag = kMigrantTag);
    MpiTransport(const MpiTransport&) = delete;
    MpiTransport& operator=(const MpiTransport&) = delete;
    ~MpiTransport() override;

    std::uint32_t Island() const override { return static_cast<std::uint32_t>(session_.Rank()); }
    std::uint32_t Islands() const override { return static_cast<std::uint32_t>(session_.Size()); }

    bool Send(std::uint64_t epoch, Bytes message) override;
    bool Receive(std::uint64_t epoch, Bytes& message) override;
    void Announce(run::StopReason reason) override;
    void SetLocalBest(double fitness) override { vote_.SetLocalBest(fitness); }
    std::optional<run::StopReason> Poll() override;
    std::optional<run::StopReason> AtEpoch(std::uint64_t) override { return std::nullopt; }
    double GlobalBest() const override { return vote_.GlobalBest(); }
    // Ctrl+C, or SIGUSR1, which mpirun forwards to every rank
    // (platform::InstallDumpRequestSignal).
    bool DumpRequested() override;
    std::vector<Bytes> Drain() override;
    IslandsEnded End(IslandEnding mine) override;

private:
    const MpiSession& session_;
    RingChannel channel_;
    StopVote vote_;
    bool ended_ = false;
};

// Islands over MPI: one island in each process of MPI_COMM_WORLD, island i
// on rank i, or K in each (`perProcess`), island g on rank g / K, where
// they run on threads of their own (RankIslands: the ring passes through
// every island of every rank). The network that Solve takes as
// SolveOptions::network:
//
//     zarnel::islands::MpiSession session(&argc, &argv);   // first in main
//     zarnel::islands::MpiIslands islands(session);
//     options.network = &islands;                           // on every rank
//     const auto result = zarnel::Solve(problem, options);  // rank 0: the run's
//
// Every rank calls Solve with the same options (and builds its network with
// the same `perProcess`; AllReady throws SolveError on every rank otherwise,
// naming the counts); rank 0 prints
// progress and writes the record. Building it makes SIGUSR1 a dump request
// (mpirun forwards SIGUSR1 to every rank but not SIGINT). Main thread only.
class MpiIslands final : public IslandNetwork {
public:
    explicit MpiIslands(const MpiSession& session, std::uint32_t perProcess = 1);
    ~MpiIslands() override;

    std::uint32_t Islands() const override {
        return perProcess_ * static_cast<std::uint32_t>(session_.Size());
    }
    std::uint32_t LocalCount() const override { return perProcess_; }
    std::uint32_t FirstLocal() const override {
        return perProcess_ * static_cast<std::uint32_t>(session_.Rank());
    }
    bool Deterministic() const override { return false; }
    std::string Name() const override { return "over MPI"; }
    // An MPI count of bytes is an int.
    std::uint64_t MaxMessageBytes() const override { return std::numeric_limits<int>::max(); }
    bool AllReady(bool ready) override;
    std::uint64_t ShareSeed(std::uint64_t seed) override;
    // With several islands per process, local island 0's transport is for
    // the thread that made the session (RunIslands runs it there).
    std::unique_ptr<IslandTransport> Connect(std::uint32_t local) override;

private:
    const MpiSession& session_;
    const std::uint32_t perProcess_;
    // The islands of this process when there are several, made afresh for
    // every run (at the connection of local island 0).
    std::unique_ptr<RankIslands> rank_;
};

}  // namespace zarnel::islands
