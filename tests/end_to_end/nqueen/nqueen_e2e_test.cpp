#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"

namespace {

namespace fs = std::filesystem;
using e2e::ExpectSolution;
using e2e::Lines;
using e2e::Parameters;
using e2e::Rows;
using e2e::RunResult;
using namespace std::chrono_literals;

constexpr const char* kUsage =
    "Usage: ZarnelNQueen.exe <input file> <output file>\n For details see sample input file.\n";
const std::string kRule(78, '#');

// A fresh working directory per test, removed afterwards.
class NQueenE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_nqueen_e2e_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    std::unique_ptr<e2e::ChildProcess> Start(const std::vector<std::string>& arguments) const {
        return std::make_unique<e2e::ChildProcess>(ZARNEL_NQUEEN_EXE, arguments, dir.string(),
                                                   Path("stdout.txt"), Path("stderr.txt"));
    }

    RunResult Run(const std::vector<std::string>& arguments, std::chrono::milliseconds limit = 120s) const {
        RunResult result;
        result.status = Start(arguments)->Wait(limit);
        result.out = e2e::ReadFile(Path("stdout.txt"));
        result.err = e2e::ReadFile(Path("stderr.txt"));
        return result;
    }

    fs::path dir;
};

// Checks the whole report against its format, line by line, and returns the
// solution rows that it holds.
std::vector<int> CheckReport(const std::string& text, const std::vector<std::string>& parameterLines,
                             int threads, unsigned total) {
    const auto lines = Lines(text);
    std::vector<std::string> expected = {kRule, parameterLines[0], kRule};
    expected.insert(expected.end(), parameterLines.begin() + 1, parameterLines.end());
    expected.insert(expected.end(),
                    {"# ", "# Total master iterations:  " + std::to_string(total), kRule, "", "", kRule});
    EXPECT_GE(lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size() && i < lines.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << i;

    std::size_t at = expected.size();
    auto next = [&]() -> std::string { return at < lines.size() ? lines[at++] : std::string("<missing>"); };
    EXPECT_TRUE(std::regex_match(next(), std::regex("# Master time: \\d+ msec")));
    EXPECT_EQ(next(), kRule);
    EXPECT_EQ(next(), "# Threads' times");
    EXPECT_EQ(next(), "#");
    for (int t = 0; t < threads; ++t) {
        EXPECT_EQ(next(), "# Thread " + std::to_string(t));
        std::smatch match;
        const std::string totalLine = next();
        const std::string averageLine = next();
        EXPECT_TRUE(std::regex_match(totalLine, match, std::regex("# Total running time: (\\d+) \\(msec\\)")))
            << totalLine;
        const unsigned long busy = match.empty() ? 0 : std::stoul(match[1]);
        EXPECT_EQ(averageLine,
                  "# Avg. running time: " + std::to_string(busy / total) + " (msec/master iter.)");
        if (t + 1 < threads) {
            EXPECT_EQ(next(), "#");
        }
    }
    EXPECT_EQ(next(), kRule);
    EXPECT_EQ(next(), "");
    EXPECT_EQ(next(), "");
    EXPECT_EQ(next(), kRule);
    EXPECT_EQ(next(), "# Solution:");
    EXPECT_EQ(next(), "#");
    const std::string solutionLine = next();
    EXPECT_TRUE(std::regex_match(solutionLine, std::regex("# ( {0,2}\\d+ )+"))) << solutionLine;
    EXPECT_EQ(next(), "#");
    EXPECT_EQ(next(), kRule);
    EXPECT_EQ(at, lines.size()) << "nothing follows the last rule";
    EXPECT_EQ(text.back(), '\n');
    return Rows(solutionLine.substr(1));
}

// Checks the progress lines and the console solution, and returns the total
// iteration count of the last progress line and the console's rows.
std::pair<unsigned, std::vector<int>> CheckConsole(const std::string& out) {
    const std::size_t solutionAt = out.find("\nSolution:\n");
    EXPECT_NE(solutionAt, std::string::npos) << out;
    if (solutionAt == std::string::npos) return {0, {}};
    const auto progress = Lines(out.substr(0, solutionAt));
    EXPECT_FALSE(progress.empty());
    const std::regex line("Iter: (\\d+), best ind fitness: (-?\\d+\\.\\d{6})");
    unsigned previous = 0;
    for (std::size_t i = 0; i < progress.size(); ++i) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(progress[i], match, line)) << progress[i];
        if (match.empty()) continue;
        const unsigned total = static_cast<unsigned>(std::stoul(match[1]));
        EXPECT_GT(total, previous);
        EXPECT_LE(total - previous, 1000u) << "one line per chunk of at most 1000 iterations";
        previous = total;
        if (i + 1 == progress.size()) {
            EXPECT_EQ(std::stod(match[2]), 0.0);
        } else {
            EXPECT_EQ(total % 1000, 0u);
        }
    }
    const std::string rows = out.substr(solutionAt + 11);
    EXPECT_TRUE(std::regex_match(rows, std::regex("( {0,2}\\d+ )+"))) << "no line end after the last row";
    return {previous, Rows(rows)};
}

