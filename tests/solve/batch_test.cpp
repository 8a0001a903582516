// Problems scored in batches: no child is touched by another step while it
// waits for its score, deterministic runs stay the same at any thread count,
// and a program's stop ends a run with its record and, when asked, its dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <tuple>
#include <vector>

#include "solve/solve.h"
#include "tests/solve/record_files.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
using json = nlohmann::json;

// Every child gets the next serial number as its gene 0 from improve, and
// scores that number. A child that another step replaced while it waited
// for its score would leave its serial unscored (and the replacing one's
// scored twice).
struct Serials {
    struct Log {
        std::atomic<std::int64_t> next{0};
        std::atomic<std::uint64_t> single{0};
        std::mutex mutex;  // guards the rest
        std::vector<std::uint32_t> scored;
        std::size_t calls = 0;
        std::size_t largest = 0;
    };
    Log* log;
    zarnel::IntegerVector genome() const {
        return {std::vector<std::int64_t>(3, 0), std::vector<std::int64_t>(3, std::int64_t{1} << 40)};
    }
    void improve(std::span<std::int64_t> x, zarnel::Random&) const { x[0] = log->next++; }
    double fitness(std::span<const std::int64_t> x) const {
        ++log->single;
        return static_cast<double>(x[0]);
    }
    void batchFitness(std::span<const std::int64_t> genomes, std::span<double> fitness) const {
        const std::lock_guard<std::mutex> lock(log->mutex);
        for (std::size_t i = 0; i < fitness.size(); ++i) {
            const auto serial = static_cast<std::size_t>(genomes[i * 3]);
            if (serial >= log->scored.size()) log->scored.resize(serial + 1);
            ++log->scored[serial];
            fitness[i] = static_cast<double>(serial);
        }
        ++log->calls;
        log->largest = std::max(log->largest, fitness.size());
    }
};

class BatchClaims : public ::testing::TestWithParam<std::tuple<std::uint32_t, bool>> {};

TEST_P(BatchClaims, EveryChildIsScoredOnceInBatchesAndNoOtherStepTakesItBefore) {
    const auto [threads, deterministic] = GetParam();
    Serials::Log log;
    zarnel::SolveOptions options = Recorded(threads, 80, "batch_claims");
    options.record.clear();
    options.deterministic = deterministic;
    options.maxEvaluations = 4000;
    // Three children of a lane's slice of 6 wait at once (at most 4 may).
    if (deterministic) options.batchSize = 3;
    const auto result = zarnel::Solve(Serials{&log}, options);

    const auto issued = static_cast<std::size_t>(log.next.load());
    ASSERT_EQ(log.scored.size(), issued);
    for (std::size_t serial = 0; serial < issued; ++serial) ASSERT_EQ(log.scored[serial], 1u) << serial;
    EXPECT_EQ(result.evaluations, issued);
    EXPECT_EQ(log.single.load(), 0u);
    // The default batch is a quarter of a thread's share of the 80; a
    // deterministic thread scores a round of all its lanes (13 of them) in
    // one call.
    const std::uint32_t holders = std::max(threads, 1u);
    const std::size_t perCall = deterministic ? (13 + holders - 1) / holders * 3 : 80 / holders / 4;
    EXPECT_EQ(log.largest, perCall);
    EXPECT_EQ(result.fitness, static_cast<double>(result.genes[0]));
}

INSTANTIATE_TEST_SUITE_P(Threads, BatchClaims,
                         ::testing::Combine(::testing::Values(0u, 1u, 2u, 4u), ::testing::Bool()));

// The sphere, scored in batches by the same function.
struct BatchSphere : Sphere {
    void batchFitness(std::span<const double> genomes, std::span<double> fitness) const {
        for (std::size_t i = 0; i < fitness.size(); ++i)
            fitness[i] = Sphere::fitness(genomes.subspan(i * dimensions, dimensions));
    }
};

