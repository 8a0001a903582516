#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
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

class RunControlE2E : public e2e::WorkDirTest {
protected:
    std::unique_ptr<e2e::ChildProcess> Start(const std::string& parameters, const std::string& report) const {
        return std::make_unique<e2e::ChildProcess>(ZARNEL_NQUEEN_EXE,
                                                   std::vector<std::string>{parameters, report}, dir.string(),
                                                   Path("stdout.txt"), Path("stderr.txt"));
    }
    RunResult Run(const std::string& parameters, const std::string& report = "r.txt") const {
        RunResult result;
        result.status = Start(parameters, report)->Wait(120s);
        result.out = Read("stdout.txt");
        result.err = Read("stderr.txt");
        return result;
    }
};

// The record without the members that hold measured times.
json WithoutTimes(json record) {
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms"})
        record.erase(member);
    for (json& thread : record["threads"]) thread.erase("busy_ms");
    return record;
}

TEST_F(RunControlE2E, SeededRunsWithNoneOrOneSlaveThreadRepeatExactly) {
    for (const int threads : {0, 1}) {
        SCOPED_TRACE(threads);
        const std::string base = e2e::Parameters(12, 30, 4, threads, "0.1") + "json_report rec.json\n";
        WriteText("p.txt", base + "seed 3141592653\n");
        const RunResult first = Run("p.txt", "r1.txt");
        ASSERT_EQ(first.status, 0) << first.err;
        const json firstRecord = Record("rec.json");
        const RunResult second = Run("p.txt", "r2.txt");
        ASSERT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(second.out, first.out);
        EXPECT_GT(Lines(first.out).size(), 4u) << "several chunks";
        EXPECT_EQ(e2e::ReportWithoutTimes(Read("r2.txt")), e2e::ReportWithoutTimes(Read("r1.txt")));
        EXPECT_NE(Read("r1.txt").find("# Seed:                     3141592653\n"), std::string::npos);
        EXPECT_EQ(WithoutTimes(Record("rec.json")), WithoutTimes(firstRecord));
        EXPECT_EQ(firstRecord["stop_reason"], "solved");

        // A run without the key records the seed it drew, which repeats it.
        WriteText("p.txt", base);
        const RunResult drawn = Run("p.txt");
        ASSERT_EQ(drawn.status, 0) << drawn.err;
        WriteText("p.txt",
                  base + "seed " + std::to_string(Record("rec.json")["seed"].get<std::uint64_t>()) + "\n");
        EXPECT_EQ(Run("p.txt").out, drawn.out);
    }
}

