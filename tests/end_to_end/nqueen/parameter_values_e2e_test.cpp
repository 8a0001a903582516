// Parameter values that the real ZarnelNQueen once took otherwise than
// written, or ignored without a word: a mutation rate that holds the machine
// for hours, optional numbers that are no numbers, a record or a resume
// without a path, words after the operator set. docs/robustness.md lists
// each case.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"

namespace {

namespace fs = std::filesystem;
using e2e::Parameters;
using e2e::RunResult;
using namespace std::chrono_literals;

// A fresh working directory per test, removed afterwards.
class ParameterValuesE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_values_e2e_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // Runs the program on `text` as p.txt with report r.txt; a run that is
    // not over after `limit` is killed and counts as timed out.
    RunResult Run(const std::string& text, std::chrono::milliseconds limit = 120s) const {
        WriteText("p.txt", text);
        RunResult result;
        result.status = e2e::ChildProcess(ZARNEL_NQUEEN_EXE, {"p.txt", "r.txt"}, dir.string(),
                                          Path("stdout.txt"), Path("stderr.txt"))
                            .Wait(limit);
        result.out = e2e::ReadFile(Path("stdout.txt"));
        result.err = e2e::ReadFile(Path("stderr.txt"));
        return result;
    }

    // The run was refused at start-up with `message`: nothing printed on
    // standard output and no report.
    void ExpectRefused(const RunResult& result, const std::string& message) const {
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "Invalid parameter file p.txt: " + message + "\n");
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }

    fs::path dir;
};

// A run that solves within a few chunks.
std::string QuickParameters() { return Parameters(8, 50, 10, 1, "0.05"); }

// One master iteration runs its swaps whole, between two looks at the time
// limit: at 1e9 that was about 4.2e9 swaps, on 50 queens (which random swaps
// do not solve) far longer than the test waits, which neither the limit nor
// SIGTERM could end. At 134217728 x 32 = 2^32 the swap count wrapped to none,
// and the run was refused as one without gene swaps.
TEST_F(ParameterValuesE2E, AMutationRateBeyondItsBoundIsRefusedAtOnce) {
    ExpectRefused(Run(Parameters(50, 30, 10, 1, "1e9") + "time_limit 2\n", 60s),
                  "mutation_rate 1e+09 is above 1000 swaps per individual: for 30 individuals it asks for "
                  "3e+10 gene swaps in every master iteration, which no limit or end request can interrupt");
    ExpectRefused(
        Run(Parameters(8, 32, 0, 1, "134217728"), 60s),
        "mutation_rate 134217728 is above 1000 swaps per individual: for 32 individuals it asks for "
        "4294967296 gene swaps in every master iteration, which no limit or end request can "
        "interrupt");
}

// Before, each of these ran clock-seeded or without a limit, with status 0.
TEST_F(ParameterValuesE2E, OptionalNumbersThatAreNoNumbersAreRefused) {
    const std::string whole = "; it must be a whole number from ";
    for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
             {"seed NaN", "seed \"NaN\" on line 6 is not a number" + whole + "0 to 4294967295"},
             {"seed abc", "seed \"abc\" on line 6 is not a number" + whole + "0 to 4294967295"},
             {"max_iterations inf",
              "max_iterations \"inf\" on line 6 is not a number" + whole + "1 to 4294967295"},
             {"time_limit abc",
              "time_limit \"abc\" on line 6 is not a number; it must be a finite number of seconds above 0"},
         }) {
        SCOPED_TRACE(line);
        ExpectRefused(Run(QuickParameters() + line + "\n"), message);
    }
}

// Before, a warning only, and the run went on with no record or a fresh
// population.
TEST_F(ParameterValuesE2E, ARecordOrAResumeWithoutAPathIsRefused) {
    ExpectRefused(Run(QuickParameters() + "json_report\n"),
                  "json_report on line 6 has no value; a path must follow the key on its line");
    ExpectRefused(Run(QuickParameters() + "resume_from # the last dump\n"),
                  "resume_from on line 6 has no value; a path must follow the key on its line");
}

// A resume from a dump whose name holds a blank reads that dump, not the
// file named by its first word.
TEST_F(ParameterValuesE2E, APathWithABlankIsReadWhole) {
    WriteText("my", "not a dump\n");
    // Three boards that nothing changes (no slave thread, no swap), none a
    // solution, so the one iteration ends unsolved.
    WriteText("my dump.txt",
              "0 1 2 3 4 5 6 7 -1\n7 6 5 4 3 2 1 0 -1\n1 0 2 3 4 5 6 7 -1\nAvg. fitenss: -1\n");
    const RunResult result =
        Run(Parameters(8, 3, 1, 0, "0") + "max_iterations 1\nresume_from my dump.txt  # Monday's\n");
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(e2e::ReadFile(Path("my")), "not a dump\n");
}

// Words after the operator set are named, as after any other key.
TEST_F(ParameterValuesE2E, WordsAfterTheOperatorSetAreNamed) {
    const RunResult result = Run(QuickParameters() + "operators fast classic\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err,
              "Warning: parameter file p.txt, line 6: operators \"fast classic\" is read as fast\n");
    EXPECT_NE(e2e::ReadFile(Path("r.txt")).find("# Operator set:             fast\n"), std::string::npos);
}

}  // namespace
