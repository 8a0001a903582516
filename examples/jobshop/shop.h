#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "instance.h"

namespace jobshop {

// An instance laid out for the decoders and the local search: by operation
// (number job * machines + k) its job, machine and time, and the place of
// each machine's operations in a flat array of machine sequences (machine i
// owns [First(i), First(i + 1))). Also a lower bound on the makespan: the
// longest job and the busiest machine. Read-only after construction, so any
// number of threads may use it at once.
class Shop {
public:
    explicit Shop(Instance instance);

    const Instance& GetInstance() const { return instance_; }
    std::uint32_t Operations() const { return operations_; }
    std::uint32_t Jobs() const { return instance_.jobs; }
    std::uint32_t Steps() const { return instance_.machines; }  // operations per job
    std::uint32_t Machines() const { return instance_.machines; }
    std::uint32_t Job(std::uint32_t op) const { return op / instance_.machines; }
    std::uint32_t Machine(std::uint32_t op) const { return instance_.machine[op]; }
    std::int64_t Time(std::uint32_t op) const { return instance_.time[op]; }
    bool HasJobPredecessor(std::uint32_t op) const { return op % instance_.machines != 0; }
    bool HasJobSuccessor(std::uint32_t op) const { return op % instance_.machines != instance_.machines - 1; }
    std::uint32_t First(std::uint32_t machine) const { return first_[machine]; }
    std::int64_t LowerBound() const { return lowerBound_; }

private:
    Instance instance_;
    std::uint32_t operations_ = 0;
    std::vector<std::uint32_t> first_;  // Machines() + 1 entries
    std::int64_t lowerBound_ = 0;
};

// The schedules a genome stands for. A genome holds each job once per
// operation; the k-th occurrence of job j is its operation k, and an earlier
// occurrence has the higher priority. `order` (Operations() entries) receives
// the machine sequences, machine i's in [First(i), First(i + 1)). Both return
// the makespan. Any thread; they use the calling thread's scratch space.
//
// Active (Giffler and Thompson): step by step, of the operations whose job
// predecessors are scheduled, the one that could finish first fixes a machine
// and a time; of the operations on that machine that could start before that
// time, the one of highest priority is scheduled. No operation can start
// earlier without delaying another.
std::int64_t DecodeActive(const Shop& shop, std::span<const std::uint32_t> genes,
                          std::span<std::uint32_t> order);
// Semi-active: in the genome's order, each operation starts as soon as its
// job predecessor and the operation before it on its machine have finished.
// It reproduces exactly a schedule whose operations the genome lists in an
// order its precedences allow (Schedule::WriteSequence).
std::int64_t DecodeSemiActive(const Shop& shop, std::span<const std::uint32_t> genes,
                              std::span<std::uint32_t> order);

}  // namespace jobshop
