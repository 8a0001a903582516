// Bad inputs and hostile conditions for the real ZarnelNQueen executable:
// files that cannot be read, junk, huge files, long words, every rejected
// value, report paths that cannot be written, repeated Ctrl+C, SIGTERM, and
// more slave threads than cores. docs/robustness.md lists what each case
// shows.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/output_parsing.h"
#include "tests/support/small_filesystem.h"

namespace {

namespace fs = std::filesystem;
using e2e::ExpectSolution;
using e2e::Lines;
using e2e::Parameters;
using e2e::Rows;
using e2e::RunResult;
using namespace std::chrono_literals;

constexpr const char* kCannotOpen = "Unable to open input file!\n";
constexpr const char* kSetpriv = "/usr/bin/setpriv";
constexpr const char* kPrlimit = "/usr/bin/prlimit";

// A run that solves within a few chunks.
std::string QuickParameters() { return Parameters(8, 50, 10, 1, "0.05"); }

// A run that never ends and whose chunks take a while: no tournament steps,
// and many mutation swaps on a board that random swaps do not solve.
std::string SlowParameters() { return Parameters(50, 20, 0, 1, "20") + "dump_directory dumps\n"; }

// The rows that the console shows after "Solution:".
std::vector<int> ConsoleRows(const std::string& out) {
    const std::size_t at = out.find("\nSolution:\n");
    return at == std::string::npos ? std::vector<int>{} : Rows(out.substr(at + 11));
}

// The rows of the report's solution line ("#   1   3 ...").
std::vector<int> ReportRows(const std::string& report) {
    const auto lines = Lines(report);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == "# Solution:" && i + 2 < lines.size()) return Rows(lines[i + 2].substr(1));
    }
    return {};
}

// A fresh working directory per test, removed afterwards. It is open to all
// users so that a child with dropped privileges can work in it.
class NQueenRobustness : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_nqueen_robust_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::permissions(dir, fs::perms::all);
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // Starts the program. With `unprivileged` set and the tests running as
    // root, it runs through setpriv as user and group nobody, so that file
    // permissions bind it as they bind an ordinary user. With `processLimit`
    // above zero, prlimit caps the processes and threads of its user.
    std::unique_ptr<e2e::ChildProcess> Start(const std::vector<std::string>& arguments,
                                             bool unprivileged = false, int processLimit = 0) const {
        std::vector<std::string> command;
        if (processLimit > 0) command = {kPrlimit, "--nproc=" + std::to_string(processLimit)};
        if (unprivileged && geteuid() == 0) {
            command.insert(command.end(), {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        command.push_back(ZARNEL_NQUEEN_EXE);
        command.insert(command.end(), arguments.begin(), arguments.end());
        const std::string program = command.front();
        command.erase(command.begin());
        return std::make_unique<e2e::ChildProcess>(program, command, dir.string(), Path("stdout.txt"),
                                                   Path("stderr.txt"));
    }

    RunResult Run(const std::vector<std::string>& arguments, bool unprivileged = false,
                  int processLimit = 0) const {
        RunResult result;
        result.status = Start(arguments, unprivileged, processLimit)->Wait(120s);
        result.out = e2e::ReadFile(Path("stdout.txt"));
        result.err = e2e::ReadFile(Path("stderr.txt"));
        return result;
    }

    // Privileges can be dropped: the tests run as an ordinary user, or as
    // root with setpriv at hand. A root run without setpriv fails here rather
    // than skipping, so a green suite always covers the permission cases.
    static bool CanDropPrivileges() { return geteuid() != 0 || access(kSetpriv, X_OK) == 0; }

    std::string Output() const { return e2e::ReadFile(Path("stdout.txt")); }

    std::size_t DumpCount() const {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(dir / "dumps")) {
            if (e2e::ReadFile(entry.path().string()).find("Avg. fitenss: ") != std::string::npos) ++count;
        }
        return count;
    }

    fs::path dir;
};

void ExpectRefusedInput(const RunResult& result) {
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, kCannotOpen);
    EXPECT_EQ(result.err, "");
}

