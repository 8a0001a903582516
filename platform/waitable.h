#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32)
#include <atomic>
#include <mutex>
#endif

namespace zarnel::platform {

#if !defined(_WIN32)
// Parks one thread inside WaitForAny until one of the objects it registered
// with is signalled. Lives on the waiting thread's stack; every object it
// registered with unregisters it (under that object's list lock) before
// WaitForAny returns, so no signaller touches it after that.
class AnyWaiter {
public:
    AnyWaiter() = default;
    AnyWaiter(const AnyWaiter&) = delete;
    AnyWaiter& operator=(const AnyWaiter&) = delete;

    void Wake();
    void Sleep();

private:
    std::atomic<bool> woken_{false};
};
#endif

// A waitable object that counts available units up to a maximum: an auto-reset
// event is one with a maximum of one, a counting semaphore one with a larger
// maximum. A satisfied wait takes one unit. Any thread may signal, wait or
// try; the object must outlive every call on it.
//
// On Windows the object is the system's own: an event (maximum one) or a
// semaphore, waited on by WaitForSingleObject and WaitForMultipleObjects,
// which order the signaller's earlier writes before the waiter's later reads
// as every synchronisation function of the system does. The C++ library's
// atomic waits are not used there: mingw-w64's loses wake-ups.
//
// Elsewhere the count is an atomic: taking a unit is a compare-and-swap,
// signalling an add, and a release-acquire pair orders the signaller's earlier
// writes before the waiter's later reads. A waiter spins briefly before it blocks, since on
// a multicore machine the signal usually comes within microseconds. The list
// of AnyWaiters parked on the object is guarded by listMutex_.
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
#if defined(_WIN32)
    ~Waitable();
#else
    ~Waitable() = default;
#endif

    // Adds count units, capped at the maximum, and wakes waiters.
    void Signal(std::uint32_t count);

private:
    friend std::size_t WaitForAny(Waitable* const* objects, std::size_t count);
    friend void WaitForAll(Waitable* const* objects, std::size_t count);

#if defined(_WIN32)
    // The event or semaphore: a HANDLE, kept as void* so that this header
    // needs no system header. Owned; closed by the destructor.
    void* handle_;
    const std::uint32_t maximum_;
#else
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

    std::atomic<std::uint32_t> count_;
    const std::uint32_t maximum_;
    // Number of entries in the list; lets Signal skip the list lock when no
    // AnyWaiter is parked. Read and written sequentially consistent, paired
    // with count_, so that a registration and a signal always see each other.
    std::atomic<std::uint32_t> registered_{0};
    std::mutex listMutex_;
    Registration* registrations_ = nullptr;  // guarded by listMutex_
#endif
};

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
