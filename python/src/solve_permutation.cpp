#include "solve_call.h"

namespace zarnel::python {

py::dict SolvePermutation(SolveCall& call) { return SolveKind<Permutation>(call); }

}  // namespace zarnel::python
