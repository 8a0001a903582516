// ZarnelNQueen with the `islands` key: several islands in one process.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"
#include "tests/end_to_end/nqueen/thread_free.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

namespace {

namespace fs = std::filesystem;
using e2e::RunResult;
using nlohmann::json;
using namespace std::chrono_literals;

class InProcessIslandsE2E : public e2e::WorkDirTest {
protected:
    std::unique_ptr<e2e::ChildProcess> Start(const std::string& parameters) const {
        return std::make_unique<e2e::ChildProcess>(ZARNEL_NQUEEN_EXE,
                                                   std::vector<std::string>{parameters, "r.txt"},
                                                   dir.string(), Path("stdout.txt"), Path("stderr.txt"));
    }
    RunResult Finish(e2e::ChildProcess& child) const {
        RunResult result;
        result.status = child.Wait(120s);
        result.out = Read("stdout.txt");
        result.err = Read("stderr.txt");
        return result;
    }
};

TEST_F(InProcessIslandsE2E, FourIslandsSolveWithOneReportAndARecordOfEveryIsland) {
    WriteText("p.txt", e2e::Parameters(14, 40, 4, 1, "0.1") +
                           "islands 4\nseed 7\nmigration_interval 5\nmigrants 2\njson_report rec.json\n");
    const RunResult run = Finish(*Start("p.txt"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::size_t at = run.out.find("Solution:\n");
    ASSERT_NE(at, std::string::npos) << run.out;
    e2e::ExpectSolution(e2e::Rows(run.out.substr(at + 10)), 14);
    EXPECT_EQ(run.out.find("Solution:", at + 1), std::string::npos);
    EXPECT_NE(Read("r.txt").find("# Seed:                     7\n"), std::string::npos);

    const json record = Record("rec.json");
    EXPECT_EQ(record["program"], "ZarnelNQueen");
    EXPECT_EQ(record["stop_reason"], "solved");
    EXPECT_EQ(record["parameters"]["islands"], 4);
    e2e::ExpectSolution(record["solution"].get<std::vector<int>>(), 14);
    ASSERT_EQ(record["islands"].size(), 4U);
    std::uint64_t iterations = 0, sent = 0, received = 0, discarded = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const json& island = record["islands"][i];
        EXPECT_EQ(island["island"], i);
        EXPECT_EQ(island["threads"].size(), 1U);
        iterations += island["master_iterations"].get<std::uint64_t>();
        sent += island["migrants_sent"].get<std::uint64_t>();
        received += island["migrants_received"].get<std::uint64_t>();
        discarded += island["migrants_discarded"].get<std::uint64_t>();
    }
    EXPECT_EQ(record["master_iterations"], iterations);
    EXPECT_GT(received, 0U);
    EXPECT_EQ(sent, received + discarded);
}

TEST_F(InProcessIslandsE2E, DeterministicIslandsRepeatOnOneTwoAndFourThreads) {
    // Small boards, one step a phase and no master repairs: some seeds take
    // several migrations to a solution. The first such seed is compared.
    const auto parameters = [](int seed, int threads) {
        return e2e::Parameters(20, 12, 1, threads, "0") +
               "operators fast\ndeterministic yes\nislands 2\nmigration_interval 1\nmigrants 2\nseed " +
               std::to_string(seed) + "\nmax_iterations 50\njson_report rec.json\n";
    };
    int migrating = 0;
    for (int seed = 1; seed <= 40 && migrating == 0; ++seed) {
        WriteText("p.txt", parameters(seed, 1));
        const RunResult run = Finish(*Start("p.txt"));
        ASSERT_TRUE(run.status == 0 || run.status == 2) << run.err;
        std::uint64_t received = 0;
        const json record = Record("rec.json");
        for (const json& island : record["islands"])
            received += island["migrants_received"].get<std::uint64_t>();
        if (received > 0) migrating = seed;
    }
    ASSERT_NE(migrating, 0) << "no seed of 1 to 40 migrated before its end";
    const std::string firstOut = Read("stdout.txt");
    const std::string firstReport = e2e::ReportWithoutThreads(Read("r.txt"));
    const json firstRecord = e2e::WithoutThreads(Record("rec.json"));
    EXPECT_EQ(firstRecord["islands"].size(), 2U);
    for (const int threads : {2, 4}) {
        SCOPED_TRACE(threads);
        WriteText("p.txt", parameters(migrating, threads));
        const RunResult run = Finish(*Start("p.txt"));
        ASSERT_TRUE(run.status == 0 || run.status == 2) << run.err;
        EXPECT_EQ(run.out, firstOut);
        EXPECT_EQ(e2e::ReportWithoutThreads(Read("r.txt")), firstReport);
        EXPECT_EQ(e2e::WithoutThreads(Record("rec.json")), firstRecord);
    }
}

TEST_F(InProcessIslandsE2E, CtrlCDumpsEveryIslandAndBadIslandKeysAreRefused) {
    // A population that never changes: the run ends on its iteration limit,
    // counted in work rather than time so that a slow start (a sanitizer
    // build, a loaded machine) still leaves room for the signal; the time
    // limit only bounds a run that is slower still.
    WriteText("p.txt",
              e2e::Parameters(64, 20, 0, 1, "0") + "islands 3\nmax_iterations 200000\ntime_limit 60\n");
    const auto child = Start("p.txt");
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return Read("stdout.txt").find("Iter: 1000,") != std::string::npos; }, 60s));
    child->Signal(SIGINT);
    const RunResult run = Finish(*child);
    EXPECT_EQ(run.status, 2) << run.err;
    for (const std::string island : {".0.txt", ".1.txt", ".2.txt"}) {
        bool found = false;
        for (const auto& entry : fs::directory_iterator(dir))
            found = found || entry.path().filename().string().ends_with(island);
        EXPECT_TRUE(found) << island;
    }

    // With `islands` set the island keys are read and checked; without it
    // they stay unknown words.
    WriteText("bad.txt", e2e::Parameters(8, 10, 4, 1, "0.1") + "islands 2\nmigrants 10\n");
    const RunResult refused = Finish(*Start("bad.txt"));
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(refused.err.find("migrants must be a whole number from 0 to 9, not 10"), std::string::npos)
        << refused.err;
    WriteText("many.txt", e2e::Parameters(8, 10, 4, 1, "0.1") + "islands 257\n");
    EXPECT_NE(Finish(*Start("many.txt")).err.find("islands must be a whole number from 1 to 256, not 257"),
              std::string::npos);
}

}  // namespace
