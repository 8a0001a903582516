#include "platform/waitable.h"

#include <windows.h>

#include <system_error>

namespace zarnel::platform {

namespace {

[[noreturn]] void ThrowLastError(const char* what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace

Waitable::Waitable(std::uint32_t initialCount, std::uint32_t maximumCount) : maximum_(maximumCount) {
    const std::uint32_t initial = initialCount < maximumCount ? initialCount : maximumCount;
    if (maximumCount == 1) {
        // Auto-reset: the one wait that an event satisfies resets it.
        handle_ = CreateEventW(nullptr, FALSE, initial != 0 ? TRUE : FALSE, nullptr);
    } else {
        // The system wants a maximum of at least one; a semaphore of maximum
        // zero is never released (Signal caps at maximum_).
        const LONG maximum = maximumCount == 0 ? 1 : static_cast<LONG>(maximumCount);
        handle_ = CreateSemaphoreW(nullptr, static_cast<LONG>(initial), maximum, nullptr);
    }
    // Without its object every wait would fail at once; say so here instead.
    if (handle_ == nullptr) ThrowLastError("creating an event or semaphore");
}

Waitable::~Waitable() { CloseHandle(handle_); }

bool Waitable::TryWait() { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

void Waitable::Wait() {
    if (WaitForSingleObject(handle_, INFINITE) != WAIT_OBJECT_0) ThrowLastError("waiting");
}

void Waitable::Signal(std::uint32_t count) {
    if (count == 0 || maximum_ == 0) return;
    if (maximum_ == 1) {
        SetEvent(handle_);
        return;
    }
    // The system refuses a release that would pass the maximum as a whole;
    // then the units that still fit are added one by one.
    if (ReleaseSemaphore(handle_, static_cast<LONG>(count < maximum_ ? count : maximum_), nullptr)) return;
    for (std::uint32_t i = 0; i < count && ReleaseSemaphore(handle_, 1, nullptr); ++i) {
    }
}

}  // namespace zarnel::platform
