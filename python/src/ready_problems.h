#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

#include "solve_call.h"

namespace zarnel::python {

// A problem written in C++ that Python runs as it is: no Python call per
// child, only the run's progress and signals on the caller. zarnel.solve
// takes it as it takes a problem of Python's; genome(), fitness(x), name()
// and minimise work as a Python problem's do.
class ReadyProblem {
public:
    virtual ~ReadyProblem() = default;
    virtual py::dict Solve(SolveCall& call) const = 0;
    virtual py::object Genome() const = 0;
    virtual double Fitness(const py::array& genes) const = 0;
    virtual std::string Name() const = 0;
    virtual bool Minimise() const = 0;
};

// A C++ problem type (solve/problem.h) as a ReadyProblem. `Holder` owns
// the problem and what it points to (an instance read from a file) and
// gives it with Problem().
template <class Holder>
class Ready final : public ReadyProblem {
public:
    explicit Ready(Holder holder) : holder_(std::move(holder)) {}

    // The holder's own Solve when it has one (a problem with operators of
    // its own), else the problem with the operators the call gives.
    py::dict Solve(SolveCall& call) const override {
        if constexpr (requires { holder_.Solve(call); }) {
            return holder_.Solve(call);
        } else {
            using Kind = KindOf<decltype(holder_.Problem())>;
            return RunProblem(call, holder_.Problem(), OperatorsFor<Kind>(call));
        }
    }
    py::object Genome() const override { return py::cast(holder_.Problem().genome()); }
    double Fitness(const py::array& genes) const override {
        using Gene = GeneOf<decltype(holder_.Problem())>;
        const auto x = py::array_t<Gene, py::array::c_style | py::array::forcecast>::ensure(genes);
        const auto length = holder_.Problem().genome().Length();
        if (!x || x.ndim() != 1 || x.shape(0) != static_cast<py::ssize_t>(length))
            throw py::value_error("fitness takes " + std::to_string(length) + " genes");
        const std::span<const Gene> view(x.data(), length);
        if (const std::string fault = holder_.Problem().genome().Check(view); !fault.empty())
            throw py::value_error("fitness: " + fault);
        return holder_.Problem().fitness(view);
    }
    std::string Name() const override { return detail::ProblemName(holder_.Problem()); }
    bool Minimise() const override { return Minimises<std::remove_cvref_t<decltype(holder_.Problem())>>(); }

private:
    Holder holder_;
};

// Adds ReadyProblem, solve_ready and the module zarnel._zarnel.problems.
void BindReadyProblems(py::module_& m);

// Adds zarnel.problems.tsp to `problems` (tsp_problem.cpp); the module has
// it when it is built with examples/tsp's library.
void BindTsp(py::module_& problems);

}  // namespace zarnel::python
