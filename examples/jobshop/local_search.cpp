#include "local_search.h"

#include <zarnel/platform/per_thread.h>

#include <algorithm>
#include <cassert>
#include <limits>
#include <vector>

namespace jobshop {

namespace {

constexpr std::uint32_t kNone = Schedule::kNone;

// A move: operation `op` goes to flat position `to` of its machine's
// sequence (behind the operation there when `to` is later than its own
// place, before it otherwise).
struct Move {
    std::uint32_t op = 0;
    std::uint32_t to = 0;
    std::int64_t estimate = 0;
};

// A thread's buffers, reused by its next search.
struct Workspace {
    Schedule schedule;
    std::vector<std::uint32_t> order;  // a decoded schedule's machine sequences
    std::vector<std::uint32_t> best;   // the best machine sequences seen
    std::vector<std::uint32_t> path;   // a critical path, first operation first
    std::vector<Move> moves;
    std::vector<std::uint32_t> segment;  // a move's operations in their new order
    std::vector<std::int64_t> heads;     // their estimated heads
    // tabu[a * jobs + job(b)] > clock: putting a before b (on their machine) is tabu.
    std::vector<std::uint64_t> tabu;
    std::uint64_t clock = 0;
};

// What one search reads and changes, over one schedule.
class Search {
public:
    Search(const Shop& shop, Schedule& schedule, Workspace& work)
        : shop_(shop), schedule_(schedule), work_(work) {}

    // One critical path, from its first operation: back from an operation
    // that ends last, along arcs without slack, machine arcs first.
    void CriticalPath() {
        std::vector<std::uint32_t>& path = work_.path;
        path.clear();
        std::uint32_t op = 0;
        while (schedule_.Head(op) + shop_.Time(op) != schedule_.Makespan()) ++op;
        for (;;) {
            path.push_back(op);
            const std::uint32_t before = schedule_.MachinePredecessor(op);
            if (before != kNone && schedule_.Head(before) + shop_.Time(before) == schedule_.Head(op)) {
                op = before;
            } else if (shop_.HasJobPredecessor(op) &&
                       schedule_.Head(op - 1) + shop_.Time(op - 1) == schedule_.Head(op)) {
                op = op - 1;
            } else {
                break;
            }
        }
        std::reverse(path.begin(), path.end());
    }

    // The moves of N7 (or N5) within the blocks of the critical path that
    // cannot close a cycle, each with its estimate.
    void Neighbourhood(bool n7) {
        std::vector<Move>& moves = work_.moves;
        moves.clear();
        const std::vector<std::uint32_t>& path = work_.path;
        for (std::size_t begin = 0; begin < path.size();) {
            std::size_t end = begin + 1;
            while (end < path.size() && schedule_.MachineSuccessor(path[end - 1]) == path[end]) ++end;
            const std::size_t length = end - begin;
            if (length >= 2) {
                const std::uint32_t first = schedule_.Position(path[begin]);
                const std::uint32_t last = schedule_.Position(path[end - 1]);
                // The swaps of the first and of the last pair (one move in a block of
                // two), but for the first pair of the path's first block and the last
                // pair of its last.
                const bool swapFirst = begin != 0, swapLast = end != path.size();
                if (swapFirst || (length == 2 && swapLast)) Add(path[begin], first + 1);
                if (length > 2 && swapLast) Add(path[end - 1], last - 1);
                // With N7, the first behind every later one and the last before every
                // earlier one.
                for (std::uint32_t to = first + 2; n7 && to <= last; ++to) Add(path[begin], to);
                for (std::uint32_t to = first; n7 && length > 2 && to + 2 <= last; ++to)
                    Add(path[end - 1], to);
                // With N7, each inner operation to the front and to the back.
                for (std::size_t i = begin + 1; n7 && i + 1 < end; ++i) {
                    if (i > begin + 1) Add(path[i], first);
                    if (i + 2 < end) Add(path[i], last);
                }
            }
            begin = end;
        }
    }

    // A move is tabu when it puts two operations back in an order that a
    // recent move reversed.
    bool Tabu(const Move& move) const {
        const std::uint32_t from = schedule_.Position(move.op);
        const std::uint32_t jobs = shop_.Jobs();
        const std::span<const std::uint32_t> order = schedule_.Order();
        if (move.to > from) {
            for (std::uint32_t i = from + 1; i <= move.to; ++i) {
                if (work_.tabu[std::size_t{order[i]} * jobs + shop_.Job(move.op)] > work_.clock) return true;
            }
        } else {
            for (std::uint32_t i = move.to; i < from; ++i) {
                if (work_.tabu[std::size_t{move.op} * jobs + shop_.Job(order[i])] > work_.clock) return true;
            }
        }
        return false;
    }