TEST_F(NQueenE2E, WrongArgumentCountsPrintTheUsage) {
    WriteText("p.txt", Parameters(8, 50, 10, 1, "0.05"));
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"p.txt"}, {"p.txt", "r.txt", "x"}}) {
        const RunResult result = Run(arguments);
        EXPECT_EQ(result.status, 255) << arguments.size();
        EXPECT_EQ(result.out, kUsage);
        EXPECT_EQ(result.err, "");
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }
}

TEST_F(NQueenE2E, MissingParameterFile) {
    const RunResult result = Run({"absent.txt", "r.txt"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "Unable to open input file!\n");
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

TEST_F(NQueenE2E, SolvesWithOneThreadAndReportsLineByLine) {
    WriteText("p.txt", Parameters(8, 50, 10, 1, "0.05"));
    const RunResult result = Run({"p.txt", "r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto [total, consoleRows] = CheckConsole(result.out);
    const auto reportRows = CheckReport(e2e::ReadFile(Path("r.txt")),
                                        {"# Number of queens:         8", "# Population size:          50",
                                         "# Mutation probability:     0.0500",
                                         "# Number of slave iter.:    10", "# Number of slave threads:  1"},
                                        1, total);
    ExpectSolution(reportRows, 8);
    EXPECT_EQ(reportRows, consoleRows);
}

TEST_F(NQueenE2E, SolvesWithThreeThreadsAndSeparatesTheirBlocks) {
    WriteText("p.txt", Parameters(10, 60, 5, 3, "0.1"));
    const RunResult result = Run({"p.txt", "r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto [total, consoleRows] = CheckConsole(result.out);
    const auto reportRows = CheckReport(e2e::ReadFile(Path("r.txt")),
                                        {"# Number of queens:         10", "# Population size:          60",
                                         "# Mutation probability:     0.1000",
                                         "# Number of slave iter.:    5", "# Number of slave threads:  3"},
                                        3, total);
    ExpectSolution(reportRows, 10);
    EXPECT_EQ(reportRows, consoleRows);
}

// The parameter block of the report that a run of `text` writes.
std::vector<std::string> ParameterBlock(const std::string& report) {
    const auto lines = Lines(report);
    std::vector<std::string> block;
    for (std::size_t i : {1, 3, 4, 5, 6}) block.push_back(i < lines.size() ? lines[i] : "<missing>");
    return block;
}

TEST_F(NQueenE2E, ParameterFileRulesShowInTheReport) {
    struct Case {
        std::string text;
        std::vector<std::string> block;
    };
    const std::vector<Case> cases = {
        {"QUEENS 010\nPopulation_Size 0x10\nslave_iterations 3\nslave_threads 1\nmutation_rate 0.5\n",
         {"# Number of queens:         8", "# Population size:          16",
          "# Mutation probability:     0.5000", "# Number of slave iter.:    3",
          "# Number of slave threads:  1"}},
        {std::string("# CRLF lines, comments, a key alone on its line, a repeated key, a zero byte\r\n"
                     "queens 6\r\n"
                     "queens 8   # the later line wins\r\n"
                     "  # population_size 5\r\n"
                     "population_size\r\n"
                     "\t 30\r\n"
                     "slave_iterations 4\r\n"
                     "slave_threads 2\r\n"
                     "mutation_rate 0.125\r\n") +
             std::string(1, '\0') + "queens 12\r\n",
         {"# Number of queens:         8", "# Population size:          30",
          "# Mutation probability:     0.1250", "# Number of slave iter.:    4",
          "# Number of slave threads:  2"}},
        {Parameters(8, 40000, 10, 2, "0.0001"),
         {"# Number of queens:         8", "# Population size:          40000",
          "# Mutation probability:     0.0001", "# Number of slave iter.:    10",
          "# Number of slave threads:  2"}},
        {Parameters(8, -1, 10, 2, "0.05"),
         {"# Number of queens:         8", "# Population size:          -1",
          "# Mutation probability:     0.0500", "# Number of slave iter.:    10",
          "# Number of slave threads:  2"}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        WriteText("p.txt", cases[c].text);
        fs::remove(Path("r.txt"));
        const RunResult result = Run({"p.txt", "r.txt"});
        ASSERT_EQ(result.status, 0) << "case " << c << ": " << result.err;
        EXPECT_EQ(ParameterBlock(e2e::ReadFile(Path("r.txt"))), cases[c].block) << "case " << c;
    }
}

TEST_F(NQueenE2E, RejectsUnusableParametersBeforeBuildingAnything) {
    struct Case {
        std::string text;
        std::string key;
    };
    const std::string full = Parameters(8, 50, 10, 2, "0.05");
    std::vector<Case> cases;
    for (const char* key :
         {"queens", "population_size", "slave_iterations", "slave_threads", "mutation_rate"}) {
        // The file without the key's line.
        std::string text;
        for (const auto& line : Lines(full)) {
            if (line.rfind(key, 0) != 0) text += line + "\n";
        }
        cases.push_back({text, key});
    }
    cases.push_back({Parameters(3, 50, 10, 2, "0.05"), "queens"});
    cases.push_back({Parameters(65537, 50, 10, 2, "0.05"), "queens"});
    cases.push_back({Parameters(8, 1, 10, 0, "0.05"), "population_size"});
    cases.push_back({Parameters(8, 6, 10, 3, "0.05"), "population_size"});
    cases.push_back({Parameters(8, 50, 10, -1, "0.05"), "slave_threads"});
    cases.push_back({Parameters(8, 50, -1, 2, "0.05"), "slave_iterations"});
    cases.push_back({Parameters(8, 50, 10, 2, "-0.5"), "mutation_rate"});
    cases.push_back({Parameters(8, 50, 10, 2, "inf"), "mutation_rate"});
    cases.push_back({Parameters(8, 50, 10, 2, "nan"), "mutation_rate"});
    cases.push_back({full + "queens 4294967304\n", "queens"});
    for (const Case& c : cases) {
        WriteText("bad.txt", c.text);
        const RunResult result = Run({"bad.txt", "r.txt"});
        EXPECT_EQ(result.status, 255) << c.text;
        EXPECT_EQ(result.out, "") << c.text;
        EXPECT_NE(result.err.find(c.key), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("bad.txt"), std::string::npos) << result.err;
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }
}

TEST_F(NQueenE2E, RejectsAReportPathWithoutADirectory) {
    WriteText("p.txt", Parameters(8, 50, 10, 1, "0.05"));
    const RunResult result = Run({"p.txt", "no_such_dir/r.txt"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("no_such_dir"), std::string::npos) << result.err;
}

TEST_F(NQueenE2E, AReportThatCannotBeWrittenFailsTheRunButShowsTheSolution) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
    WriteText("p.txt", Parameters(8, 50, 10, 1, "0.05"));
    const RunResult result = Run({"p.txt", "/dev/full"});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.status, e2e::ChildProcess::kTimedOut);
    EXPECT_NE(result.err.find("/dev/full"), std::string::npos) << result.err;
    ExpectSolution(CheckConsole(result.out).second, 8);
}

// A run that does not end within a test: no tournament steps and one random
// gene swap per master iteration, a random walk that reaches one of the 20-queens
// solutions about once in 60 million boards. (With no swap at all the run
// could never end, and is refused at the start.)
std::string EndlessParameters() { return Parameters(20, 10, 0, 1, "0.1") + "dump_directory dumps\n"; }

TEST_F(NQueenE2E, CtrlCDumpsThePopulationAndTheRunGoesOn) {
    WriteText("p.txt", EndlessParameters());
    fs::create_directory(dir / "dumps");
    auto child = Start({"p.txt", "r.txt"});
    auto output = [&] { return e2e::ReadFile(Path("stdout.txt")); };
    ASSERT_TRUE(e2e::WaitUntil([&] { return output().find("Iter: ") != std::string::npos; }, 60s));

    child->Signal(SIGINT);
    fs::path dump;
    auto complete = [&] {
        for (const auto& entry : fs::directory_iterator(dir / "dumps")) {
            if (e2e::ReadFile(entry.path().string()).find("Avg. fitenss: ") != std::string::npos) {
                dump = entry.path();
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(e2e::WaitUntil(complete, 60s));
    EXPECT_TRUE(child->Running()) << "Ctrl+C does not end the run";

    // Named after the iteration count that the progress line showed.
    const std::string name = dump.filename().string();
    ASSERT_TRUE(std::regex_match(name, std::regex("\\d+\\.txt"))) << name;
    const std::string total = name.substr(0, name.size() - 4);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return output().find("Iter: " + total + ", best ind fitness: ") != std::string::npos; }, 10s));

    const auto lines = Lines(e2e::ReadFile(dump.string()));
    ASSERT_EQ(lines.size(), 11u);
    double sum = 0.0;
    const std::regex individual("(( {0,3}\\d+ ){20})(-?\\d+\\.\\d{6})");
    for (std::size_t i = 0; i < 10; ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, individual)) << lines[i];
        std::vector<int> rows = Rows(match[1]);
        std::sort(rows.begin(), rows.end());
        for (int r = 0; r < 20; ++r) EXPECT_EQ(rows[r], r);
        sum += std::stod(match[3]);
    }
    std::smatch average;
    ASSERT_TRUE(std::regex_match(lines[10], average, std::regex("Avg\\. fitenss: (-?\\d+\\.\\d{6})")));
    EXPECT_NEAR(std::stod(average[1]), sum / 10, 1e-5);

    // The run goes on: a later progress line follows.
    const std::size_t seen = output().size();
    ASSERT_TRUE(e2e::WaitUntil([&] { return output().size() > seen; }, 30s));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "dumps"), fs::directory_iterator()), 1);

    // Other signals keep their default action.
    child->Signal(SIGTERM);
    EXPECT_EQ(child->Wait(30s), -SIGTERM);
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

TEST_F(NQueenE2E, ADumpThatCannotBeWrittenIsReportedAndTheRunGoesOn) {
    WriteText("p.txt", EndlessParameters());  // the dumps directory does not exist
    auto child = Start({"p.txt", "r.txt"});
    auto output = [&] { return e2e::ReadFile(Path("stdout.txt")); };
    ASSERT_TRUE(e2e::WaitUntil([&] { return output().find("Iter: ") != std::string::npos; }, 60s));
    child->Signal(SIGINT);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::ReadFile(Path("stderr.txt")).empty(); }, 60s));
    const std::string err = e2e::ReadFile(Path("stderr.txt"));
    EXPECT_TRUE(std::regex_match(err, std::regex("Unable to write population dump dumps/\\d+\\.txt: .+\n")))
        << err;
    const std::size_t seen = output().size();
    ASSERT_TRUE(e2e::WaitUntil([&] { return output().size() > seen; }, 30s));
    EXPECT_TRUE(child->Running());
    child->Signal(SIGHUP);
    EXPECT_EQ(child->Wait(30s), -SIGHUP);
}

