#include "nqueen/fast_operators.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

#include "framework/claim_guard.h"
#include "framework/thread_stats.h"
#include "nqueen/mutation_operator.h"
#include "run/seed.h"

namespace zarnel {

namespace {

void Shuffle(std::uint16_t* genes, std::uint32_t n, FastRandom& random) {
    for (std::uint32_t j = 0; j < n; ++j) genes[j] = static_cast<std::uint16_t>(j);
    for (std::uint32_t j = n; j > 1; --j) std::swap(genes[j - 1], genes[random.Below(j)]);
}

// A fresh board in `individual`, scored.
void Rebuild(NQueenIndividual* individual, FastWork& work, const FastOptions& options) {
    const std::uint32_t n = individual->GetLength();
    std::uint16_t* genes = individual->GetGenes();
    if (options.buildBoards) {
        work.board.Build(genes, n, work.random, options.buildTries);
    } else {
        Shuffle(genes, n, work.random);
        work.board.Load(genes, n);
    }
    individual->SetFitness(work.board.Fitness());
    CountEvaluation();
}

// A random swap (when asked) and the bounded repair of the board already
// loaded in work.board, then its fitness into `individual`.
void MutateAndRepair(NQueenIndividual* individual, FastWork& work, const FastOptions& options, bool swap) {
    const std::uint32_t n = individual->GetLength();
    if (swap && n >= 2) {
        const std::uint32_t a = work.random.Below(n);
        const std::uint32_t b = (a + 1 + work.random.Below(n - 1)) % n;
        work.board.Swap(a, b);
    }
    if (options.improve) work.board.Improve(work.random, options.RepairBudget(n), options.repairTries);
    individual->SetFitness(work.board.Fitness());
    CountEvaluation();
}

void OrderPair(NQueenIndividual*& first, NQueenIndividual*& second) {
    if (!(*first->GetFitness() >= *second->GetFitness())) std::swap(first, second);
}

}  // namespace

std::uint64_t FastOptions::RepairBudget(std::uint32_t n) const {
    const auto scaled = static_cast<std::uint64_t>(std::ceil(repairPerQueen * static_cast<double>(n)));
    return std::max(scaled, repairMinimum);
}

FastWork::FastWork(std::uint64_t seed, std::uint32_t n) : random(seed), positions(n), visited(n) {}

void CycleCrossover(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child, std::uint32_t n,
                    FastWork& work, double secondShare) {
    if (work.positions.size() < n) work.positions.resize(n);
    if (work.visited.size() < n) work.visited.resize(n);
    std::uint32_t* positionInFirst = work.positions.data();
    std::uint8_t* visited = work.visited.data();
    for (std::uint32_t i = 0; i < n; ++i) {
        positionInFirst[p1[i]] = i;
        visited[i] = 0;
    }
    for (std::uint32_t start = 0; start < n; ++start) {
        if (visited[start] != 0) continue;
        const std::uint16_t* from = work.random.Chance(secondShare) ? p2 : p1;
        // The values of p1 on a cycle are those of p2 on it, so copying a
        // whole cycle from either parent keeps the child a permutation.
        std::uint32_t i = start;
        do {
            visited[i] = 1;
            child[i] = from[i];
            i = positionInFirst[p2[i]];
        } while (i != start);
    }
}

std::vector<std::unique_ptr<FastWork>> MakeFastWork(std::uint32_t threadCount, std::uint64_t runSeed,
                                                    std::uint32_t n) {
    std::vector<std::unique_ptr<FastWork>> slots;
    slots.reserve(static_cast<std::size_t>(threadCount) + 1);
    for (std::uint32_t j = 0; j <= threadCount; ++j)
        slots.push_back(std::make_unique<FastWork>(run::DeriveSeed(runSeed, j), n));
    return slots;
}

bool CNQueenFastInitOperator::BuildShare(std::uint32_t first, std::uint32_t stride, FastWork& work) const {
    try {
        for (std::uint32_t i = first; i < population_->size; i += stride)
            Rebuild(population_->GetIndividual(i), work, options_);
        return true;
    } catch (...) {
        return false;
    }
}

int CNQueenFastInitOperator::Execute() {
    if (work_.empty()) return kFailed;
    const auto stride = static_cast<std::uint32_t>(work_.size());
    // One flag per share, each written by its own thread only and read after
    // the join.
    std::vector<char> built(stride, 0);
    // The helpers count their evaluations apart; they are added to this
    // thread's figures after the join.
    std::vector<ThreadStats> counted(stride);
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(stride - 1);
        for (std::uint32_t j = 1; j < stride; ++j) {
            helpers.emplace_back([this, j, stride, &built, &counted] {
                const ThreadStatsScope scope(&counted[j]);
                built[j] = BuildShare(j, stride, *work_[j]);
            });
        }
    } catch (...) {
        // No thread for the remaining shares: this thread builds them.
    }
    built[0] = BuildShare(0, stride, *work_[0]);
    for (auto j = static_cast<std::uint32_t>(helpers.size()) + 1; j < stride; ++j)
        built[j] = BuildShare(j, stride, *work_[0]);
    for (std::thread& helper : helpers) helper.join();
    if (ThreadStats* stats = currentThreadStats) {
        for (const ThreadStats& share : counted) *stats += share;
    }
    return std::find(built.begin(), built.end(), 0) == built.end() ? kDone : kFailed;
}

