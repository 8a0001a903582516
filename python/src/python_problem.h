#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "genome/random.h"
#include "run_context.h"
#include "solve/population_io.h"

namespace zarnel::python {

// The Python callbacks of a problem, looked up once by the caller. Owned by
// the caller's frame for the whole call; the adapters below point to it and
// never copy a Python object, so no reference count changes off the GIL.
struct Callbacks {
    py::object fitness;       // fitness(x), or None
    py::object batchFitness;  // batch_fitness(X), or None; it scores every genome when given
    py::object improve;       // improve(x) or improve(x, random), or None
    bool improveTakesRandom = false;
    py::object decode;    // decode(x), or None
    py::object progress;  // progress(p), or None
    // Several objectives and constraints: objectives(x) / batch_objectives(X)
    // and constraints(x) / batch_constraints(X), each None when absent (the
    // per-genome form is used when both are given), and their counts, M (0
    // for a problem of one objective) and K (0 without constraints), found
    // before the run. The problem's reference_point(), or empty.
    py::object objectives;
    py::object batchObjectives;
    py::object constraints;
    py::object batchConstraints;
    std::size_t objectiveCount = 0;
    std::size_t constraintCount = 0;
    std::vector<double> referencePoint;
};

// The zarnel.Random an improve is lent for the length of one call: the
// calling thread's generator stream of the run, so a seeded run repeats.
// Used after its call, it raises instead of reading a generator that has
// moved on.
class LentRandom {
public:
    Random& Get() const;
    void Lend(Random* random) { random_ = random; }

private:
    Random* random_ = nullptr;
};

// The data of an array that numpy allocated.
template <class Gene>
Gene* DataOf(const py::object& array) {
    return reinterpret_cast<Gene*>(py::detail::array_proxy(array.ptr())->data);
}

// A numpy array of `rows` genes, or rows × `columns` when `columns` is not
// 0, over `data`, which `base` keeps alive; writable or not.
template <class Gene>
py::object ArrayOver(const py::object& base, Gene* data, std::size_t rows, std::size_t columns,
                     bool writable) {
    auto& api = py::detail::npy_api::get();
    Py_intptr_t shape[2] = {static_cast<Py_intptr_t>(rows), static_cast<Py_intptr_t>(columns)};
    Py_intptr_t strides[2] = {static_cast<Py_intptr_t>(columns * sizeof(Gene)), sizeof(Gene)};
    if (columns == 0) strides[0] = sizeof(Gene);
    PyObject* array = api.PyArray_NewFromDescr_(
        api.PyArray_Type_, py::dtype::of<Gene>().release().ptr(), columns == 0 ? 1 : 2, shape, strides, data,
        writable ? py::detail::npy_api::NPY_ARRAY_WRITEABLE_ : 0, nullptr);
    if (array == nullptr) throw py::error_already_set();
    auto owned = py::reinterpret_steal<py::object>(array);
    if (api.PyArray_SetBaseObject_(array, base.inc_ref().ptr()) != 0) throw py::error_already_set();
    return owned;
}

// `array` when it holds at least `rows` × `columns` genes and nobody but the
// slot refers to it; else a new one. An array that Python code kept (a
// fitness that stored its argument) is left to it, unchanged.
template <class Gene>
py::object& Reusable(py::object& array, std::size_t rows, std::size_t columns) {
    const bool fits = array && Py_REFCNT(array.ptr()) == 1 &&
                      py::detail::array_proxy(array.ptr())->dimensions[0] >= static_cast<Py_intptr_t>(rows);
    if (!fits) {
        if (columns == 0) {
            array = py::array_t<Gene>(static_cast<py::ssize_t>(rows));
        } else {
            array = py::array_t<Gene>({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
        }
    }
    return array;
}

// The number a fitness returned: a float, an int or anything numpy makes a
// float of; a str, bytes or None raises a TypeError that names the callback,
// and a NaN a ValueError.
double FitnessNumber(PyObject* value, const RunContext& run, const char* callback);

// Reads what batch_fitness returned for `fitness.size()` genomes into
// `fitness`: one number per genome, as a 1-D array or a sequence numpy
// reads as one; anything else (a NaN too) raises a TypeError or ValueError
// that says what came and what was wanted.
void ReadBatchFitness(const py::object& returned, std::span<double> fitness, const RunContext& run);

// What decode returned, as the record shows it: whole numbers when numpy
// reads them as integers, else reals. Raises a TypeError for anything else.
std::vector<detail::DecodedNumber> ReadDecoded(const py::object& returned, const RunContext& run);

// Reads what objectives / constraints (`callback`) returned for one genome,
// or what its batch form returned for out.size() / columns genomes (shape
// (rows, columns); (rows,) also when columns is 1), into `out`, row after
// row: numbers of the count the problem gave before the run. Anything else,
// or a NaN, raises a TypeError or ValueError that says what came and what
// was wanted.
void ReadValues(const py::object& returned, std::span<double> out, std::size_t columns, bool batch,
                const RunContext& run, const char* callback);

// Calls `callable(argument)`; throws error_already_set when it raised.
py::object CallWith(const py::object& callable, const py::object& argument);
py::object CallWith(const py::object& callable, const py::object& first, const py::object& second);

// A Python problem of genome kind `Kind` as Solve takes it: a plain copyable
// value that points to the run and the callbacks. Every genome reaches
// Python in a batch (batchFitness): a thread takes the GIL once per batch and
// calls batch_fitness once, or fitness once per genome. Python sees each
// genome as a read-only row of a numpy array of the batch that the thread
// reuses while no Python code keeps a reference to it; one that is kept is
// left to its holder as it was. `decode` runs on the caller. `name` and
// `genome` are what the caller found before the run.
template <class Kind>
class PythonProblemCore {
public:
    using Gene = typename Kind::Gene;

    PythonProblemCore(RunContext& run, const Callbacks& calls, Kind kind, std::string name)
        : run_(&run), calls_(&calls), kind_(std::move(kind)), name_(std::move(name)) {}

    Kind genome() const { return kind_; }
    std::string name() const { return name_; }

    // The record's solution. A decode that raises leaves the genes there, and
    // its exception is raised once the run's result is made.
    std::vector<detail::DecodedNumber> decode(std::span<const Gene> genes) const {
        std::vector<detail::DecodedNumber> numbers;
        for (const Gene gene : genes) {
            if constexpr (std::is_integral_v<Gene>) {
                numbers.emplace_back(static_cast<std::int64_t>(gene));
            } else {
                numbers.emplace_back(static_cast<double>(gene));
            }
        }
        if (calls_->decode.is_none()) return numbers;
        run_->OnCaller([&] {
            try {
                py::array_t<Gene> copy(static_cast<py::ssize_t>(genes.size()));
                std::memcpy(copy.mutable_data(), genes.data(), genes.size_bytes());
                numbers = ReadDecoded(CallWith(calls_->decode, copy), *run_);
            } catch (py::error_already_set& error) {
                run_->SetLate(run_->Keep(error).Index());
            }
        });
        return numbers;
    }

protected:
    // Writes the values of `perGenome(x)`, or of `batch(X)` called with the
    // genome as a one-row batch, into `out` (objectives or constraints).
    void Values(std::span<const Gene> genes, std::span<double> out, const py::object& perGenome,
                const py::object& batch, const char* perGenomeName, const char* batchName) const {
        PythonCall call(*run_);
        try {
            const std::size_t length = kind_.Length();
            py::object& slot = Reusable<Gene>(call.Slot().genomes, 1, length);
            Gene* data = DataOf<Gene>(slot);
            std::memcpy(data, genes.data(), genes.size_bytes());
            if (!perGenome.is_none()) {
                ReadValues(CallWith(perGenome, ArrayOver(slot, data, length, 0, false)), out, out.size(),
                           false, *run_, perGenomeName);
            } else {
                ReadValues(CallWith(batch, ArrayOver(slot, data, 1, length, false)), out, out.size(), true,
                           *run_, batchName);
            }
        } catch (py::error_already_set& error) {
            throw run_->Keep(error);
        }
    }
    // The same for the genomes of a batch, one after another, `columns`
    // values each into `out`: one call of `batch(X)` when the problem has
    // it, else `perGenome(x)` per row, all in one hold of the GIL.
    void BatchValues(std::span<const Gene> genomes, std::span<double> out, std::size_t columns,
                     const py::object& perGenome, const py::object& batch, const char* perGenomeName,
                     const char* batchName) const {
        PythonCall call(*run_);
        try {
            const std::size_t length = kind_.Length();
            const std::size_t rows = genomes.size() / length;
            py::object& slot = Reusable<Gene>(call.Slot().genomes, rows, length);
            Gene* data = DataOf<Gene>(slot);
            std::memcpy(data, genomes.data(), genomes.size_bytes());
            if (!batch.is_none()) {
                ReadValues(CallWith(batch, ArrayOver(slot, data, rows, length, false)), out, columns, true,
                           *run_, batchName);
                return;
            }
            for (std::size_t i = 0; i < rows; ++i) {
                ReadValues(CallWith(perGenome, ArrayOver(slot, data + i * length, length, 0, false)),
                           out.subspan(i * columns, columns), columns, false, *run_, perGenomeName);
            }
        } catch (py::error_already_set& error) {
            throw run_->Keep(error);
        }
    }
    void BatchConstraints(std::span<const Gene> genomes, std::span<double> out) const {
        BatchValues(genomes, out, calls_->constraintCount, calls_->constraints, calls_->batchConstraints,
                    "constraints", "batch_constraints");
    }
    void Constraints(std::span<const Gene> genes, std::span<double> out) const {
        Values(genes, out, calls_->constraints, calls_->batchConstraints, "constraints", "batch_constraints");
    }

    RunContext* run_;
    const Callbacks* calls_;
    Kind kind_;

private:
    std::string name_;
};

template <class Kind>
class PythonProblemBase : public PythonProblemCore<Kind> {
public:
    using Gene = typename Kind::Gene;
    using PythonProblemCore<Kind>::PythonProblemCore;

    double fitness(std::span<const Gene> genes) const {
        double value = 0.0;
        batchFitness(genes, std::span<double>(&value, 1));
        return value;
    }

    void batchFitness(std::span<const Gene> genomes, std::span<double> fitness) const {
        PythonCall call(*this->run_);
        try {
            Score(call.Slot(), genomes, fitness);
        } catch (py::error_already_set& error) {
            throw this->run_->Keep(error);
        }
    }

private:
    void Score(ThreadSlot& slot, std::span<const Gene> genomes, std::span<double> fitness) const {
        const std::size_t count = fitness.size();
        const std::size_t length = this->kind_.Length();
        py::object& batch = Reusable<Gene>(slot.genomes, count, length);
        Gene* data = DataOf<Gene>(batch);
        std::memcpy(data, genomes.data(), genomes.size_bytes());
        const Callbacks& calls = *this->calls_;
        if (!calls.batchFitness.is_none()) {
            py::object returned = CallWith(calls.batchFitness, ArrayOver(batch, data, count, length, false));
            ReadBatchFitness(returned, fitness, *this->run_);
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            py::object returned =
                CallWith(calls.fitness, ArrayOver(batch, data + i * length, length, 0, false));
            fitness[i] = FitnessNumber(returned.ptr(), *this->run_, "fitness");
        }
    }
};

// The problem, maximised or (kMinimise) minimised.
template <class Kind, bool kMinimise>
struct PythonProblem : PythonProblemBase<Kind> {
    static constexpr bool minimise = kMinimise;
    using PythonProblemBase<Kind>::PythonProblemBase;
};

// The problem with its improve: it changes a numpy copy of the genome in
// place (a writable array the thread reuses), which goes back to the genome
// when it returns; it must return None (or its argument).
template <class Base>
struct Improving : Base {
    using Gene = typename Base::Gene;
    using Base::Base;

    void improve(std::span<Gene> genes, Random& random) const {
        PythonCall call(*this->run_);
        try {
            Improve(call.Slot(), genes, random);
        } catch (py::error_already_set& error) {
            throw this->run_->Keep(error);
        }
    }

private:
    void Improve(ThreadSlot& slot, std::span<Gene> genes, Random& random) const {
        py::object& genome = Reusable<Gene>(slot.improved, genes.size(), 0);
        Gene* data = DataOf<Gene>(genome);
        std::memcpy(data, genes.data(), genes.size_bytes());
        py::object returned;
        if (this->calls_->improveTakesRandom) {
            if (!slot.random || Py_REFCNT(slot.random.ptr()) > 1) slot.random = py::cast(LentRandom{});
            LentRandom& lent = slot.random.cast<LentRandom&>();
            struct Lending {
                LentRandom& lent;
                ~Lending() { lent.Lend(nullptr); }
            } lending{lent};
            lent.Lend(&random);
            returned = CallWith(this->calls_->improve, genome, slot.random);
        } else {
            returned = CallWith(this->calls_->improve, genome);
        }
        if (!returned.is_none() && !returned.is(genome)) {
            throw this->run_->KeepNew(PyExc_TypeError,
                                      this->run_->Owner() + ".improve returned a " +
                                          Py_TYPE(returned.ptr())->tp_name +
                                          ": it changes its argument in place (x[:] = ...) and returns None");
        }
        std::memcpy(genes.data(), data, genes.size_bytes());
    }
};

template <class Kind, bool kMinimise>
using ImprovingPythonProblem = Improving<PythonProblem<Kind, kMinimise>>;

// A problem of one objective under constraints (`Base`: a PythonProblem or
// an ImprovingPythonProblem): K constraints, each <= 0 when met, ranked by
// the feasibility rules.
template <class Base>
struct WithConstraints : Base {
    using Gene = typename Base::Gene;
    using Base::Base;

    std::size_t constraintCount() const { return this->calls_->constraintCount; }
    void constraints(std::span<const Gene> genes, std::span<double> out) const {
        this->Constraints(genes, out);
    }
    // A batch's constraints in one call (or one hold of the GIL).
    void batchConstraints(std::span<const Gene> genomes, std::span<double> out) const {
        this->BatchConstraints(genomes, out);
    }
};

// A problem of several objectives: M objectives, all minimised, and K
// constraints (0: none, and no call for them), as the engine takes a
// problem whose counts are known only when it runs.
template <class Kind>
struct PythonObjectivesProblem : PythonProblemCore<Kind> {
    using Gene = typename Kind::Gene;
    using PythonProblemCore<Kind>::PythonProblemCore;

    std::size_t objectiveCount() const { return this->calls_->objectiveCount; }
    void objectives(std::span<const Gene> genes, std::span<double> out) const {
        this->Values(genes, out, this->calls_->objectives, this->calls_->batchObjectives, "objectives",
                     "batch_objectives");
    }
    std::size_t constraintCount() const { return this->calls_->constraintCount; }
    void constraints(std::span<const Gene> genes, std::span<double> out) const {
        this->Constraints(genes, out);
    }
    // The children a slave thread takes at once, in one call (or one hold of
    // the GIL).
    void batchObjectives(std::span<const Gene> genomes, std::span<double> out) const {
        this->BatchValues(genomes, out, this->calls_->objectiveCount, this->calls_->objectives,
                          this->calls_->batchObjectives, "objectives", "batch_objectives");
    }
    void batchConstraints(std::span<const Gene> genomes, std::span<double> out) const {
        this->BatchConstraints(genomes, out);
    }
    std::vector<double> referencePoint() const { return this->calls_->referencePoint; }
};

}  // namespace zarnel::python
