#include "python_problem.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace zarnel::python {

namespace {

// repr(value), cut short: for messages.
std::string Shown(PyObject* value) {
    std::string text = py::repr(value).cast<std::string>();
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

// numpy.asarray(value).
py::array AsArray(const py::object& value) {
    auto& api = py::detail::npy_api::get();
    PyObject* array = api.PyArray_FromAny_(value.ptr(), nullptr, 0, 0, 0, nullptr);
    if (array == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::array>(array);
}

// A shape as Python writes it: (), (5,), (4, 2).
std::string ShapeText(const py::array& array) {
    std::string text = "(";
    for (py::ssize_t d = 0; d < array.ndim(); ++d)
        text += (d == 0 ? "" : ", ") + std::to_string(array.shape(d));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

// A NaN from Python is most often a fault (0 / 0, the log of a negative
// number) that would otherwise rank last unseen: refused with a ValueError.
void RefuseNaN(double number, const RunContext& run, const char* callback, std::size_t row, bool batch) {
    if (!std::isnan(number)) return;
    const std::string where = batch ? " for row " + std::to_string(row) : std::string();
    PyErr_Format(PyExc_ValueError,
                 "%s.%s returned NaN%s: return float('-inf') (float('inf') when minimising) for a genome "
                 "that has no fitness",
                 run.Owner().c_str(), callback, where.c_str());
    throw py::error_already_set();
}

}  // namespace

Random& LentRandom::Get() const {
    if (random_ == nullptr)
        throw std::runtime_error("this zarnel.Random was lent to an improve call that has returned");
    return *random_;
}

py::object CallWith(const py::object& callable, const py::object& argument) {
    PyObject* returned = PyObject_CallOneArg(callable.ptr(), argument.ptr());
    if (returned == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(returned);
}

py::object CallWith(const py::object& callable, const py::object& first, const py::object& second) {
    PyObject* arguments[] = {first.ptr(), second.ptr()};
    PyObject* returned = PyObject_Vectorcall(callable.ptr(), arguments, 2, nullptr);
    if (returned == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(returned);
}

double FitnessNumber(PyObject* value, const RunContext& run, const char* callback) {
    if (PyFloat_CheckExact(value)) {
        const double number = PyFloat_AS_DOUBLE(value);
        RefuseNaN(number, run, callback, 0, false);
        return number;
    }
    if (!PyUnicode_Check(value) && !PyBytes_Check(value) && value != Py_None) {
        const double number = PyFloat_AsDouble(value);
        if (number != -1.0 || PyErr_Occurred() == nullptr) {
            RefuseNaN(number, run, callback, 0, false);
            return number;
        }
        PyErr_Clear();
    }
    PyErr_Format(PyExc_TypeError, "%s.%s returned %s (%s), not a number", run.Owner().c_str(), callback,
                 Shown(value).c_str(), Py_TYPE(value)->tp_name);
    throw py::error_already_set();
}

void ReadBatchFitness(const py::object& returned, std::span<double> fitness, const RunContext& run) {
    const py::array array = AsArray(returned);
    const char kind = array.dtype().kind();
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') {
        PyErr_Format(PyExc_TypeError, "%s.batch_fitness returned %s of %s, not numbers", run.Owner().c_str(),
                     Py_TYPE(returned.ptr())->tp_name, py::str(array.dtype()).cast<std::string>().c_str());
        throw py::error_already_set();
    }
    const auto count = static_cast<py::ssize_t>(fitness.size());
    if (array.ndim() != 1 || array.shape(0) != count) {
        PyErr_Format(
            PyExc_ValueError,
            "%s.batch_fitness returned shape %s for %zd genomes: it returns one number per row of its "
            "argument, shape (%zd,)",
            run.Owner().c_str(), ShapeText(array).c_str(), count, count);
        throw py::error_already_set();
    }
    const auto values = py::array_t<double, py::array::forcecast>::ensure(array);
    if (!values) throw py::error_already_set();
    const auto read = values.unchecked<1>();
    for (py::ssize_t i = 0; i < count; ++i) {
        RefuseNaN(read(i), run, "batch_fitness", static_cast<std::size_t>(i), true);
        fitness[static_cast<std::size_t>(i)] = read(i);
    }
}

void ReadValues(const py::object& returned, std::span<double> out, std::size_t columns, bool batch,
                const RunContext& run, const char* callback) {
    const py::array array = AsArray(returned);
    const char kind = array.dtype().kind();
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') {
        PyErr_Format(PyExc_TypeError, "%s.%s returned %s of %s, not numbers", run.Owner().c_str(), callback,
                     Py_TYPE(returned.ptr())->tp_name, py::str(array.dtype()).cast<std::string>().c_str());
        throw py::error_already_set();
    }
    const auto rows = static_cast<py::ssize_t>(columns == 0 ? 0 : out.size() / columns);
    const auto wanted = static_cast<py::ssize_t>(columns);
    const bool fits = batch ? (array.ndim() == 2 && array.shape(0) == rows && array.shape(1) == wanted) ||
                                  (wanted == 1 && array.ndim() == 1 && array.shape(0) == rows)
                            : array.ndim() == 1 && array.shape(0) == wanted;
    if (!fits) {
        const std::string want = batch ? "(" + std::to_string(rows) + ", " + std::to_string(wanted) + ")"
                                       : "(" + std::to_string(wanted) + ",)";
        PyErr_Format(PyExc_ValueError,
                     "%s.%s returned shape %s where %s was wanted: %zd value%s per genome, as its first call "
                     "gave",
                     run.Owner().c_str(), callback, ShapeText(array).c_str(), want.c_str(), wanted,
                     wanted == 1 ? "" : "s");
        throw py::error_already_set();
    }
    const auto values = py::array_t<double, py::array::forcecast | py::array::c_style>::ensure(array);
    if (!values) throw py::error_already_set();
    const double* data = values.data();
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (std::isnan(data[i])) {
            const std::string where = batch ? " in row " + std::to_string(i / columns) + "," : std::string();
            PyErr_Format(PyExc_ValueError,
                         "%s.%s returned NaN%s at %zu: return float('inf') for an objective or a constraint "
                         "that has no value",
                         run.Owner().c_str(), callback, where.c_str(), i % columns);
            throw py::error_already_set();
        }
        out[i] = data[i];
    }
}

std::size_t CountOf(const py::object& returned, bool batch, const RunContext& run, const char* callback) {
    const py::array array = AsArray(returned);
    const char kind = array.dtype().kind();
    const bool shaped = batch ? array.ndim() == 2 && array.shape(0) == 1 : array.ndim() == 1;
    if (!shaped || (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')) {
        PyErr_Format(
            PyExc_TypeError, "%s.%s returned %s of shape %s and %s: it returns %s", run.Owner().c_str(),
            callback, Py_TYPE(returned.ptr())->tp_name, ShapeText(array).c_str(),
            py::str(array.dtype()).cast<std::string>().c_str(),
            batch ? "a 2-D array of numbers, one row per row of its argument" : "a sequence of numbers");
        throw py::error_already_set();
    }
    return static_cast<std::size_t>(array.shape(array.ndim() - 1));
}

std::vector<detail::DecodedNumber> ReadDecoded(const py::object& returned, const RunContext& run) {
    const py::array array = AsArray(returned);
    const char kind = array.dtype().kind();
    if (array.ndim() != 1 || (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')) {
        PyErr_Format(PyExc_TypeError,
                     "%s.decode returned %s of shape %s and %s: it returns a sequence of numbers",
                     run.Owner().c_str(), Py_TYPE(returned.ptr())->tp_name, ShapeText(array).c_str(),
                     py::str(array.dtype()).cast<std::string>().c_str());
        throw py::error_already_set();
    }
    std::vector<detail::DecodedNumber> numbers;
    const bool whole = kind != 'f';
    const auto values = py::array_t<double, py::array::forcecast>::ensure(array);
    const auto integers = whole ? py::array_t<std::int64_t, py::array::forcecast>::ensure(array)
                                : py::array_t<std::int64_t, py::array::forcecast>();
    if (!values || (whole && !integers)) throw py::error_already_set();
    for (py::ssize_t i = 0; i < array.shape(0); ++i) {
        // An unsigned number beyond int64 is kept as a real.
        const double real = values.at(i);
        if (whole && real < 9.2e18) {
            numbers.emplace_back(integers.at(i));
        } else {
            numbers.emplace_back(real);
        }
    }
    return numbers;
}

}  // namespace zarnel::python
