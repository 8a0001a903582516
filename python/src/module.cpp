// The extension module zarnel._zarnel; the package zarnel (zarnel/__init__.py)
// is its Python face.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "kinds.h"
#include "options.h"
#include "ready_problems.h"
#include "solve_call.h"

namespace zarnel::python {

namespace {

// Runs a problem written in Python: `kind` is what its genome() returned,
// `callbacks` its bound methods (or None), `options` every keyword of
// zarnel.solve but operators, progress and stop.
py::dict SolvePython(const py::object& kind, const py::object& operators, const py::dict& callbacks,
                     const py::dict& options, const std::string& name, bool minimise,
                     const std::string& owner, const py::object& stop) {
    Callbacks calls;
    calls.fitness = callbacks["fitness"];
    calls.batchFitness = callbacks["batch_fitness"];
    calls.improve = callbacks["improve"];
    calls.improveTakesRandom = callbacks["improve_takes_random"].cast<bool>();
    calls.decode = callbacks["decode"];
    calls.progress = callbacks["progress"];
    calls.objectives = callbacks["objectives"];
    calls.batchObjectives = callbacks["batch_objectives"];
    calls.constraints = callbacks["constraints"];
    calls.batchConstraints = callbacks["batch_constraints"];
    calls.referencePoint = callbacks["reference_point"].cast<std::vector<double>>();
    RunContext run(owner, options["handle_signals"].cast<bool>(), stop);
    SolveCall call{
        run, calls, kind, operators, OptionsFrom(options), name, minimise, !calls.improve.is_none()};
    WireProgress(call);
    if (py::isinstance<Permutation>(kind)) return SolvePermutation(call);
    if (py::isinstance<BitString>(kind)) return SolveBitString(call);
    if (py::isinstance<RealVector>(kind)) return SolveRealVector(call);
    if (py::isinstance<IntegerVector>(kind)) return SolveIntegerVector(call);
    throw py::type_error(owner + ".genome() returned " + py::repr(kind).cast<std::string>().substr(0, 60) +
                         ", not a genome kind (zarnel.Permutation, BitString, RealVector or IntegerVector)");
}

}  // namespace

}  // namespace zarnel::python

PYBIND11_MODULE(_zarnel, m) {
    namespace py = pybind11;
    using namespace zarnel::python;
    m.doc() = "Zarnel's engine: zarnel.solve and its genome kinds (use the package zarnel)";

    py::register_exception<zarnel::SolveError>(m, "SolveError", PyExc_ValueError);

    BindKinds(m);

    py::class_<zarnel::Progress>(m, "Progress",
                                 "The figures of a run at one moment, as the progress line shows them.")
        .def_readonly("iteration", &zarnel::Progress::iteration)
        .def_readonly("evaluations", &zarnel::Progress::evaluations)
        .def_readonly("best", &zarnel::Progress::best)
        .def_readonly("mean", &zarnel::Progress::mean)
        .def_readonly("seconds", &zarnel::Progress::seconds)
        .def_readonly("violation", &zarnel::Progress::violation)
        .def_readonly("objectives", &zarnel::Progress::objectives)
        .def_readonly("front_size", &zarnel::Progress::frontSize)
        .def_readonly("hypervolume", &zarnel::Progress::hypervolume)
        .def_readonly("feasible_share", &zarnel::Progress::feasibleShare)
        .def("__repr__", [](const zarnel::Progress& progress) {
            std::string line = zarnel::detail::ProgressLine(progress);
            line.pop_back();
            return "Progress(" + line + ")";
        });

    py::class_<LentRandom>(
        m, "Random", "The generator stream an improve is lent for one call: the run's, so a seed repeats.")
        .def(
            "random", [](const LentRandom& lent) { return lent.Get().Uniform(); }, "A float in [0, 1).")
        .def(
            "uniform",
            [](const LentRandom& lent, double low, double high) { return lent.Get().Uniform(low, high); },
            py::arg("low"), py::arg("high"), "A float in [low, high).")
        .def(
            "below",
            [](const LentRandom& lent, std::uint64_t bound) {
                if (bound == 0) throw py::value_error("below(0): the bound must be at least 1");
                return lent.Get().Below64(bound);
            },
            py::arg("bound"), "An int in [0, bound).")
        .def(
            "normal", [](const LentRandom& lent) { return lent.Get().Normal(); }, "A standard normal float.")
        .def(
            "chance", [](const LentRandom& lent, double p) { return lent.Get().Chance(p); }, py::arg("p"),
            "True with probability p.");

    m.def("solve", &SolvePython, py::arg("kind"), py::arg("operators"), py::arg("callbacks"),
          py::arg("options"), py::arg("name"), py::arg("minimise"), py::arg("owner"), py::arg("stop"));
    m.def("default_options", &DefaultOptions, "Every keyword of zarnel.solve with its default.");
    BindReadyProblems(m);
}
