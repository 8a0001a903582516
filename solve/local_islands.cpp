#include "solve/local_islands.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/console.h"
#include "solve/migrant_codec.h"
#include "solve/migration_policy.h"

namespace zarnel::islands {

namespace {

constexpr double kLowest = -std::numeric_limits<double>::infinity();

}  // namespace

// One island's end of LocalIslands. Its own members are its master thread's
// alone; what it shares goes through the LocalIslands it points to.
class LocalIslands::Transport final : public IslandTransport {
public:
    Transport(LocalIslands& islands, std::uint32_t island) : islands_(islands), island_(island) {}
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // An island that leaves without its End (an exception on its thread)
    // fails the run: the others stop and nobody waits for it.
    ~Transport() override {
        if (!departed_) {
            Announce(run::StopReason::kError);
            islands_.Depart(island_, lastVote_ + 1, own_, best_);
        }
        if (!ended_) islands_.Abandon(island_);
    }

    std::uint32_t Island() const override { return island_; }
    std::uint32_t Islands() const override { return islands_.count_; }

    bool Send(std::uint64_t epoch, Bytes message) override {
        Mailbox& box = islands_.MailboxOf((island_ + 1) % islands_.count_);
        const std::lock_guard<std::mutex> lock(box.mutex);
        if (box.closed) {
            box.lateMigrants += AnnouncedMigrants(message);
            return true;
        }
        if (!islands_.deterministic_ && box.messages.size() >= kMaxUnread) return false;
        box.messages.emplace_back(epoch, std::move(message));
        box.arrived.notify_all();
        return true;
    }

    bool Receive(std::uint64_t epoch, Bytes& message) override {
        Mailbox& box = islands_.MailboxOf(island_);
        std::unique_lock<std::mutex> lock(box.mutex);
        if (!islands_.deterministic_) {
            if (box.messages.empty()) return false;
            message = std::move(box.messages.front().second);
            box.messages.pop_front();
            return true;
        }
        // One message per migration: the neighbour's of this very one.
        if (taken_ == epoch) return false;
        taken_ = epoch;
        const auto sent = [&] {
            return std::find_if(box.messages.begin(), box.messages.end(),
                                [&](const auto& entry) { return entry.first == epoch; });
        };
        box.arrived.wait(lock, [&] {
            return sent() != box.messages.end() || (box.senderGoneFrom && *box.senderGoneFrom <= epoch);
        });
        const auto found = sent();
        if (found == box.messages.end()) return false;
        message = std::move(found->second);
        box.messages.erase(found);
        return true;
    }

    void Announce(run::StopReason reason) override {
        const std::uint32_t code = StopCode(reason);
        own_ = std::max(own_, code);
        islands_.Announce(code, reason == run::StopReason::kSignal || reason == run::StopReason::kError);
    }

    void SetLocalBest(double fitness) override {
        best_ = RankingKey(fitness);
        if (!islands_.deterministic_) islands_.bests_[island_].store(best_, std::memory_order_relaxed);
    }

    std::optional<run::StopReason> Poll() override {
        if (islands_.deterministic_ && !islands_.interrupted_.load(std::memory_order_relaxed))
            return std::nullopt;
        const std::optional<run::StopReason> reason =
            ReasonOfCode(islands_.stopCode_.load(std::memory_order_relaxed));
        if (reason) heard_ = true;
        return reason;
    }

    std::optional<run::StopReason> AtEpoch(std::uint64_t epoch) override {
        if (!islands_.deterministic_) return std::nullopt;
        const std::optional<run::StopReason> reason = islands_.Vote(island_, epoch, own_, best_, globalBest_);
        lastVote_ = epoch;
        if (reason) heard_ = true;
        return reason;
    }

    double GlobalBest() const override {
        double best = std::max(best_, globalBest_);
        if (!islands_.deterministic_) {
            for (std::uint32_t i = 0; i < islands_.count_; ++i)
                best = std::max(best, islands_.bests_[i].load(std::memory_order_relaxed));
        }
        return best;
    }

