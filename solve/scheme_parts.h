#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "framework/operator.h"
#include "genome/random.h"
#include "solve/problem.h"
#include "solve/result.h"

// What a scheme of Solve needs to give the engine its operators and to keep
// the failure of a problem's code; shared by the schemes.
namespace zarnel::detail {

// The first exception that left a problem's code during a run. Any thread
// may Note one at any time; the flag is relaxed, read by the other threads
// only to end their phase early and by the master after the phase, when the
// engine's events have ordered the rest; the exception itself is under the
// mutex.
class FirstFailure {
public:
    void Note(std::exception_ptr failure) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!failure_) failure_ = std::move(failure);
        }
        failed_.store(true, std::memory_order_relaxed);
    }
    bool Failed() const { return failed_.load(std::memory_order_relaxed); }
    std::exception_ptr Get() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return failure_;
    }

private:
    std::atomic<bool> failed_{false};
    mutable std::mutex mutex_;  // guards failure_
    std::exception_ptr failure_;
};

// An engine operator (the initialisation or the master pass) that calls a
// member of a scheme; points to the scheme.
template <class Scheme, int (Scheme::*kMember)()>
class SchemeCall final : public COperatorBase {
public:
    explicit SchemeCall(Scheme& scheme) : scheme_(scheme) {}
    int Execute() override { return (scheme_.*kMember)(); }

private:
    Scheme& scheme_;
};

// The slave operator that calls a member of a scheme with the thread's index,
// on every slave thread at once; points to the scheme.
template <class Scheme, int (Scheme::*kMember)(std::uint32_t)>
class SchemeSlaveCall final : public CSlaveOperatorBase {
public:
    explicit SchemeSlaveCall(Scheme& scheme) : scheme_(scheme) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t) override { return (scheme_.*kMember)(threadIndex); }

private:
    Scheme& scheme_;
};

// The problem's improve, when it has one, and the kind's Check of what it
// left: a genome that is none of the kind (a permutation with a city twice,
// a gene out of its bounds) would break the operators that take it as a
// parent, so it ends the run with a SolveError.
template <class Problem, class Kind>
void ImproveAndCheck(const Problem& problem, const Kind& kind, std::span<typename Kind::Gene> genes,
                     Random& random) {
    if constexpr (HasImprove<Problem>) {
        problem.improve(genes, random);
        const std::string fault = kind.Check(std::span<const typename Kind::Gene>(genes));
        if (!fault.empty()) {
            throw SolveError("the problem's improve left a genome that is no " + std::string(Kind::kName) +
                             ": " + fault);
        }
    }
}

}  // namespace zarnel::detail
