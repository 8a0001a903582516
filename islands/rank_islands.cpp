#include "islands/rank_islands.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "islands/gather.h"
#include "platform/console.h"
#include "solve/migrant_codec.h"
#include "solve/migration_policy.h"

namespace zarnel::islands {

namespace {

constexpr double kLowest = -std::numeric_limits<double>::infinity();

}  // namespace

// One island's end of RankIslands. Its own members are its master thread's
// alone; what it shares goes through the RankIslands it points to.
class RankIslands::Transport final : public IslandTransport {
public:
    Transport(RankIslands& rank, std::uint32_t local) : rank_(rank), local_(local) {}
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // An island that leaves without its End (an exception on its thread)
    // fails the run: the others stop and nobody waits for it.
    ~Transport() override {
        if (ended_) return;
        Announce(run::StopReason::kError);
        if (local_ == 0) {
            rank_.Abandon();
            return;
        }
        if (!departed_) rank_.Depart(local_);
        IslandEnding none;
        none.bestFitness = kLowest;
        rank_.HandIn(local_, std::move(none));
    }

    std::uint32_t Island() const override { return rank_.FirstLocal() + local_; }
    std::uint32_t Islands() const override { return rank_.Islands(); }

    bool Send(std::uint64_t, Bytes message) override {
        const bool last = local_ + 1 == rank_.count_;
        const std::lock_guard<std::mutex> lock(rank_.mutex_);
        Mailbox& box = last ? rank_.outbox_ : rank_.mailboxes_[local_ + 1];
        if (box.closed) {
            box.lateMigrants += AnnouncedMigrants(message);
            return true;
        }
        if (box.messages.size() >= kMaxUnread) return false;
        box.messages.push_back(std::move(message));
        return true;
    }

    bool Receive(std::uint64_t, Bytes& message) override {
        if (local_ == 0) {
            rank_.FlushOutbox();
            return rank_.channel_.Receive(message);
        }
        const std::lock_guard<std::mutex> lock(rank_.mutex_);
        Mailbox& box = rank_.mailboxes_[local_];
        if (box.messages.empty()) return false;
        message = std::move(box.messages.front());
        box.messages.pop_front();
        return true;
    }

    void Announce(run::StopReason reason) override {
        const std::uint32_t code = StopCode(reason);
        own_ = std::max(own_, code);
        rank_.Announce(code);
    }

    void SetLocalBest(double fitness) override {
        rank_.bests_[local_].store(RankingKey(fitness), std::memory_order_relaxed);
    }

    std::optional<run::StopReason> Poll() override {
        std::uint32_t code = 0;
        if (local_ == 0) {
            rank_.FlushOutbox();
            StopVote& vote = rank_.vote_;
            vote.Announce(rank_.stopCode_.load(std::memory_order_relaxed));
            vote.SetLocalBest(RankBest());
            if (vote.Poll()) {
                rank_.Publish(vote.AgreedCode());
                code = vote.AgreedCode();
            }
            rank_.globalBest_.store(vote.GlobalBest(), std::memory_order_relaxed);
        } else {
            code = rank_.agreed_.load(std::memory_order_relaxed);
        }
        if (code == 0) return std::nullopt;
        heard_ = true;
        return ReasonOfCode(code).value_or(run::StopReason::kError);
    }

    std::optional<run::StopReason> AtEpoch(std::uint64_t) override { return std::nullopt; }

    double GlobalBest() const override {
        return std::max(RankBest(), rank_.globalBest_.load(std::memory_order_relaxed));
    }

    bool DumpRequested() override {
        if (local_ == 0 && platform::TakeCtrlCRequest())
            rank_.dumpRequests_.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t requests = rank_.dumpRequests_.load(std::memory_order_relaxed);
        if (requests == dumpsSeen_) return false;
        dumpsSeen_ = requests;
        return true;
    }

    std::vector<Bytes> Drain() override {
        if (departed_) return {};
        if (own_ == 0 && !heard_) Announce(run::StopReason::kError);
        departed_ = true;
        if (local_ != 0) {
            rank_.WaitForAgreement();
            return rank_.Depart(local_);
        }
        StopVote& vote = rank_.vote_;
        vote.Announce(rank_.stopCode_.load(std::memory_order_relaxed));
        vote.SetLocalBest(RankBest());
        vote.WaitForAgreement();
        rank_.Publish(vote.AgreedCode());
        {
            // Nothing leaves the rank any more: what waits in the outbox,
            // and what comes later, is discarded.
            const std::lock_guard<std::mutex> lock(rank_.mutex_);
            Mailbox& out = rank_.outbox_;
            out.closed = true;
            for (const Bytes& message : out.messages) out.lateMigrants += AnnouncedMigrants(message);
            out.messages.clear();
        }
        return rank_.channel_.Drain();
    }

    IslandsEnded End(IslandEnding mine) override {
        if (!departed_) Drain();
        ended_ = true;
        if (local_ == 0) return rank_.EndForRank(std::move(mine));
        rank_.HandIn(local_, std::move(mine));
        IslandsEnded ended;
        ended.reason = ReasonOfCode(rank_.Agreed()).value_or(run::StopReason::kError);
        return ended;
    }

private:
    double RankBest() const {
        double best = kLowest;
        for (std::uint32_t i = 0; i < rank_.count_; ++i)
            best = std::max(best, rank_.bests_[i].load(std::memory_order_relaxed));
        return best;
    }

