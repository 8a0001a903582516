#include "schedule.h"

#include <algorithm>
#include <cassert>

namespace jobshop {

void Schedule::Load(const Shop& shop, std::span<const std::uint32_t> order) {
    assert(order.size() == shop.Operations());
    shop_ = &shop;
    order_.assign(order.begin(), order.end());
    position_.resize(order.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) position_[order[i]] = i;
    const std::size_t n = shop.Operations();
    topological_.resize(n);
    indegree_.resize(n);
    head_.resize(n);
    tail_.resize(n);
}

bool Schedule::Evaluate() {
    const Shop& shop = *shop_;
    const std::uint32_t n = shop.Operations();
    // Kahn's order over the job arcs (op - 1 -> op) and the machine arcs.
    std::uint32_t queued = 0;
    for (std::uint32_t op = 0; op < n; ++op) {
        indegree_[op] = (shop.HasJobPredecessor(op) ? 1 : 0) + (MachinePredecessor(op) != kNone ? 1 : 0);
        if (indegree_[op] == 0) topological_[queued++] = op;
    }
    for (std::uint32_t done = 0; done < queued; ++done) {
        const std::uint32_t op = topological_[done];
        if (shop.HasJobSuccessor(op) && --indegree_[op + 1] == 0) topological_[queued++] = op + 1;
        const std::uint32_t next = MachineSuccessor(op);
        if (next != kNone && --indegree_[next] == 0) topological_[queued++] = next;
    }
    if (queued != n) return false;
    makespan_ = 0;
    for (const std::uint32_t op : topological_) {
        std::int64_t head = 0;
        if (shop.HasJobPredecessor(op)) head = head_[op - 1] + shop.Time(op - 1);
        const std::uint32_t before = MachinePredecessor(op);
        if (before != kNone) head = std::max(head, head_[before] + shop.Time(before));
        head_[op] = head;
        makespan_ = std::max(makespan_, head + shop.Time(op));
    }
    for (auto it = topological_.rbegin(); it != topological_.rend(); ++it) {
        const std::uint32_t op = *it;
        std::int64_t tail = 0;
        if (shop.HasJobSuccessor(op)) tail = tail_[op + 1] + shop.Time(op + 1);
        const std::uint32_t after = MachineSuccessor(op);
        if (after != kNone) tail = std::max(tail, tail_[after] + shop.Time(after));
        tail_[op] = tail;
    }
    return true;
}

void Schedule::Move(std::uint32_t op, std::uint32_t to) {
    const std::uint32_t from = position_[op];
    if (from < to) {
        std::rotate(order_.begin() + from, order_.begin() + from + 1, order_.begin() + to + 1);
        for (std::uint32_t i = from; i <= to; ++i) position_[order_[i]] = i;
    } else {
        std::rotate(order_.begin() + to, order_.begin() + from, order_.begin() + from + 1);
        for (std::uint32_t i = to; i <= from; ++i) position_[order_[i]] = i;
    }
}

void Schedule::WriteSequence(std::span<std::uint32_t> genes) const {
    assert(genes.size() == topological_.size());
    for (std::size_t i = 0; i < genes.size(); ++i) genes[i] = shop_->Job(topological_[i]);
}

}  // namespace jobshop
