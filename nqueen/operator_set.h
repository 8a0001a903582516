#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/parameter_file.h"

namespace zarnel {

template <typename Gene>
struct FastWorkOf;
class FastLanes;

// How a run's population starts: the run seed (none: drawn from the clock,
// for the classic set by its init operator at the moment it runs, as always)
// and, for a resumed run, the individuals read back from a dump (population
// size x N genes, individual by individual), scored afresh.
template <typename Gene>
struct NQueenStartOf {
    std::optional<std::uint32_t> seed;
    std::optional<std::vector<Gene>> genes;
};
using NQueenStart = NQueenStartOf<std::uint16_t>;

// The operators that one run hands to the engine, owned together: the
// classic set unless the parameters ask for `operators fast`. Build the
// population first and destroy the engine before the set. With 32-bit genes
// (the fast set beyond 65536 queens) there is no classic set: `eval` and
// `selection` stay null.
template <typename Gene>
struct NQueenOperatorSetOf {
    NQueenOperatorSetOf();
    NQueenOperatorSetOf(NQueenOperatorSetOf&&) noexcept;
    ~NQueenOperatorSetOf();

    std::unique_ptr<CEvalOperatorBase<QueenPopulationOf<Gene>>> eval;
    std::unique_ptr<COperatorBase> init;
    std::unique_ptr<COperatorBase> selection;  // classic set only
    std::unique_ptr<CSlaveOperatorBase> slave;
    std::unique_ptr<COperatorBase> master;
    // Fast set only: every thread's generator and board, the master's last.
    std::vector<std::unique_ptr<FastWorkOf<Gene>>> fastWork;
    // Fast set with `deterministic yes` only: the lanes of every phase.
    std::unique_ptr<FastLanes> lanes;

    // The seed the run's generators started from: known once the init
    // operator has run when the classic set draws it from the tick count.
    std::uint32_t SeedUsed() const;

    // The classic init operator's record of the seed it drew (it lives on
    // the heap, so the pointer survives a move of the set); null when the
    // seed was fixed at construction and is `seed`.
    const std::uint32_t* seedUsed = nullptr;
    std::uint32_t seed = 0;
};
using NQueenOperatorSet = NQueenOperatorSetOf<std::uint16_t>;
using WideQueenOperatorSet = NQueenOperatorSetOf<std::uint32_t>;

extern template struct NQueenOperatorSetOf<std::uint16_t>;
extern template struct NQueenOperatorSetOf<std::uint32_t>;

// The value of the `operators` key that selects the fast set.
inline constexpr const char* kFastOperators = "fast";
inline constexpr const char* kClassicOperators = "classic";

// True when the parameters ask for the fast set.
bool UsesFastOperators(const NQueenParameters& parameters);
// True when the run's genes are 32 bits wide: the fast set on a board of
// more than 65536 queens.
bool UsesWideGenes(const NQueenParameters& parameters);

// Builds the set for checked parameters over `population`. The classic set
// draws from the per-thread generator seeded by its init operator, exactly as
// it always has; the fast set derives its master stream and one stream per
// slave thread from the run seed, or with `deterministic yes` its master
// stream, one stream per lane and one per initial board (FastLanes).
NQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, NQueenPopulation* population,
                                  NQueenStart start);
// The fast set on 32-bit genes, for the parameters UsesWideGenes accepts.
WideQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, WideQueenPopulation* population,
                                     NQueenStartOf<std::uint32_t> start);

}  // namespace zarnel
