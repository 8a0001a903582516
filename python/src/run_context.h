#pragma once

#include <pybind11/pybind11.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace zarnel::python {

namespace py = pybind11;

// Thrown through the engine in place of a Python exception, which stays with
// the run (RunContext::Keep) until the thread that called zarnel.solve raises
// it again. It holds no Python object, so the engine may copy, keep and
// destroy it on any thread without the GIL.
class PythonCallFailed : public std::exception {
public:
    explicit PythonCallFailed(std::size_t index) : index_(index) {}
    std::size_t Index() const { return index_; }
    const char* what() const noexcept override { return "a Python callback raised an exception"; }

private:
    std::size_t index_;
};

// What one thread keeps for its calls into Python during a run: a Python
// thread state of its own, made on its first call and kept until the run
// ends (a new state per call would cost more than a small call itself), and
// the arrays and objects it hands to Python, reused while Python holds no
// other reference to them. Written only by its thread with the GIL held;
// cleared by the calling thread, with the GIL, after every run thread ended.
struct ThreadSlot {
    PyThreadState* state = nullptr;
    int depth = 0;        // PythonCalls open on the thread: only the outermost takes the GIL
    py::object genomes;   // the genomes of a batch
    py::object improved;  // the genome improve changes
    py::object random;    // improve's zarnel.Random
};

// One zarnel.solve call as its threads share it: the thread that called it
// (the caller), the thread the run goes on (Solve's calling thread), and the
// slave and island threads that call the problem.
//
// The caller holds the GIL until Serve, which gives it up for the whole run
// and takes it only to serve the run's calls (OnCaller) and to look for
// signals and the stop event between waits. Every other thread takes the GIL
// only around a call into Python (PythonCall) and never while it waits for
// another thread. The Python exceptions the run keeps are guarded by the GIL;
// the call being served and the end of the run by mutex_.
class RunContext {
public:
    // `owner` names the problem in messages ("Rastrigin").
    RunContext(std::string owner, bool handleSignals, py::object stopEvent);
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;
    // With the GIL, after Serve: gives back every thread's Python state.
    ~RunContext();

    const std::string& Owner() const { return owner_; }
    const std::stop_source& Stop() const { return stop_; }

    // With the GIL: keeps the Python exception `error` and returns what to
    // throw through the engine in its place.
    PythonCallFailed Keep(py::error_already_set& error);
    // With the GIL: makes a Python exception of `type` with `message` and
    // keeps it.
    PythonCallFailed KeepNew(PyObject* type, const std::string& message);
    // With the GIL: raises kept exception `index` again, with its traceback.
    [[noreturn]] void Raise(std::size_t index);
    // With the GIL: kept exception `index` itself, its traceback attached.
    py::object Exception(std::size_t index) const;

    // The KeyboardInterrupt (or another exception a Python signal handler
    // raised) that stopped the run, if one did; with the GIL.
    std::optional<std::size_t> Interrupt() const { return interrupt_; }
    // An exception of a call after the run (decode), raised once the result
    // is made; with the GIL.
    std::optional<std::size_t> Late() const { return late_; }
    void SetLate(std::size_t index) {
        if (!late_) late_ = index;
    }

    // From a run thread: runs `call` on the caller with the GIL and waits for
    // it. `call` must not throw. A KeyboardInterrupt raised in a call is the
    // caller's signal: NoteInterrupt.
    void OnCaller(const std::function<void()>& call);
    // With the GIL: a signal handler's exception stops the run.
    void NoteInterrupt(py::error_already_set& error);

    // The caller, which holds the GIL: runs `run` on a thread of its own and
    // serves it until it ends, then raises what it threw (a Python callback's
    // exception, a zarnel.SolveError, ...).
    void Serve(const std::function<void()>& run);

    // The calling thread's slot (see PythonCall).
    ThreadSlot& SlotOfThisThread();

private:
    void Poll();

    std::string owner_;
    PyInterpreterState* interpreter_;  // the caller's: every thread state of the run is made in it
    bool handleSignals_;
    py::object stopEvent_;
    std::stop_source stop_;

    std::vector<py::error_already_set> kept_;  // GIL
    std::optional<std::size_t> interrupt_;     // GIL
    std::optional<std::size_t> late_;          // GIL

    std::mutex mutex_;  // guards call_, served_ and finished_
    std::condition_variable changed_;
    const std::function<void()>* call_ = nullptr;
    bool served_ = false;
    bool finished_ = false;
    std::mutex oneCall_;  // one OnCaller at a time

    std::mutex slotsMutex_;  // guards the deque, not the slots
    std::deque<ThreadSlot> slots_;
};

// Holds the GIL on the calling thread (a slave thread, an island's master or
// the run's thread) for one call into Python, through the thread's own slot.
class PythonCall {
public:
    explicit PythonCall(RunContext& run);
    PythonCall(const PythonCall&) = delete;
    PythonCall& operator=(const PythonCall&) = delete;
    ~PythonCall();

    ThreadSlot& Slot() { return slot_; }

private:
    ThreadSlot& slot_;
};

}  // namespace zarnel::python
