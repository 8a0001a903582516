// What Solve's record and result say: a seed that repeats the run and says
// so, the seed and threads as given, one history entry per progress call, a
// record that could not be written, and costs as the problem gives them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;
using json = nlohmann::json;

std::string RecordPath(const std::string& name) { return solve_test::RecordPath("record", name); }

// The record without what no seed repeats: times and per-thread figures.
json Repeatable(json record) {
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
        record.erase(member);
    record["parameters"].erase("threads");
    for (json& entry : record["history"]) entry.erase("seconds");
    return record;
}

json RunOnce(std::uint32_t threads, std::optional<std::uint64_t> seed, bool deterministic = false) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = 30;
    options.seed = seed;
    options.quiet = true;
    options.handleSignals = false;
    options.deterministic = deterministic;
    options.maxIterations = 300;
    options.record = RecordPath("repeat");
    zarnel::Solve(OneMax{400}, options);
    return TakeRecord(options.record);
}

// Steps per phase sized from measured time made two runs with one seed
// differ (other evaluations, another history) on one slave thread too. A
// given seed with 0 or 1 slave threads now fixes them: the runs repeat, on
// 0 and 1 threads alike, and the record says that it repeats.
TEST(SolveSeed, RepeatsARunOnNoneOrOneSlaveThreadAndTheRecordSaysWhen) {
    const json first = RunOnce(1, 77);
    EXPECT_EQ(first["repeatable"], true);
    EXPECT_EQ(first["parameters"]["steps_per_phase"], 15);
    EXPECT_EQ(first["history"].size(), 3u);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Repeatable(RunOnce(1, 77)), Repeatable(first));
        EXPECT_EQ(Repeatable(RunOnce(0, 77)), Repeatable(first));
    }
    // Two slave threads meet by timing, and a drawn seed sizes the steps
    // from the clock: neither repeats, and the record says so.
    EXPECT_EQ(RunOnce(2, 77)["repeatable"], false);
    EXPECT_EQ(RunOnce(1, std::nullopt)["repeatable"], false);
    EXPECT_EQ(RunOnce(2, 77, true)["repeatable"], true);
}

// A seed of 2^63 or more was written as a negative number under
// "parameters", and with islands "threads" was one island's share.
TEST(SolveRecordParameters, AreTheOptionsAsGiven) {
    zarnel::SolveOptions options;
    options.threads = 3;
    options.islands = 2;
    options.population = 20;
    options.seed = (std::uint64_t{1} << 63) + 5;
    options.quiet = true;
    options.handleSignals = false;
    options.maxIterations = 40;
    options.progressEvery = 10;
    options.record = RecordPath("parameters");
    zarnel::Solve(OneMax{200}, options);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["parameters"]["seed"], json(*options.seed));
    EXPECT_EQ(record["seed"], json(*options.seed));
    EXPECT_EQ(record["parameters"]["threads"], 3);
    EXPECT_EQ(record["islands"][0]["threads"].size(), 2u);
    EXPECT_EQ(record["islands"][1]["threads"].size(), 1u);
    // Every history column follows island 0; the totals sum the islands.
    const json& last = record["history"].back();
    EXPECT_EQ(last["iteration"], record["islands"][0]["master_iterations"]);
    EXPECT_EQ(last["evaluations"], record["islands"][0]["evaluations"]);
    EXPECT_EQ(last["best"], record["islands"][0]["best_fitness"]);
}

// A deterministic run that ends on a progress boundary had its last
// progress call, and history entry, twice.
TEST(SolveProgress, TheLastIterationIsObservedOnce) {
    for (const bool deterministic : {true, false}) {
        zarnel::SolveOptions options;
        options.threads = 2;
        options.population = 20;
        options.seed = 4;
        options.handleSignals = false;
        options.deterministic = deterministic;
        options.maxIterations = 60;
        options.progressEvery = 20;
        options.record = RecordPath("once");
        std::vector<std::uint64_t> seen;
        options.progress = [&](const zarnel::Progress& progress) { seen.push_back(progress.iteration); };
        zarnel::Solve(OneMax{200}, options);
        EXPECT_EQ(seen, (std::vector<std::uint64_t>{20, 40, 60}));
        EXPECT_EQ(TakeRecord(options.record)["history"].size(), 3u);
    }
}

