#pragma once

#include <cstdint>

#include "framework/operator.h"

namespace zarnel {

// The slave operator: repeats the tournament step a fixed number of times and
// stops early when a step reports a solution. Points to the tournament step
// without owning it. Shared by all slave threads, which call
// Execute(threadIndex, threadCount) at the same time.
class CNQueenSlaveOperator : public CSlaveOperatorBase {
public:
    CNQueenSlaveOperator(COperatorBase* selection, std::uint32_t steps)
        : selectionOperator(selection), repetitions(steps) {}

    using CSlaveOperatorBase::Execute;
    // kStop as soon as a step returns kStop, else kDone. Both arguments are
    // ignored.
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override;

    COperatorBase* selectionOperator;
    std::uint32_t repetitions;
};

}  // namespace zarnel
