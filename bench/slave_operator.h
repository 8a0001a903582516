#pragma once

#include <cstdint>

#include "bench/selection_operator.h"
#include "framework/operator.h"

namespace zarnel {

// The benchmark's slave operator: a fixed number of tournament steps per
// call. Points to the shared selection operator, owns nothing; every slave
// thread calls Execute at the same time.
class CDefaultSlaveOperator : public CSlaveOperatorBase {
public:
    using CSlaveOperatorBase::Execute;

    CDefaultSlaveOperator(CDefaultSelectionOperator* selection, std::uint32_t count);

    // Runs `repetitions` tournament steps, ignoring their statuses; always 1,
    // so the benchmark never asks the engine to stop. Both arguments are
    // unused.
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override;

    CDefaultSelectionOperator* selectionOperator;
    std::uint32_t repetitions;
};

}  // namespace zarnel
