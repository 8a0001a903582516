#include "nqueen/fast_operators.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <thread>
#include <type_traits>
#include <utility>

#include "framework/best_individual.h"
#include "framework/claim_guard.h"
#include "framework/thread_stats.h"
#include "genome/permutation_variation.h"
#include "nqueen/mutation_operator.h"
#include "run/seed.h"

namespace zarnel {

namespace {

template <typename Gene>
void Shuffle(Gene* genes, std::uint32_t n, FastRandom& random) {
    if constexpr (std::is_same_v<Gene, std::uint32_t>) {
        permutation::Shuffle(std::span<std::uint32_t>(genes, n), random);
    } else {
        // The layer's shuffle takes 32-bit genes; this one makes the same draws.
        for (std::uint32_t j = 0; j < n; ++j) genes[j] = static_cast<Gene>(j);
        for (std::uint32_t j = n; j > 1; --j) std::swap(genes[j - 1], genes[random.Below(j)]);
    }
}

// A fresh board in `individual`, scored.
template <typename Gene>
void Rebuild(QueenIndividualOf<Gene>* individual, FastWorkOf<Gene>& work, FastRandom& random,
             const FastOptions& options) {
    const std::uint32_t n = individual->GetLength();
    Gene* genes = individual->GetGenes();
    if (options.buildBoards) {
        work.board.Build(genes, n, random, options.buildTries);
    } else {
        Shuffle(genes, n, random);
        work.board.Load(genes, n);
    }
    individual->SetFitness(work.board.Fitness());
    CountEvaluation();
}

// A random swap (when asked) and the bounded repair of the board already
// loaded in work.board, then its fitness into `individual`.
template <typename Gene>
void MutateAndRepair(QueenIndividualOf<Gene>* individual, FastWorkOf<Gene>& work, FastRandom& random,
                     const FastOptions& options, bool swap, RepairCutoff cutoff = {}) {
    const std::uint32_t n = individual->GetLength();
    if (swap && n >= 2) {
        const std::uint32_t a = random.Below(n);
        const std::uint32_t b = (a + 1 + random.Below(n - 1)) % n;
        work.board.Swap(a, b);
    }
    if (options.improve) work.board.Improve(random, options.RepairBudget(n), options.repairTries, cutoff);
    individual->SetFitness(work.board.Fitness());
    CountEvaluation();
}

template <typename Individual>
void OrderPair(Individual*& first, Individual*& second) {
    if (!(*first->GetFitness() >= *second->GetFitness())) std::swap(first, second);
}

// Orders three individuals best first; on an ordered three it swaps none.
template <typename Individual>
void OrderThree(Individual*& x1, Individual*& x2, Individual*& x3) {
    OrderPair(x1, x2);
    OrderPair(x2, x3);
    OrderPair(x1, x2);
}

// The child of one tournament step: x3, the worst of the three, is replaced
// by a child of the other two. True when any of the three is a solution. A
// due `cutoff` ends the child's repair early.
template <typename Gene>
bool Breed(QueenIndividualOf<Gene>* x1, QueenIndividualOf<Gene>* x2, QueenIndividualOf<Gene>* x3,
           FastWorkOf<Gene>& work, FastRandom& random, const FastOptions& options, RepairCutoff cutoff = {}) {
    OrderThree(x1, x2, x3);
    CountStep();

    const std::uint32_t n = x3->GetLength();
    Gene* child = x3->GetGenes();
    bool copy = !options.crossover;
    if (!copy) {
        CycleCrossover(x1->GetGenes(), x2->GetGenes(), child, n, work, random, options.secondParentShare);
        work.board.Load(child, n);
        copy = options.Clashed(work.board.Conflicts(), n, *x1->GetFitness(), *x2->GetFitness());
    }
    if (copy) {
        std::copy(x1->GetGenes(), x1->GetGenes() + n, child);
        work.board.Load(child, n);
    }
    MutateAndRepair(x3, work, random, options, options.childSwap, cutoff);
    return *x1->GetFitness() == 0.0f || *x2->GetFitness() == 0.0f || *x3->GetFitness() == 0.0f;
}

}  // namespace

std::uint64_t FastOptions::RepairBudget(std::uint32_t n) const {
    const auto scaled = static_cast<std::uint64_t>(std::ceil(repairPerQueen * static_cast<double>(n)));
    return std::max(scaled, repairMinimum);
}

bool FastOptions::Clashed(std::int64_t conflicts, std::uint32_t n, float fitness1, float fitness2) const {
    if (clashFactor <= 0.0) return false;
    const double parents =
        std::fabs(static_cast<double>(fitness1)) + std::fabs(static_cast<double>(fitness2));
    return static_cast<double>(conflicts) > clashFactor * static_cast<double>(n) * parents;
}

template <typename Gene>
FastWorkOf<Gene>::FastWorkOf(std::uint64_t seed, std::uint32_t n) : random(seed), positions(n), visited(n) {}

template <typename Gene>
void CycleCrossover(const Gene* p1, const Gene* p2, Gene* child, std::uint32_t n, FastWorkOf<Gene>& work,
                    FastRandom& random, double secondShare) {
    if (work.positions.size() < n) work.positions.resize(n);
    if (work.visited.size() < n) work.visited.resize(n);
    // A cycle is walked over values: from p1's value at a position to p2's
    // value at the same position. One lookup per step, so that a long cycle
    // on a large board waits for one memory access a step, not two.
    std::uint32_t* nextValue = work.positions.data();
    // Per value: 0 not yet on a walked cycle, 1 on a cycle taken from p1, 2
    // from p2.
    std::uint8_t* parentOf = work.visited.data();
    for (std::uint32_t i = 0; i < n; ++i) {
        nextValue[p1[i]] = p2[i];
        parentOf[i] = 0;
    }
    // The cycles in the order of their first position, each from a parent
    // drawn as it is met.
    for (std::uint32_t start = 0; start < n; ++start) {
        const std::uint32_t first = p1[start];
        if (parentOf[first] != 0) continue;
        const std::uint8_t from = random.Chance(secondShare) ? 2 : 1;
        std::uint32_t value = first;
        do {
            parentOf[value] = from;
            value = nextValue[value];
        } while (value != first);
    }
    // The values of p1 on a cycle are those of p2 on it, so copying a whole
    // cycle from either parent keeps the child a permutation.
    for (std::uint32_t i = 0; i < n; ++i) child[i] = parentOf[p1[i]] == 2 ? p2[i] : p1[i];
}

template <typename Gene>
void CycleCrossover(const Gene* p1, const Gene* p2, Gene* child, std::uint32_t n, FastWorkOf<Gene>& work,
                    double secondShare) {
    CycleCrossover(p1, p2, child, n, work, work.random, secondShare);
}

template <typename Gene>
std::vector<std::unique_ptr<FastWorkOf<Gene>>> MakeFastWork(std::uint32_t threadCount, std::uint64_t runSeed,
                                                            std::uint32_t n) {
    std::vector<std::unique_ptr<FastWorkOf<Gene>>> slots;
    slots.reserve(static_cast<std::size_t>(threadCount) + 1);
    for (std::uint32_t j = 0; j <= threadCount; ++j)
        slots.push_back(std::make_unique<FastWorkOf<Gene>>(run::DeriveSeed(runSeed, j), n));
    return slots;
}

template <typename Gene>
bool CNQueenFastInitOperatorOf<Gene>::BuildShare(std::uint32_t first, std::uint32_t stride,
                                                 FastWorkOf<Gene>& work,
                                                 std::atomic<std::uint32_t>& next) const {
    try {
        if (lanes_ != nullptr) {
            // Handed out one by one; relaxed, as the join orders the writes.
            for (std::uint32_t i = next.fetch_add(1, std::memory_order_relaxed); i < population_->size;
                 i = next.fetch_add(1, std::memory_order_relaxed)) {
                FastRandom random = lanes_->InitRandom(i);
                Rebuild(population_->GetIndividual(i), work, random, options_);
            }
            return true;
        }
        for (std::uint32_t i = first; i < population_->size; i += stride)
            Rebuild(population_->GetIndividual(i), work, work.random, options_);
        return true;
    } catch (...) {
        return false;
    }
}

template <typename Gene>
int CNQueenFastInitOperatorOf<Gene>::Execute() {
    if (work_.empty()) return kFailed;
    const auto stride = static_cast<std::uint32_t>(work_.size());
    // One flag per share, each written by its own thread only and read after
    // the join.
    std::vector<char> built(stride, 0);
    // The helpers count their evaluations apart; they are added to this
    // thread's figures after the join.
    std::vector<ThreadStats> counted(stride);
    std::atomic<std::uint32_t> next{0};
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(stride - 1);
        for (std::uint32_t j = 1; j < stride; ++j) {
            helpers.emplace_back([this, j, stride, &built, &counted, &next] {
                const ThreadStatsScope scope(&counted[j]);
                built[j] = BuildShare(j, stride, *work_[j], next);
            });
        }
    } catch (...) {
        // No thread for the remaining shares: this thread builds them.
    }
    built[0] = BuildShare(0, stride, *work_[0], next);
    for (auto j = static_cast<std::uint32_t>(helpers.size()) + 1; j < stride; ++j)
        built[j] = BuildShare(j, stride, *work_[0], next);
    for (std::thread& helper : helpers) helper.join();
    if (ThreadStats* stats = currentThreadStats) {
        for (const ThreadStats& share : counted) *stats += share;
    }
    return std::find(built.begin(), built.end(), 0) == built.end() ? kDone : kFailed;
}

