#pragma once

#include <pybind11/pybind11.h>

#include "genome/bit_string_operators.h"
#include "genome/integer_vector_operators.h"
#include "genome/permutation_operators.h"
#include "genome/real_vector_operators.h"

namespace zarnel::python {

namespace py = pybind11;

// Adds the genome kinds and their operator choices to the module.
void BindKinds(py::module_& m);

}  // namespace zarnel::python
