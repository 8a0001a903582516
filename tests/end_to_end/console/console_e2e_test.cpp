// Standard output that fails under a running program: a pipe whose reader
// has gone (`program | head -1`) and a full device. The run completes, its
// report is written, one line on standard error tells, and the status is 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/end_to_end/nqueen/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Program {
    const char* name;
    const char* path;
};
constexpr Program kNQueen{"ZarnelNQueen", ZARNEL_NQUEEN_EXE};
constexpr Program kBench{"ZarnelBench", ZARNEL_BENCH_EXE};

struct Output {
    const char* stdoutPath;
    const char* reason;
};
constexpr Output kBrokenPipe{e2e::ChildProcess::kBrokenPipe, "Broken pipe"};
constexpr Output kFullDevice{"/dev/full", "No space left on device"};

// Readable parameters in the test log.
void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }
void PrintTo(const Output& output, std::ostream* out) { *out << output.reason; }

class ConsoleFailure : public ::testing::TestWithParam<std::tuple<Program, Output>> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_console_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_P(ConsoleFailure, TheRunCompletesAndTheStatusTells) {
    const auto [program, output] = GetParam();
    std::vector<std::string> arguments;
    if (program.path == kNQueen.path) {
        std::ofstream(dir / "p.txt")
            << "queens 8\npopulation_size 50\nslave_iterations 10\nslave_threads 1\nmutation_rate 0.05\n";
        arguments = {"p.txt", "r.txt"};
    }
    e2e::ChildProcess child(program.path, arguments, dir.string(), output.stdoutPath,
                            (dir / "err.txt").string());
    EXPECT_EQ(child.Wait(120s), 1);
    EXPECT_EQ(e2e::ReadFile((dir / "err.txt").string()),
              std::string(program.name) + ": console output failed: " + output.reason + "\n");
    if (program.path == kNQueen.path) {
        EXPECT_NE(e2e::ReadFile((dir / "r.txt").string()).find("# Solution:\n"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, ConsoleFailure,
    ::testing::Combine(::testing::Values(kNQueen, kBench), ::testing::Values(kBrokenPipe, kFullDevice)),
    [](const auto& param) {
        return std::string(std::get<0>(param.param).name) +
               (std::get<1>(param.param).stdoutPath == kFullDevice.stdoutPath ? "FullDevice" : "BrokenPipe");
    });

}  // namespace
