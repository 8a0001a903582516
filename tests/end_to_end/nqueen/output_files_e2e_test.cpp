// The outputs of a run against each other and against what reads them: a
// FIFO as report or record path with a real reader, a FIFO that nobody
// reads, dumps whose names are taken by the record or by the dump resumed
// from, and Ctrl+\ (SIGQUIT) while a record is kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/fifo_reader.h"
#include "tests/end_to_end/nqueen/output_parsing.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

namespace {

namespace fs = std::filesystem;
using e2e::Lines;
using e2e::RunResult;
using nlohmann::json;
using namespace std::chrono_literals;

// Long enough for a program that waits for ever to be seen waiting.
constexpr auto kRunLimit = 60s;
// Long enough for a chunk of SlowParameters in a sanitizer build on a busy
// machine.
constexpr auto kChunkLimit = 120s;

// A run that never solves and whose chunks take over half a second here
// (several seconds in a sanitizer build), so that a Ctrl+C sent after a
// progress line falls in the next chunk: no tournament steps, 1000 mutation
// swaps on a board of 100 queens per master iteration.
std::string SlowParameters() { return e2e::Parameters(100, 20, 0, 0, "50"); }

class OutputFilesE2E : public e2e::WorkDirTest {
protected:
    // Starts the program; the output of an earlier run is gone first, so that
    // a wait for a progress line sees this run's lines only.
    std::unique_ptr<e2e::ChildProcess> Start(const std::string& parameters, const std::string& report) const {
        fs::remove(Path("stdout.txt"));
        fs::remove(Path("stderr.txt"));
        return std::make_unique<e2e::ChildProcess>(ZARNEL_NQUEEN_EXE,
                                                   std::vector<std::string>{parameters, report}, dir.string(),
                                                   Path("stdout.txt"), Path("stderr.txt"));
    }
    RunResult Run(const std::string& parameters, const std::string& report) const {
        RunResult result;
        result.status = Start(parameters, report)->Wait(kRunLimit);
        result.out = Read("stdout.txt");
        result.err = Read("stderr.txt");
        return result;
    }
    // A FIFO with a reader that behaves as `cat <fifo> > got.txt &` does.
    std::future<std::string> FifoWithReader(const std::string& name) const {
        EXPECT_EQ(mkfifo(Path(name).c_str(), 0600), 0);
        return e2e::ReadFifo(Path(name), kRunLimit);
    }
    void WaitForLine(const std::string& text) const {
        ASSERT_TRUE(
            e2e::WaitUntil([&] { return Read("stdout.txt").find(text) != std::string::npos; }, kChunkLimit))
            << Read("stdout.txt");
    }
};

// The solution of a record.
std::vector<int> RecordSolution(const json& record) { return record["solution"].get<std::vector<int>>(); }

// A reader waiting on a FIFO gets the whole report or record, and gets it
// once: the start-up check must not open the FIFO (the reader would take
// that for the end and go), and the end must not wait for a reader.
TEST_F(OutputFilesE2E, AFifoAsReportOrRecordGivesItsReaderTheWholeOutput) {
    const std::string seeded = e2e::Parameters(12, 30, 4, 1, "0.1") + "seed 7\n";
    WriteText("p.txt", seeded + "json_report ref.json\n");
    const RunResult reference = Run("p.txt", "ref.txt");
    ASSERT_EQ(reference.status, 0) << reference.err;

    std::future<std::string> report = FifoWithReader("report.fifo");
    std::future<std::string> recordText = FifoWithReader("record.fifo");
    WriteText("p.txt", seeded + "json_report record.fifo\n");
    const RunResult piped = Run("p.txt", "report.fifo");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, reference.out);
    EXPECT_EQ(e2e::ReportWithoutTimes(report.get()), e2e::ReportWithoutTimes(Read("ref.txt")));
    const std::string text = recordText.get();
    const json record = json::parse(text, nullptr, false);
    ASSERT_FALSE(record.is_discarded()) << text;
    EXPECT_EQ(record["stop_reason"], "solved");
    EXPECT_EQ(RecordSolution(record), RecordSolution(Record("ref.json")));
    EXPECT_TRUE(fs::is_fifo(Path("report.fifo")));
    EXPECT_TRUE(fs::is_fifo(Path("record.fifo")));
}

