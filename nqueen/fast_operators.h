#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/operator.h"
#include "nqueen/fast_board.h"
#include "nqueen/fast_lanes.h"
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
    std::uint32_t buildTries = 64;    // rows tried per column when building a board
    std::uint32_t repairTries = 32;   // partner columns tried per attacked queen
    // Swaps tried per repair: repairPerQueen * N, at least repairMinimum.
    double repairPerQueen = 8.0;
    std::uint64_t repairMinimum = 256;
    // A child whose crossover clashed becomes a copy of the fitter parent
    // before its swap and repair. Every conflict weighs at least 1/N in the
    // fitness (a diagonal holds at most N squares), so a child with more
    // than N x (|fitness 1| + |fitness 2|) conflicts is worse than its two
    // parents together: the cycles of the second parent attack the first's
    // queens instead of combining with them. Such children (on large boards
    // hundreds to thousands of conflicts, from built parents with a few
    // each) took 15-30 times the repair of a copy and ended no better; in a
    // deterministic run every lane before the solving one waits for them.
    // The factor scales the bound; 0 repairs every child of the crossover.
    double clashFactor = 1.0;

    std::uint64_t RepairBudget(std::uint32_t n) const;
    // True when a child of the crossover with `conflicts` conflicts on `n`
    // columns, from parents of fitness `fitness1` and `fitness2`, clashed.
    bool Clashed(std::int64_t conflicts, std::uint32_t n, float fitness1, float fitness2) const;
};

// What one thread of the fast set owns: its generator, its board and the
// crossover's scratch space, all O(N). In a deterministic run the lanes
// draw from generators of their own and a thread's slot lends only its
// board and scratch space.
template <typename Gene>
struct FastWorkOf {
    FastWorkOf(std::uint64_t seed, std::uint32_t n);

    FastRandom random;
    FastBoardOf<Gene> board;
    std::vector<std::uint32_t> positions;
    std::vector<std::uint8_t> visited;
};
using FastWork = FastWorkOf<std::uint16_t>;
using WideFastWork = FastWorkOf<std::uint32_t>;

// The work slots of a run: slot j for slave thread j (its generator seeded
// with stream j of the run seed), and the last one, stream threadCount, for
// the master thread.
template <typename Gene = std::uint16_t>
std::vector<std::unique_ptr<FastWorkOf<Gene>>> MakeFastWork(std::uint32_t threadCount, std::uint64_t runSeed,
                                                            std::uint32_t n);

// Cycle crossover: the positions of `child` fall into the cycles that the two
// parents' permutations form, and each cycle is copied whole from one parent
// chosen at random (p2 with probability `secondShare`), so the child keeps
// positions of both and stays a permutation. The parents must be
// permutations of 0 .. n-1; `child` is a third array. Draws from
// `work.random`, or from `random` when given.
template <typename Gene>
void CycleCrossover(const Gene* p1, const Gene* p2, Gene* child, std::uint32_t n, FastWorkOf<Gene>& work,
                    double secondShare);
template <typename Gene>
void CycleCrossover(const Gene* p1, const Gene* p2, Gene* child, std::uint32_t n, FastWorkOf<Gene>& work,
                    FastRandom& random, double secondShare);

// Builds every individual as FastBoard::Build does (or shuffles it when
// buildBoards is off) and scores it. Runs before the slave threads start, so
// it borrows their work slots: with more than one, the individuals are
// shared out over that many threads of its own, each using one slot, all
// joined before Execute returns (the join orders their writes before
// everything after). With lanes (a deterministic run) individual i is built
// from its own stream (FastLanes::InitRandom), whichever thread takes it.
template <typename Gene>
class CNQueenFastInitOperatorOf : public COperatorBase {
public:
    using Population = QueenPopulationOf<Gene>;

    CNQueenFastInitOperatorOf(Population* pop, std::vector<FastWorkOf<Gene>*> work,
                              const FastOptions& options, const FastLanes* lanes = nullptr)
        : population_(pop), work_(std::move(work)), options_(options), lanes_(lanes) {}
    // kDone, or kFailed when a board could not be built (out of memory).
    int Execute() override;

private:
    // Builds the individuals of this share with `work`: first, first +
    // stride, ..., or with lanes those that `next` hands out.
    bool BuildShare(std::uint32_t first, std::uint32_t stride, FastWorkOf<Gene>& work,
                    std::atomic<std::uint32_t>& next) const;

    Population* population_;
    std::vector<FastWorkOf<Gene>*> work_;
    FastOptions options_;
    const FastLanes* lanes_;
};

// Scores individuals given in advance (a population dump read back) with
// the board of `work`, which is the same fitness the evaluation gives. For
// the wide boards, which the classic evaluation cannot hold; runs on the
// thread that builds the engine.
template <typename Gene>
class CNQueenFastResumeOperatorOf : public COperatorBase {
public:
    using Population = QueenPopulationOf<Gene>;

    CNQueenFastResumeOperatorOf(Population* pop, std::vector<Gene> genes, FastWorkOf<Gene>* work)
        : population_(pop), genes_(std::move(genes)), work_(work) {}
    // kDone, or kFailed after an exception.
    int Execute() override;

private:
    Population* population_;
    std::vector<Gene> genes_;  // size x N, individual by individual
    FastWorkOf<Gene>* work_;
};