    bool DumpRequested() override {
        if (island_ == 0 && platform::TakeCtrlCRequest())
            islands_.dumpRequests_.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t requests = islands_.dumpRequests_.load(std::memory_order_relaxed);
        if (requests == dumpsSeen_) return false;
        dumpsSeen_ = requests;
        return true;
    }

    std::vector<Bytes> Drain() override {
        if (own_ == 0 && !heard_) Announce(run::StopReason::kError);
        departed_ = true;
        return islands_.Depart(island_, lastVote_ + 1, own_, best_);
    }

    IslandsEnded End(IslandEnding mine) override {
        if (!departed_) Drain();
        ended_ = true;
        return islands_.End(island_, std::move(mine));
    }

private:
    LocalIslands& islands_;
    const std::uint32_t island_;
    std::uint32_t own_ = 0;  // the highest StopCode this island announced
    double best_ = kLowest;
    double globalBest_ = kLowest;  // deterministic: as of the last vote
    std::uint64_t lastVote_ = 0;
    std::uint64_t taken_ = 0;  // deterministic: the last migration received at
    std::uint64_t dumpsSeen_ = 0;
    bool heard_ = false;  // a stop of the islands reached this one
    bool departed_ = false;
    bool ended_ = false;
};

LocalIslands::LocalIslands(std::uint32_t islands, bool deterministic)
    : count_(std::max<std::uint32_t>(islands, 1)),
      deterministic_(deterministic),
      bests_(std::make_unique<std::atomic<double>[]>(count_)),
      seats_(count_) {
    for (std::uint32_t i = 0; i < count_; ++i) {
        mailboxes_.push_back(std::make_unique<Mailbox>());
        bests_[i].store(kLowest, std::memory_order_relaxed);
    }
}

LocalIslands::~LocalIslands() = default;

std::uint64_t LocalIslands::ShareSeed(std::uint64_t seed) {
    const std::lock_guard<std::mutex> lock(stateMutex_);
    if (!seed_) seed_ = seed;
    return *seed_;
}

std::unique_ptr<IslandTransport> LocalIslands::Connect(std::uint32_t local) {
    return std::make_unique<Transport>(*this, local);
}

void LocalIslands::Announce(std::uint32_t code, bool interrupts) {
    std::uint32_t current = stopCode_.load(std::memory_order_relaxed);
    while (code > current && !stopCode_.compare_exchange_weak(current, code, std::memory_order_relaxed)) {
    }
    // Relaxed: an island that sees the flag before the code polls again
    // after its next master iteration.
    if (interrupts) interrupted_.store(true, std::memory_order_relaxed);
}

std::vector<IslandTransport::Bytes> LocalIslands::Depart(std::uint32_t island, std::uint64_t firstMissedVote,
                                                         std::uint32_t code, double best) {
    {
        const std::lock_guard<std::mutex> lock(stateMutex_);
        Seat& seat = seats_[island];
        seat.departed = true;
        seat.departedFrom = firstMissedVote;
        seat.departCode = code;
        seat.departBest = best;
    }
    stateChanged_.notify_all();
    std::vector<Bytes> unread;
    {
        Mailbox& own = MailboxOf(island);
        const std::lock_guard<std::mutex> lock(own.mutex);
        own.closed = true;
        for (auto& entry : own.messages) unread.push_back(std::move(entry.second));
        own.messages.clear();
    }
    Mailbox& next = MailboxOf((island + 1) % count_);
    {
        const std::lock_guard<std::mutex> lock(next.mutex);
        next.senderGoneFrom = firstMissedVote;
    }
    next.arrived.notify_all();
    return unread;
}

std::optional<run::StopReason> LocalIslands::Vote(std::uint32_t island, std::uint64_t epoch,
                                                  std::uint32_t code, double best, double& globalBest) {
    std::unique_lock<std::mutex> lock(stateMutex_);
    Slot& slot = slots_[epoch & 1];
    // The first island at this vote: every island has read the slot's last
    // vote (two before), since all have voted at the one in between.
    if (slot.epoch != epoch) slot = {epoch, 0, kLowest};
    slot.code = std::max(slot.code, code);
    slot.best = std::max(slot.best, best);
    seats_[island].voted = epoch;
    stateChanged_.notify_all();
    const auto counted = [&](const Seat& seat) {
        return seat.voted >= epoch || (seat.departed && seat.departedFrom <= epoch);
    };
    stateChanged_.wait(lock, [&] { return std::all_of(seats_.begin(), seats_.end(), counted); });
    std::uint32_t agreed = slot.code;
    double highest = slot.best;
    // An island that left before this vote takes part in it with what it
    // asked for when it left.
    for (const Seat& seat : seats_) {
        if (seat.departed && seat.departedFrom <= epoch) {
            agreed = std::max(agreed, seat.departCode);
            highest = std::max(highest, seat.departBest);
        }
    }
    globalBest = highest;
    return ReasonOfCode(agreed);
}

void LocalIslands::Abandon(std::uint32_t island) {
    {
        const std::lock_guard<std::mutex> lock(stateMutex_);
        Seat& seat = seats_[island];
        seat.ended = true;
        seat.ending.figures.island = island;
        seat.ending.bestFitness = kLowest;
    }
    stateChanged_.notify_all();
}

IslandsEnded LocalIslands::End(std::uint32_t island, IslandEnding mine) {
    IslandsEnded ended;
    std::unique_lock<std::mutex> lock(stateMutex_);
    Seat& seat = seats_[island];
    seat.ended = true;
    seat.ending = std::move(mine);
    seat.ending.figures.island = island;
    stateChanged_.notify_all();
    ended.reason = ReasonOfCode(stopCode_.load(std::memory_order_relaxed)).value_or(run::StopReason::kError);
    if (island != 0) return ended;
    stateChanged_.wait(lock, [&] {
        return std::all_of(seats_.begin(), seats_.end(), [](const Seat& s) { return s.ended; });
    });
    // Every island has ended, so every announcement is in.
    ended.reason = ReasonOfCode(stopCode_.load(std::memory_order_relaxed)).value_or(run::StopReason::kError);
    // The lowest island that solved; without one, the best fitness (the
    // lowest island among equals).
    std::uint32_t winner = count_;
    for (std::uint32_t i = 0; i < count_ && winner == count_; ++i) {
        if (seats_[i].ending.solved && !seats_[i].ending.best.empty()) winner = i;
    }
    ended.winner.solved = winner != count_;
    if (!ended.winner.solved) {
        winner = 0;
        for (std::uint32_t i = 1; i < count_; ++i) {
            const IslandEnding& candidate = seats_[i].ending;
            const IslandEnding& leader = seats_[winner].ending;
            const bool leaderEmpty = leader.best.empty();
            if (candidate.best.empty()) continue;
            if (leaderEmpty || RankingKey(candidate.bestFitness) > RankingKey(leader.bestFitness)) winner = i;
        }
    }
    ended.winner.island = static_cast<int>(winner);
    ended.best = seats_[winner].ending.best;
    for (Seat& s : seats_) {
        ended.islands.push_back(s.ending.figures);
        ended.fronts.push_back(std::move(s.ending.front));
    }
    lock.unlock();
    // No island sends any more: the late migrants are all counted.
    for (std::uint32_t i = 0; i < count_; ++i) {
        Mailbox& box = MailboxOf(i);
        const std::lock_guard<std::mutex> boxLock(box.mutex);
        ended.islands[i].migrantsDiscarded += box.lateMigrants;
    }
    return ended;
}

}  // namespace zarnel::islands
