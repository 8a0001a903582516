#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"
#include "tests/end_to_end/nqueen/thread_free.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

// Boards beyond 65536 queens (32-bit genes of the fast set), their dumps,
// the memory check for them, and `deterministic yes` at several thread
// counts.

namespace {

namespace fs = std::filesystem;
using e2e::RunResult;
using nlohmann::json;
using namespace std::chrono_literals;

constexpr int kLarge = 100000;

class LargeBoardE2E : public e2e::WorkDirTest {
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

std::string Fast(int queens, int population, int iterations, int threads, const char* rate) {
    return e2e::Parameters(queens, population, iterations, threads, rate) + "operators fast\n";
}

// The rows printed after "Solution:" on standard output.
std::vector<int> PrintedSolution(const std::string& out) {
    const std::size_t at = out.find("Solution:");
    return at == std::string::npos ? std::vector<int>{} : e2e::Rows(out.substr(at + 9));
}

// A placement of `queens` queens that no two attack: a permutation with all
// row + column and all row - column values distinct (linear, for large
// boards).
bool IsSolution(const std::vector<int>& rows, int queens) {
    if (static_cast<int>(rows.size()) != queens) return false;
    std::vector<char> row(queens, 0), sum(2 * queens, 0), difference(2 * queens, 0);
    for (int column = 0; column < queens; ++column) {
        const int r = rows[column];
        if (r < 0 || r >= queens || row[r]++ || sum[r + column]++ || difference[r - column + queens]++)
            return false;
    }
    return true;
}

TEST_F(LargeBoardE2E, AHundredThousandQueensFastRunSolvesAndPrintsASolution) {
    WriteText("p.txt", Fast(kLarge, 8, 1, 2, "0.05") + "seed 5\n");
    const RunResult run = Run("p.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int> printed = PrintedSolution(run.out);
    EXPECT_TRUE(IsSolution(printed, kLarge));
    // The report's solution line holds the same rows.
    const std::string report = Read("r.txt");
    const std::size_t line = report.find("#\n# ", report.find("# Solution:"));
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(e2e::Rows(report.substr(line + 4, report.find('\n', line + 4) - line - 4)), printed);
    // The classic operators keep their 16-bit limit.
    WriteText("c.txt", e2e::Parameters(kLarge, 8, 1, 2, "0.05"));
    const RunResult classic = Run("c.txt", "r2.txt");
    EXPECT_EQ(classic.status, 255);
    EXPECT_NE(classic.err.find("queens"), std::string::npos) << classic.err;
    EXPECT_FALSE(fs::exists(Path("r2.txt")));
}

// A run that cannot change its population (no slave thread, no swaps) is
// dumped by Ctrl+C; resumed with the same keys, its first iteration shows the
// dump's figures, and resumed with threads and swaps it solves.
TEST_F(LargeBoardE2E, ACtrlCDumpOfAHundredThousandQueensResumes) {
    fs::create_directory(dir / "dumps");
    WriteText("a.txt", Fast(kLarge, 4, 1, 0, "0") + "time_limit 60\ndump_directory dumps\n");
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

    const auto lines = e2e::Lines(e2e::ReadFile(dump.string()));
    ASSERT_EQ(lines.size(), 5u);
    std::set<std::vector<int>> genomes;
    for (std::size_t i = 0; i < 4; ++i) {
        std::vector<int> rows = e2e::Rows(lines[i]);
        ASSERT_EQ(rows.size(), std::size_t{kLarge} + 1) << "genes and the fitness";
        rows.pop_back();
        std::set<int> distinct(rows.begin(), rows.end());
        EXPECT_EQ(distinct.size(), std::size_t{kLarge});
        EXPECT_EQ(*distinct.rbegin(), kLarge - 1) << "rows beyond 65535 are written whole";
        genomes.insert(rows);
    }

    WriteText("b.txt", Fast(kLarge, 4, 1, 0, "0") + "max_iterations 1\njson_report rec.json\nresume_from " +
                           dump.string() + "\n");
    const RunResult same = Run("b.txt");
    ASSERT_EQ(same.status, 2) << same.err;
    const json entry = Record("rec.json")["history"][0];
    EXPECT_EQ(entry["distinct"], genomes.size());
    EXPECT_NEAR(entry["mean"].get<double>(), std::stod(lines[4].substr(14)), 1e-5);

    WriteText("c.txt", Fast(kLarge, 4, 1, 1, "0.25") + "seed 3\nresume_from " + dump.string() + "\n");
    const RunResult solved = Run("c.txt", "r2.txt");
    ASSERT_EQ(solved.status, 0) << solved.err;
    EXPECT_TRUE(IsSolution(PrintedSolution(solved.out), kLarge));
}

// A million queens x 1000 individuals hold 4 GB of 32-bit genes alone:
// refused at start-up against a 1 GiB address-space limit, with an estimate
// that counts the genes at their width. Sanitizer runtimes need more address
// space than the limit, so plain builds only.
TEST_F(LargeBoardE2E, AWideBoardBeyondTheMemoryIsRefusedAtOnce) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not apply to sanitizer builds";
#else
    constexpr const char* kPrlimit = "/usr/bin/prlimit";
    ASSERT_EQ(access(kPrlimit, X_OK), 0) << "needs " << kPrlimit;
    WriteText("p.txt", Fast(1000000, 1000, 1, 2, "0.05"));
    e2e::ChildProcess child(kPrlimit, {"--as=1073741824", ZARNEL_NQUEEN_EXE, "p.txt", "r.txt"}, dir.string(),
                            Path("stdout.txt"), Path("stderr.txt"));
    EXPECT_EQ(child.Wait(120s), 255);
    EXPECT_EQ(Read("stdout.txt"), "");
    const std::string err = Read("stderr.txt");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(err, match,
                                  std::regex("^Invalid parameter file p.txt: queens 1000000, population_size "
                                             "1000 and slave_threads 2 need about ([0-9.]+) GB of memory, "
                                             "more than the 1.07 GB of address space")))
        << err;
    EXPECT_GE(std::stod(match[1].str()), 4.0);
    EXPECT_FALSE(fs::exists(Path("r.txt")));
#endif
}

TEST_F(LargeBoardE2E, DeterministicFastRunsAreTheSameOnOneTwoThreeAndFourThreads) {
    // 60 individuals: ten lanes of six; two rounds of steps per phase.
    for (const int queens : {3000, 70000}) {
        SCOPED_TRACE(queens);
        std::string firstOut, firstReport;
        json firstRecord;
        for (const int threads : {1, 2, 3, 4}) {
            SCOPED_TRACE(threads);
            WriteText("p.txt", Fast(queens, 60, 4, threads, "0.02") +
                                   "deterministic yes\nseed 11\nmax_iterations 3\njson_report rec.json\n");
            const RunResult run = Run("p.txt");
            ASSERT_TRUE(run.status == 0 || run.status == 2) << run.err;
            if (threads == 1) {
                firstOut = run.out;
                firstReport = e2e::ReportWithoutThreads(Read("r.txt"));
                firstRecord = e2e::WithoutThreads(Record("rec.json"));
                EXPECT_NE(firstReport.find("# Deterministic:            yes\n"), std::string::npos);
                continue;
            }
            EXPECT_EQ(run.out, firstOut);
            EXPECT_EQ(e2e::ReportWithoutThreads(Read("r.txt")), firstReport);
            EXPECT_EQ(e2e::WithoutThreads(Record("rec.json")), firstRecord);
        }
        if (firstRecord["stop_reason"] == "solved") {
            EXPECT_TRUE(IsSolution(PrintedSolution(firstOut), queens));
        }
    }
}

TEST_F(LargeBoardE2E, DeterministicNeedsTheFastOperatorsAndYesOrNo) {
    WriteText("c.txt", e2e::Parameters(16, 20, 4, 2, "0.05") + "deterministic yes\n");
    const RunResult classic = Run("c.txt");
    EXPECT_EQ(classic.status, 255);
    EXPECT_NE(classic.err.find("Invalid parameter file c.txt: deterministic"), std::string::npos)
        << classic.err;
    EXPECT_NE(classic.err.find("operators fast"), std::string::npos) << classic.err;
    WriteText("f.txt", Fast(16, 20, 4, 2, "0.05") + "deterministic maybe\n");
    const RunResult wrong = Run("f.txt");
    EXPECT_EQ(wrong.status, 255);
    EXPECT_NE(wrong.err.find("must be yes or no, not maybe"), std::string::npos) << wrong.err;
    EXPECT_FALSE(fs::exists(Path("r.txt")));
    // "no" is the default mode, and accepted with either set.
    WriteText("n.txt", e2e::Parameters(8, 20, 4, 2, "0.05") + "deterministic no\n");
    EXPECT_EQ(Run("n.txt").status, 0);
}

}  // namespace