// A FIFO that no process reads at the end fails that output at once, as a
// full disk does, instead of leaving the finished run waiting unseen.
TEST_F(OutputFilesE2E, AFifoWithoutAReaderFailsThatOutputInsteadOfWaiting) {
    ASSERT_EQ(mkfifo(Path("out.fifo").c_str(), 0600), 0);
    WriteText("p.txt", e2e::Parameters(8, 50, 10, 1, "0.05"));
    const RunResult report = Run("p.txt", "out.fifo");
    EXPECT_EQ(report.status, 1);
    EXPECT_EQ(report.err,
              "Unable to write report file out.fifo: no process has the FIFO open for reading; the file was "
              "left as it was\n");
    EXPECT_NE(report.out.find("\nSolution:\n"), std::string::npos);

    WriteText("p.txt", e2e::Parameters(8, 50, 10, 1, "0.05") + "json_report out.fifo\n");
    const RunResult record = Run("p.txt", "r.txt");
    EXPECT_EQ(record.status, 1);
    EXPECT_EQ(record.err,
              "Unable to write run record out.fifo: no process has the FIFO open for reading; the file was "
              "left as it was\n");
    EXPECT_NE(Read("r.txt").find("# Solution:\n"), std::string::npos);
}

// The record is written at the end under the name that a dump of this run
// also takes: the dump moves aside to a free name, and says so.
TEST_F(OutputFilesE2E, ADumpNeverReplacesTheRecord) {
    WriteText("p.txt", SlowParameters() + "json_report 2000.txt\n");
    WriteText("2000-1.txt", "an earlier file\n");
    auto child = Start("p.txt", "r.txt");
    WaitForLine("Iter: 1000,");
    child->Signal(SIGINT);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !Read("stderr.txt").empty(); }, kChunkLimit));
    child->Signal(SIGTERM);
    EXPECT_EQ(child->Wait(kRunLimit), 3);
    EXPECT_EQ(Lines(Read("stderr.txt"))[0],
              "Population dump 2000.txt would replace the run record; written as 2000-2.txt instead");
    EXPECT_EQ(Read("2000-1.txt"), "an earlier file\n");
    EXPECT_NE(Read("2000-2.txt").find("Avg. fitenss: "), std::string::npos);
    EXPECT_EQ(Record("2000.txt")["stop_reason"], "signal");
}

// A dump's temporary name while it is written (".<name>.<suffix>.tmp").
bool Hidden(const fs::path& path) { return path.filename().string().starts_with("."); }

