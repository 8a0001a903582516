#include "options.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace zarnel::python {

namespace {

// The value of `name` in the dict; every keyword is there, as the Python
// layer passes them all.
py::handle Given(const py::dict& given, const char* name) {
    PyObject* value = PyDict_GetItemString(given.ptr(), name);
    if (value == nullptr) throw py::type_error(std::string("missing option ") + name);
    return value;
}

std::uint64_t Whole(const py::dict& given, const char* name, std::uint64_t most) {
    const py::handle value = Given(given, name);
    const std::string refusal = std::string(name) + ": " + py::repr(value).cast<std::string>() +
                                " is not a whole number from 0 to " + std::to_string(most);
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) throw py::type_error(refusal);
    const auto number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    if (!number) throw py::error_already_set();
    if (number < py::int_(0) || number > py::int_(most)) throw py::value_error(refusal);
    return PyLong_AsUnsignedLongLong(number.ptr());
}

std::uint32_t Whole32(const py::dict& given, const char* name) {
    return static_cast<std::uint32_t>(Whole(given, name, std::numeric_limits<std::uint32_t>::max()));
}

// `value` as a float (a bool, str, bytes or None is refused), for option `name`.
double NumberOf(py::handle value, const char* name) {
    if (PyBool_Check(value.ptr()) || PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) ||
        value.is_none())
        throw py::type_error(std::string(name) + ": " + py::repr(value).cast<std::string>() +
                             " is not a number");
    const double number = PyFloat_AsDouble(value.ptr());
    if (number == -1.0 && PyErr_Occurred() != nullptr) {
        PyErr_Clear();
        throw py::type_error(std::string(name) + ": " + py::repr(value).cast<std::string>() +
                             " is not a number");
    }
    return number;
}

double Real(const py::dict& given, const char* name) { return NumberOf(Given(given, name), name); }

bool Flag(const py::dict& given, const char* name) {
    const py::handle value = Given(given, name);
    if (!PyBool_Check(value.ptr()))
        throw py::type_error(std::string(name) + ": " + py::repr(value).cast<std::string>() +
                             " is not True or False");
    return value.ptr() == Py_True;
}

std::string Text(const py::dict& given, const char* name) {
    const py::handle value = Given(given, name);
    if (!PyUnicode_Check(value.ptr()))
        throw py::type_error(std::string(name) + ": " + py::repr(value).cast<std::string>() +
                             " is not a path (a str or os.PathLike)");
    return value.cast<std::string>();
}

// A list of finite-or-not numbers (the engine checks their values).
std::vector<double> Numbers(const py::dict& given, const char* name) {
    const py::handle value = Given(given, name);
    std::vector<double> numbers;
    if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) || !PySequence_Check(value.ptr()))
        throw py::type_error(std::string(name) + ": " + py::repr(value).cast<std::string>() +
                             " is not a sequence of numbers");
    for (const py::handle item : value) numbers.push_back(NumberOf(item, name));
    return numbers;
}

Survival SurvivalFrom(const py::dict& given) {
    const py::handle value = Given(given, "survival");
    const std::string text = PyUnicode_Check(value.ptr()) ? value.cast<std::string>() : std::string();
    if (text == "automatic") return Survival::kAutomatic;
    if (text == "nsga2") return Survival::kNsga2;
    if (text == "nsga3") return Survival::kNsga3;
    throw py::value_error("survival: " + py::repr(value).cast<std::string>() +
                          " is not 'automatic', 'nsga2' or 'nsga3'");
}

}  // namespace

SolveOptions OptionsFrom(const py::dict& given) {
    SolveOptions options;
    options.threads = Whole32(given, "threads");
    options.population = Whole32(given, "population");
    if (!Given(given, "seed").is_none())
        options.seed = Whole(given, "seed", std::numeric_limits<std::uint64_t>::max());
    options.tournamentSize = Whole32(given, "tournament_size");
    options.stepsPerPhase = Whole32(given, "steps_per_phase");
    options.deterministic = Flag(given, "deterministic");
    options.batchSize = Whole32(given, "batch_size");
    options.islands = Whole32(given, "islands");
    options.migrationInterval = Whole32(given, "migration_interval");
    options.migrants = Whole32(given, "migrants");
    options.maxIterations = Whole32(given, "max_iterations");
    options.timeLimit = Real(given, "time_limit");
    if (!Given(given, "target").is_none()) options.target = Real(given, "target");
    options.stagnation = Whole32(given, "stagnation");
    options.maxEvaluations = Whole(given, "max_evaluations", std::numeric_limits<std::uint64_t>::max());
    options.quiet = Flag(given, "quiet");
    options.progressInterval = Real(given, "progress_interval");
    options.progressEvery = Whole32(given, "progress_every");
    options.record = Text(given, "record");
    options.handleSignals = Flag(given, "handle_signals");
    options.dumpDirectory = Text(given, "dump_directory");
    options.dumpOnStop = Flag(given, "dump_on_stop");
    options.resumeFrom = Text(given, "resume_from");
    options.survival = SurvivalFrom(given);
    options.referenceDirections = Numbers(given, "reference_directions");
    options.referenceDivisions = Whole32(given, "reference_divisions");
    options.referencePoint = Numbers(given, "reference_point");
    return options;
}

py::dict DefaultOptions() {
    const SolveOptions options;
    py::dict defaults;
    defaults["threads"] = options.threads;
    defaults["population"] = options.population;
    defaults["seed"] = py::none();
    defaults["tournament_size"] = options.tournamentSize;
    defaults["steps_per_phase"] = options.stepsPerPhase;
    defaults["deterministic"] = options.deterministic;
    defaults["batch_size"] = options.batchSize;
    defaults["islands"] = options.islands;
    defaults["migration_interval"] = options.migrationInterval;
    defaults["migrants"] = options.migrants;
    defaults["max_iterations"] = options.maxIterations;
    defaults["time_limit"] = options.timeLimit;
    defaults["target"] = py::none();
    defaults["stagnation"] = options.stagnation;
    defaults["max_evaluations"] = options.maxEvaluations;
    defaults["progress"] = py::none();
    defaults["quiet"] = options.quiet;
    defaults["progress_interval"] = options.progressInterval;
    defaults["progress_every"] = options.progressEvery;
    defaults["record"] = options.record;
    defaults["handle_signals"] = options.handleSignals;
    defaults["dump_directory"] = options.dumpDirectory;
    defaults["stop"] = py::none();
    defaults["dump_on_stop"] = options.dumpOnStop;
    defaults["resume_from"] = options.resumeFrom;
    defaults["survival"] = "automatic";
    defaults["reference_directions"] = py::list();
    defaults["reference_divisions"] = options.referenceDivisions;
    defaults["reference_point"] = py::list();
    return defaults;
}

}  // namespace zarnel::python
