#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/parameter_file.h"

namespace zarnel {

struct FastWork;

// How a run's population starts: the run seed (none: drawn from the clock,
// for the classic set by its init operator at the moment it runs, as always)
// and, for a resumed run, the individuals read back from a dump (population
// size x N genes, individual by individual), scored afresh.
struct NQueenStart {
    std::optional<std::uint32_t> seed;
    std::optional<std::vector<std::uint16_t>> genes;
};

// The operators that one run hands to the engine, owned together: the
// classic set unless the parameters ask for `operators fast`. Build the
// population first and destroy the engine before the set.
struct NQueenOperatorSet {
    NQueenOperatorSet();
    NQueenOperatorSet(NQueenOperatorSet&&) noexcept;
    ~NQueenOperatorSet();

    std::unique_ptr<NQueenEvalBase> eval;
    std::unique_ptr<COperatorBase> init;
    std::unique_ptr<COperatorBase> selection;  // classic set only
    std::unique_ptr<CSlaveOperatorBase> slave;
    std::unique_ptr<COperatorBase> master;
    // Fast set only: every thread's generator and board, the master's last.
    std::vector<std::unique_ptr<FastWork>> fastWork;

    // The seed the run's generators started from: known once the init
    // operator has run when the classic set draws it from the tick count.
    std::uint32_t SeedUsed() const;

private:
    friend NQueenOperatorSet MakeOperatorSet(const NQueenParameters&, NQueenPopulation*, NQueenStart);
    // The classic init operator's record of the seed it drew (it lives on
    // the heap, so the pointer survives a move of the set); null when the
    // seed was fixed at construction and is `seed`.
    const std::uint32_t* seedUsed = nullptr;
    std::uint32_t seed = 0;
};

// The value of the `operators` key that selects the fast set.
inline constexpr const char* kFastOperators = "fast";
inline constexpr const char* kClassicOperators = "classic";

// Builds the set for checked parameters over `population`. The classic set
// draws from the per-thread generator seeded by its init operator, exactly as
// it always has; the fast set derives its master stream and one stream per
// slave thread from the run seed.
NQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, NQueenPopulation* population,
                                  NQueenStart start);

}  // namespace zarnel
