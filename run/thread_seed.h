#pragma once

#include <atomic>
#include <cstdint>

#include "platform/random.h"
#include "run/seed.h"

namespace zarnel::run {

// Seeds every slave thread's generator (platform::Rand, whose state is per
// thread and starts at 1 in every new thread) apart from the others. A slave
// operator calls SeedOnce(threadIndex) at the top of its Execute: the first
// call on each thread seeds that thread with the low 32 bits of
// DeriveSeed(runSeed, threadIndex), later calls on that thread return at
// once, so the draws continue from step to step and from one Run to the next.
// A new seeder seeds every thread again.
//
// Thread safety: any number of threads may call SeedOnce on one seeder at the
// same time; each touches only its own generator and its own thread-local
// marker. The thread that builds the engine seeds itself with a stream that no
// slave uses, such as the thread count.
class ThreadSeeder {
public:
    explicit ThreadSeeder(std::uint64_t runSeed) : runSeed_(runSeed), id_(NextId()) {}

    void SeedOnce(std::uint32_t stream) const {
        if (seededBy_ == id_) return;
        platform::SeedRand(StreamSeed(runSeed_, stream));
        seededBy_ = id_;
    }

    std::uint64_t RunSeed() const { return runSeed_; }

    // The generator seed of one stream of a run.
    static std::uint32_t StreamSeed(std::uint64_t runSeed, std::uint32_t stream) {
        return static_cast<std::uint32_t>(DeriveSeed(runSeed, stream));
    }

private:
    static std::uint64_t NextId() {
        static std::atomic<std::uint64_t> next{1};
        return next.fetch_add(1, std::memory_order_relaxed);
    }

    // The seeder that last seeded this thread; 0 for none.
    static inline thread_local std::uint64_t seededBy_ = 0;

    std::uint64_t runSeed_;
    std::uint64_t id_;
};

}  // namespace zarnel::run
