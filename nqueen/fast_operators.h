#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/operator.h"
#include "nqueen/fast_board.h"
#include "nqueen/fast_random.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

// The ingredients of the fast operator set; all on by default. The switches
// exist so that perf/ can measure what each one adds.
struct FastOptions {
    bool buildBoards = true;          // initial boards built column by column, not shuffled
    bool crossover = true;            // children by cycle crossover, else a copy of the fitter parent
    double secondParentShare = 0.05;  // chance that a cycle comes from the less fit parent
    bool childSwap = true;            // one random swap on every child
    bool improve = true;              // min-conflicts repair of every child
    bool spreadBest = true;           // the master pass rebuilds copies of the best board
    std::uint32_t buildTries = 4;     // rows tried per column when building a board
    std::uint32_t repairTries = 32;   // partner columns tried per attacked queen
    // Swaps tried per repair: repairPerQueen * N, at least repairMinimum.
    double repairPerQueen = 8.0;
    std::uint64_t repairMinimum = 256;

    std::uint64_t RepairBudget(std::uint32_t n) const;
};

// What one thread of the fast set owns: its generator, its board and the
// crossover's scratch space, all O(N).
struct FastWork {
    FastWork(std::uint64_t seed, std::uint32_t n);

    FastRandom random;
    FastBoard board;
    std::vector<std::uint32_t> positions;
    std::vector<std::uint8_t> visited;
};

// The work slots of a run: slot j for slave thread j (its generator seeded
// with stream j of the run seed), and the last one, stream threadCount, for
// the master thread.
std::vector<std::unique_ptr<FastWork>> MakeFastWork(std::uint32_t threadCount, std::uint64_t runSeed,
                                                    std::uint32_t n);

// Cycle crossover: the positions of `child` fall into the cycles that the two
// parents' permutations form, and each cycle is copied whole from one parent
// chosen at random (p2 with probability `secondShare`), so the child keeps
// positions of both and stays a permutation. The parents must be
// permutations of 0 .. n-1; `child` is a third array.
void CycleCrossover(const std::uint16_t* p1, const std::uint16_t* p2, std::uint16_t* child, std::uint32_t n,
                    FastWork& work, double secondShare);

// Builds every individual as FastBoard::Build does (or shuffles it when
// buildBoards is off) and scores it. Runs before the slave threads start, so
// it borrows their work slots: with more than one, the individuals are
// shared out over that many threads of its own, each using one slot, all
// joined before Execute returns (the join orders their writes before
// everything after).
class CNQueenFastInitOperator : public COperatorBase {
public:
    CNQueenFastInitOperator(NQueenPopulation* pop, std::vector<FastWork*> work, const FastOptions& options)
        : population_(pop), work_(std::move(work)), options_(options) {}
    // kDone, or kFailed when a board could not be built (out of memory).
    int Execute() override;

private:
    // Builds individuals first, first + stride, ... with `work`.
    bool BuildShare(std::uint32_t first, std::uint32_t stride, FastWork& work) const;

    NQueenPopulation* population_;
    std::vector<FastWork*> work_;
    FastOptions options_;
};

// The slave operator of the fast set: `steps` tournament steps per call. Each
// claims three individuals, replaces the worst by a child of the other two
// (crossover, a swap, a bounded repair) and stores the child's exact fitness.
// Shared by all slave threads; thread j uses only work slot j. A solution
// found by one thread makes the others end their phase early.
class CNQueenFastSlaveOperator : public CSlaveOperatorBase {
public:
    // Slave thread j uses work[j].
    CNQueenFastSlaveOperator(NQueenPopulation* pop, std::uint32_t steps, std::vector<FastWork*> work,
                             const FastOptions& options)
        : population_(pop), steps_(steps), options_(options), work_(std::move(work)) {}

    using CSlaveOperatorBase::Execute;
    // kStop once a solution is in the population, kDone otherwise, kFailed
    // for a thread index without a work slot or after an exception.
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override;

private:
    int Step(FastWork& work);

    NQueenPopulation* population_;
    std::uint32_t steps_;
    FastOptions options_;
    std::vector<FastWork*> work_;  // slot j belongs to slave thread j
    // Set by the thread that stores a solution; the others only read it to
    // end their phase. It carries no data: the population is read after the
    // engine's done events, so relaxed accesses suffice.
    std::atomic<bool> solved_{false};
};

// The master pass of the fast set: rebuilds every other copy of the best
// board (same fitness, same genes), then repairs MutationSwapCount(size,
// rate) random individuals other than the best, each after a random swap.
// Runs while the slave threads wait, so it claims nothing.
class CNQueenFastMasterOperator : public COperatorBase {
public:
    CNQueenFastMasterOperator(NQueenPopulation* pop, FastWork* master, double rate,
                              const FastOptions& options)
        : population_(pop), master_(master), rate_(rate), options_(options) {}

    // kStop when the pass produced a solution, kDone otherwise, kFailed after
    // an exception.
    int Execute() override;

private:
    NQueenPopulation* population_;
    FastWork* master_;
    double rate_;
    FastOptions options_;
};

}  // namespace zarnel
