#include "solve_call.h"

#include "solve/session.h"

namespace zarnel::python {

py::dict FiguresOf(const RunFigures& figures, RunContext& run) {
    py::dict made;
    made["stop_reason"] = std::string(StopReasonName(figures.stopReason));
    made["iterations"] = figures.iterations;
    made["steps"] = figures.steps;
    made["evaluations"] = figures.evaluations;
    made["seconds"] = figures.seconds;
    made["seed"] = figures.seed;
    made["dumps"] = py::cast(figures.dumps);
    made["record_error"] = figures.recordError;
    made["interrupt"] = run.Interrupt() ? run.Exception(*run.Interrupt()) : py::none();
    made["late"] = run.Late() ? run.Exception(*run.Late()) : py::none();
    return made;
}

void WireProgress(SolveCall& call) {
    call.options.stop = call.run.Stop().get_token();
    // Python's own handler keeps SIGINT; the run polls it (RunContext).
    call.options.handleSignals = false;
    if (call.calls.progress.is_none() && call.options.quiet) return;
    RunContext* run = &call.run;
    const Callbacks* calls = &call.calls;
    call.options.progress = [run, calls](const Progress& progress) {
        std::optional<std::size_t> failed;
        run->OnCaller([&] {
            try {
                if (!calls->progress.is_none()) {
                    CallWith(calls->progress, py::cast(progress));
                } else {
                    const py::object out = py::module_::import("sys").attr("stdout");
                    out.attr("write")(detail::ProgressLine(progress));
                    out.attr("flush")();
                }
            } catch (py::error_already_set& error) {
                if (error.matches(PyExc_KeyboardInterrupt)) {
                    run->NoteInterrupt(error);
                } else {
                    failed = run->Keep(error).Index();
                }
            }
        });
        if (failed) throw PythonCallFailed(*failed);
    };
}

}  // namespace zarnel::python
