// The time limit and end requests hold from the first individual on, in
// every mode, and runs that live at once share the process's signals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
using json = nlohmann::json;

// Ones, at a millisecond a genome; call `endAt` sends an end request (POSIX).
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

class FirstPopulation : public ::testing::TestWithParam<std::uint32_t> {};

// 5000 individuals at 1 ms were made whole under a limit of 0.2 s. Now the
// run stops, gives the best of those made, and its record says how many.
TEST_P(FirstPopulation, TheTimeLimitAndEndRequestsStopItHalfWay) {
    std::atomic<std::uint64_t> calls{0};
    zarnel::SolveOptions options = Recorded(GetParam(), 5000, "first");
    options.handleSignals = true;
    options.timeLimit = 0.2;
    const auto timed = zarnel::Solve(Slow{&calls}, options);
    EXPECT_EQ(timed.stopReason, zarnel::StopReason::kTimeLimit);
    EXPECT_EQ(timed.fitness, OneMax{16}.fitness(timed.genes));
    json record = TakeRecord(options.record);
    const auto made = record["first_population_scored"].get<std::uint64_t>();
    EXPECT_GT(made, 0u);
    EXPECT_LT(made, 5000u);
    EXPECT_EQ(record["evaluations"], made);
    EXPECT_EQ(record["repeatable"], false);

    // A limit that passed before the first individual: nothing to give.
    options.timeLimit = 1e-9;
    const auto none = zarnel::Solve(Slow{&calls}, options);
    EXPECT_TRUE(none.genes.empty() && std::isnan(none.fitness));
    record = TakeRecord(options.record);
    EXPECT_EQ(record["first_population_scored"], 0);
    EXPECT_TRUE(record["best_fitness"].is_null());
    EXPECT_EQ(record["solution"], json::array());
#ifndef _WIN32
    calls = 0;
    options.timeLimit = 0;
    EXPECT_EQ(zarnel::Solve(Slow{&calls, 40}, options).stopReason, zarnel::StopReason::kSignal);
    EXPECT_LT(TakeRecord(options.record)["first_population_scored"].get<std::uint64_t>(), 5000u);
#endif
}

INSTANTIATE_TEST_SUITE_P(Threads, FirstPopulation, ::testing::Values(0u, 2u),
                         [](const auto& param) { return std::to_string(param.param) + "Threads"; });

#ifndef _WIN32
// Windows has no SIGTERM or SIGINT to send oneself through raise.

// Deterministic islands decide their stop at migrations, here 2^32 iterations
// apart: island 1 ran on to the time limit, which the record then gave.
TEST(EndRequests, StopDeterministicIslandsAtOnceHoweverFarTheNextMigration) {
    zarnel::SolveOptions options = Recorded(2, 20, "islands");
    options.islands = 2;
    options.handleSignals = true;
    options.deterministic = true;
    options.migrationInterval = 4294967295u;
    options.timeLimit = 20;
    options.progressEvery = 50;
    options.progress = [](const zarnel::Progress& progress) {
        if (progress.iteration == 100) std::raise(SIGTERM);
    };
    EXPECT_EQ(zarnel::Solve(OneMax{4000}, options).stopReason, zarnel::StopReason::kSignal);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["stop_reason"], "signal");
    // The request came after iteration 100; the next one ends the run.
    EXPECT_EQ(record["islands"][0]["master_iterations"], 101);
}

// A short run that ended while a long one went on (here on another thread)
// gave SIGINT and SIGTERM back their default actions, and Ctrl+C then
// killed the process, the long run with it.
TEST(SharedSignals, ARunThatEndsLeavesCtrlCAndEndRequestsToTheOneStillRunning) {
    std::thread other;
    std::atomic<bool> otherEnded{false};
    int stage = 0;
    zarnel::SolveOptions options = Recorded(2, 20, "shared");
    options.record.clear();
    options.handleSignals = true;
    options.timeLimit = 60;
    options.progressEvery = 5;
    options.dumpDirectory = DumpFolder("shared");
    options.progress = [&](const zarnel::Progress&) {
        if (stage == 0) {
            other = std::thread([&] {
                zarnel::SolveOptions brief = Recorded(1, 20, "brief");
                brief.record.clear();
                brief.handleSignals = true;
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
        }
    };
    const auto result = zarnel::Solve(OneMax{4000}, options);
    if (other.joinable()) other.join();
    EXPECT_EQ(result.stopReason, zarnel::StopReason::kSignal);
    ASSERT_EQ(result.dumps.size(), 1u);
    std::filesystem::remove_all(options.dumpDirectory);
}
#endif

}  // namespace
