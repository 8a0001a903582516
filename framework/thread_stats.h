#pragma once

#include <cstdint>

namespace zarnel {

// Counters of the work one thread did: tournament steps, claim attempts and
// the attempts that found the individual already claimed, and evaluations.
// Each counting thread owns one block and is the only one that writes it; a
// block is read by another thread only after a synchronisation that orders
// the writes before the read (the engine's done events, or a join). A block
// fills a cache line of its own, so two threads never write the same line.
struct alignas(64) ThreadStats {
    std::uint64_t steps = 0;
    std::uint64_t claimAttempts = 0;
    std::uint64_t claimsFailed = 0;
    std::uint64_t evaluations = 0;

    ThreadStats& operator+=(const ThreadStats& other) {
        steps += other.steps;
        claimAttempts += other.claimAttempts;
        claimsFailed += other.claimsFailed;
        evaluations += other.evaluations;
        return *this;
    }
};

// The block that the calling thread counts into, or null when nobody collects
// its figures (then counting costs one test of a thread-local pointer). The
// engine points each slave thread at the block in its SlaveThreadParams; the
// thread that runs the master sets its own with ThreadStatsScope.
inline constinit thread_local ThreadStats* currentThreadStats = nullptr;

inline void CountStep() {
    if (ThreadStats* stats = currentThreadStats) ++stats->steps;
}
inline void CountClaim(bool succeeded) {
    if (ThreadStats* stats = currentThreadStats) {
        ++stats->claimAttempts;
        if (!succeeded) ++stats->claimsFailed;
    }
}
inline void CountEvaluation() {
    if (ThreadStats* stats = currentThreadStats) ++stats->evaluations;
}

// Points the calling thread at `stats` for the scope's lifetime and restores
// the previous block after it.
class ThreadStatsScope {
public:
    explicit ThreadStatsScope(ThreadStats* stats) : previous_(currentThreadStats) {
        currentThreadStats = stats;
    }
    ThreadStatsScope(const ThreadStatsScope&) = delete;
    ThreadStatsScope& operator=(const ThreadStatsScope&) = delete;
    ~ThreadStatsScope() { currentThreadStats = previous_; }

private:
    ThreadStats* previous_;
};

}  // namespace zarnel
