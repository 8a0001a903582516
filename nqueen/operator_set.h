#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/parameter_file.h"

namespace zarnel {

struct FastWork;

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
};

// The value of the `operators` key that selects the fast set.
inline constexpr const char* kFastOperators = "fast";
inline constexpr const char* kClassicOperators = "classic";

// Builds the set for checked parameters over `population`. The classic set
// draws from the per-thread generator seeded by its init operator, exactly as
// it always has; the fast set derives its master stream and one stream per
// slave thread from `runSeed`.
NQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, NQueenPopulation* population,
                                  std::uint64_t runSeed);

}  // namespace zarnel