    RankIslands& rank_;
    const std::uint32_t local_;
    std::uint32_t own_ = 0;  // the highest StopCode this island announced
    std::uint64_t dumpsSeen_ = 0;
    bool heard_ = false;  // a stop of the islands reached this one
    bool departed_ = false;
    bool ended_ = false;
};

RankIslands::RankIslands(const MpiSession& session, std::uint32_t perRank, int tag)
    : session_(session),
      count_(std::max<std::uint32_t>(perRank, 1)),
      channel_(session.Rank(), session.Size(), tag),
      mailboxes_(count_),
      endings_(count_),
      bests_(std::make_unique<std::atomic<double>[]>(count_)),
      globalBest_(kLowest) {
    for (std::uint32_t i = 0; i < count_; ++i) bests_[i].store(kLowest, std::memory_order_relaxed);
}

RankIslands::~RankIslands() = default;

std::unique_ptr<IslandTransport> RankIslands::Connect(std::uint32_t local) {
    return std::make_unique<Transport>(*this, local);
}

void RankIslands::Announce(std::uint32_t code) {
    std::uint32_t current = stopCode_.load(std::memory_order_relaxed);
    while (code > current && !stopCode_.compare_exchange_weak(current, code, std::memory_order_relaxed)) {
    }
}

void RankIslands::FlushOutbox() {
    std::deque<Bytes> ready;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ready.swap(outbox_.messages);
    }
    // Send takes the message even when it refuses it: ask first, so that
    // a message the channel has no room for stays whole.
    while (!ready.empty() && !channel_.Full()) {
        channel_.Send(std::move(ready.front()));
        ready.pop_front();
    }
    if (ready.empty()) return;
    // The channel is full: what it did not take goes back, oldest first.
    const std::lock_guard<std::mutex> lock(mutex_);
    while (!ready.empty()) {
        outbox_.messages.push_front(std::move(ready.back()));
        ready.pop_back();
    }
}

void RankIslands::Publish(std::uint32_t code) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (agreed_.load(std::memory_order_relaxed) != 0) return;
        agreed_.store(code != 0 ? code : StopCode(run::StopReason::kError), std::memory_order_relaxed);
    }
    changed_.notify_all();
}

std::uint32_t RankIslands::Agreed() { return agreed_.load(std::memory_order_relaxed); }

std::uint32_t RankIslands::WaitForAgreement() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return agreed_.load(std::memory_order_relaxed) != 0; });
    return agreed_.load(std::memory_order_relaxed);
}

std::vector<IslandTransport::Bytes> RankIslands::Depart(std::uint32_t local) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Mailbox& own = mailboxes_[local];
    own.closed = true;
    std::vector<Bytes> unread(std::make_move_iterator(own.messages.begin()),
                              std::make_move_iterator(own.messages.end()));
    own.messages.clear();
    return unread;
}

void RankIslands::HandIn(std::uint32_t local, IslandEnding ending) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        Ending& seat = endings_[local];
        seat.ended = true;
        seat.ending = std::move(ending);
        seat.ending.figures.island = FirstLocal() + local;
    }
    changed_.notify_all();
}

void RankIslands::Abandon() {
    // The other islands of the rank must not wait for an agreement that
    // island 0 will no longer publish; the other ranks must not wait for
    // this one in the end of the job.
    Publish(StopCode(run::StopReason::kError));
    if (!ended_ && session_.Size() > 1) session_.AbortJob(1);
}

IslandsEnded RankIslands::EndForRank(IslandEnding mine) {
    HandIn(0, std::move(mine));
    std::vector<IslandEnding> endings;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
            return std::all_of(endings_.begin(), endings_.end(), [](const Ending& e) { return e.ended; });
        });
        // Every island of the rank has left: the late migrants are all counted.
        for (std::uint32_t i = 0; i < count_; ++i) {
            endings.push_back(std::move(endings_[i].ending));
            endings.back().figures.migrantsDiscarded += mailboxes_[i].lateMigrants;
        }
        endings.back().figures.migrantsDiscarded += outbox_.lateMigrants;
    }

    IslandsEnded ended;
    // A stop that an island of a rank asked for after the vote had agreed
    // (a solution found in the iteration in which it learned of another
    // island's limit) never reached a vote; every island has ended now, so
    // every request is in, and the run's reason is the highest of them all.
    const std::uint32_t code = HighestCode(
        std::max(agreed_.load(std::memory_order_relaxed), stopCode_.load(std::memory_order_relaxed)));
    ended.reason = ReasonOfCode(code).value_or(run::StopReason::kError);
    WinnerClaim claim;
    for (std::uint32_t i = 0; i < count_; ++i) {
        const IslandEnding& e = endings[i];
        if (e.best.empty()) continue;
        const int island = static_cast<int>(FirstLocal() + i);
        if (e.solved && claim.solvedIsland < 0) claim.solvedIsland = island;
        if (claim.bestIsland < 0 || RankingKey(e.bestFitness) > claim.bestFitness) {
            claim.bestIsland = island;
            claim.bestFitness = RankingKey(e.bestFitness);
        }
    }
    ended.winner = PickWinner(claim);
    const int winnerRank = ended.winner.island / static_cast<int>(count_);
    const Bytes none;
    const Bytes& best = winnerRank == session_.Rank()
                            ? endings[static_cast<std::size_t>(ended.winner.island) % count_].best
                            : none;
    ended.best = SendToFirstIsland(best, winnerRank);
    std::vector<IslandFigures> figures;
    std::vector<Bytes> fronts;
    for (IslandEnding& e : endings) {
        figures.push_back(std::move(e.figures));
        fronts.push_back(std::move(e.front));
    }
    ended.islands = GatherFigures(figures);
    ended.fronts = GatherMessages(fronts);
    ended_ = true;
    return ended;
}

}  // namespace zarnel::islands