int CNQueenFastSlaveOperator::Execute(std::uint32_t threadIndex, std::uint32_t /*threadCount*/) {
    if (threadIndex >= work_.size()) return kFailed;
    FastWork& work = *work_[threadIndex];
    for (std::uint32_t step = 0; step < steps_; ++step) {
        if (solved_.load(std::memory_order_relaxed)) return kStop;
        const int status = Step(work);
        if (status == kStop) {
            solved_.store(true, std::memory_order_relaxed);
            return kStop;
        }
        if (status == kFailed) return kFailed;
    }
    return kDone;
}

int CNQueenFastSlaveOperator::Step(FastWork& work) {
    if (population_->size < 3) return kFailed;
    try {
        ClaimGuard<NQueenPopulation> claims[3];
        ClaimDistinct(*population_, claims, 3, [&work] { return work.random.Next(); });
        NQueenIndividual* x1 = claims[0].Get();
        NQueenIndividual* x2 = claims[1].Get();
        NQueenIndividual* x3 = claims[2].Get();
        OrderPair(x1, x2);
        OrderPair(x2, x3);
        OrderPair(x1, x2);
        CountStep();

        const std::uint32_t n = x3->GetLength();
        std::uint16_t* child = x3->GetGenes();
        if (options_.crossover) {
            CycleCrossover(x1->GetGenes(), x2->GetGenes(), child, n, work, options_.secondParentShare);
        } else {
            std::copy(x1->GetGenes(), x1->GetGenes() + n, child);
        }
        work.board.Load(child, n);
        MutateAndRepair(x3, work, options_, options_.childSwap);

        const bool solved =
            *x1->GetFitness() == 0.0f || *x2->GetFitness() == 0.0f || *x3->GetFitness() == 0.0f;
        return solved ? kStop : kDone;
    } catch (...) {
        return kFailed;
    }
}

int CNQueenFastMasterOperator::Execute() {
    try {
        const std::uint32_t size = population_->size;
        if (size < 2) return kDone;
        const std::uint32_t best = FindBestIndex(*population_);
        NQueenIndividual* top = population_->GetIndividual(best);
        if (*top->GetFitness() == 0.0f) return kStop;
        const std::uint32_t n = top->GetLength();
        if (options_.spreadBest) {
            // Copies of the best crowd out the rest; rebuilt, they search anew.
            for (std::uint32_t i = 0; i < size; ++i) {
                NQueenIndividual* other = population_->GetIndividual(i);
                if (i == best || *other->GetFitness() != *top->GetFitness()) continue;
                if (!std::equal(top->GetGenes(), top->GetGenes() + n, other->GetGenes())) continue;
                Rebuild(other, *master_, options_);
                if (*other->GetFitness() == 0.0f) return kStop;
            }
        }
        const std::uint32_t repairs = MutationSwapCount(size, rate_);
        for (std::uint32_t r = 0; r < repairs; ++r) {
            std::uint32_t target;
            do {
                target = master_->random.Below(size);
            } while (target == best);
            NQueenIndividual* individual = population_->GetIndividual(target);
            master_->board.Load(individual->GetGenes(), n);
            MutateAndRepair(individual, *master_, options_, true);
            if (*individual->GetFitness() == 0.0f) return kStop;
        }
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
