#include "platform/waitable.h"

#include <algorithm>

namespace platform {

void AnyWaiter::Wake() {
    std::lock_guard lock(mutex_);
    woken_ = true;
    cv_.notify_one();
}

void AnyWaiter::Sleep() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return woken_; });
    woken_ = false;
}

Waitable::Waitable(std::uint32_t initialCount, std::uint32_t maximumCount)
    : count_(std::min(initialCount, maximumCount)), maximum_(maximumCount) {}

void Waitable::Wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return count_ > 0; });
    --count_;
}

bool Waitable::TryWait() {
    std::lock_guard lock(mutex_);
    if (count_ == 0) return false;
    --count_;
    return true;
}

void Waitable::Signal(std::uint32_t count) {
    std::lock_guard lock(mutex_);
    const std::uint32_t room = maximum_ - count_;
    count_ += std::min(count, room);
    if (count_ == 0) return;
    if (count_ == 1) {
        cv_.notify_one();
    } else {
        cv_.notify_all();
    }
    for (Registration* entry = registrations_; entry != nullptr; entry = entry->next) {
        entry->waiter->Wake();
    }
}

bool Waitable::TryWaitOrRegister(Registration& entry) {
    std::lock_guard lock(mutex_);
    if (count_ > 0) {
        --count_;
        return true;
    }
    entry.prev = nullptr;
    entry.next = registrations_;
    if (registrations_ != nullptr) registrations_->prev = &entry;
    registrations_ = &entry;
    return false;
}

void Waitable::Unregister(Registration& entry) {
    std::lock_guard lock(mutex_);
    if (entry.prev != nullptr) {
        entry.prev->next = entry.next;
    } else {
        registrations_ = entry.next;
    }
    if (entry.next != nullptr) entry.next->prev = entry.prev;
    entry.prev = entry.next = nullptr;
}

}  // namespace platform