// A population that never changes (no slave threads, no swaps) cannot be
// solved, so only a limit ends the run.
TEST_F(RunControlE2E, IterationLimitEndsAnUnsolvableRunWithStatus2) {
    // A word that is not UTF-8 (Latin-1 e-acute) still gives a record that parses.
    WriteText("p.txt", e2e::Parameters(64, 20, 1, 0, "0") +
                           "max_iterations 2500\njson_report rec.json\ndump_directory d\xe9\n");
    const RunResult result = Run("p.txt");
    EXPECT_EQ(result.status, 2) << result.err;
    const std::string lines = result.out.substr(0, result.out.find("\nBest individual found:\n"));
    EXPECT_TRUE(std::regex_match(lines, std::regex("Iter: 1000, .*\nIter: 2000, .*\nIter: 2500, [^\n]*\n")))
        << result.out;
    const std::string report = Read("r.txt");
    EXPECT_NE(report.find("# Total master iterations:  2500\n# Ended unsolved by the iteration limit "
                          "(max_iterations 2500)\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("# Best individual found (fitness -"), std::string::npos);
    const json record = Record("rec.json");
    EXPECT_EQ(record["stop_reason"], "iteration_limit");
    EXPECT_EQ(record["exit_status"], 2);
    EXPECT_EQ(record["master_iterations"], 2500);
    EXPECT_EQ(record["history"].size(), 3u);
    EXPECT_EQ(record["history"][2]["iteration"], 2500);
    EXPECT_TRUE(record["threads"].empty());
    EXPECT_EQ(record["parameters"]["dump_directory"], "d\xEF\xBF\xBD");
}

TEST_F(RunControlE2E, TimeLimitRecordHoldsEveryMemberWithSensibleValues) {
    constexpr int kQueens = 1000, kPopulation = 40, kSteps = 3, kThreads = 2;
    WriteText("p.txt", e2e::Parameters(kQueens, kPopulation, kSteps, kThreads, "0.05") +
                           "time_limit 0.5\njson_report rec.json\nseed 7\n");
    const RunResult result = Run("p.txt");
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_NE(Read("r.txt").find("# Ended unsolved by the time limit (time_limit 0.5 s)\n"),
              std::string::npos);

    const json r = Record("rec.json");
    for (const char* member :
         {"program", "version", "parameters", "operators", "seed", "start_utc", "end_utc", "wall_seconds",
          "exit_status", "stop_reason", "master_iterations", "evaluations", "master_busy_ms", "threads",
          "history", "best_fitness", "solution", "memory_estimate_bytes"}) {
        EXPECT_TRUE(r.contains(member)) << member;
    }
    EXPECT_EQ(r["program"], "ZarnelNQueen");
    EXPECT_EQ(r["stop_reason"], "time_limit");
    EXPECT_EQ(r["seed"], 7);
    EXPECT_EQ(r["parameters"]["time_limit"], 0.5);
    EXPECT_EQ(r["parameters"]["json_report"], "rec.json");
    EXPECT_TRUE(std::regex_match(r["start_utc"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    const double wall = r["wall_seconds"];
    EXPECT_GE(wall, 0.5);
    EXPECT_LT(wall, 60.0);
    const std::uint64_t iterations = r["master_iterations"];
    ASSERT_GT(iterations, 0u);
    ASSERT_EQ(r["threads"].size(), static_cast<std::size_t>(kThreads));
    std::uint64_t steps = 0;
    for (std::size_t t = 0; t < r["threads"].size(); ++t) {
        const json& thread = r["threads"][t];
        EXPECT_EQ(thread["index"], t);
        EXPECT_LE(thread["busy_ms"].get<double>(), wall * 1000.0);
        EXPECT_EQ(thread["steps"], iterations * kSteps);
        EXPECT_GE(thread["claim_attempts"], 3 * iterations * kSteps);
        EXPECT_LE(thread["claims_failed"], thread["claim_attempts"]);
        steps += thread["steps"].get<std::uint64_t>();
    }
    // The initial scoring, one or two per tournament step, one per swapped
    // individual (at most the population) per master iteration.
    const std::uint64_t evaluations = r["evaluations"];
    EXPECT_GE(evaluations, kPopulation + steps);
    EXPECT_LE(evaluations, kPopulation + 2 * steps + iterations * kPopulation);
    const json& history = r["history"];
    ASSERT_EQ(history.size(), (iterations + 999) / 1000);
    EXPECT_EQ(history.back()["iteration"], iterations);
    for (const json& entry : history) {
        EXPECT_LE(entry["mean"].get<double>(), entry["best"].get<double>());
        EXPECT_LE(entry["best"].get<double>(), 0.0);
        EXPECT_GE(entry["distinct"], 1);
        EXPECT_LE(entry["distinct"], kPopulation);
    }
    EXPECT_EQ(r["best_fitness"], history.back()["best"]);
    // At least every individual's genes.
    EXPECT_GE(r["memory_estimate_bytes"].get<std::uint64_t>(), std::uint64_t{kPopulation} * kQueens * 2);
    std::vector<int> rows = r["solution"];
    std::sort(rows.begin(), rows.end());
    for (int i = 0; i < kQueens; ++i) ASSERT_EQ(rows[i], i);
}

TEST_F(RunControlE2E, EndRequestWritesTheRecordAndNoReport) {
    WriteText("p.txt", e2e::Parameters(64, 20, 1, 1, "0") + "json_report rec.json\n");
    auto child = Start("p.txt", "r.txt");
    ASSERT_TRUE(e2e::WaitUntil([&] { return Read("stdout.txt").find("Iter: ") != std::string::npos; }, 60s));
    child->Signal(SIGTERM);
    EXPECT_EQ(child->Wait(60s), 3);
    EXPECT_FALSE(fs::exists(Path("r.txt")));
    const json record = Record("rec.json");
    EXPECT_EQ(record["stop_reason"], "signal");
    EXPECT_EQ(record["exit_status"], 3);
}

TEST_F(RunControlE2E, ACtrlCDumpResumesAsTheSamePopulation) {
    fs::create_directory(dir / "dumps");
    WriteText("a.txt", e2e::Parameters(16, 25, 2, 1, "0.04") + "time_limit 60\ndump_directory dumps\n");
    auto child = Start("a.txt", "r.txt");
    ASSERT_TRUE(e2e::WaitUntil([&] { return Read("stdout.txt").find("Iter: ") != std::string::npos; }, 60s));
    child->Signal(SIGINT);
    fs::path dump;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            for (const auto& entry : fs::directory_iterator(dir / "dumps")) dump = entry.path();
            return !dump.empty();
        },
        60s));
    child->Signal(SIGKILL);
    child->Wait(60s);

    // Nothing changes the resumed population, so the figures after one
    // iteration are those of the dump.
    WriteText("b.txt", e2e::Parameters(16, 25, 1, 0, "0") +
                           "max_iterations 1\njson_report rec.json\nresume_from " + dump.string() + "\n");
    const RunResult resumed = Run("b.txt");
    ASSERT_EQ(resumed.status, 2) << resumed.err;
    const auto lines = Lines(e2e::ReadFile(dump.string()));
    ASSERT_EQ(lines.size(), 26u);
    std::set<std::string> genomes;
    std::vector<double> fitness;
    std::string bestText;
    for (std::size_t i = 0; i < 25; ++i) {
        const std::size_t last = lines[i].rfind(' ');
        genomes.insert(lines[i].substr(0, last));
        fitness.push_back(std::stod(lines[i].substr(last + 1)));
        if (fitness.back() == *std::max_element(fitness.begin(), fitness.end()))
            bestText = lines[i].substr(last + 1);
    }
    EXPECT_EQ(resumed.out.substr(0, resumed.out.find('\n')), "Iter: 1, best ind fitness: " + bestText);
    const json entry = Record("rec.json")["history"][0];
    EXPECT_EQ(entry["distinct"], genomes.size());
    EXPECT_NEAR(entry["mean"].get<double>(), std::stod(lines[25].substr(14)), 1e-5);

    // A dump of another board size is refused, naming the file and line.
    WriteText("c.txt",
              e2e::Parameters(17, 25, 1, 0, "0") + "max_iterations 1\nresume_from " + dump.string() + "\n");
    const RunResult refused = Run("c.txt", "r3.txt");
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(refused.err.find("Cannot resume from population dump " + dump.string() +
                               ", line 1: expected 17 genes and a fitness (queens is 17), found 17 words, 16 "
                               "genes and a fitness"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(Path("r3.txt")));
}

// The record's path is the rest of its line: cut at the blank, the record of
// "json_report my run.json" replaced an existing file "my".
TEST_F(RunControlE2E, ARecordPathWithABlankIsWrittenWholeAndReplacesNoOtherFile) {
    WriteText("my", "keep me\n");
    WriteText("p.txt", e2e::Parameters(8, 50, 10, 1, "0.05") + "json_report my run.json # the record\n");
    const RunResult result = Run("p.txt");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Read("my"), "keep me\n");
    EXPECT_EQ(Record("my run.json")["parameters"]["json_report"], "my run.json");
}

}  // namespace
