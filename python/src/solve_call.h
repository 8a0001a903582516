#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>

#include "python_problem.h"
#include "run_context.h"
#include "solve/solve.h"

namespace zarnel::python {

// One zarnel.solve call as the runners take it; the caller's, for the call.
struct SolveCall {
    RunContext& run;
    const Callbacks& calls;
    py::object kind;       // what genome() returned
    py::object operators;  // an operator choice, or None for the kind's default
    SolveOptions options;  // progress and stop wired to the run
    std::string name;      // the record's name of the problem
    bool minimise = false;
    bool improves = false;
};

// Points the options' progress at the caller: the problem's progress
// callback, or the standard line on sys.stdout unless quiet. A callback that
// raises ends the run as a failing fitness does; a KeyboardInterrupt raised
// in it stops the run as Ctrl+C does.
void WireProgress(SolveCall& call);

// What a run gives back to the Python layer, which makes a zarnel.Result of
// it: the result's members, and "interrupt" and "late", the exceptions to
// raise after it (a Ctrl+C, a failing decode), or None.
template <class Gene>
py::dict ResultOf(const SolveResult<Gene>& result, RunContext& run) {
    py::dict made;
    py::array_t<Gene> genes(static_cast<py::ssize_t>(result.genes.size()));
    std::copy(result.genes.begin(), result.genes.end(), genes.mutable_data());
    made["genes"] = genes;
    made["fitness"] = result.fitness;
    made["stop_reason"] = std::string(StopReasonName(result.stopReason));
    made["iterations"] = result.iterations;
    made["steps"] = result.steps;
    made["evaluations"] = result.evaluations;
    made["seconds"] = result.seconds;
    made["seed"] = result.seed;
    made["dumps"] = py::cast(result.dumps);
    made["record_error"] = result.recordError;
    made["interrupt"] = run.Interrupt() ? run.Exception(*run.Interrupt()) : py::none();
    made["late"] = run.Late() ? run.Exception(*run.Late()) : py::none();
    return made;
}

// Runs `problem` on a thread of its own while the caller serves it.
template <class Problem, class Operators>
py::dict RunProblem(SolveCall& call, const Problem& problem, const Operators& operators) {
    std::optional<SolveResult<GeneOf<Problem>>> result;
    call.run.Serve([&] { result = zarnel::Solve(problem, call.options, operators); });
    return ResultOf(*result, call.run);
}

// The operator choice of the call for genome kind `Kind`.
template <class Kind>
OperatorsOf<Kind> OperatorsFor(const SolveCall& call) {
    if (call.operators.is_none()) return {};
    if (!py::isinstance<OperatorsOf<Kind>>(call.operators)) {
        throw py::type_error(
            "operators: a " + std::string(Kind::kName) + " genome takes " +
            py::type::template of<OperatorsOf<Kind>>().attr("__name__").template cast<std::string>() +
            ", not " + Py_TYPE(call.operators.ptr())->tp_name);
    }
    return call.operators.cast<OperatorsOf<Kind>>();
}

// A Python problem of genome kind `Kind`: the adapter that fits its
// direction and whether it improves.
template <class Kind>
py::dict SolveKind(SolveCall& call) {
    const Kind kind = call.kind.cast<Kind>();
    const OperatorsOf<Kind> operators = OperatorsFor<Kind>(call);
    if (call.minimise) {
        if (call.improves)
            return RunProblem(call, ImprovingPythonProblem<Kind, true>(call.run, call.calls, kind, call.name),
                              operators);
        return RunProblem(call, PythonProblem<Kind, true>(call.run, call.calls, kind, call.name), operators);
    }
    if (call.improves)
        return RunProblem(call, ImprovingPythonProblem<Kind, false>(call.run, call.calls, kind, call.name),
                          operators);
    return RunProblem(call, PythonProblem<Kind, false>(call.run, call.calls, kind, call.name), operators);
}

// One translation unit per kind, so the four build side by side.
py::dict SolvePermutation(SolveCall& call);
py::dict SolveBitString(SolveCall& call);
py::dict SolveRealVector(SolveCall& call);
py::dict SolveIntegerVector(SolveCall& call);

}  // namespace zarnel::python
