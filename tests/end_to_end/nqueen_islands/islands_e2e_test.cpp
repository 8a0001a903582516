#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

namespace {

namespace fs = std::filesystem;
using e2e::Lines;
using e2e::RunResult;
using nlohmann::json;
using namespace std::chrono_literals;

class IslandsE2E : public e2e::WorkDirTest {
protected:
    // mpiexec with `islands` ranks of ZarnelNQueenIslands.
    std::unique_ptr<e2e::ChildProcess> StartIslands(int islands, const std::string& parameters) const {
        return std::make_unique<e2e::ChildProcess>(
            ZARNEL_MPIEXEC,
            std::vector<std::string>{"-n", std::to_string(islands), "--oversubscribe",
                                     ZARNEL_NQUEEN_ISLANDS_EXE, parameters, "r.txt"},
            dir.string(), Path("stdout.txt"), Path("stderr.txt"));
    }
    RunResult Finish(e2e::ChildProcess& child) const {
        RunResult result;
        // mpiexec ends once every rank has: a time-out here is a rank left running.
        result.status = child.Wait(120s);
        result.out = Read("stdout.txt");
        result.err = Read("stderr.txt");
        return result;
    }
    RunResult RunIslands(int islands, const std::string& parameters) const {
        return Finish(*StartIslands(islands, parameters));
    }
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// The solution rows printed after "Solution:".
std::vector<int> PrintedSolution(const std::string& out) {
    const std::size_t at = out.find("Solution:\n");
    if (at == std::string::npos) return {};
    return e2e::Rows(out.substr(at + 10));
}

// The record's members that do not depend on timing or on the program.
json Comparable(json record) {
    for (const char* member :
         {"program", "start_utc", "end_utc", "wall_seconds", "master_busy_ms", "islands"})
        record.erase(member);
    for (json& thread : record["threads"]) thread.erase("busy_ms");
    return record;
}

TEST_F(IslandsE2E, ThreeIslandsSolveWithOneReportAndMigrantCountsThatAddUp) {
    WriteText("p.txt", e2e::Parameters(14, 40, 4, 2, "0.1") +
                           "seed 7\nmigration_interval 5\nmigrants 2\njson_report rec.json\n");
    const RunResult run = RunIslands(3, "p.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    e2e::ExpectSolution(PrintedSolution(run.out), 14);
    EXPECT_EQ(Count(run.out, "Solution:"), 1U);
    EXPECT_NE(Read("r.txt").find("Solution"), std::string::npos);

    const json record = Record("rec.json");
    EXPECT_EQ(record["stop_reason"], "solved");
    EXPECT_EQ(record["program"], "ZarnelNQueenIslands");
    std::vector<int> solution = record["solution"].get<std::vector<int>>();
    e2e::ExpectSolution(solution, 14);
    ASSERT_EQ(record["islands"].size(), 3U);
    std::uint64_t iterations = 0, evaluations = 0, sent = 0, received = 0, discarded = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const json& island = record["islands"][i];
        EXPECT_EQ(island["island"], i);
        EXPECT_EQ(island["threads"].size(), 2U);
        iterations += island["master_iterations"].get<std::uint64_t>();
        evaluations += island["evaluations"].get<std::uint64_t>();
        sent += island["migrants_sent"].get<std::uint64_t>();
        received += island["migrants_received"].get<std::uint64_t>();
        discarded += island["migrants_discarded"].get<std::uint64_t>();
    }
    EXPECT_EQ(record["master_iterations"], iterations);
    EXPECT_EQ(record["evaluations"], evaluations);
    EXPECT_GT(received, 0U);
    EXPECT_EQ(sent, received + discarded);
}

TEST_F(IslandsE2E, AnIterationLimitStopsEveryIslandWithStatus2) {
    WriteText("p.txt", e2e::Parameters(64, 20, 4, 1, "0.05") + "max_iterations 700\njson_report rec.json\n");
    const RunResult run = RunIslands(3, "p.txt");
    ASSERT_EQ(run.status, 2) << run.err;
    EXPECT_NE(Read("r.txt").find("max_iterations 700"), std::string::npos);
    const json record = Record("rec.json");
    EXPECT_EQ(record["stop_reason"], "iteration_limit");
    ASSERT_EQ(record["islands"].size(), 3U);
    for (const json& island : record["islands"]) EXPECT_LE(island["master_iterations"].get<int>(), 700);
}

TEST_F(IslandsE2E, OneIslandRunsAsZarnelNQueenWithTheSameSeed) {
    WriteText("p.txt", e2e::Parameters(10, 30, 4, 1, "0.1") + "seed 12345\njson_report rec.json\n");
    const RunResult islands = RunIslands(1, "p.txt");
    ASSERT_EQ(islands.status, 0) << islands.err;
    const std::string report = Read("r.txt");
    const json record = Record("rec.json");

    e2e::ChildProcess single(ZARNEL_NQUEEN_EXE, {"p.txt", "r.txt"}, dir.string(), Path("stdout.txt"),
                             Path("stderr.txt"));
    ASSERT_EQ(single.Wait(60s), 0);
    EXPECT_EQ(islands.out, Read("stdout.txt"));
    EXPECT_EQ(e2e::ReportWithoutTimes(report), e2e::ReportWithoutTimes(Read("r.txt")));
    EXPECT_EQ(Comparable(record), Comparable(Record("rec.json")));
    ASSERT_EQ(record["islands"].size(), 1U);
    EXPECT_EQ(record["islands"][0]["migrants_sent"], 0);
}

TEST_F(IslandsE2E, BadIslandKeysAreRefusedAndZarnelNQueenStillIgnoresThem) {
    WriteText("p.txt", e2e::Parameters(8, 10, 4, 1, "0.1") + "migrants 10\n");
    const RunResult run = RunIslands(3, "p.txt");
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(
        run.err.find("Invalid parameter file p.txt: migrants must be a whole number from 0 to 9, not 10"),
        std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(Path("r.txt")));

    e2e::ChildProcess single(ZARNEL_NQUEEN_EXE, {"p.txt", "r.txt"}, dir.string(), Path("stdout.txt"),
                             Path("stderr.txt"));
    EXPECT_EQ(single.Wait(60s), 0);
    EXPECT_EQ(Read("stderr.txt"), "");
}

TEST_F(IslandsE2E, SigusrToMpiexecDumpsEveryIslandAndTheRunGoesOn) {
    // A population that never changes: the run ends on its iteration limit,
    // counted in work rather than time so that a slow start (a sanitizer
    // build, a loaded machine) still leaves room for the signal; the time
    // limit only bounds a run that is slower still.
    WriteText("p.txt", e2e::Parameters(64, 20, 0, 1, "0") + "max_iterations 200000\ntime_limit 60\n");
    const auto child = StartIslands(3, "p.txt");
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return Read("stdout.txt").find("Iter: 1000,") != std::string::npos; }, 60s));
    child->Signal(SIGUSR1);
    const RunResult run = Finish(*child);
    EXPECT_EQ(run.status, 2) << run.err;
    for (const std::string island : {".0.txt", ".1.txt", ".2.txt"}) {
        bool found = false;
        for (const auto& entry : fs::directory_iterator(dir))
            found = found || entry.path().filename().string().ends_with(island);
        EXPECT_TRUE(found) << island;
    }
}

}  // namespace