// The resume recipe's flow (docs/run-control.md): a dump, then a run resumed from it that dumps at the
// same iteration count. The dump resumed from stays as it was.
TEST_F(OutputFilesE2E, AResumedRunNeverReplacesTheDumpItResumedFrom) {
    fs::create_directory(dir / "dumps");
    const std::string slow = SlowParameters() + "dump_directory dumps\n";
    WriteText("a.txt", slow);
    auto first = Start("a.txt", "r.txt");
    WaitForLine("Iter: 1000,");
    first->Signal(SIGINT);
    fs::path written;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            for (const auto& entry : fs::directory_iterator(dir / "dumps"))
                if (!Hidden(entry.path())) written = entry.path();
            return !written.empty();
        },
        kChunkLimit));
    first->Signal(SIGKILL);
    first->Wait(kRunLimit);
    const std::string name = "dumps/" + written.filename().string();
    const std::string dump = Read(name);
    const int iterations = std::stoi(written.stem().string());

    // Ctrl+C in the chunk that ends at the same count. On a machine so busy
    // that the signal comes only after that chunk has ended, the dump gets
    // a later count and another name: that attempt proves nothing, so its
    // dump goes and the resumed run starts again (at most three times).
    WriteText("b.txt", slow + "resume_from " + name + "\n");
    const std::string moved = "dumps/" + std::to_string(iterations) + "-1.txt";
    const auto others = [&] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir / "dumps"))
            if (entry.path().filename() != written.filename() && !Hidden(entry.path()))
                found.push_back(entry.path());
        return found;
    };
    for (int attempt = 0; attempt < 3 && !fs::exists(dir / moved); ++attempt) {
        for (const fs::path& late : others()) fs::remove(late);
        auto resumed = Start("b.txt", "r.txt");
        WaitForLine("Iter: " + std::to_string(iterations - 1000) + ",");
        resumed->Signal(SIGINT);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !others().empty(); }, kChunkLimit)) << Read("stdout.txt");
        resumed->Signal(SIGKILL);
        resumed->Wait(kRunLimit);
    }
    ASSERT_TRUE(fs::exists(dir / moved)) << Read("stdout.txt");
    EXPECT_EQ(Read(name), dump);
    EXPECT_EQ(Read("stderr.txt"), "Population dump " + name +
                                      " would replace the population dump resumed from; written as " + moved +
                                      " instead\n");
    EXPECT_EQ(Lines(Read(moved)).size(), 21u);
}

// Names known at start-up: neither the record nor the report may be the dump
// to resume from, by any spelling.
TEST_F(OutputFilesE2E, TheRecordOrReportCannotReplaceTheDumpResumedFrom) {
    fs::create_directory(dir / "dumps");
    // A population of 20 boards of 8 queens, written as a dump is.
    std::string dump;
    for (int i = 0; i < 20; ++i) dump += "   0    1    2    3    4    5    6    7 -1.000000\n";
    WriteText("dumps/d.txt", dump + "Avg. fitenss: -1.000000\n");

    const std::string base =
        e2e::Parameters(8, 20, 1, 1, "0") + "max_iterations 3\nresume_from dumps/d.txt\n";
    WriteText("p.txt", base + "json_report ./dumps/d.txt\n");
    RunResult result = Run("p.txt", "r.txt");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err,
              "Cannot write run record ./dumps/d.txt: it is the population dump to resume from (resume_from "
              "dumps/d.txt)\n");
    WriteText("p.txt", base);
    result = Run("p.txt", "dumps/../dumps/d.txt");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err,
              "Cannot write report file dumps/../dumps/d.txt: it is the population dump to resume from "
              "(resume_from dumps/d.txt)\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Read("dumps/d.txt"), dump + "Avg. fitenss: -1.000000\n");
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

// Ctrl+\ is an end request like SIGTERM and SIGHUP when a record is kept;
// without one it keeps its default action.
TEST_F(OutputFilesE2E, CtrlBackslashEndsARunWithARecordLikeTheOtherEndRequests) {
    // The default action writes a core file; none is wanted here.
    const rlimit noCore{0, 0};
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);
    const std::string unsolvable = e2e::Parameters(64, 20, 1, 1, "0");
    WriteText("p.txt", unsolvable + "json_report rec.json\n");
    auto child = Start("p.txt", "r.txt");
    WaitForLine("Iter: ");
    child->Signal(SIGQUIT);
    EXPECT_EQ(child->Wait(kRunLimit), 3);
    EXPECT_FALSE(fs::exists(Path("r.txt")));
    const json record = Record("rec.json");
    EXPECT_EQ(record["stop_reason"], "signal");
    EXPECT_EQ(record["exit_status"], 3);
    EXPECT_NE(Read("stderr.txt").find("ended on request after "), std::string::npos);

    WriteText("p.txt", unsolvable);
    auto classic = Start("p.txt", "r.txt");
    WaitForLine("Iter: ");
    classic->Signal(SIGQUIT);
    EXPECT_EQ(classic->Wait(kRunLimit), -SIGQUIT);
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

}  // namespace
