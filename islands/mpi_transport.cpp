#include "islands/mpi_transport.h"

#include <mpi.h>

#include <algorithm>
#include <string>
#include <utility>

#include "islands/gather.h"
#include "platform/console.h"
#include "solve/result.h"

namespace zarnel::islands {

MpiTransport::MpiTransport(const MpiSession& session, int tag)
    : session_(session), channel_(session.Rank(), session.Size(), tag) {}

MpiTransport::~MpiTransport() {
    if (!ended_ && session_.Size() > 1) session_.AbortJob(1);
}

bool MpiTransport::Send(std::uint64_t, Bytes message) { return channel_.Send(std::move(message)); }

bool MpiTransport::Receive(std::uint64_t, Bytes& message) { return channel_.Receive(message); }

void MpiTransport::Announce(run::StopReason reason) { vote_.Announce(StopCode(reason)); }

std::optional<run::StopReason> MpiTransport::Poll() {
    if (!vote_.Poll()) return std::nullopt;
    return ReasonOfCode(vote_.AgreedCode()).value_or(run::StopReason::kError);
}

bool MpiTransport::DumpRequested() { return platform::TakeCtrlCRequest(); }

std::vector<IslandTransport::Bytes> MpiTransport::Drain() {
    vote_.WaitForAgreement();
    return channel_.Drain();
}

IslandsEnded MpiTransport::End(IslandEnding mine) {
    IslandsEnded ended;
    // A stop that this island asked for after the vote had agreed (a
    // solution found in the iteration in which it learned of another
    // island's limit) never reached a vote. Every island has stopped now, so
    // the run's reason is the highest request of them all: a solution that
    // is reported is never put down to a limit.
    const std::uint32_t code = HighestCode(std::max(vote_.AgreedCode(), vote_.LocalCode()));
    ended.reason = ReasonOfCode(code).value_or(run::StopReason::kError);
    ended.winner = PickWinner(mine.solved, mine.bestFitness);
    const int island = session_.Rank();
    ended.best = SendToFirstIsland(ended.winner.island == island ? mine.best : Bytes{}, ended.winner.island);
    mine.figures.island = static_cast<std::uint32_t>(island);
    ended.islands = GatherFigures(mine.figures);
    ended.fronts = GatherMessages({std::move(mine.front)});
    ended_ = true;
    return ended;
}

MpiIslands::MpiIslands(const MpiSession& session, std::uint32_t perProcess)
    : session_(session), perProcess_(std::max<std::uint32_t>(perProcess, 1)) {
    platform::InstallDumpRequestSignal();
}

MpiIslands::~MpiIslands() = default;

bool MpiIslands::AllReady(bool ready) {
    // Whether any process refuses, and the smallest and the largest number
    // of islands per process, in one reduction: every process must run as
    // many islands, or the ring and the end would not match.
    const long long count = perProcess_;
    long long mine[3] = {ready ? 0 : 1, -count, count};
    long long all[3] = {0, 0, 0};
    MPI_Allreduce(mine, all, 3, MPI_LONG_LONG, MPI_MAX, MPI_COMM_WORLD);
    if (-all[1] != all[2]) {
        throw SolveError("islands over MPI: the processes run from " + std::to_string(-all[1]) + " to " +
                         std::to_string(all[2]) + " islands each; give every process the same number");
    }
    return all[0] == 0;
}

std::uint64_t MpiIslands::ShareSeed(std::uint64_t seed) {
    std::uint64_t shared = seed;
    MPI_Bcast(&shared, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD);
    return shared;
}

std::unique_ptr<IslandTransport> MpiIslands::Connect(std::uint32_t local) {
    if (perProcess_ == 1) return std::make_unique<MpiTransport>(session_);
    if (local == 0) rank_ = std::make_unique<RankIslands>(session_, perProcess_, MpiTransport::kMigrantTag);
    return rank_->Connect(local);
}

}  // namespace zarnel::islands