TEST_F(NQueenE2E, FastOperatorsSolveAndShowInTheReport) {
    WriteText("p.txt", Parameters(64, 100, 100, 2, "0.05") + "operators fast\nseed 7\n");
    const RunResult result = Run({"p.txt", "r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto [total, consoleRows] = CheckConsole(result.out);
    const auto reportRows = CheckReport(e2e::ReadFile(Path("r.txt")),
                                        {"# Number of queens:         64", "# Population size:          100",
                                         "# Mutation probability:     0.0500",
                                         "# Number of slave iter.:    100", "# Number of slave threads:  2",
                                         "# Operator set:             fast", "# Seed:                     7"},
                                        2, total);
    ExpectSolution(reportRows, 64);
    EXPECT_EQ(reportRows, consoleRows);
}

TEST_F(NQueenE2E, AnUnknownOperatorSetIsRefused) {
    for (const char* value : {"quick", "Fast", "classic,fast"}) {
        WriteText("bad.txt", Parameters(8, 50, 10, 2, "0.05") + "operators " + value + "\n");
        const RunResult result = Run({"bad.txt", "r.txt"});
        EXPECT_EQ(result.status, 255) << value;
        EXPECT_EQ(result.err,
                  std::string("Invalid parameter file bad.txt: operators must be classic or fast, not ") +
                      value + "\n");
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }
}

}  // namespace
