#include "nqueen/slave_operator.h"

namespace zarnel {

int CNQueenSlaveOperator::Execute(std::uint32_t /*threadIndex*/, std::uint32_t /*threadCount*/) {
    for (std::uint32_t step = 0; step < repetitions; ++step) {
        if (selectionOperator->Execute() == kStop) return kStop;
    }
    return kDone;
}

}  // namespace zarnel