// The slave operator of the fast set: `steps` tournament steps per call. Each
// claims three individuals, replaces the worst by a child of the other two
// (crossover, a swap, a bounded repair) and stores the child's exact fitness.
// Shared by all slave threads; thread j uses only work slot j. A solution
// found by one thread makes the others end their phase early, a repair under
// way included (the child keeps the exact fitness of its board as far as it
// got). With lanes (a deterministic run), the threads run the lanes instead
// (FastLanes): the three individuals come from the lane's slice, which no
// other thread touches, so nothing is claimed, and the draws are the lane's.
// Each lane records what its steps of a round overwrite, so that the round
// of a solution keeps only the lanes up to the lowest solving one.
template <typename Gene>
class CNQueenFastSlaveOperatorOf : public CSlaveOperatorBase {
public:
    using Population = QueenPopulationOf<Gene>;

    // Slave thread j uses work[j].
    CNQueenFastSlaveOperatorOf(Population* pop, std::uint32_t steps, std::vector<FastWorkOf<Gene>*> work,
                               const FastOptions& options, FastLanes* lanes = nullptr)
        : population_(pop), steps_(steps), options_(options), work_(std::move(work)), lanes_(lanes) {
        if (lanes_ != nullptr) undo_.records.resize(lanes_->Count());
    }

    using CSlaveOperatorBase::Execute;
    // kStop once a solution is in the population, kDone otherwise, kFailed
    // for a thread index without a work slot or after an exception.
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override;

private:
    // What one lane's steps of a round overwrote, in order: the individual,
    // its fitness and its genes (N per entry).
    struct LaneRecord {
        std::vector<QueenIndividualOf<Gene>*> written;
        std::vector<float> fitness;
        std::vector<Gene> genes;
    };
    // The lanes' records, entry l written by the thread running lane l and
    // taken back by the last thread of the round (FastLanes orders the two).
    struct LaneUndo {
        std::vector<LaneRecord> records;
        void Begin(std::uint32_t lane);
        void Undo(std::uint32_t lane);
    };

    int Step(FastWorkOf<Gene>& work, RepairCutoff cutoff);

    Population* population_;
    std::uint32_t steps_;
    FastOptions options_;
    std::vector<FastWorkOf<Gene>*> work_;  // slot j belongs to slave thread j
    FastLanes* lanes_;
    LaneUndo undo_;
    // 1, and 0 once a thread has stored a solution; the others only read it
    // to end their phase and their repair under way (RepairCutoff of rank
    // 1). It carries no data: the population is read after the engine's done
    // events, so relaxed accesses suffice.
    std::atomic<std::uint32_t> unsolved_{1};
};

// The master pass of the fast set: rebuilds every other copy of the best
// board (same fitness, same genes), then repairs MutationSwapCount(size,
// rate) random individuals other than the best, each after a random swap.
// Runs while the slave threads wait, so it claims nothing. With lanes it
// first runs the phase itself when the run has no slave thread
// (`inlinePhase`), and ends by dealing the next phase's lanes from the
// master's generator (the set deals the first phase's when it is made).
template <typename Gene>
class CNQueenFastMasterOperatorOf : public COperatorBase {
public:
    using Population = QueenPopulationOf<Gene>;

    CNQueenFastMasterOperatorOf(Population* pop, FastWorkOf<Gene>* master, double rate,
                                const FastOptions& options, FastLanes* lanes = nullptr,
                                CSlaveOperatorBase* inlinePhase = nullptr)
        : population_(pop),
          master_(master),
          rate_(rate),
          options_(options),
          lanes_(lanes),
          inlinePhase_(inlinePhase) {}

    // kStop when the pass produced a solution, kDone otherwise, kFailed after
    // an exception.
    int Execute() override;

private:
    int Pass();

    Population* population_;
    FastWorkOf<Gene>* master_;
    double rate_;
    FastOptions options_;
    FastLanes* lanes_;
    CSlaveOperatorBase* inlinePhase_;
};

// The operators of boards up to 65536 queens (16-bit genes) and of wider
// boards (32-bit genes).
using CNQueenFastInitOperator = CNQueenFastInitOperatorOf<std::uint16_t>;
using CNQueenFastSlaveOperator = CNQueenFastSlaveOperatorOf<std::uint16_t>;
using CNQueenFastMasterOperator = CNQueenFastMasterOperatorOf<std::uint16_t>;

extern template struct FastWorkOf<std::uint16_t>;
extern template struct FastWorkOf<std::uint32_t>;
extern template class CNQueenFastInitOperatorOf<std::uint16_t>;
extern template class CNQueenFastInitOperatorOf<std::uint32_t>;
extern template class CNQueenFastResumeOperatorOf<std::uint32_t>;
extern template class CNQueenFastSlaveOperatorOf<std::uint16_t>;
extern template class CNQueenFastSlaveOperatorOf<std::uint32_t>;
extern template class CNQueenFastMasterOperatorOf<std::uint16_t>;
extern template class CNQueenFastMasterOperatorOf<std::uint32_t>;

}  // namespace zarnel
