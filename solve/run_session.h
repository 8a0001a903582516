#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "run/run_files.h"
#include "run/run_loop.h"
#include "run/run_record.h"

namespace zarnel {

// The run around one engine, as every program and Solve share it: its clocks
// and seed, the master thread's counting, the stop limits and hooks of its
// loop, end requests, the files it reads and writes, population dumps on
// Ctrl+C, and the members that every run record holds. What a program keeps
// of its own is its input, its progress line, its report and the format of
// its dumps.
//
// Build it on the thread that will build and run the engine, before the
// engine (so the master's evaluations during the engine's construction
// count), and destroy it after. Main thread only.
class RunSession {
public:
    struct Setup {
        std::string program;         // names the program in messages and the record
        run::StopLimits limits;      // checked after every master iteration
        std::uint32_t chunk = 1000;  // master iterations between two chunk hooks
        // SIGTERM, SIGHUP and Ctrl+\ (Ctrl+Break on Windows) end the run
        // after the current master iteration while Run runs, instead of
        // ending the process.
        bool endRequests = false;
        // The session handles Ctrl+C and the end requests itself for its
        // whole life, and gives them back their actions after (a library
        // call, which must not be ended half-way through its record); off,
        // Ctrl+C requests come from the program's own handler
        // (platform::InstallCtrlCHandler), if any. Sessions that live at
        // once share the handlers: the last to end gives the actions back.
        bool handleSignals = false;
        std::string dumpDirectory;  // where dumps go; empty: the current directory
        // Roles of the run's files that a dump may never take, not even
        // under another name (the programs refuse a dump named like their
        // parameter or report file).
        std::vector<std::string> refusedRoles;
    };

    RunSession(Setup setup, run::RunFiles files);
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;
    ~RunSession();

    const Setup& Settings() const { return setup_; }
    run::RunFiles& Files() { return files_; }
    // Wall-clock seconds since the session began, and when it began (the
    // time limit counts from there).
    double Elapsed() const;
    run::RunLoop::Clock::time_point Start() const { return start_; }

    // Runs `engine` until the chunk hook says it is solved, a limit or the
    // iteration hook ends it, or an end request comes (StopReason::kSignal).
    run::StopReason Run(CParallelGA& engine, run::RunHooks hooks);
    // Master iterations that Run ran.
    std::uint32_t Iterations() const { return iterations_; }

    // When Ctrl+C asked for a dump since the last call: writes one with
    // `write` as `name` in the dump directory, or under a free name beside it
    // when another file of the run has that name (saying so on `err`), and
    // adds it to the run's files. The path written, or empty (no request, a
    // refused name, a failed write: each said on `err`).
    std::string DumpOnRequest(const std::string& name, const std::function<bool(std::FILE*)>& write,
                              std::FILE* err);
    // The same dump whether or not Ctrl+C asked for one: for a caller that
    // learns of the request another way (islands, where one request dumps
    // every island).
    std::string DumpNow(const std::string& name, const std::function<bool(std::FILE*)>& write,
                        std::FILE* err);

    // What the master thread and every slave thread of `engine` counted.
    std::uint64_t Evaluations(const CParallelGA& engine) const;
    std::uint64_t Steps(const CParallelGA& engine) const;

    // A record with the members every run fills the same way: program,
    // version, start time, stop reason, iterations, evaluations, the
    // master's and the threads' figures. Between Run calls only.
    run::RunRecord Record(const CParallelGA& engine, run::StopReason reason) const;
    // Writes `record` to `path` atomically, its end time and wall seconds
    // set now; on failure says why on `err` (and in `failure`, when given)
    // and returns false.
    bool WriteRecord(const std::string& path, run::RunRecord& record, std::FILE* err,
                     std::string* failure = nullptr) const;

private:
    Setup setup_;
    run::RunFiles files_;
    std::chrono::system_clock::time_point startUtc_;
    run::RunLoop::Clock::time_point start_;
    ThreadStats masterStats_;
    ThreadStatsScope countMaster_;
    std::uint32_t iterations_ = 0;
};

}  // namespace zarnel
