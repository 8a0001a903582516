#include "solve_call.h"

namespace zarnel::python {

py::dict SolveBitString(SolveCall& call) { return SolveKind<BitString>(call); }

}  // namespace zarnel::python
