#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <limits>
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
    Callbacks& calls;      // the counts of objectives and constraints are found by SolveKind
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

// What every run gives back to the Python layer, which makes a
// zarnel.Result of it: the figures of the run, and "interrupt" and "late",
// the exceptions to raise after it (a Ctrl+C, a failing decode), or None.
py::dict FiguresOf(const RunFigures& figures, RunContext& run);

// The result of a run of one objective: its best genes and fitness, whether
// they are feasible and their violation; no front.
template <class Gene>
py::dict ResultOf(const SolveResult<Gene>& result, RunContext& run) {
    py::dict made = FiguresOf(result, run);
    py::array_t<Gene> genes(static_cast<py::ssize_t>(result.genes.size()));
    std::copy(result.genes.begin(), result.genes.end(), genes.mutable_data());
    made["genes"] = genes;
    made["fitness"] = result.fitness;
    made["feasible"] = result.feasible;
    made["violation"] = result.violation;
    made["front"] = py::list();
    made["reference_point"] = py::list();
    made["hypervolume"] = std::numeric_limits<double>::quiet_NaN();
    made["feasible_share"] = result.feasible ? 1.0 : 0.0;
    return made;
}

// The result of a run of several objectives: its front, each member as
// (genes, objectives, violation, decoded solution); no single best.
template <class Gene, std::size_t M>
py::dict ResultOf(const FrontResult<Gene, M>& result, RunContext& run) {
    py::dict made = FiguresOf(result, run);
    py::list front;
    for (const FrontMember<Gene, M>& member : result.front) {
        py::array_t<Gene> genes(static_cast<py::ssize_t>(member.genes.size()));
        std::copy(member.genes.begin(), member.genes.end(), genes.mutable_data());
        const std::vector<double> objectives(member.objectives.begin(), member.objectives.end());
        front.append(py::make_tuple(genes, objectives, member.violation, member.solution));
    }
    made["genes"] = py::array_t<Gene>(0);
    made["fitness"] = std::numeric_limits<double>::quiet_NaN();
    made["feasible"] = !result.front.empty();
    made["violation"] = 0.0;
    made["front"] = front;
    made["reference_point"] = result.referencePoint;
    made["hypervolume"] = result.hypervolume;
    made["feasible_share"] = result.feasibleShare;
    return made;
}

// Runs `problem` on a thread of its own while the caller serves it.
template <class Problem, class Operators>
py::dict RunProblem(SolveCall& call, const Problem& problem, const Operators& operators) {
    std::optional<SolveResultOf<Problem>> result;
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

// How many values `returned` holds, the answer of `callback` to one genome
// (its batch form's to a batch of one when `batch`); a TypeError or
// ValueError for anything but numbers in the shape the form gives.
std::size_t CountOf(const py::object& returned, bool batch, const RunContext& run, const char* callback);

// M and K of a problem with objectives or constraints: the lengths of what
// its objectives and constraints return for one random genome, called once
// on the caller before the run (from a generator of its own, so the run's
// draws are those of any other run). A kind that cannot make a genome is
// left for Solve to refuse.
template <class Kind>
void FindCounts(SolveCall& call, const Kind& kind) {
    using Gene = typename Kind::Gene;
    Callbacks& calls = call.calls;
    if (!kind.Validate().empty() || kind.Length() == 0) return;
    py::array_t<Gene> genes(static_cast<py::ssize_t>(kind.Length()));
    Random random(0x5EED0F0BULL);
    kind.Init(std::span<Gene>(genes.mutable_data(), kind.Length()), random);
    const py::object row = genes.reshape({py::ssize_t{1}, static_cast<py::ssize_t>(kind.Length())});
    const auto count = [&](const py::object& perGenome, const py::object& batch, const char* perGenomeName,
                           const char* batchName) -> std::size_t {
        if (!perGenome.is_none()) return CountOf(CallWith(perGenome, genes), false, call.run, perGenomeName);
        if (!batch.is_none()) return CountOf(CallWith(batch, row), true, call.run, batchName);
        return 0;
    };
    calls.objectiveCount = count(calls.objectives, calls.batchObjectives, "objectives", "batch_objectives");
    calls.constraintCount =
        count(calls.constraints, calls.batchConstraints, "constraints", "batch_constraints");
    const bool several = !calls.objectives.is_none() || !calls.batchObjectives.is_none();
    if (several && calls.objectiveCount < 2)
        throw py::value_error(
            call.run.Owner() + ".objectives returned " + std::to_string(calls.objectiveCount) + " value" +
            (calls.objectiveCount == 1 ? "" : "s") +
            ": a problem of several objectives returns 2 or more; one objective is fitness(x) "
            "(with minimise = True for a cost)");
    const bool constrained = !calls.constraints.is_none() || !calls.batchConstraints.is_none();
    if (constrained && calls.constraintCount == 0)
        throw py::value_error(call.run.Owner() +
                              ".constraints returned no values: it returns one number per constraint, each "
                              "<= 0 when met");
}

// A Python problem of genome kind `Kind`: the adapter that fits its
// objectives, direction, constraints and whether it improves.
template <class Kind>
py::dict SolveKind(SolveCall& call) {
    const Kind kind = call.kind.cast<Kind>();
    FindCounts(call, kind);
    const bool several = call.calls.objectiveCount != 0;
    const OperatorsOf<Kind> operators =
        several && call.operators.is_none() ? DefaultObjectivesOperators<Kind>() : OperatorsFor<Kind>(call);
    if (several) {
        if (call.improves)
            return RunProblem(call,
                              Improving<PythonObjectivesProblem<Kind>>(call.run, call.calls, kind, call.name),
                              operators);
        return RunProblem(call, PythonObjectivesProblem<Kind>(call.run, call.calls, kind, call.name),
                          operators);
    }
    const auto run = [&]<class Problem>(const Problem& problem) {
        if (call.calls.constraintCount == 0) return RunProblem(call, problem, operators);
        return RunProblem(call, WithConstraints<Problem>(call.run, call.calls, kind, call.name), operators);
    };
    if (call.minimise) {
        if (call.improves)
            return run(ImprovingPythonProblem<Kind, true>(call.run, call.calls, kind, call.name));
        return run(PythonProblem<Kind, true>(call.run, call.calls, kind, call.name));
    }
    if (call.improves) return run(ImprovingPythonProblem<Kind, false>(call.run, call.calls, kind, call.name));
    return run(PythonProblem<Kind, false>(call.run, call.calls, kind, call.name));
}

// One translation unit per kind, so the four build side by side.
py::dict SolvePermutation(SolveCall& call);
py::dict SolveBitString(SolveCall& call);
py::dict SolveRealVector(SolveCall& call);
py::dict SolveIntegerVector(SolveCall& call);

}  // namespace zarnel::python