TEST_F(NQueenRobustness, ADirectoryAsParameterFileCannotBeOpened) {
    fs::create_directory(dir / "params");
    ExpectRefusedInput(Run({"params", "r.txt"}));
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

// Failures that bind root too: a path through a regular file (ENOTDIR), a
// file that opens but whose read fails (/proc/self/mem at offset 0, EIO), and
// an empty path.
TEST_F(NQueenRobustness, AParameterFileThatCannotBeReadIsRefused) {
    WriteText("p.txt", QuickParameters());
    for (const char* path : {"p.txt/inner.txt", "/proc/self/mem", ""}) {
        ExpectRefusedInput(Run({path, "r.txt"}));
        EXPECT_FALSE(fs::exists(Path("r.txt"))) << path;
    }
}

TEST_F(NQueenRobustness, AParameterFileWithoutReadPermissionIsRefused) {
    ASSERT_TRUE(CanDropPrivileges()) << "running as root needs " << kSetpriv;
    WriteText("p.txt", QuickParameters());
    fs::permissions(Path("p.txt"), fs::perms::none);
    ExpectRefusedInput(Run({"p.txt", "r.txt"}, true));
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

// Endless devices: reading stops at the first zero byte.
TEST_F(NQueenRobustness, AnEndlessDeviceIsReadUpToItsFirstZeroByte) {
    for (const char* device : {"/dev/zero", "/dev/urandom"}) {
        const RunResult result = Run({device, "r.txt"});
        EXPECT_EQ(result.status, 255) << device;
        EXPECT_EQ(result.out, "") << device;
        EXPECT_TRUE(std::regex_match(
            result.err, std::regex("Invalid parameter file " + std::string(device) + ": [a-z_]+ .+\n")))
            << result.err;
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }
}

TEST_F(NQueenRobustness, AnEmptyFileSetsNoKey) {
    WriteText("empty.txt", "");
    const RunResult result = Run({"empty.txt", "r.txt"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Invalid parameter file empty.txt: queens is not set\n");
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

// Random bytes, with and without zero bytes, are refused with one line; junk
// that ends with a line end does not disturb the valid lines after it.
TEST_F(NQueenRobustness, BinaryJunkIsRefusedOrIgnored) {
    std::mt19937 generator(20261208);
    for (int trial = 0; trial < 4; ++trial) {
        std::string junk(64 * 1024, '\0');
        const int lowest = trial % 2 == 0 ? 0 : 1;
        std::uniform_int_distribution<int> byte(lowest, 255);
        for (char& c : junk) c = static_cast<char>(byte(generator));
        WriteText("junk.bin", junk);
        const RunResult result = Run({"junk.bin", "r.txt"});
        EXPECT_EQ(result.status, 255) << trial;
        EXPECT_EQ(result.out, "") << trial;
        EXPECT_TRUE(
            std::regex_match(result.err, std::regex("Invalid parameter file junk\\.bin: [a-z_]+ .+\n")))
            << result.err;
        EXPECT_FALSE(fs::exists(Path("r.txt")));

        if (lowest == 1) {
            WriteText("junk.bin", junk + "\n" + QuickParameters());
            const RunResult solved = Run({"junk.bin", "r.txt"});
            ASSERT_EQ(solved.status, 0) << solved.err;
            ExpectSolution(ReportRows(e2e::ReadFile(Path("r.txt"))), 8);
            fs::remove(Path("r.txt"));
        }
    }
}

TEST_F(NQueenRobustness, ATenMegabyteFileIsReadWhole) {
    constexpr std::size_t kSize = 10 * 1024 * 1024;
    // Comments and unknown words first, the parameters at the very end.
    std::string text;
    text.reserve(kSize + 200);
    while (text.size() < kSize) text += "# filler line of a large parameter file\nunknown_word 12345\n";
    WriteText("big.txt", text + QuickParameters());
    const RunResult solved = Run({"big.txt", "r.txt"});
    ASSERT_EQ(solved.status, 0) << solved.err;
    const std::vector<int> rows = ReportRows(e2e::ReadFile(Path("r.txt")));
    ExpectSolution(rows, 8);
    EXPECT_EQ(rows, ConsoleRows(solved.out));

    // One word of ten megabytes sets nothing.
    WriteText("word.txt", std::string(kSize, 'q'));
    const RunResult refused = Run({"word.txt", "r2.txt"});
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(refused.err, "Invalid parameter file word.txt: queens is not set\n");
    EXPECT_FALSE(fs::exists(Path("r2.txt")));
}

TEST_F(NQueenRobustness, WordsOfThreeHundredBytes) {
    // After a valid file: a long unknown word and a key with a long tail (both
    // ignored, or queens would be 5), a long dump directory name and a long
    // value (read whole: the rate becomes 0.25).
    const std::string text = Parameters(8, 50, 10, 1, "0.9") + std::string(300, 'w') + " 5\n" + "queens" +
                             std::string(294, 'x') + " 5\n" + "dump_directory " + std::string(300, 'd') +
                             "\n" + "mutation_rate 0.25" + std::string(285, '0') + "1\n";
    WriteText("long.txt", text);
    const RunResult result = Run({"long.txt", "r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string report = e2e::ReadFile(Path("r.txt"));
    EXPECT_NE(report.find("# Number of queens:         8\n"), std::string::npos);
    EXPECT_NE(report.find("# Mutation probability:     0.2500\n"), std::string::npos);
    ExpectSolution(ReportRows(report), 8);

    // A 300-digit count is outside the 32-bit range and refused.
    WriteText("digits.txt", QuickParameters() + "slave_iterations " + std::string(300, '9') + "\n");
    const RunResult refused = Run({"digits.txt", "r2.txt"});
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(refused.err,
              "Invalid parameter file digits.txt: slave_iterations is outside the range of a 32-bit signed "
              "integer\n");
}

// Every rejection of the parameter checks, with its exact message; nothing is
// printed on standard output and no report appears.
TEST_F(NQueenRobustness, EveryInvalidValueHasItsOwnMessage) {
    struct Case {
        std::string text;
        std::string message;
    };
    const std::string prefix = "Invalid parameter file bad.txt: ";
    const std::string full = QuickParameters();
    std::vector<Case> cases;
    for (const char* key :
         {"queens", "population_size", "slave_iterations", "slave_threads", "mutation_rate"}) {
        std::string without;
        for (const auto& line : Lines(full)) {
            if (line.rfind(key, 0) != 0) without += line + "\n";
        }
        cases.push_back({without, std::string(key) + " is not set"});
        cases.push_back({without + key + " none\n", std::string(key) + " is not set"});
        if (std::string(key) != "mutation_rate") {
            cases.push_back({full + key + " 2147483648\n",
                             std::string(key) + " is outside the range of a 32-bit signed integer"});
        }
    }
    cases.push_back({Parameters(3, 50, 10, 1, "0.05"), "queens must be from 4 to 65536, not 3"});
    cases.push_back({Parameters(-8, 50, 10, 1, "0.05"), "queens must be from 4 to 65536, not -8"});
    cases.push_back({Parameters(65537, 50, 10, 1, "0.05"), "queens must be from 4 to 65536, not 65537"});
    cases.push_back({Parameters(8, 50, 10, -1, "0.05"), "slave_threads must not be negative, not -1"});
    cases.push_back({Parameters(8, 50, -1, 1, "0.05"), "slave_iterations must not be negative, not -1"});
    const std::string tooFew =
        "population_size must give at least 2 individuals and more than twice slave_threads ";
    cases.push_back({Parameters(8, 0, 10, 0, "0.05"), tooFew + "(0), not 0"});
    cases.push_back({Parameters(8, 1, 10, 0, "0.05"), tooFew + "(0), not 1"});
    cases.push_back({Parameters(8, 6, 10, 3, "0.05"), tooFew + "(3), not 6"});
    cases.push_back({Parameters(8, -1, 10, 20000, "0.05"), tooFew + "(20000), not 32767"});
    for (const char* rate : {"-0.5", "inf", "nan", "1e400"}) {
        cases.push_back(
            {Parameters(8, 50, 10, 1, rate), "mutation_rate must be a finite number, not negative"});
    }
    for (const Case& c : cases) {
        WriteText("bad.txt", c.text);
        const RunResult result = Run({"bad.txt", "r.txt"});
        EXPECT_EQ(result.status, 255) << c.text;
        EXPECT_EQ(result.out, "") << c.text;
        EXPECT_EQ(result.err, prefix + c.message + "\n") << c.text;
        EXPECT_FALSE(fs::exists(Path("r.txt")));
    }
}

// Report paths that cannot be used are refused before anything is built,
// whatever the user: a missing directory, a path through a regular file, a
// directory, a place where no file can be created even by root, and an empty
// path.
TEST_F(NQueenRobustness, AnUnusableReportPathIsRefusedAtTheStart) {
    WriteText("p.txt", QuickParameters());
    fs::create_directory(dir / "sub");
    struct Case {
        std::string path;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no_such_dir/r.txt", "directory no_such_dir does not exist"},
        {"p.txt/r.txt", "p.txt is not a directory"},
        {"sub", "it is a directory"},
        {"/proc/zarnel_report.txt", "No such file or directory"},
        {"", "No such file or directory"},
    };
    for (const Case& c : cases) {
        const RunResult result = Run({"p.txt", c.path});
        EXPECT_EQ(result.status, 255) << c.path;
        EXPECT_EQ(result.out, "") << c.path;
        EXPECT_EQ(result.err, "Cannot write report file " + c.path + ": " + c.message + "\n");
    }
    EXPECT_EQ(e2e::ReadFile(Path("p.txt")), QuickParameters());
}

TEST_F(NQueenRobustness, AReportDirectoryWithoutWritePermissionIsRefusedAtTheStart) {
    ASSERT_TRUE(CanDropPrivileges()) << "running as root needs " << kSetpriv;
    WriteText("p.txt", QuickParameters());
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    const RunResult result = Run({"p.txt", "locked/r.txt"}, true);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Cannot write report file locked/r.txt: Permission denied\n");
    EXPECT_TRUE(fs::is_empty(dir / "locked"));

    // An existing report without write permission is refused and kept.
    WriteText("old.txt", "previous report\n");
    fs::permissions(Path("old.txt"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const RunResult kept = Run({"p.txt", "old.txt"}, true);
    EXPECT_EQ(kept.status, 255);
    EXPECT_EQ(kept.err, "Cannot write report file old.txt: Permission denied\n");
    EXPECT_EQ(e2e::ReadFile(Path("old.txt")), "previous report\n");
}

// Two Ctrl+C presses in one chunk give one dump. A chunk takes far longer
// than the gap between the presses; should a progress line still fall between
// them, the pair is tried again.
TEST_F(NQueenRobustness, CtrlCTwiceInOneChunkGivesOneDump) {
    WriteText("p.txt", SlowParameters());
    fs::create_directory(dir / "dumps");
    auto child = Start({"p.txt", "r.txt"});
    ASSERT_TRUE(e2e::WaitUntil([&] { return Output().find("Iter: ") != std::string::npos; }, 60s));

    bool sameChunk = false;
    for (int attempt = 0; attempt < 3 && !sameChunk; ++attempt) {
        // Wait for a fresh chunk to begin, then press twice.
        const std::size_t before = Output().size();
        ASSERT_TRUE(e2e::WaitUntil([&] { return Output().size() > before; }, 60s));
        const std::string atFirst = Output();
        child->Signal(SIGINT);
        // A short gap makes the presses two separate deliveries.
        std::this_thread::sleep_for(5ms);
        child->Signal(SIGINT);
        sameChunk = Output() == atFirst;
        ASSERT_TRUE(e2e::WaitUntil([&] { return DumpCount() > 0; }, 60s));
        if (!sameChunk) {
            // Let both requests be served, then start over with no dumps.
            const std::size_t seen = Lines(Output()).size();
            ASSERT_TRUE(e2e::WaitUntil([&] { return Lines(Output()).size() >= seen + 2; }, 120s));
            fs::remove_all(dir / "dumps");
            fs::create_directory(dir / "dumps");
        }
    }
    ASSERT_TRUE(sameChunk) << "a chunk boundary fell between the presses three times";

    // Two more chunks end without another dump, and the run goes on.
    const std::size_t lines = Lines(Output()).size();
    ASSERT_TRUE(e2e::WaitUntil([&] { return Lines(Output()).size() >= lines + 2; }, 120s));
    EXPECT_EQ(DumpCount(), 1u);
    EXPECT_TRUE(child->Running());
    child->Signal(SIGTERM);
    EXPECT_EQ(child->Wait(30s), -SIGTERM);
}

// SIGTERM ends the run at once: no report, an existing report untouched, no
// stray files left.
TEST_F(NQueenRobustness, SigtermMidRunLeavesNoReport) {
    WriteText("p.txt", SlowParameters());
    WriteText("old.txt", "previous report\n");
    fs::create_directory(dir / "dumps");
    for (const char* report : {"r.txt", "old.txt"}) {
        auto child = Start({"p.txt", report});
        ASSERT_TRUE(e2e::WaitUntil([&] { return Output().find("Iter: ") != std::string::npos; }, 60s));
        child->Signal(SIGTERM);
        EXPECT_EQ(child->Wait(30s), -SIGTERM);
        EXPECT_EQ(e2e::ReadFile(Path("stderr.txt")), "");
    }
    EXPECT_FALSE(fs::exists(Path("r.txt")));
    EXPECT_EQ(e2e::ReadFile(Path("old.txt")), "previous report\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dumps", "old.txt", "p.txt", "stderr.txt", "stdout.txt"}));
    EXPECT_TRUE(fs::is_empty(dir / "dumps"));
}

// Slave threads that the system refuses to start: the run ends with a message
// and leaves no report. The process limit binds only an ordinary user, hence
// the dropped privileges.
TEST_F(NQueenRobustness, ThreadsThatCannotStartEndTheRunCleanly) {
    ASSERT_TRUE(CanDropPrivileges()) << "running as root needs " << kSetpriv;
    ASSERT_EQ(access(kPrlimit, X_OK), 0) << "needs " << kPrlimit;
    WriteText("p.txt", Parameters(8, 1000, 10, 200, "0.05"));
    const RunResult result = Run({"p.txt", "r.txt"}, true, 40);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(std::regex_match(result.err, std::regex("ZarnelNQueen: cannot run: .+\n"))) << result.err;
    EXPECT_FALSE(fs::exists(Path("r.txt")));
}

// A stream that never ends and holds no zero byte is read until memory runs
// out; with the address space limited, that ends in a clear message instead of
// an abort. Sanitizer runtimes reserve more address space than any limit that
// would still let the program start, so this case runs in plain builds only.
TEST_F(NQueenRobustness, AnEndlessStreamBeyondTheMemoryLimitIsRefused) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not apply to sanitizer builds";
#else
    ASSERT_EQ(access(kPrlimit, X_OK), 0) << "needs " << kPrlimit;
    const std::string command = std::string("yes queens | ") + kPrlimit + " --as=268435456 " +
                                ZARNEL_NQUEEN_EXE + " /dev/stdin r.txt";
    e2e::ChildProcess child("/bin/sh", {"-c", command}, dir.string(), Path("stdout.txt"), Path("stderr.txt"));
    EXPECT_EQ(child.Wait(120s), 255);
    EXPECT_EQ(e2e::ReadFile(Path("stdout.txt")), "");
    EXPECT_EQ(e2e::ReadFile(Path("stderr.txt")),
              "Unable to load parameter file /dev/stdin: not enough memory\n");
    EXPECT_FALSE(fs::exists(Path("r.txt")));
#endif
}

// This machine class has two cores; 8 and 32 slave threads still end with a
// verified solution and one timing block per thread.
TEST_F(NQueenRobustness, MoreSlaveThreadsThanCoresSolve) {
    for (int threads : {8, 32}) {
        WriteText("p.txt", Parameters(8, 100, 10, threads, "0.05"));
        fs::remove(Path("r.txt"));
        const RunResult result = Run({"p.txt", "r.txt"});
        ASSERT_EQ(result.status, 0) << threads << ": " << result.err;
        EXPECT_EQ(result.err, "");
        const std::string report = e2e::ReadFile(Path("r.txt"));
        const std::vector<int> rows = ReportRows(report);
        ExpectSolution(rows, 8);
        EXPECT_EQ(rows, ConsoleRows(result.out));
        int blocks = 0;
        for (const auto& line : Lines(report)) blocks += line.rfind("# Thread ", 0) == 0 ? 1 : 0;
        EXPECT_EQ(blocks, threads);
        EXPECT_NE(report.find("# Thread " + std::to_string(threads - 1) + "\n"), std::string::npos);
    }
}

// Nothing lost: full disks, outputs whose names clash, links, and runs that
// could never end or never fit.

// Chunks of about a second (1000 swaps per master iteration on 50 queens,
// never solved by chance), so a Ctrl+C sent after the first progress line is
// served at the end of the second chunk, as dump 2000.txt.
std::string SecondChunkParameters() { return Parameters(50, 20, 0, 0, "50"); }

std::vector<std::string> Names(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(NQueenRobustness, AFullDiskKeepsThePreviousReport) {
    testing_support::SmallFileSystem small;
    if (!small.Mounted()) GTEST_SKIP() << small.Reason();
    // 100 slave threads make a report of about 10 KB.
    WriteText("p.txt", Parameters(8, 250, 10, 100, "0.05"));
    const std::string report = (small.Path() / "old.txt").string();
    ASSERT_EQ(Run({"p.txt", report}).status, 0);
    const std::string previous = e2e::ReadFile(report);
    ASSERT_NE(previous.find("# Solution:"), std::string::npos);
    small.Fill();
    const RunResult result = Run({"p.txt", report});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Unable to write report file " + report +
                              ": No space left on device; the file was left as it was\n");
    EXPECT_EQ(e2e::ReadFile(report), previous);
    EXPECT_EQ(Names(small.Path()), (std::vector<std::string>{"filler", "old.txt"}));
}

// By device and inode, whatever the spelling: the parameter file itself, a
// hard link and a symbolic link to it.
TEST_F(NQueenRobustness, TheReportCannotReplaceTheParameterFile) {
    WriteText("p.txt", QuickParameters());
    fs::create_hard_link(Path("p.txt"), Path("hard.txt"));
    fs::create_symlink("p.txt", Path("soft.txt"));
    for (const char* report : {"./p.txt", "hard.txt", "soft.txt"}) {
        const RunResult result = Run({"p.txt", report});
        EXPECT_EQ(result.status, 255) << report;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err,
                  "Cannot write report file " + std::string(report) + ": it is the parameter file p.txt\n");
    }
    EXPECT_EQ(e2e::ReadFile(Path("p.txt")), QuickParameters());
}

TEST_F(NQueenRobustness, ADumpOnAFullDiskLeavesNothing) {
    testing_support::SmallFileSystem small;
    if (!small.Mounted()) GTEST_SKIP() << small.Reason();
    small.Fill();
    WriteText("p.txt", SlowParameters() + "dump_directory " + small.Path().string() + "\n");
    auto child = Start({"p.txt", "r.txt"});
    ASSERT_TRUE(e2e::WaitUntil([&] { return Output().find("Iter: ") != std::string::npos; }, 60s));
    child->Signal(SIGINT);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::ReadFile(Path("stderr.txt")).empty(); }, 60s));
    EXPECT_TRUE(std::regex_match(e2e::ReadFile(Path("stderr.txt")),
                                 std::regex("Unable to write population dump .*/\\d+\\.txt: No space left on "
                                            "device; no file was changed\n")))
        << e2e::ReadFile(Path("stderr.txt"));
    EXPECT_EQ(Names(small.Path()), std::vector<std::string>{"filler"});
    EXPECT_TRUE(child->Running());
    child->Signal(SIGTERM);
    EXPECT_EQ(child->Wait(30s), -SIGTERM);
}

// The dump of iteration 2000 would be named 2000.txt: first the parameter
// file, then an existing report has that name. Both are kept.
TEST_F(NQueenRobustness, ADumpNeverReplacesTheParameterOrReportFile) {
    WriteText("2000.txt", SecondChunkParameters());
    WriteText("p.txt", SecondChunkParameters());
    WriteText("old.txt", "previous report\n");
    for (const auto& [parameters, report, clash] : {std::tuple{"2000.txt", "r.txt", "parameter file"},
                                                    std::tuple{"p.txt", "2000.txt", "report file"}}) {
        if (std::string(report) == "2000.txt") WriteText("2000.txt", "previous report\n");
        fs::remove(Path("stdout.txt"));
        fs::remove(Path("stderr.txt"));
        auto child = Start({parameters, report});
        ASSERT_TRUE(e2e::WaitUntil([&] { return Output().find("Iter: 1000,") != std::string::npos; }, 60s));
        child->Signal(SIGINT);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::ReadFile(Path("stderr.txt")).empty(); }, 60s));
        EXPECT_EQ(e2e::ReadFile(Path("stderr.txt")),
                  "Population dump 2000.txt not written: it would replace the " + std::string(clash) + "\n");
        child->Signal(SIGTERM);
        EXPECT_EQ(child->Wait(30s), -SIGTERM);
    }
    EXPECT_EQ(e2e::ReadFile(Path("2000.txt")), "previous report\n");
    EXPECT_EQ(Names(dir),
              (std::vector<std::string>{"2000.txt", "old.txt", "p.txt", "stderr.txt", "stdout.txt"}));
}

