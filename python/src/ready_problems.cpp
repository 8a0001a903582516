#include "ready_problems.h"

#include <pybind11/stl.h>

#include <memory>

#include "bench/known_best.h"
#include "bench/real_benchmark.h"
#include "bench/test_function.h"
#include "options.h"

namespace zarnel::python {

namespace {

// The most variables of a test function here, as ZarnelBench allows.
constexpr std::uint32_t kMostVariables = 1000;

// One of ZarnelBench's test functions on [-10, 10] in every variable,
// maximised, with its coordinate search on a share of the children.
struct TestFunctionHolder {
    BenchFunction function;
    const BenchFunction& Problem() const { return function; }
};

std::unique_ptr<ReadyProblem> MakeTestFunction(std::int32_t code, double searchChance) {
    const std::uint32_t variables = TestFunctionVariableCount(code);
    if (variables == 0 || variables > kMostVariables)
        throw py::value_error("code " + std::to_string(code) +
                              " names no test function of 1 to 1000 variables (1000 ... 1007, 2000 ... 2004, "
                              "n * 1000 + 0 ... 5)");
    if (!(searchChance >= 0.0 && searchChance <= 1.0))
        throw py::value_error("search_chance " + std::to_string(searchChance) + " is not in [0, 1]");
    TestFunctionHolder holder;
    holder.function.code = code;
    holder.function.searchChance = searchChance;
    return std::make_unique<Ready<TestFunctionHolder>>(std::move(holder));
}

py::dict SolveReady(const ReadyProblem& problem, const py::object& operators, const py::dict& options,
                    const py::object& progress, const py::object& stop) {
    Callbacks calls;
    calls.progress = progress;
    RunContext run(problem.Name(), options["handle_signals"].cast<bool>(), stop);
    SolveCall call{
        run,  calls, problem.Genome(), operators, OptionsFrom(options), problem.Name(), problem.Minimise(),
        false};
    WireProgress(call);
    return problem.Solve(call);
}

}  // namespace

void BindReadyProblems(py::module_& m) {
    py::class_<ReadyProblem>(
        m, "ReadyProblem", "A problem written in C++: zarnel.solve runs it without a Python call per child.")
        .def("genome", &ReadyProblem::Genome)
        .def("fitness", &ReadyProblem::Fitness, py::arg("x"))
        .def("name", &ReadyProblem::Name)
        .def_property_readonly("minimise", &ReadyProblem::Minimise)
        .def("__repr__",
             [](const ReadyProblem& problem) { return "<zarnel problem " + problem.Name() + ">"; });
    m.def("solve_ready", &SolveReady, py::arg("problem"), py::arg("operators"), py::arg("options"),
          py::arg("progress"), py::arg("stop"));

    py::module_ problems = m.def_submodule("problems", "Problems written in C++, ready to run from Python.");
    problems.def(
        "test_function", &MakeTestFunction, py::arg("code") = 40004, py::arg("search_chance") = 0.05,
        "One of ZarnelBench's test functions (its code, as ZarnelBench --function takes it) on [-10, 10] "
        "in every variable, maximised; a coordinate search improves a share search_chance of the "
        "children.");
    problems.def(
        "test_functions",
        [] {
            py::dict functions;
            for (const std::int32_t code : AllBenchFunctions()) {
                py::dict about;
                about["name"] = TestFunctionName(code);
                about["known_best"] = KnownBest(code);
                functions[py::int_(code)] = about;
            }
            return functions;
        },
        "ZarnelBench's nineteen functions: code -> name and the best known value over its decoded domain.");
    BindTsp(problems);
}

}  // namespace zarnel::python
