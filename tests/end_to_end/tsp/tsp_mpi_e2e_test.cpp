// The TSP example as islands over MPI: three processes under mpiexec, each
// one island of one run.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"
#include "tests/end_to_end/tsp/island_record_checks.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using namespace std::chrono_literals;

const std::string kPcb = std::string(TSP_DATA_DIR) + "/pcb442.tsp";

class TspMpiE2E : public e2e::WorkDirTest {
protected:
    using Result = e2e::RunResult;
    // mpiexec with three ranks of the example, each with `arguments`.
    std::unique_ptr<e2e::ChildProcess> Start(const std::vector<std::string>& arguments) const {
        std::vector<std::string> command{"-n", "3", "--oversubscribe", ZARNEL_TSP_PATH, kPcb, "--mpi"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return std::make_unique<e2e::ChildProcess>(ZARNEL_MPIEXEC, command, dir.string(), Path("out.txt"),
                                                   Path("err.txt"));
    }
    Result Finish(e2e::ChildProcess& child) const {
        // mpiexec ends once every rank has: a time-out here is a rank left running.
        const int status = child.Wait(240s);
        return {status, e2e::ReadFile(Path("out.txt")), e2e::ReadFile(Path("err.txt"))};
    }
    Result RunIslands(const std::vector<std::string>& arguments) const { return Finish(*Start(arguments)); }
    // Runs a job with `arguments` (an iteration limit and a record in
    // rec.json) that is one run of `islands` islands: process 0 alone prints
    // the answer, and `record` holds the record, which names the winner's
    // tour and adds the islands up.
    void ExpectOneRunOfIslands(const std::vector<std::string>& arguments, std::size_t islands,
                               json& record) const {
        const Result run = RunIslands(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::size_t at = run.out.find("best length ");
        ASSERT_NE(at, std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("best length ", at + 1), std::string::npos) << run.out;
        const long length = std::stol(run.out.substr(at + 12));
        std::ifstream in(Path("rec.json"));
        record = json::parse(in);
        EXPECT_EQ(record["stop_reason"], "iteration_limit");
        EXPECT_EQ(record["parameters"]["islands"], islands);
        EXPECT_EQ(record["best_fitness"], length);
        e2e::ExpectIslandsAddUp(record, islands, length);
        e2e::ExpectRecordedTourLength(record, kPcb, length);
    }
    // Starts a job with `arguments`, kills its first or last rank once
    // process 0 prints progress, and expects the job to end, not to hang,
    // with Open MPI's message and no answer.
    void ExpectAKilledRankEndsTheJob(const std::vector<std::string>& arguments, bool killFirst) const {
        const auto job = Start(arguments);
        ASSERT_TRUE(e2e::WaitUntil(
            [&] { return e2e::ReadFile(Path("out.txt")).find("iteration ") != std::string::npos; }, 120s))
            << e2e::ReadFile(Path("err.txt"));
        std::vector<pid_t> ranks;
        ASSERT_TRUE(e2e::WaitUntil([&] { return (ranks = Ranks()).size() == 3; }, 30s)) << ranks.size();
        ASSERT_EQ(::kill(killFirst ? ranks.front() : ranks.back(), SIGKILL), 0);
        const Result run = Finish(*job);
        EXPECT_NE(run.status, e2e::ChildProcess::kTimedOut);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("signal 9"), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("best length"), std::string::npos) << run.out;
    }
    // The process ids of this test's ranks: the example's processes working
    // in this test's folder.
    std::vector<pid_t> Ranks() const {
        std::vector<pid_t> ranks;
        const fs::path program = fs::canonical(ZARNEL_TSP_PATH);
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::error_code error;
            const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
            if (error || exe != program) continue;
            const fs::path cwd = fs::read_symlink(entry.path() / "cwd", error);
            if (!error && cwd == fs::canonical(dir)) ranks.push_back(static_cast<pid_t>(std::stol(name)));
        }
        return ranks;
    }
};

// Processes share the cores unevenly (three ranks on two cores, slower
// still under a sanitizer): one may reach the iteration limit, and stop the
// run, while another has done a handful of iterations. A migration every
// second iteration lets migrants arrive before that.
TEST_F(TspMpiE2E, ThreeProcessesAreThreeIslandsOfOneRunWithOneAnswerAndOneRecord) {
    json record;
    ExpectOneRunOfIslands({"--seed", "4", "--threads", "1", "--population", "16", "--max-iterations", "60",
                           "--migration-interval", "2", "--migrants", "2", "--json", "rec.json"},
                          3, record);
}

