#include "solve_call.h"

namespace zarnel::python {

py::dict SolveRealVector(SolveCall& call) { return SolveKind<RealVector>(call); }

}  // namespace zarnel::python