    // Makes the move and marks the reverse of every order it changed tabu for
    // `tenure` iterations.
    void Apply(const Move& move, std::uint32_t tenure) {
        const std::uint32_t from = schedule_.Position(move.op);
        const std::uint32_t jobs = shop_.Jobs();
        const std::span<const std::uint32_t> order = schedule_.Order();
        const std::uint64_t until = work_.clock + tenure;
        if (move.to > from) {
            for (std::uint32_t i = from + 1; i <= move.to; ++i)
                work_.tabu[std::size_t{move.op} * jobs + shop_.Job(order[i])] = until;
        } else {
            for (std::uint32_t i = move.to; i < from; ++i)
                work_.tabu[std::size_t{order[i]} * jobs + shop_.Job(move.op)] = until;
        }
        schedule_.Move(move.op, move.to);
    }

private:
    std::int64_t JobHead(std::uint32_t op) const {
        return shop_.HasJobPredecessor(op) ? schedule_.Head(op - 1) + shop_.Time(op - 1) : 0;
    }
    std::int64_t JobTail(std::uint32_t op) const {
        return shop_.HasJobSuccessor(op) ? schedule_.Tail(op + 1) + shop_.Time(op + 1) : 0;
    }

    // Adds the move of `op` to `to` unless it could close a cycle. Moving u
    // behind v cannot when v's tail is at least that of u's job successor
    // (no path leads from that successor to v); moving u before v, when v's
    // head is at least that of u's job predecessor.
    void Add(std::uint32_t op, std::uint32_t to) {
        const std::uint32_t from = schedule_.Position(op);
        const std::uint32_t other = schedule_.Order()[to];
        const std::span<const std::uint32_t> order = schedule_.Order();
        std::vector<std::uint32_t>& segment = work_.segment;
        segment.clear();
        std::int64_t before = 0, after = 0;
        const std::uint32_t machine = shop_.Machine(op);
        const std::uint32_t low = std::min(from, to), high = std::max(from, to);
        if (low > shop_.First(machine)) before = schedule_.Head(order[low - 1]) + shop_.Time(order[low - 1]);
        if (high + 1 < shop_.First(machine + 1))
            after = schedule_.Tail(order[high + 1]) + shop_.Time(order[high + 1]);
        if (to > from) {
            if (shop_.HasJobSuccessor(op) &&
                (op + 1 == other || schedule_.Tail(other) + shop_.Time(other) < JobTail(op)))
                return;
            for (std::uint32_t i = from + 1; i <= to; ++i) segment.push_back(order[i]);
            segment.push_back(op);
        } else {
            if (shop_.HasJobPredecessor(op) &&
                (op - 1 == other || schedule_.Head(other) + shop_.Time(other) < JobHead(op)))
                return;
            segment.push_back(op);
            for (std::uint32_t i = to; i < from; ++i) segment.push_back(order[i]);
        }
        // Heads forward and tails backward along the segment in its new order,
        // every other operation where it was.
        std::vector<std::int64_t>& heads = work_.heads;
        heads.resize(segment.size());
        std::int64_t end = before;
        for (std::size_t i = 0; i < segment.size(); ++i) {
            heads[i] = std::max(JobHead(segment[i]), end);
            end = heads[i] + shop_.Time(segment[i]);
        }
        std::int64_t estimate = 0, tail = after;
        for (std::size_t i = segment.size(); i-- > 0;) {
            const std::int64_t own = std::max(JobTail(segment[i]), tail);
            estimate = std::max(estimate, heads[i] + shop_.Time(segment[i]) + own);
            tail = own + shop_.Time(segment[i]);
        }
        work_.moves.push_back({op, to, estimate});
    }

