#pragma once

#include <cstdint>

namespace zarnel {

// Status values returned by every Execute() and Evaluate. Callers test only
// for kStop; kFailed (an exception caught inside the operator) lets the work
// go on like kDone.
inline constexpr int kDone = 1;
inline constexpr int kStop = 0;
inline constexpr int kFailed = -1;

// The root of every genetic operator: one entry point that returns a status.
// Operators are configured through their constructors, point to what they use
// without owning it, and keep no state between calls.
class COperatorBase {
public:
    COperatorBase() = default;
    COperatorBase(const COperatorBase&) = delete;
    COperatorBase& operator=(const COperatorBase&) = delete;
    virtual ~COperatorBase() = default;

    virtual int Execute() = 0;
};

// The operator that every slave thread of the engine runs once per master
// iteration. One object is shared by all slave threads, which call
// Execute(threadIndex, threadCount) at the same time.
class CSlaveOperatorBase : public COperatorBase {
public:
    // Runs the operator as the only slave thread.
    int Execute() override { return Execute(0, 1); }
    virtual int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) = 0;
};

// An operator that computes fitness. Evaluate scores one individual; Execute()
// scores the whole population on the calling thread, claiming no busy flags,
// so it may run only while no slave thread works on the population.
template <typename Population>
class CEvalOperatorBase : public COperatorBase {
public:
    using PopulationType = Population;
    using Individual = typename Population::IndividualType;

    explicit CEvalOperatorBase(Population* pop) : population(pop) {}

    // Computes the individual's fitness and stores it with SetFitness.
    virtual int Evaluate(Individual* individual) = 0;

    // Evaluates every individual in index order and returns the bitwise AND of
    // the statuses: 0 once any evaluation asked to stop, 1 otherwise (1 & -1
    // is 1). It never stops early.
    int Execute() override {
        int result = kDone;
        for (std::uint32_t i = 0; i < population->size; ++i) {
            result &= Evaluate(population->GetIndividual(i));
        }
        return result;
    }

    Population* population;  // not owned
};

}  // namespace zarnel
