#include "shop.h"

#include <zarnel/platform/per_thread.h>

#include <algorithm>
#include <cassert>
#include <limits>

namespace jobshop {

namespace {

// A thread's decoder buffers, reused by its next decode.
struct DecoderScratch {
    std::vector<std::uint32_t> priority;  // by operation: its position in the genome
    std::vector<std::uint32_t> next;      // by job: its next operation's step
    std::vector<std::int64_t> jobReady;   // by job
    std::vector<std::int64_t> machineReady;
    std::vector<std::uint32_t> fill;  // by machine: where its next operation goes in `order`

    void Reset(const Shop& shop) {
        next.assign(shop.Jobs(), 0);
        jobReady.assign(shop.Jobs(), 0);
        machineReady.assign(shop.Machines(), 0);
        fill.resize(shop.Machines());
        for (std::uint32_t i = 0; i < shop.Machines(); ++i) fill[i] = shop.First(i);
    }
};

}  // namespace

Shop::Shop(Instance instance) : instance_(std::move(instance)) {
    operations_ = instance_.Operations();
    std::vector<std::int64_t> load(instance_.machines, 0);
    first_.assign(instance_.machines + 1, 0);
    for (std::uint32_t op = 0; op < operations_; ++op) {
        ++first_[Machine(op) + 1];
        load[Machine(op)] += Time(op);
    }
    for (std::uint32_t i = 0; i < instance_.machines; ++i) first_[i + 1] += first_[i];
    for (std::uint32_t j = 0; j < instance_.jobs; ++j) {
        std::int64_t length = 0;
        for (std::uint32_t k = 0; k < instance_.machines; ++k) length += instance_.Time(j, k);
        lowerBound_ = std::max(lowerBound_, length);
    }
    for (const std::int64_t busy : load) lowerBound_ = std::max(lowerBound_, busy);
}

std::int64_t DecodeActive(const Shop& shop, std::span<const std::uint32_t> genes,
                          std::span<std::uint32_t> order) {
    assert(genes.size() == shop.Operations() && order.size() == shop.Operations());
    DecoderScratch& scratch = zarnel::platform::PerThread<DecoderScratch>();
    scratch.Reset(shop);
    const std::uint32_t steps = shop.Steps(), jobs = shop.Jobs();
    scratch.priority.resize(shop.Operations());
    for (std::uint32_t i = 0; i < genes.size(); ++i) {
        const std::uint32_t job = genes[i];
        scratch.priority[job * steps + scratch.next[job]++] = i;
    }
    std::fill(scratch.next.begin(), scratch.next.end(), 0u);
    std::int64_t makespan = 0;
    for (std::uint32_t scheduled = 0; scheduled < shop.Operations(); ++scheduled) {
        // The operation that could finish first fixes the machine and the time.
        std::int64_t soonest = std::numeric_limits<std::int64_t>::max();
        std::uint32_t machine = 0;
        for (std::uint32_t j = 0; j < jobs; ++j) {
            if (scratch.next[j] == steps) continue;
            const std::uint32_t op = j * steps + scratch.next[j];
            const std::int64_t finish =
                std::max(scratch.jobReady[j], scratch.machineReady[shop.Machine(op)]) + shop.Time(op);
            if (finish < soonest) {
                soonest = finish;
                machine = shop.Machine(op);
            }
        }
        // Of the operations on it that could start before then, the genome's first.
        std::uint32_t chosen = 0, best = std::numeric_limits<std::uint32_t>::max();
        std::int64_t chosenStart = 0;
        for (std::uint32_t j = 0; j < jobs; ++j) {
            if (scratch.next[j] == steps) continue;
            const std::uint32_t op = j * steps + scratch.next[j];
            if (shop.Machine(op) != machine) continue;
            const std::int64_t start = std::max(scratch.jobReady[j], scratch.machineReady[machine]);
            // The soonest-finishing operation itself always qualifies, a zero time included.
            if ((start < soonest || start + shop.Time(op) == soonest) && scratch.priority[op] < best) {
                best = scratch.priority[op];
                chosen = op;
                chosenStart = start;
            }
        }
        const std::uint32_t job = shop.Job(chosen);
        const std::int64_t finish = chosenStart + shop.Time(chosen);
        order[scratch.fill[machine]++] = chosen;
        scratch.jobReady[job] = scratch.machineReady[machine] = finish;
        ++scratch.next[job];
        makespan = std::max(makespan, finish);
    }
    return makespan;
}

std::int64_t DecodeSemiActive(const Shop& shop, std::span<const std::uint32_t> genes,
                              std::span<std::uint32_t> order) {
    assert(genes.size() == shop.Operations() && order.size() == shop.Operations());
    DecoderScratch& scratch = zarnel::platform::PerThread<DecoderScratch>();
    scratch.Reset(shop);
    std::int64_t makespan = 0;
    for (const std::uint32_t job : genes) {
        const std::uint32_t op = job * shop.Steps() + scratch.next[job]++;
        const std::uint32_t machine = shop.Machine(op);
        const std::int64_t finish =
            std::max(scratch.jobReady[job], scratch.machineReady[machine]) + shop.Time(op);
        order[scratch.fill[machine]++] = op;
        scratch.jobReady[job] = scratch.machineReady[machine] = finish;
        makespan = std::max(makespan, finish);
    }
    return makespan;
}

}  // namespace jobshop
