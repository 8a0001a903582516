#include "bench/slave_operator.h"

namespace zarnel {

CDefaultSlaveOperator::CDefaultSlaveOperator(CDefaultSelectionOperator* selection, std::uint32_t count)
    : selectionOperator(selection), repetitions(count) {}

int CDefaultSlaveOperator::Execute(std::uint32_t /*threadIndex*/, std::uint32_t /*threadCount*/) {
    for (std::uint32_t i = 0; i < repetitions; ++i) selectionOperator->Execute();
    return kDone;
}

}  // namespace zarnel