TEST_F(TspMpiE2E, WhatMpiIslandsCannotDoIsRefusedOnEveryRankBeforeAnyStarts) {
    const Result several = RunIslands({"--islands", "2", "--max-iterations", "5"});
    EXPECT_EQ(several.status, 2);
    EXPECT_NE(several.err.find("islands 2 with islands over MPI"), std::string::npos) << several.err;
    const Result deterministic = RunIslands({"--deterministic", "--seed", "1", "--max-iterations", "5"});
    EXPECT_EQ(deterministic.status, 2);
    EXPECT_NE(deterministic.err.find("deterministic with islands over MPI"), std::string::npos)
        << deterministic.err;
    EXPECT_EQ(several.out.find("best length"), std::string::npos);
}

TEST_F(TspMpiE2E, TwoIslandsInEachOfThreeProcessesAreOneRingOfSixWithOneRecord) {
    json record;
    ExpectOneRunOfIslands(
        {"--islands-per-process", "2", "--seed", "4", "--threads", "2", "--population", "16",
         "--max-iterations", "60", "--migration-interval", "2", "--migrants", "2", "--json", "rec.json"},
        6, record);
    ASSERT_FALSE(record.is_null());
    double best = 1e300;
    for (std::size_t i = 0; i < record["islands"].size(); ++i) {
        const json& island = record["islands"][i];
        // Each process shares its two threads out: one slave thread each.
        EXPECT_EQ(island["threads"].size(), 1u) << i;
        EXPECT_LE(island["master_iterations"].get<std::uint64_t>(), 60u) << i;
        best = std::min(best, island["best_fitness"].get<double>());
    }
    EXPECT_EQ(best, record["best_fitness"].get<double>());

    const Result none = RunIslands({"--islands-per-process", "0", "--max-iterations", "5"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("--islands-per-process 0: must be 1 to 256"), std::string::npos) << none.err;
}

// An end request (SIGTERM) to one process alone: its islands ask the others
// to stop, and every island of every process stops long before the time
// limit, with one record of all of them.
TEST_F(TspMpiE2E, AnEndRequestToOneProcessStopsEveryIslandOfEveryProcess) {
    for (const char* perProcess : {"1", "2"}) {
        SCOPED_TRACE(perProcess);
        std::filesystem::remove(Path("rec.json"));
        std::filesystem::remove(Path("out.txt"));
        const auto job =
            Start({"--islands-per-process", perProcess, "--seed", "3", "--threads", "2", "--population", "16",
                   "--time-limit", "200", "--migration-interval", "5", "--json", "rec.json"});
        ASSERT_TRUE(e2e::WaitUntil(
            [&] { return e2e::ReadFile(Path("out.txt")).find("iteration ") != std::string::npos; }, 120s))
            << e2e::ReadFile(Path("err.txt"));
        std::vector<pid_t> ranks;
        ASSERT_TRUE(e2e::WaitUntil([&] { return (ranks = Ranks()).size() == 3; }, 30s)) << ranks.size();
        const auto asked = std::chrono::steady_clock::now();
        ASSERT_EQ(::kill(ranks.back(), SIGTERM), 0);
        const Result run = Finish(*job);
        // Without the request reaching them, the others would run out their
        // 200 seconds.
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 100s);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("best length "), std::string::npos) << run.out;
        std::ifstream in(Path("rec.json"));
        const json record = json::parse(in);
        EXPECT_EQ(record["stop_reason"], "signal");
        const std::size_t islands = std::string(perProcess) == "1" ? 3 : 6;
        ASSERT_EQ(record["islands"].size(), islands);
        for (const json& island : record["islands"]) EXPECT_GT(island["master_iterations"], 0) << island;
    }
}

TEST_F(TspMpiE2E, AKilledRankEndsTheWholeJobWithAMessageInsteadOfAHang) {
    ExpectAKilledRankEndsTheJob({"--seed", "2", "--threads", "1", "--population", "16", "--time-limit", "200",
                                 "--migration-interval", "5"},
                                false);
}

// The same with two islands in each process: the killed process's islands
// take its threads with them, and the other processes' islands, the ones on
// threads of their own included, end with the job.
TEST_F(TspMpiE2E, AKilledRankOfTwoIslandsEachEndsTheWholeJobWithAMessageInsteadOfAHang) {
    ExpectAKilledRankEndsTheJob({"--islands-per-process", "2", "--seed", "2", "--threads", "2",
                                 "--population", "16", "--time-limit", "200", "--migration-interval", "5"},
                                true);
    EXPECT_TRUE(e2e::WaitUntil([&] { return Ranks().empty(); }, 30s));
}

}  // namespace
