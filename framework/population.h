#pragma once

#include <atomic>
#include <cstdint>

#include "framework/thread_stats.h"

namespace zarnel {

// All individuals of one run in one contiguous array, with one busy flag per
// individual. Slave threads claim an individual with TryLock and release it
// with Unlock; while a thread holds the claim it uses the individual without
// any lock. Each busy flag is an atomic, claimed by an exchange and released
// by a store: exactly one caller sees the 0 that an exchange replaces, and the
// acquire-release pair orders one holder's work on the individual before the
// next holder's. `size`, `individuals` and `busyFlags` (the pointers) never
// change after construction and are read freely.
//
// Owns its individuals and flags while `ownsIndividuals` is nonzero; a
// population built over memory it does not own releases nothing.
template <typename Individual>
class CPopulation {
public:
    using IndividualType = Individual;
    static constexpr std::uint32_t kMaxSize = 0x7FFF;

    // Builds min(requestedSize, 32767) individuals of geneCount genes each,
    // all free.
    CPopulation(std::uint32_t requestedSize, std::uint32_t geneCount)
        : size(requestedSize > kMaxSize ? kMaxSize : requestedSize) {
        individuals = new Individual[size];
        for (std::uint32_t i = 0; i < size; ++i) individuals[i].Create(geneCount);
        busyFlags = new std::atomic<std::int32_t>[size];
        for (std::uint32_t i = 0; i < size; ++i) busyFlags[i].store(0, std::memory_order_relaxed);
    }

    CPopulation(const CPopulation&) = delete;
    CPopulation& operator=(const CPopulation&) = delete;

    ~CPopulation() {
        if (ownsIndividuals == 0) return;
        delete[] individuals;
        delete[] busyFlags;
    }

    // The individual at index, or null when index >= size.
    Individual* GetIndividual(std::uint32_t index) { return index < size ? &individuals[index] : nullptr; }

    // 1 when the caller now holds the claim on index, 0 when the individual is
    // already claimed (by any thread, the caller included) or out of range.
    // An attempt on an index in range counts in the caller's ThreadStats.
    int TryLock(std::uint32_t index) {
        if (index >= size) return 0;
        // A plain load first keeps a busy flag's cache line shared while
        // another thread holds it.
        const bool claimed = busyFlags[index].load(std::memory_order_relaxed) == 0 &&
                             busyFlags[index].exchange(1, std::memory_order_acquire) == 0;
        CountClaim(claimed);
        return claimed ? 1 : 0;
    }

    // Clears the busy flag at index; does nothing out of range. It does not
    // check who holds the claim.
    void Unlock(std::uint32_t index) {
        if (index >= size) return;
        busyFlags[index].store(0, std::memory_order_release);
    }

    Individual* individuals = nullptr;
    std::uint32_t size;
    std::int32_t ownsIndividuals = 1;
    std::atomic<std::int32_t>* busyFlags = nullptr;  // each flag is its own guard
};

}  // namespace zarnel
