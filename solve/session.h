#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "run/run_files.h"
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
    std::uint64_t maxEvaluations = 0;
    // Islands of the whole run (1: one population), those of this process,
    // and how they migrate.
    std::uint32_t islands = 1;
    std::uint32_t localIslands = 1;
    std::uint32_t migrationInterval = 100;
    std::uint32_t migrants = 1;
    // The seed repeats the run: it is deterministic, or a given seed runs
    // one population on at most one slave thread, whose steps per phase are
    // then fixed (stepsPerPhase, or half the population) instead of sized
    // from the time they take. Progress then comes every progressEvery
    // master iterations (100 unless set), so that the history repeats too.
    bool repeatable = false;
    // Master iterations between progress calls; 0: every progressInterval
    // seconds.
    std::uint32_t progressEvery = 0;
    // The problem's objectives: 1 runs the steady-state scheme, 2 or more
    // the generational one.
    std::size_t objectives = 1;
    // Children per batchFitness call for a problem that has one; 0 for a
    // problem scored one child at a time.
    std::uint32_t batch = 0;
};

// Checks the options for a genome of `genomeLength` genes and a problem of
// `objectives` objectives and resolves the defaults (population, seed, and
// the batch size of a problem that `batches`); throws SolveError naming the
// option, its value and the rule. With islands, `threads` are all of this
// process's and the population is each island's.
RunPlan PlanRun(const SolveOptions& options, std::uint32_t genomeLength, std::size_t objectives = 1,
                bool batches = false);

// The population a run of `objectives` (2 or more) objectives has by
// default: 100 for 2; for more, the number of NSGA-III's reference
// directions (one layer of 12, 8 and 6 divisions for 3, 4 and 5 objectives,
// two layers of 3 and 2 divisions for 6 to 10, of 2 and 1 above) rounded up
// to a multiple of 4, which objectives::DefaultDirections then gives back.
std::uint32_t DefaultObjectivesPopulation(std::size_t objectives);

// The NSGA-III directions that the options ask for, for `objectives`
// objectives and a population of `population`: the given ones, Das and
// Dennis's of the given divisions, or none (empty: the scheme's default).
// Throws SolveError for directions that cannot work.
std::vector<double> ReferenceDirectionsOf(const SolveOptions& options, std::size_t objectives,
                                          std::uint32_t population);

// The files a run of Solve reads and writes, as known at start-up: the record
// (checked to be writable, not the resumed dump, and supported by the build)
// and the dump it resumes from. Throws SolveError otherwise.
run::RunFiles FilesOfRun(const SolveOptions& options);

// The standard progress line: "iteration 1200: best 7542, mean 7903.21,
// 61200 evaluations, 2.0 s", with its line end; and the line written to `out`.
std::string ProgressLine(const Progress& progress);
void PrintProgressLine(std::FILE* out, const Progress& progress);

// The options that the record lists under "parameters": every one that differs
// from its default, as resolved; `threads` as asked for (with islands, each
// island's share is the length of its "threads" array).
run::ParameterList RecordParameters(const SolveOptions& options, const RunPlan& plan);

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

// The header's text; a run of several objectives adds the reference point
// its hypervolumes are measured from (none when empty) as
// "# reference_point: ..." with every value in full precision.
std::string DumpHeaderText(const DumpHeader& header, std::span<const double> referencePoint = {});

// A dump read back: its header and the text of each individual's genes (the
// fitness comment removed), with the line number of each. Throws SolveError
// (naming the file and line) for a file that cannot be read, is too long for
// a dump of `expect`, or whose header does not match `expect` (kind, length,
// individuals). A dump of a problem of another name is read, with a warning
// on `err` (a problem may be renamed; its kind and length must fit).
struct DumpText {
    DumpHeader header;
    std::vector<double> referencePoint;  // empty when the header names none
    std::vector<std::string> genomes;
    std::vector<std::uint64_t> lines;
};
DumpText ReadDumpText(const std::string& path, const DumpHeader& expect, std::FILE* err = nullptr);

}  // namespace zarnel::detail