template <typename Gene>
int CNQueenFastResumeOperatorOf<Gene>::Execute() {
    try {
        const std::uint32_t size = population_->size;
        for (std::uint32_t i = 0; i < size; ++i) {
            QueenIndividualOf<Gene>* individual = population_->GetIndividual(i);
            const std::uint32_t n = individual->GetLength();
            std::copy_n(genes_.data() + std::size_t{i} * n, n, individual->GetGenes());
            work_->board.Load(individual->GetGenes(), n);
            individual->SetFitness(work_->board.Fitness());
            CountEvaluation();
        }
        // The copy is in the population now; the run need not hold it twice.
        std::vector<Gene>().swap(genes_);
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

template <typename Gene>
void CNQueenFastSlaveOperatorOf<Gene>::LaneUndo::Begin(std::uint32_t lane) {
    LaneRecord& record = records[lane];
    record.written.clear();
    record.fitness.clear();
    record.genes.clear();
}

template <typename Gene>
void CNQueenFastSlaveOperatorOf<Gene>::LaneUndo::Undo(std::uint32_t lane) {
    LaneRecord& record = records[lane];
    for (std::size_t k = record.written.size(); k-- > 0;) {
        QueenIndividualOf<Gene>* individual = record.written[k];
        const std::uint32_t n = individual->GetLength();
        std::copy_n(record.genes.data() + k * n, n, individual->GetGenes());
        individual->SetFitness(record.fitness[k]);
    }
    Begin(lane);
}

template <typename Gene>
int CNQueenFastSlaveOperatorOf<Gene>::Execute(std::uint32_t threadIndex, std::uint32_t /*threadCount*/) {
    if (threadIndex >= work_.size()) return kFailed;
    FastWorkOf<Gene>& work = *work_[threadIndex];
    if (lanes_ != nullptr) {
        if (undo_.records.size() != lanes_->Count()) return kFailed;
        return lanes_->RunPhase(
            [&](FastRandom& random, std::span<const std::uint32_t> slice, std::uint32_t lane) {
                try {
                    // The slice is this lane's alone: three distinct draws
                    // are the step's claims.
                    std::uint32_t picked[FastLanes::kTournament];
                    for (std::uint32_t c = 0; c < FastLanes::kTournament;) {
                        const std::uint32_t index =
                            slice[random.Below(static_cast<std::uint32_t>(slice.size()))];
                        if (std::find(picked, picked + c, index) != picked + c) continue;
                        CountClaim(true);
                        picked[c++] = index;
                    }
                    QueenIndividualOf<Gene>* x1 = population_->GetIndividual(picked[0]);
                    QueenIndividualOf<Gene>* x2 = population_->GetIndividual(picked[1]);
                    QueenIndividualOf<Gene>* x3 = population_->GetIndividual(picked[2]);
                    // The one the child replaces goes to the lane's record
                    // first, so that the round can be taken back.
                    OrderThree(x1, x2, x3);
                    LaneRecord& record = undo_.records[lane];
                    const std::uint32_t n = x3->GetLength();
                    record.genes.insert(record.genes.end(), x3->GetGenes(), x3->GetGenes() + n);
                    record.fitness.push_back(*x3->GetFitness());
                    record.written.push_back(x3);
                    return Breed(x1, x2, x3, work, random, options_,
                                 RepairCutoff{&lanes_->FirstSolved(), lane})
                               ? kStop
                               : kDone;
                } catch (...) {
                    return kFailed;
                }
            },
            undo_);
    }
    const RepairCutoff cutoff{&unsolved_, 1};
    for (std::uint32_t step = 0; step < steps_; ++step) {
        if (unsolved_.load(std::memory_order_relaxed) == 0) return kStop;
        const int status = Step(work, cutoff);
        if (status == kStop) {
            unsolved_.store(0, std::memory_order_relaxed);
            return kStop;
        }
        if (status == kFailed) return kFailed;
    }
    return kDone;
}

template <typename Gene>
int CNQueenFastSlaveOperatorOf<Gene>::Step(FastWorkOf<Gene>& work, RepairCutoff cutoff) {
    if (population_->size < 3) return kFailed;
    try {
        ClaimGuard<Population> claims[3];
        ClaimDistinct(*population_, claims, 3, [&work] { return work.random.Next(); });
        return Breed(claims[0].Get(), claims[1].Get(), claims[2].Get(), work, work.random, options_, cutoff)
                   ? kStop
                   : kDone;
    } catch (...) {
        return kFailed;
    }
}

template <typename Gene>
int CNQueenFastMasterOperatorOf<Gene>::Execute() {
    // A run without slave threads runs the lanes here, as a phase before
    // the pass.
    if (inlinePhase_ != nullptr && inlinePhase_->Execute(0, 1) == kStop) return kStop;
    const int status = Pass();
    if (status != kStop && lanes_ != nullptr) lanes_->Deal(master_->random);
    return status;
}

template <typename Gene>
int CNQueenFastMasterOperatorOf<Gene>::Pass() {
    try {
        const std::uint32_t size = population_->size;
        if (size < 2) return kDone;
        const std::uint32_t best = BestIndividualIndex(*population_);
        QueenIndividualOf<Gene>* top = population_->GetIndividual(best);
        if (*top->GetFitness() == 0.0f) return kStop;
        const std::uint32_t n = top->GetLength();
        if (options_.spreadBest) {
            // Copies of the best crowd out the rest; rebuilt, they search anew.
            for (std::uint32_t i = 0; i < size; ++i) {
                QueenIndividualOf<Gene>* other = population_->GetIndividual(i);
                if (i == best || *other->GetFitness() != *top->GetFitness()) continue;
                if (!std::equal(top->GetGenes(), top->GetGenes() + n, other->GetGenes())) continue;
                Rebuild(other, *master_, master_->random, options_);
                if (*other->GetFitness() == 0.0f) return kStop;
            }
        }
        const std::uint32_t repairs = MutationSwapCount(size, rate_);
        for (std::uint32_t r = 0; r < repairs; ++r) {
            std::uint32_t target;
            do {
                target = master_->random.Below(size);
            } while (target == best);
            QueenIndividualOf<Gene>* individual = population_->GetIndividual(target);
            master_->board.Load(individual->GetGenes(), n);
            MutateAndRepair(individual, *master_, master_->random, options_, true);
            if (*individual->GetFitness() == 0.0f) return kStop;
        }
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

template struct FastWorkOf<std::uint16_t>;
template struct FastWorkOf<std::uint32_t>;
template std::vector<std::unique_ptr<FastWorkOf<std::uint16_t>>> MakeFastWork<std::uint16_t>(std::uint32_t,
                                                                                             std::uint64_t,
                                                                                             std::uint32_t);
template std::vector<std::unique_ptr<FastWorkOf<std::uint32_t>>> MakeFastWork<std::uint32_t>(std::uint32_t,
                                                                                             std::uint64_t,
                                                                                             std::uint32_t);
template void CycleCrossover(const std::uint16_t*, const std::uint16_t*, std::uint16_t*, std::uint32_t,
                             FastWorkOf<std::uint16_t>&, double);
template void CycleCrossover(const std::uint32_t*, const std::uint32_t*, std::uint32_t*, std::uint32_t,
                             FastWorkOf<std::uint32_t>&, double);
template class CNQueenFastInitOperatorOf<std::uint16_t>;
template class CNQueenFastInitOperatorOf<std::uint32_t>;
template class CNQueenFastResumeOperatorOf<std::uint32_t>;
template class CNQueenFastSlaveOperatorOf<std::uint16_t>;
template class CNQueenFastSlaveOperatorOf<std::uint32_t>;
template class CNQueenFastMasterOperatorOf<std::uint16_t>;
template class CNQueenFastMasterOperatorOf<std::uint32_t>;

}  // namespace zarnel
