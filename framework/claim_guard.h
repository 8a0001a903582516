#pragma once

#include <cstdint>
#include <utility>

namespace zarnel {

// Holds one claim on an individual of a population (CPopulation::TryLock) and
// releases it (Unlock) when the guard goes out of scope, on every path out of
// the scope, an exception included. The claim may have failed: test the guard
// before using the individual.
//
// Points to the population without owning it; the population must outlive the
// guard. A guard belongs to the thread that made it: it may be moved within
// that thread (into an array of claims, say) but not shared.
template <typename Population>
class ClaimGuard {
public:
    using Individual = typename Population::IndividualType;

    // Holds nothing.
    ClaimGuard() = default;

    // Tries to claim the individual at index; the guard holds the claim only
    // if TryLock granted it (not when another thread, or this one through
    // another guard, already holds it, nor for an index out of range).
    ClaimGuard(Population& population, std::uint32_t index)
        : population_(&population), index_(index), held_(population.TryLock(index) != 0) {}

    ClaimGuard(const ClaimGuard&) = delete;
    ClaimGuard& operator=(const ClaimGuard&) = delete;
    ClaimGuard(ClaimGuard&& other) noexcept
        : population_(other.population_), index_(other.index_), held_(std::exchange(other.held_, false)) {}
    ClaimGuard& operator=(ClaimGuard&& other) noexcept {
        if (this != &other) {
            Release();
            population_ = other.population_;
            index_ = other.index_;
            held_ = std::exchange(other.held_, false);
        }
        return *this;
    }
    ~ClaimGuard() { Release(); }

    bool Held() const { return held_; }
    explicit operator bool() const { return held_; }
    std::uint32_t Index() const { return index_; }

    // The claimed individual, or null when the guard holds no claim.
    Individual* Get() const { return held_ ? population_->GetIndividual(index_) : nullptr; }
    Individual* operator->() const { return Get(); }

    // Gives the claim back now; later calls, and the destructor, do nothing.
    void Release() {
        if (held_) {
            population_->Unlock(index_);
            held_ = false;
        }
    }

private:
    Population* population_ = nullptr;
    std::uint32_t index_ = 0;
    bool held_ = false;
};

// Claims `count` distinct individuals into guards[0], ..., guards[count - 1],
// each from indices that draw() gives (taken modulo the population size),
// drawing again while the index is busy or already claimed here. It waits as
// long as that takes, so the population must hold more individuals than all
// slave threads together claim at once. False, with nothing claimed, when the
// population holds fewer than `count`.
template <typename Population, typename Draw>
bool ClaimDistinct(Population& population, ClaimGuard<Population>* guards, std::uint32_t count, Draw&& draw) {
    if (population.size < count) return false;
    for (std::uint32_t k = 0; k < count;) {
        ClaimGuard<Population> claim(population, static_cast<std::uint32_t>(draw()) % population.size);
        if (claim) guards[k++] = std::move(claim);
    }
    return true;
}

}  // namespace zarnel
