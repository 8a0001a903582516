"""Problems written in C++ that zarnel.solve runs without a Python call per
child: zarnel.problems.test_function(code) is one of ZarnelBench's test
functions (its --function code), test_functions() lists them, and
zarnel.problems.tsp(path) is the travelling salesman of a TSPLIB file as
examples/tsp runs it."""

from ._zarnel.problems import test_function, test_functions, tsp

__all__ = ["test_function", "test_functions", "tsp"]
