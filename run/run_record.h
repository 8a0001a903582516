#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/parallel_ga.h"
#include "run/history.h"
#include "run/run_loop.h"

namespace zarnel::run {

// What one slave thread did over a run.
struct ThreadRecord {
    std::uint32_t index = 0;
    std::int64_t busyMs = 0;
    std::uint64_t steps = 0;
    std::uint64_t claimAttempts = 0;
    std::uint64_t claimsFailed = 0;
};

// Every slave thread's figures, from the engine's times and counters. Between
// Run calls only.
std::vector<ThreadRecord> CollectThreads(const CParallelGA& engine);

// A parameter as read: a whole number, a real number or a word; a whole
// number of 2^63 or more (a seed) is kept unsigned.
using ParameterValue = std::variant<std::int64_t, double, std::string, std::uint64_t>;
using ParameterList = std::vector<std::pair<std::string, ParameterValue>>;

// One island's part of a run over several processes (islands).
struct IslandRecord {
    std::uint32_t island = 0;
    std::uint64_t masterIterations = 0;
    std::uint64_t evaluations = 0;
    std::int64_t masterBusyMs = 0;  // summed into the record's own, not written per island
    std::vector<ThreadRecord> threads;
    std::uint64_t migrantsSent = 0;
    std::uint64_t migrantsReceived = 0;
    // Arrived but not taken (in flight at the stop); over all islands
    // sent = received + discarded.
    std::uint64_t migrantsDiscarded = 0;
    double bestFitness = 0.0;
    // A run of several objectives: the island's front hypervolume, written
    // instead of best_fitness.
    std::optional<double> hypervolume;
};

// One member of the front of a run of several objectives.
struct FrontMemberRecord {
    // decode's numbers, or the genes.
    std::variant<std::vector<std::int64_t>, std::vector<double>> solution;
    std::vector<double> objectives;
    double violation = 0.0;
};

// What a run of several objectives adds to its record (Solve).
struct ObjectivesRecord {
    std::uint64_t objectives = 0;   // M
    std::uint64_t constraints = 0;  // K
    std::string survival;           // "nsga2" or "nsga3"
    std::uint64_t directions = 0;   // NSGA-III's reference directions (0 for NSGA-II)
    std::vector<double> referencePoint;
    // Where the reference point came from: "problem", "options", "dump" or
    // "first population".
    std::string referencePointFrom;
    double hypervolume = 0.0;
    std::optional<double> igdPlus;  // against the problem's reference front, when it has one
    double feasibleShare = 0.0;
    std::vector<FrontMemberRecord> front;
    // The problem's reference front, M values per point; empty: none.
    std::vector<double> referenceFront;
};

// The record of one solver run. A plain value; docs/run-record.md gives the
// unit and meaning of every member.
struct RunRecord {
    std::string program;
    std::string version;
    ParameterList parameters;
    std::string operators = "classic";
    std::uint64_t seed = 0;
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    double wallSeconds = 0.0;
    // The process's exit status; none for a run inside a user's program
    // (Solve), whose status is the program's to choose.
    std::optional<int> exitStatus;
    StopReason stopReason = StopReason::kSolved;
    std::uint64_t masterIterations = 0;
    std::uint64_t evaluations = 0;
    std::int64_t masterBusyMs = 0;
    std::vector<ThreadRecord> threads;
    History history;
    double bestFitness = 0.0;
    // A run of a user's problem (Solve): "minimise" when the problem's
    // fitness is a cost, whose lowest value is best, else "maximise"; every
    // fitness in the record is the problem's own value. Empty: not written.
    std::string direction;
    // The best individual: whole numbers (the N-Queens board's rows, a
    // permutation, bits, integers) or reals.
    std::variant<std::vector<std::int64_t>, std::vector<double>> solution;
    // A run of a user's problem (Solve): the problem's name and its genome
    // kind and length; written only when `genomeKind` is set.
    std::string problem;
    std::string genomeKind;
    std::uint64_t genomeLength = 0;
    // The dump the population was read back from (empty: a new population).
    std::string resumedFrom;
    // Solve: whether a run with this record's seed and parameters gives the
    // same record again, times and per-thread figures aside; none: not written.
    std::optional<bool> repeatable;
    // Solve: the individuals of the first population that were made and
    // scored when the time limit or an end request came before it was whole;
    // none when it was whole.
    std::optional<std::uint64_t> firstPopulationScored;
    // Solve, one objective under constraints: the best individual's total
    // violation (0: feasible); none without constraints.
    std::optional<double> bestViolation;
    // Solve, several objectives: the front and its figures, written instead
    // of best_fitness and solution.
    std::optional<ObjectivesRecord> objectives;
    // What the start-up check estimated the population and the threads'
    // working memory to take (0: not estimated).
    std::uint64_t memoryEstimateBytes = 0;
    // A run of islands only: one entry per island, in island order; written
    // as the "islands" array when not empty.
    std::vector<IslandRecord> islands;
};

// One run of the benchmark on one test function.
struct BenchRunRecord {
    std::int32_t function = 0;
    double bestFitness = 0.0;
    double knownBest = 0.0;
    std::uint64_t evaluations = 0;
    double seconds = 0.0;
    std::vector<ThreadRecord> threads;
};

// The record of a benchmark invocation: one entry per run and function.
struct BenchRecord {
    std::string program;
    std::string version;
    ParameterList parameters;
    std::uint64_t seed = 0;
    std::vector<BenchRunRecord> runs;
    // With --all: per function, the best run, with the evaluations and
    // seconds of all its runs.
    std::vector<BenchRunRecord> functions;
};

// The version of Zarnel that the programs were built from ("0.2.0").
const char* Version();

// True when records can be written: the program was built with the JSON
// library. Without it the functions below return empty texts.
bool RecordsSupported();

// The time as ISO 8601 in UTC, to the second ("2026-12-09T03:22:25Z").
std::string IsoUtc(std::chrono::system_clock::time_point time);

// The record as JSON text, ending in a line feed. A fitness or real
// parameter that is not finite, which a JSON number cannot hold, is written
// as null for NaN (no number) and as the strings "inf" and "-inf".
std::string RecordText(const RunRecord& record);
std::string RecordText(const BenchRecord& record);

// Writes `text` to `path` atomically; an empty string on success, otherwise
// the reason.
std::string WriteRecordFile(const std::string& path, const std::string& text);

}  // namespace zarnel::run
