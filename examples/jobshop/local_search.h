#pragma once

#include <zarnel/genome/random.h>

#include <cstdint>
#include <span>
#include <vector>

#include "schedule.h"
#include "shop.h"

namespace jobshop {

// How a schedule is improved.
struct SearchSettings {
    enum class Method {
        kTabu,     // tabu search on the N7 neighbourhood
        kDescent,  // steepest descent on the N5 neighbourhood
        kNone,     // no local search
    };
    Method method = Method::kTabu;
    // Tabu search: iterations without a better makespan before it stops.
    std::uint32_t patience = 1000;
};

// The critical-block local search. Both methods look at one critical path of
// the schedule and its blocks (the runs of operations on one machine that
// follow each other on the path); only a move inside a block can shorten
// the path.
//   - N5 (Nowicki and Smutnicki, 1996) swaps the first two and the last two
//     operations of each block (not the first pair of the path's first block
//     nor the last pair of its last one, which cannot help); the descent
//     tries the moves in the order of their estimated makespan, takes the
//     first that shortens the schedule, and stops when none does.
//   - N7 (Zhang, Li, Guan and Rao, 2007) adds moving an inner operation of a
//     block to its front or its back, and the first (last) operation to
//     behind (before) each other one. The tabu search takes the move of the
//     best estimated makespan (Balas and Vazacopoulos's head and tail
//     estimate) that is not tabu or that promises a makespan better than the
//     best seen; a move makes the reverse of the orders it changed tabu for
//     a random 10 + jobs/machines to 1.5 times that many iterations. Moves
//     that could close a cycle are left out.
// Const and reentrant: every slave thread may call Improve at once; each
// keeps its scratch space in a per-thread buffer.
class LocalSearch {
public:
    LocalSearch(const Shop& shop, SearchSettings settings) : shop_(shop), settings_(settings) {}

    const Shop& GetShop() const { return shop_; }

    // Improves the better of the genome's active and semi-active schedules
    // and writes the result back as the genome whose semi-active decoding it
    // is. Returns the makespan written.
    std::int64_t Improve(std::span<std::uint32_t> genes, zarnel::Random& random) const;

    // Improves `schedule` (loaded and evaluated) in place; returns its new
    // makespan. Never worse than on entry.
    std::int64_t ImproveSchedule(Schedule& schedule, zarnel::Random& random) const;

private:
    const Shop& shop_;
    SearchSettings settings_;
};

// The makespan that a genome stands for: the better of its active and
// semi-active schedules. Any thread.
std::int64_t Makespan(const Shop& shop, std::span<const std::uint32_t> genes);

// The start time of every operation (job by job, each job's in its order) in
// the schedule that Makespan measures.
std::vector<std::int64_t> StartTimes(const Shop& shop, std::span<const std::uint32_t> genes);

}  // namespace jobshop
