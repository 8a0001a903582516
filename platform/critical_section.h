#pragma once

#include <mutex>

namespace platform {

// A non-recursive mutual-exclusion lock. Enter() blocks until the calling
// thread holds it; Leave() releases it. Also meets the standard Lockable
// requirements, so std::lock_guard works with it.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::mutex mutex_;
};

}  // namespace platform
