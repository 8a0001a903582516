#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace platform {

class Waitable;

// Parks one thread inside WaitForAny until one of the objects it registered
// with is signalled. Lives on the waiting thread's stack.
// Lock order: an object's mutex may be held while a waiter's mutex is taken,
// never the other way round.
class AnyWaiter {
public:
    AnyWaiter() = default;
    AnyWaiter(const AnyWaiter&) = delete;
    AnyWaiter& operator=(const AnyWaiter&) = delete;

    void Wake();
    void Sleep();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;  // guarded by mutex_
};

// A waitable object that counts available units up to a maximum: an auto-reset
// event is one with a maximum of one, a counting semaphore one with a larger
// maximum. A satisfied wait takes one unit. All state is guarded by the
// object's own mutex; signalling and waiting are thread-safe.
class Waitable {
public:
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // Blocks until a unit is available and takes it.
    void Wait();
    // Takes a unit if one is available; never blocks.
    bool TryWait();

protected:
    Waitable(std::uint32_t initialCount, std::uint32_t maximumCount);
    ~Waitable() = default;

    // Adds count units, capped at the maximum, and wakes waiters.
    void Signal(std::uint32_t count);

private:
    friend std::size_t WaitForAny(Waitable* const* objects, std::size_t count);

    // One entry in the intrusive, doubly linked list of AnyWaiters parked on
    // this object. Each entry lives on the waiting thread's stack.
    struct Registration {
        AnyWaiter* waiter = nullptr;
        Registration* prev = nullptr;
        Registration* next = nullptr;
    };

    // Takes a unit if available; otherwise links entry into the list.
    bool TryWaitOrRegister(Registration& entry);
    void Unregister(Registration& entry);

    std::mutex mutex_;
    std::condition_variable cv_;
    std::uint32_t count_;                    // guarded by mutex_
    const std::uint32_t maximum_;            // fixed at construction
    Registration* registrations_ = nullptr;  // guarded by mutex_
};

}  // namespace platform
