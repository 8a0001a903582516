#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "shop.h"

namespace jobshop {

// A schedule given by its machine sequences (the disjunctive graph with
// every machine's order fixed), with what the local search reads of it: for
// each operation its head (the earliest start: the longest path from the
// start to it) and its tail (the longest path from its end to the end of
// the schedule), a topological order of the operations, and the makespan.
// Owns its buffers, which keep their size between uses; points to the shop.
// One thread.
class Schedule {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Takes the machine sequences `order` (machine i's in [First(i),
    // First(i + 1))) of `shop`; Evaluate must follow before the heads, tails
    // and makespan are read.
    void Load(const Shop& shop, std::span<const std::uint32_t> order);

    // Computes heads, tails, the topological order and the makespan; false
    // when the sequences hold a cycle (then those are not valid).
    bool Evaluate();

    const Shop& GetShop() const { return *shop_; }
    std::span<const std::uint32_t> Order() const { return order_; }
    std::uint32_t Position(std::uint32_t op) const { return position_[op]; }
    std::int64_t Head(std::uint32_t op) const { return head_[op]; }
    std::int64_t Tail(std::uint32_t op) const { return tail_[op]; }
    std::int64_t Makespan() const { return makespan_; }
    std::uint32_t MachinePredecessor(std::uint32_t op) const {
        const std::uint32_t at = position_[op];
        return at == shop_->First(shop_->Machine(op)) ? kNone : order_[at - 1];
    }
    std::uint32_t MachineSuccessor(std::uint32_t op) const {
        const std::uint32_t at = position_[op];
        return at + 1 == shop_->First(shop_->Machine(op) + 1) ? kNone : order_[at + 1];
    }

    // Moves `op` to position `to` of its machine's sequence (a flat
    // position, in the same machine's range), shifting the operations
    // between by one.
    void Move(std::uint32_t op, std::uint32_t to);

    // The jobs of the operations in the topological order of the last
    // successful Evaluate: a genome whose semi-active decoding is this
    // schedule.
    void WriteSequence(std::span<std::uint32_t> genes) const;

private:
    const Shop* shop_ = nullptr;
    std::vector<std::uint32_t> order_, position_, topological_, indegree_;
    std::vector<std::int64_t> head_, tail_;
    std::int64_t makespan_ = 0;
};

}  // namespace jobshop