    const Shop& shop_;
    Schedule& schedule_;
    Workspace& work_;
};

std::int64_t Descent(const Shop& shop, Schedule& schedule, Workspace& work) {
    Search search(shop, schedule, work);
    for (;;) {
        search.CriticalPath();
        search.Neighbourhood(false);
        std::sort(work.moves.begin(), work.moves.end(),
                  [](const Move& a, const Move& b) { return a.estimate < b.estimate; });
        const std::int64_t makespan = schedule.Makespan();
        bool improved = false;
        for (const Move& move : work.moves) {
            const std::uint32_t from = schedule.Position(move.op);
            schedule.Move(move.op, move.to);
            if (schedule.Evaluate() && schedule.Makespan() < makespan) {
                improved = true;
                break;
            }
            schedule.Move(move.op, from);
        }
        if (!improved) {
            schedule.Evaluate();
            return schedule.Makespan();
        }
    }
}

std::int64_t Tabu(const Shop& shop, Schedule& schedule, Workspace& work, std::uint32_t patience,
                  zarnel::Random& random) {
    Search search(shop, schedule, work);
    const std::uint32_t base = 10 + shop.Jobs() / shop.Machines();
    const std::size_t cells = std::size_t{shop.Operations()} * shop.Jobs();
    if (work.tabu.size() < cells) work.tabu.resize(cells, 0);
    // Marks left by an earlier search are all in the past: each search is a
    // function of its schedule and generator alone.
    work.clock += base + base / 2 + 1;
    const std::span<const std::uint32_t> order = schedule.Order();
    work.best.assign(order.begin(), order.end());
    std::int64_t best = schedule.Makespan();
    for (std::uint32_t stale = 0; stale < patience && best > shop.LowerBound(); ++stale) {
        ++work.clock;
        search.CriticalPath();
        search.Neighbourhood(true);
        if (work.moves.empty()) break;  // one job, or blocks of one: the makespan is optimal
        // The best allowed move, ties broken at random; when every move is
        // tabu and none beats the best, a random one.
        const Move* chosen = nullptr;
        std::uint32_t ties = 0;
        for (const Move& move : work.moves) {
            if (move.estimate >= best && search.Tabu(move)) continue;
            if (chosen == nullptr || move.estimate < chosen->estimate) {
                chosen = &move;
                ties = 1;
            } else if (move.estimate == chosen->estimate && random.Below(++ties) == 0) {
                chosen = &move;
            }
        }
        if (chosen == nullptr)
            chosen = &work.moves[random.Below(static_cast<std::uint32_t>(work.moves.size()))];
        const Move move = *chosen;
        const std::uint32_t from = schedule.Position(move.op);
        search.Apply(move, base + random.Below(base / 2 + 1));
        if (!schedule.Evaluate()) {
            // A zero time can hide a cycle from the estimate's test: undo.
            schedule.Move(move.op, from);
            schedule.Evaluate();
            continue;
        }
        if (schedule.Makespan() < best) {
            best = schedule.Makespan();
            work.best.assign(order.begin(), order.end());
            stale = 0;
        }
    }
    schedule.Load(shop, work.best);
    schedule.Evaluate();
    return schedule.Makespan();
}

}  // namespace

std::int64_t LocalSearch::ImproveSchedule(Schedule& schedule, zarnel::Random& random) const {
    Workspace& work = zarnel::platform::PerThread<Workspace>();
    switch (settings_.method) {
        case SearchSettings::Method::kTabu:
            return Tabu(shop_, schedule, work, settings_.patience, random);
        case SearchSettings::Method::kDescent:
            return Descent(shop_, schedule, work);
        case SearchSettings::Method::kNone:
            break;
    }
    return schedule.Makespan();
}

std::int64_t LocalSearch::Improve(std::span<std::uint32_t> genes, zarnel::Random& random) const {
    Workspace& work = zarnel::platform::PerThread<Workspace>();
    work.order.resize(shop_.Operations());
    work.best.resize(shop_.Operations());
    const std::int64_t active = DecodeActive(shop_, genes, work.order);
    const std::int64_t semiActive = DecodeSemiActive(shop_, genes, work.best);
    work.schedule.Load(shop_, semiActive < active ? work.best : work.order);
    work.schedule.Evaluate();
    const std::int64_t makespan = ImproveSchedule(work.schedule, random);
    work.schedule.WriteSequence(genes);
    return makespan;
}

std::int64_t Makespan(const Shop& shop, std::span<const std::uint32_t> genes) {
    std::vector<std::uint32_t>& order =
        zarnel::platform::PerThread<struct MakespanOrder, std::vector<std::uint32_t>>();
    order.resize(shop.Operations());
    return std::min(DecodeActive(shop, genes, order), DecodeSemiActive(shop, genes, order));
}

std::vector<std::int64_t> StartTimes(const Shop& shop, std::span<const std::uint32_t> genes) {
    std::vector<std::uint32_t> active(shop.Operations()), semiActive(shop.Operations());
    const bool semi = DecodeSemiActive(shop, genes, semiActive) < DecodeActive(shop, genes, active);
    Schedule schedule;
    schedule.Load(shop, semi ? semiActive : active);
    schedule.Evaluate();
    std::vector<std::int64_t> start(shop.Operations());
    for (std::uint32_t op = 0; op < shop.Operations(); ++op) start[op] = schedule.Head(op);
    return start;
}

}  // namespace jobshop