// The same record, times and per-thread figures aside, at 0 to 4 threads.
TEST(SolveBatch, ADeterministicRunIsTheSameAtAnyThreadCountAndTheBatchSizeIsChecked) {
    std::vector<json> records;
    for (const std::uint32_t threads : {1u, 0u, 2u, 3u, 4u}) {
        zarnel::SolveOptions options = Recorded(threads, 60, "batch_det");
        options.deterministic = true;
        options.maxIterations = 30;
        options.progressEvery = 10;
        const auto result = zarnel::Solve(BatchSphere{}, options);
        json record = TakeRecord(options.record);
        EXPECT_EQ(record["best_fitness"], result.fitness);
        EXPECT_EQ(record["parameters"]["batch_size"], 1);
        for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
            record.erase(member);
        record["parameters"].erase("threads");
        for (auto& entry : record["history"]) entry.erase("seconds");
        records.push_back(record);
        EXPECT_EQ(records.back(), records.front()) << threads << " threads";
    }

    zarnel::SolveOptions options = Recorded(2, 40, "batch_size");
    options.record.clear();
    options.maxIterations = 2;
    options.batchSize = 18;  // a share of 20 keeps 3 free beside at most 18
    EXPECT_NO_THROW(zarnel::Solve(BatchSphere{}, options));
    options.batchSize = 19;
    try {
        zarnel::Solve(BatchSphere{}, options);
        ADD_FAILURE() << "batchSize 19 was taken";
    } catch (const zarnel::SolveError& error) {
        EXPECT_STREQ(
            error.what(),
            "batchSize 19 is more than 18: a thread's share of 20 individuals must keep a tournament of 3 "
            "free beside the children that wait for their score; use a larger population or fewer threads");
    }
}

// A stop from the program ends the run after the iteration that saw it, with
// its record and (dumpOnStop) a dump that a run resumes from; a stop asked
// before the run ends it before its first individual.
TEST(SolveStop, EndsTheRunWithItsRecordAndTheDumpItAsksFor) {
    const std::filesystem::path folder = std::filesystem::path(RecordPath("stop_dumps")).replace_extension();
    std::filesystem::create_directories(folder);
    std::stop_source source;
    zarnel::SolveOptions options = Recorded(2, 40, "stop");
    options.stop = source.get_token();
    options.dumpOnStop = true;
    options.dumpDirectory = folder.string();
    options.progressEvery = 1;
    std::uint64_t lastSeen = 0;
    options.progress = [&](const zarnel::Progress& progress) {
        lastSeen = progress.iteration;
        if (progress.iteration == 12) source.request_stop();
    };
    const auto stopped = zarnel::Solve(BatchSphere{}, options);
    EXPECT_EQ(stopped.stopReason, zarnel::StopReason::kSignal);
    EXPECT_EQ(stopped.iterations, 13u);
    EXPECT_EQ(lastSeen, 13u);
    ASSERT_EQ(stopped.dumps.size(), 1u);
    EXPECT_EQ(std::filesystem::path(stopped.dumps[0]), folder / "13.txt");
    EXPECT_EQ(TakeRecord(options.record)["stop_reason"], "signal");

    zarnel::SolveOptions resumed = Recorded(2, 40, "stop_resumed");
    resumed.record.clear();
    resumed.resumeFrom = stopped.dumps[0];
    resumed.maxIterations = 5;
    const auto again = zarnel::Solve(BatchSphere{}, resumed);
    EXPECT_EQ(again.stopReason, zarnel::StopReason::kIterationLimit);
    EXPECT_GE(again.fitness, stopped.fitness);

    zarnel::SolveOptions early = Recorded(2, 40, "stop_early");
    early.stop = source.get_token();  // asked already
    const auto none = zarnel::Solve(BatchSphere{}, early);
    EXPECT_EQ(none.stopReason, zarnel::StopReason::kSignal);
    EXPECT_TRUE(none.genes.empty());
    EXPECT_EQ(TakeRecord(early.record)["first_population_scored"], 0);
    std::filesystem::remove_all(folder);
}

}  // namespace
