#pragma once

#include <cstdint>
#include <mutex>

#include "platform/critical_section.h"

namespace zarnel {

// All individuals of one run in one contiguous array, with one busy flag per
// individual. Slave threads claim an individual with TryLock and release it
// with Unlock; while a thread holds the claim it uses the individual without
// any lock. `criticalSection` guards every read and write of `busyFlags` and
// nothing else; `size`, `individuals` and `busyFlags` (the pointers) never
// change after construction and are read without it.
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
        busyFlags = new std::int32_t[size]();
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
    int TryLock(std::uint32_t index) {
        if (index >= size) return 0;
        std::lock_guard guard(criticalSection);
        if (busyFlags[index] != 0) return 0;
        busyFlags[index] = 1;
        return 1;
    }

    // Clears the busy flag at index; does nothing out of range. It does not
    // check who holds the claim.
    void Unlock(std::uint32_t index) {
        if (index >= size) return;
        std::lock_guard guard(criticalSection);
        busyFlags[index] = 0;
    }

    Individual* individuals = nullptr;
    std::uint32_t size;
    std::int32_t ownsIndividuals = 1;
    std::int32_t* busyFlags = nullptr;  // guarded by criticalSection
    platform::CriticalSection criticalSection;
};

}  // namespace zarnel
