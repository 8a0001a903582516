// zarnel.problems.tsp: the travelling salesman of examples/tsp as a ready
// problem, run as that program runs it (the memetic GA: its operators, its
// 2-opt + Or-opt improve and its population size; or the plain GA).
#include <filesystem>
#include <memory>
#include <string>

#include "edge_assembly.h"
#include "local_search.h"
#include "neighbour_lists.h"
#include "ready_problems.h"
#include "tour_operators.h"
#include "tour_problem.h"
#include "tsplib.h"

namespace zarnel::python {

namespace {

// An instance and what the search and the operators keep of it. Never moved:
// they point into it, so it lives behind a pointer of its own.
struct TspData {
    tsp::Instance instance;
    tsp::NeighbourLists neighbours;
    tsp::LocalSearch search;
    tsp::EdgeAssembly crossover;
    tsp::ImprovedTour problem;
    bool plain;

    TspData(tsp::Instance read, bool plainGa)
        : instance(std::move(read)),
          neighbours(instance, 10),
          search(instance, neighbours),
          crossover(instance, neighbours),
          problem{{&search}, {&search}},
          plain(plainGa) {}
};

// The holder Ready takes: fitness, name and genome are the tour's; a run is
// the program's (Solve below).
struct TspHolder {
    std::unique_ptr<TspData> data;

    const tsp::ImprovedTour& Problem() const { return data->problem; }

    // The plain GA: the tour alone with the operators given (the
    // permutation's defaults) and 50 individuals unless told. The memetic
    // GA: every child improved, bred by the tour operators unless others are
    // given, with the population of the program's PopulationFor.
    py::dict Solve(SolveCall& call) const {
        const std::uint32_t cities = data->instance.Size();
        if (data->plain) {
            if (call.options.population == 0) call.options.population = 50;
            return RunProblem(call, static_cast<const tsp::Tour&>(data->problem),
                              OperatorsFor<Permutation>(call));
        }
        if (call.options.population == 0)
            call.options.population = tsp::PopulationFor(cities, call.options.threads);
        if (!call.operators.is_none())
            return RunProblem(call, data->problem, OperatorsFor<Permutation>(call));
        return RunProblem(call, data->problem,
                          tsp::TourOperators(data->crossover, tsp::TourOperators::Settings{}));
    }
};

std::unique_ptr<ReadyProblem> MakeTsp(const std::string& path, bool plain) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        PyErr_SetString(PyExc_FileNotFoundError, ("tsp: no file " + path).c_str());
        throw py::error_already_set();
    }
    tsp::Instance instance;
    try {
        instance = tsp::ReadTsplib(path);
    } catch (const tsp::FormatError& failure) {
        throw py::value_error(std::string("tsp: ") + failure.what());
    }
    if (instance.Size() < 3) throw py::value_error("tsp: " + path + " has fewer than 3 cities");
    return std::make_unique<Ready<TspHolder>>(
        TspHolder{std::make_unique<TspData>(std::move(instance), plain)});
}

}  // namespace

void BindTsp(py::module_& problems) {
    problems.def("tsp", &MakeTsp, py::arg("path"), py::arg("plain") = false,
                 "The travelling salesman of a TSPLIB file (EUC_2D, CEIL_2D, ATT, GEO or EXPLICIT "
                 "FULL_MATRIX), minimised: the genes are the tour (0-based cities), the fitness its length. "
                 "The memetic GA of examples/tsp (edge assembly crossover, 2-opt + Or-opt on every child), "
                 "or with plain=True the plain GA of the permutation's operators.");
}

}  // namespace zarnel::python