// A report path that is a symbolic link with no target yet: the start-up
// check creates nothing, and the report lands on the link's target.
TEST_F(NQueenRobustness, ADanglingLinkAsReportPathIsWrittenThrough) {
    WriteText("p.txt", QuickParameters());
    fs::create_directory(dir / "reports");
    fs::create_symlink("reports/target.txt", Path("r.txt"));
    const RunResult result = Run({"p.txt", "r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(Path("r.txt")));
    ExpectSolution(ReportRows(e2e::ReadFile(Path("reports/target.txt"))), 8);
    EXPECT_EQ(Names(dir / "reports"), std::vector<std::string>{"target.txt"});

    fs::create_symlink("missing/target.txt", Path("lost.txt"));
    const RunResult refused = Run({"p.txt", "lost.txt"});
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(refused.err, "Cannot write report file lost.txt: directory missing does not exist\n");
}

// No gene swap and no tournament step: the population never changes.
TEST_F(NQueenRobustness, ARunThatCanNeverEndIsRefused) {
    for (const auto& [text, idle] : {std::pair{Parameters(20, 10, 0, 1, "0"), "slave_iterations is 0"},
                                     std::pair{Parameters(20, 10, 5, 0, "0.04"), "slave_threads is 0"}}) {
        WriteText("p.txt", text);
        const RunResult result = Run({"p.txt", "r.txt"}, false);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(std::string("no gene swap for 10 individuals and ") + idle),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(Lines(result.err).size(), 1u);
    }
}

// Values read otherwise than written are named on standard error, and the
// run goes on with what was read; a byte-order mark is skipped; a file whose
// lines end in carriage returns alone is refused.
TEST_F(NQueenRobustness, MisreadTextIsNamedAndOldMacLineEndsAreRefused) {
    WriteText("p.txt", "\xEF\xBB\xBF" + Parameters(8, 50, 10, 1, "0.05") + "population_size 5e1 # fifty?\n");
    const RunResult warned = Run({"p.txt", "r.txt"});
    ASSERT_EQ(warned.status, 0) << warned.err;
    EXPECT_EQ(warned.err, "Warning: parameter file p.txt, line 6: population_size \"5e1\" is read as 5\n");
    EXPECT_NE(e2e::ReadFile(Path("r.txt")).find("# Population size:          5\n"), std::string::npos);

    std::string mac = QuickParameters();
    std::replace(mac.begin(), mac.end(), '\n', '\r');
    WriteText("mac.txt", mac);
    const RunResult refused = Run({"mac.txt", "r2.txt"});
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(
        refused.err,
        "Invalid parameter file mac.txt: its lines end in carriage returns alone; save it with line feeds "
        "(LF or CR LF line ends)\n");
}

// 65536 queens x 32767 individuals need about 4.3 GB: refused at once
// against a 1 GiB address-space limit, with both figures. Sanitizer runtimes
// need more address space than the limit, so plain builds only.
TEST_F(NQueenRobustness, APopulationBeyondTheMemoryIsRefusedAtOnce) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not apply to sanitizer builds";
#else
    ASSERT_EQ(access(kPrlimit, X_OK), 0) << "needs " << kPrlimit;
    WriteText("p.txt", Parameters(65536, 32767, 10, 2, "0.05"));
    e2e::ChildProcess child(kPrlimit, {"--as=1073741824", ZARNEL_NQUEEN_EXE, "p.txt", "r.txt"}, dir.string(),
                            Path("stdout.txt"), Path("stderr.txt"));
    EXPECT_EQ(child.Wait(120s), 255);
    EXPECT_EQ(e2e::ReadFile(Path("stdout.txt")), "");
    EXPECT_EQ(
        e2e::ReadFile(Path("stderr.txt")),
        "Invalid parameter file p.txt: queens 65536, population_size 32767 and slave_threads 2 need about "
        "4.30 GB of memory, more than the 1.07 GB of address space that the process may use\n");
    EXPECT_FALSE(fs::exists(Path("r.txt")));
#endif
}

}  // namespace
