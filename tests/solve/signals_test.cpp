// The time limit and end requests hold from the first individual on, in
// every mode, and runs that live at once share the process's signals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;
using json = nlohmann::json;

std::string RecordPath(const std::string& name) { return solve_test::RecordPath("signals", name); }

// Ones, at a millisecond a genome: a first population of thousands takes
// seconds. Call `endAt` sends the process an end request.
struct Slow {
    std::atomic<std::uint64_t>* calls;
    std::uint64_t endAt = 0;
    zarnel::BitString genome() const { return {16}; }
    double fitness(std::span<const std::uint8_t> bits) const {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
#ifndef _WIN32
        if (calls->fetch_add(1) + 1 == endAt) std::raise(SIGTERM);
#endif
        return OneMax{16}.fitness(bits);
    }
};

class FirstPopulation : public ::testing::TestWithParam<std::uint32_t> {
protected:
    zarnel::SolveOptions Options() const {
        zarnel::SolveOptions options;
        options.threads = GetParam();
        options.population = 5000;
        options.seed = 3;
        options.quiet = true;
        options.record = RecordPath("first");
        return options;
    }
};

// Before, the first population was always made whole: 5000 ms of fitness
// under a limit of 0.2 s. Now it stops, and the run gives the best of the
// individuals made, as the record says.
TEST_P(FirstPopulation, TheTimeLimitAndEndRequestsStopItHalfWay) {
    std::atomic<std::uint64_t> calls{0};
    zarnel::SolveOptions options = Options();
    options.timeLimit = 0.2;
    const auto timed = zarnel::Solve(Slow{&calls}, options);
    EXPECT_EQ(timed.stopReason, zarnel::StopReason::kTimeLimit);
    EXPECT_EQ(timed.iterations, 0u);
    EXPECT_EQ(timed.fitness, OneMax{16}.fitness(timed.genes));
    json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "time_limit");
    const auto made = record["first_population_scored"].get<std::uint64_t>();
    EXPECT_GT(made, 0u);
    EXPECT_LT(made, 5000u);
    EXPECT_EQ(record["evaluations"], made);
    EXPECT_EQ(record["repeatable"], false);
    EXPECT_EQ(record["history"].back()["best"], timed.fitness);

    // A limit that has passed before the first individual: nothing to give.
    options.timeLimit = 1e-9;
    const auto none = zarnel::Solve(Slow{&calls}, options);
    EXPECT_TRUE(none.genes.empty());
    EXPECT_TRUE(std::isnan(none.fitness));
    record = TakeRecord(options.record);
    EXPECT_EQ(record["first_population_scored"], 0);
    EXPECT_TRUE(record["best_fitness"].is_null());
    EXPECT_EQ(record["solution"], json::array());

#ifndef _WIN32
    calls = 0;
    options.timeLimit = 0;
    const auto ended = zarnel::Solve(Slow{&calls, 40}, options);
    EXPECT_EQ(ended.stopReason, zarnel::StopReason::kSignal);
    record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "signal");
    EXPECT_GE(record["first_population_scored"].get<std::uint64_t>(), 40u);
    EXPECT_LT(record["first_population_scored"].get<std::uint64_t>(), 5000u);
#endif
}

INSTANTIATE_TEST_SUITE_P(Threads, FirstPopulation, ::testing::Values(0u, 2u),
                         [](const auto& param) { return std::to_string(param.param) + "Threads"; });

#ifndef _WIN32
// Windows has no SIGTERM or SIGINT to send oneself through raise.

// Deterministic islands decide their stop at migrations; an end request
// cannot wait for one that is 2^32 iterations away. Before, island 1 ran on
// to the time limit, which the record then gave as the reason.
TEST(EndRequests, StopDeterministicIslandsAtOnceHoweverFarTheNextMigration) {
    zarnel::SolveOptions options;
    options.islands = 2;
    options.threads = 2;
    options.population = 20;
    options.seed = 8;
    options.quiet = true;
    options.deterministic = true;
    options.migrationInterval = 4294967295u;
    options.timeLimit = 20;
    options.progressEvery = 50;
    options.record = RecordPath("islands");
    options.progress = [](const zarnel::Progress& progress) {
        if (progress.iteration == 100) std::raise(SIGTERM);
    };
    const auto result = zarnel::Solve(OneMax{4000}, options);
    EXPECT_EQ(result.stopReason, zarnel::StopReason::kSignal);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "signal");
    // The request came after iteration 100; the next one ends the run.
    EXPECT_EQ(record["islands"][0]["master_iterations"], 101);
    EXPECT_EQ(record["repeatable"], false);
}

// A short run that ends while a long one goes on (here on another thread)
// used to give SIGINT and SIGTERM back their default actions, so that
// Ctrl+C then killed the process, and the long run with it.
TEST(SharedSignals, ARunThatEndsLeavesCtrlCAndEndRequestsToTheOneStillRunning) {
    const fs::path dumps = fs::temp_directory_path() / ("zarnel_shared_" + std::to_string(::getpid()));
    fs::create_directories(dumps);
    std::thread other;
    std::atomic<bool> otherEnded{false};
    int stage = 0;
    zarnel::SolveOptions options;
    options.threads = 2;
    options.population = 20;
    options.quiet = true;
    options.timeLimit = 60;
    options.progressEvery = 5;
    options.dumpDirectory = dumps.string();
    options.progress = [&](const zarnel::Progress&) {
        if (stage == 0) {
            other = std::thread([&] {
                zarnel::SolveOptions brief;
                brief.threads = 1;
                brief.quiet = true;
                brief.maxIterations = 5;
                zarnel::Solve(OneMax{}, brief);
                otherEnded = true;
            });
            stage = 1;
        } else if (stage == 1 && otherEnded) {
            other.join();
            std::raise(SIGINT);
            stage = 2;
        } else if (stage == 2) {
            std::raise(SIGTERM);
            stage = 3;
        }
    };
    const auto result = zarnel::Solve(OneMax{4000}, options);
    if (other.joinable()) other.join();
    EXPECT_EQ(result.stopReason, zarnel::StopReason::kSignal);
    EXPECT_EQ(result.dumps.size(), 1u);
    EXPECT_EQ(stage, 3);
    fs::remove_all(dumps);
}
#endif

}  // namespace
