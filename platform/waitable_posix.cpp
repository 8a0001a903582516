#include "platform/waitable.h"

#include <algorithm>

#include "platform/spin.h"

namespace zarnel::platform {

void AnyWaiter::Wake() {
    woken_.store(true, std::memory_order_release);
    woken_.notify_one();
}

void AnyWaiter::Sleep() {
    while (!woken_.exchange(false, std::memory_order_acquire)) woken_.wait(false, std::memory_order_relaxed);
}

Waitable::Waitable(std::uint32_t initialCount, std::uint32_t maximumCount)
    : count_(std::min(initialCount, maximumCount)), maximum_(maximumCount) {}

bool Waitable::TryWait() {
    std::uint32_t current = count_.load(std::memory_order_relaxed);
    while (current != 0) {
        if (count_.compare_exchange_weak(current, current - 1, std::memory_order_seq_cst,
                                         std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

void Waitable::Wait() {
    if (SpinUntil([this] { return TryWait(); })) return;
    while (!TryWait()) count_.wait(0, std::memory_order_relaxed);
}

void Waitable::Signal(std::uint32_t count) {
    std::uint32_t current = count_.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = current + std::min(count, maximum_ - current);
    } while (
        !count_.compare_exchange_weak(current, next, std::memory_order_seq_cst, std::memory_order_relaxed));
    if (next == 0) return;
    if (next - current <= 1) {
        count_.notify_one();
    } else {
        count_.notify_all();
    }
    if (registered_.load(std::memory_order_seq_cst) == 0) return;
    std::lock_guard lock(listMutex_);
    for (Registration* entry = registrations_; entry != nullptr; entry = entry->next) entry->waiter->Wake();
}

bool Waitable::TryWaitOrRegister(Registration& entry) {
    if (TryWait()) return true;
    {
        std::lock_guard lock(listMutex_);
        entry.prev = nullptr;
        entry.next = registrations_;
        if (registrations_ != nullptr) registrations_->prev = &entry;
        registrations_ = &entry;
        registered_.fetch_add(1, std::memory_order_seq_cst);
    }
    // Re-check the count now that the registration is visible. This is the
    // store-buffering pattern: here a store to registered_ and then a load of
    // count_, in Signal a store to count_ and then a load of registered_. If
    // either load were weaker than seq_cst, both could read the old value (the
    // C++ model allows it, and ARM and POWER do it through store buffers): the
    // signaller would skip the list, this thread would find no unit, and it
    // would sleep with the object signalled. With all four accesses seq_cst
    // they lie in one total order, so whichever store comes second in it is
    // followed by a load that sees the other store: either this load finds the
    // unit, or Signal finds registered_ nonzero and wakes the waiter under
    // listMutex_, after the entry was linked. TryWait's first load is relaxed,
    // so the order is made here with a seq_cst load.
    if (count_.load(std::memory_order_seq_cst) != 0 && TryWait()) {
        Unregister(entry);
        return true;
    }
    return false;
}

void Waitable::Unregister(Registration& entry) {
    std::lock_guard lock(listMutex_);
    if (entry.prev != nullptr) {
        entry.prev->next = entry.next;
    } else {
        registrations_ = entry.next;
    }
    if (entry.next != nullptr) entry.next->prev = entry.prev;
    entry.prev = entry.next = nullptr;
    registered_.fetch_sub(1, std::memory_order_seq_cst);
}

}  // namespace zarnel::platform
