#include "run_context.h"

#include <chrono>
#include <thread>
#include <utility>

namespace zarnel::python {

namespace {

// How often the caller looks for Python signals and the stop event.
constexpr std::chrono::milliseconds kPollInterval{50};

// The slot of the thread, for the run it belongs to. Every thread that calls
// into Python through a slot (a slave, an island's master, the run's own
// thread) is started by its run and ends before it, so its slot and thread
// state never outlive it.
struct SlotOfThread {
    const RunContext* run = nullptr;
    ThreadSlot* slot = nullptr;
};
thread_local SlotOfThread slotOfThread;

}  // namespace

RunContext::RunContext(std::string owner, bool handleSignals, py::object stopEvent)
    : owner_(std::move(owner)),
      interpreter_(PyThreadState_GetInterpreter(PyThreadState_Get())),
      handleSignals_(handleSignals),
      stopEvent_(std::move(stopEvent)) {}

RunContext::~RunContext() {
    for (ThreadSlot& slot : slots_) {
        slot.genomes = py::object();
        slot.improved = py::object();
        slot.random = py::object();
        if (slot.state != nullptr) {
            PyThreadState_Clear(slot.state);
            PyThreadState_Delete(slot.state);
        }
    }
}

PythonCallFailed RunContext::Keep(py::error_already_set& error) {
    kept_.push_back(error);
    return PythonCallFailed(kept_.size() - 1);
}

PythonCallFailed RunContext::KeepNew(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    py::error_already_set error;
    return Keep(error);
}

void RunContext::Raise(std::size_t index) {
    kept_.at(index).restore();
    throw py::error_already_set();
}

py::object RunContext::Exception(std::size_t index) const {
    const py::error_already_set& error = kept_.at(index);
    const auto attached = py::reinterpret_steal<py::object>(PyException_GetTraceback(error.value().ptr()));
    if (!attached && error.trace() && !error.trace().is_none())
        PyException_SetTraceback(error.value().ptr(), error.trace().ptr());
    return error.value();
}

void RunContext::NoteInterrupt(py::error_already_set& error) {
    const PythonCallFailed kept = Keep(error);
    if (!interrupt_) interrupt_ = kept.Index();
    stop_.request_stop();
}

void RunContext::OnCaller(const std::function<void()>& call) {
    const std::lock_guard<std::mutex> one(oneCall_);
    std::unique_lock<std::mutex> lock(mutex_);
    call_ = &call;
    served_ = false;
    changed_.notify_all();
    changed_.wait(lock, [&] { return served_; });
    call_ = nullptr;
}

void RunContext::Poll() {
    try {
        if (handleSignals_ && PyErr_CheckSignals() != 0) throw py::error_already_set();
        if (!stopEvent_.is_none() && !stop_.stop_requested() && stopEvent_.attr("is_set")().cast<bool>())
            stop_.request_stop();
    } catch (py::error_already_set& error) {
        // Python ran a signal handler that raised: KeyboardInterrupt for
        // Ctrl+C, or what the program's own handler raises. It stops the
        // run; the first is raised once the run has ended.
        NoteInterrupt(error);
    }
}

void RunContext::Serve(const std::function<void()>& run) {
    std::exception_ptr failure;
    {
        const py::gil_scoped_release withoutGil;
        std::thread runner([&] {
            try {
                run();
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
            changed_.notify_all();
        });
        std::unique_lock<std::mutex> lock(mutex_);
        auto nextPoll = std::chrono::steady_clock::now();
        for (;;) {
            if (call_ != nullptr && !served_) {
                const std::function<void()>* call = call_;
                lock.unlock();
                {
                    const py::gil_scoped_acquire gil;
                    (*call)();
                }
                lock.lock();
                served_ = true;
                changed_.notify_all();
                continue;
            }
            if (finished_) break;
            if (std::chrono::steady_clock::now() >= nextPoll) {
                lock.unlock();
                {
                    const py::gil_scoped_acquire gil;
                    Poll();
                }
                lock.lock();
                nextPoll = std::chrono::steady_clock::now() + kPollInterval;
                continue;
            }
            changed_.wait_until(lock, nextPoll);
        }
        lock.unlock();
        runner.join();
    }
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (const PythonCallFailed& failed) {
        Raise(failed.Index());
    }
}

ThreadSlot& RunContext::SlotOfThisThread() {
    if (slotOfThread.run == this) return *slotOfThread.slot;
    ThreadSlot* slot = nullptr;
    {
        const std::lock_guard<std::mutex> lock(slotsMutex_);
        slot = &slots_.emplace_back();
    }
    // Made on this thread, so Python's own GIL calls on it (PyGILState_*,
    // pybind11's gil_scoped_acquire) find it as the thread's state.
    slot->state = PyThreadState_New(interpreter_);
    slotOfThread = {this, slot};
    return *slot;
}

PythonCall::PythonCall(RunContext& run) : slot_(run.SlotOfThisThread()) {
    if (slot_.depth++ == 0) PyEval_RestoreThread(slot_.state);
}

PythonCall::~PythonCall() {
    if (--slot_.depth == 0) PyEval_SaveThread();
}

}  // namespace zarnel::python
