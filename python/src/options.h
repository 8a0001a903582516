#pragma once

#include <pybind11/pybind11.h>

#include "solve/options.h"

namespace zarnel::python {

namespace py = pybind11;

// The options of zarnel.solve as SolveOptions: every keyword of the dict
// (snake_case, as default_options lists them) checked for its type and
// range, with a TypeError or ValueError that names it ("threads: -1 is not
// a whole number from 0 to 4294967295"). What only a run can check (a
// population too small for the threads) is Solve's. `progress` and `stop`
// are the caller's to wire; `network` has no keyword.
SolveOptions OptionsFrom(const py::dict& given);

// The keywords with the values of a default SolveOptions.
py::dict DefaultOptions();

}  // namespace zarnel::python
