#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "run/run_loop.h"
#include "run/run_record.h"
#include "solve/options.h"

namespace zarnel::detail {

// The parts of Solve that do not depend on the problem's types: what the
// options resolve to, the signals, the files a run reads and writes, the
// progress line and the record's parameters. Solve's thread only.

// The options of one run, checked and resolved.
struct RunPlan {
    std::uint32_t threads = 0;
    std::uint32_t population = 0;
    std::uint32_t tournament = 3;
    std::uint32_t fixedSteps = 0;
    std::uint64_t seed = 0;
    run::StopLimits limits;
    std::optional<double> target;
    std::uint32_t stagnation = 0;
};

// Checks the options for a genome of `genomeLength` genes and resolves the
// defaults (population, seed); throws SolveError naming the option, its value
// and the rule.
RunPlan PlanRun(const SolveOptions& options, std::uint32_t genomeLength);

// Ctrl+C (a dump request) and the end requests (SIGTERM, SIGHUP, Ctrl+\;
// Ctrl+Break on Windows) handled for the life of the scope, then given back
// the actions they had. Inactive, it touches nothing and reports no request.
class SignalScope {
public:
    explicit SignalScope(bool active);
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;
    ~SignalScope();

    bool TakeDumpRequest() const;
    bool EndRequested() const;

private:
    bool active_;
};

// The files of one run: the record, the dump it resumed from and the dumps it
// writes. No output of the run ever replaces another of its inputs or
// outputs: a dump whose name is taken gets a suffix ("3000-2.txt").
class RunFiles {
public:
    // Checks that the record can be written and is not the resumed dump;
    // throws SolveError otherwise.
    explicit RunFiles(const SolveOptions& options);

    // The path for a dump after `iteration` master iterations: "<iteration>.txt"
    // in the dump directory, or the first "<iteration>-<k>.txt" (k = 2, 3, …)
    // that is none of this run's files. Taken as one of them from now on.
    std::string TakeDumpPath(std::uint64_t iteration);

private:
    bool Taken(const std::string& path) const;

    std::string directory_;
    std::vector<std::string> taken_;
};

// The standard progress line: "iteration 1200: best -7542, mean -7903.21,
// 61200 evaluations, 2.0 s".
void PrintProgressLine(std::FILE* out, const Progress& progress);

// The options that the record lists under "parameters": every one that differs
// from its default, as resolved.
run::ParameterList RecordParameters(const SolveOptions& options, const RunPlan& plan);

// Writes the record; on failure says why on standard error and returns false.
bool WriteRecord(const std::string& path, const run::RunRecord& record);

// The population dump format of Solve: a header of "# key: value" lines,
// then one individual per line, its genes in the kind's text form, then
// " # " and its fitness, which a resume does not trust (it scores again).
struct DumpHeader {
    std::string problem;
    std::string kind;
    std::uint64_t length = 0;
    std::uint64_t individuals = 0;
    std::uint64_t iteration = 0;
    std::uint64_t seed = 0;
};

std::string DumpHeaderText(const DumpHeader& header);

// A dump read back: its header and the text of each individual's genes (the
// fitness comment removed), with the line number of each. Throws SolveError
// (naming the file and line) for a file that cannot be read, is too long for
// a dump of `expect`, or whose header does not match `expect` (kind, length,
// individuals).
struct DumpText {
    DumpHeader header;
    std::vector<std::string> genomes;
    std::vector<std::uint64_t> lines;
};
DumpText ReadDumpText(const std::string& path, const DumpHeader& expect);

}  // namespace zarnel::detail