// A record that cannot be written at the end (its folder removed during the
// run) was only a line on standard error; the result now says so, for the
// program to fail.
TEST(SolveRecordFailure, IsInTheResult) {
    const fs::path folder = fs::temp_directory_path() / ("zarnel_gone_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    zarnel::SolveOptions options;
    options.threads = 1;
    options.population = 20;
    options.quiet = true;
    options.handleSignals = false;
    options.maxIterations = 5;
    options.progressEvery = 1;
    options.record = (folder / "run.json").string();
    options.progress = [&](const zarnel::Progress&) { fs::remove_all(folder); };
    ::testing::internal::CaptureStderr();
    const auto result = zarnel::Solve(OneMax{}, options);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(result.recordError.find("Unable to write run record " + options.record), std::string::npos)
        << result.recordError;
    EXPECT_NE(err.find(result.recordError), std::string::npos) << err;
    options.progress = {};
    options.record = RecordPath("written");
    EXPECT_EQ(zarnel::Solve(OneMax{}, options).recordError, "");
    fs::remove(options.record);
}

static_assert(zarnel::Minimises<OnesCost>() && !zarnel::Minimises<OneMax>());
struct NotAConstant {
    bool minimise = true;
};
static_assert(!zarnel::HasMinimise<NotAConstant> && zarnel::detail::NamesMinimise<NotAConstant>);

// A problem that minimises is shown, recorded, dumped and targeted in its
// own cost: no number the user sees is negated.
TEST(SolveMinimise, EveryNumberIsTheCostAsTheProblemGivesIt) {
    const fs::path dir = fs::temp_directory_path() / ("zarnel_minimise_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    zarnel::SolveOptions options;
    options.threads = 2;
    options.population = 30;
    options.seed = 6;
    options.handleSignals = false;
    options.target = 0;  // no ones at all
    options.timeLimit = 60;
    options.progressEvery = 1;
    options.record = RecordPath("minimise");
    double last = 1e300;
    options.progress = [&](const zarnel::Progress& progress) {
        EXPECT_LE(progress.best, last);
        EXPECT_GE(progress.best, 0);
        EXPECT_GE(progress.mean, progress.best);
        last = progress.best;
    };
    const auto result = zarnel::Solve(OnesCost{}, options);
    EXPECT_EQ(result.stopReason, zarnel::StopReason::kTarget);
    EXPECT_EQ(result.fitness, 0);
    EXPECT_EQ(OnesCost{}.fitness(result.genes), 0);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["direction"], "minimise");
    EXPECT_EQ(record["best_fitness"], 0);
    EXPECT_EQ(record["parameters"]["target"], 0);
    EXPECT_GT(record["history"][0]["best"].get<double>(), 0);
    EXPECT_EQ(record["history"].back()["best"], 0);

#ifndef _WIN32
    // A dump holds the costs; islands record their best cost.
    options.target.reset();
    options.islands = 2;
    options.maxIterations = 30;
    options.timeLimit = 0;
    options.dumpDirectory = dir.string();
    options.handleSignals = true;
    options.progress = [](const zarnel::Progress& progress) {
        if (progress.iteration == 10) std::raise(SIGINT);
    };
    options.record = RecordPath("minimise_islands");
    const auto islands = zarnel::Solve(OnesCost{}, options);
    ASSERT_EQ(islands.dumps.size(), 2u);
    std::ifstream dump(islands.dumps.front());
    for (std::string line; std::getline(dump, line);) {
        if (line.starts_with("#")) continue;
        EXPECT_GE(std::stod(line.substr(line.rfind(" # ") + 3)), 0) << line;
    }
    const json islandRecord = TakeRecord(options.record);
    EXPECT_EQ(islandRecord["best_fitness"], islands.fitness);
    for (const json& island : islandRecord["islands"])
        EXPECT_GE(island["best_fitness"].get<double>(), islands.fitness);
#endif
    fs::remove_all(dir);
}

}  // namespace
