#include "solve_call.h"

namespace zarnel::python {

py::dict SolveIntegerVector(SolveCall& call) { return SolveKind<IntegerVector>(call); }

}  // namespace zarnel::python
