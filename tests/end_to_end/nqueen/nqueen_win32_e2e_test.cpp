// End-to-end tests of ZarnelNQueen.exe through the Windows console: Ctrl+C
// arrives as a console event, and the key wait depends on whether standard
// input is a console.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#ifdef ZARNEL_NQUEEN_HAS_RECORDS
#include <nlohmann/json.hpp>
#endif

#include "tests/end_to_end/nqueen/output_parsing.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);  // text mode: \r\n reads as \n
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        if (done()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

// ZarnelNQueen.exe in `dir` on p.txt and r.txt, its standard input the null
// device (no console) and its output in stdout.txt; it shares this
// process's console, so a console Ctrl+C reaches it.
class Solver {
public:
    explicit Solver(const fs::path& dir) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        in_ = CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
        out_ = CreateFileW((dir / "stdout.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in_;
        startup.hStdOutput = startup.hStdError = out_;
        std::wstring exe = fs::path(ZARNEL_NQUEEN_EXE).make_preferred().wstring();
        // A path of the build machine, when the tests run under Wine, lies on
        // Wine's drive Z:.
        if (!exe.empty() && exe[0] == L'\\') exe = L"Z:" + exe;
        std::wstring command = L"\"" + exe + L"\" p.txt r.txt";
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(),
                                  &startup, &process_) != 0;
    }
    ~Solver() {
        if (started_) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10000);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        CloseHandle(in_);
        CloseHandle(out_);
    }
    bool Started() const { return started_; }
    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when the program is still running after `limit`.
    long Wait(std::chrono::seconds limit) {
        if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count() * 1000)) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    HANDLE in_, out_;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

class NQueenWindowsE2E : public ::testing::Test {
protected:
    // A console of this process's own, which the solver shares: a console
    // key read would wait on it, and console Ctrl+C events need it (under
    // ctest the process has none).
    static void SetUpTestSuite() {
        FreeConsole();
        hasConsole = AllocConsole() != 0;
    }
    static inline bool hasConsole = false;
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("zarnel_win_e2e_") + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void WriteParameters(const std::string& text) { std::ofstream(dir / "p.txt") << text; }
    fs::path dir;
};

TEST_F(NQueenWindowsE2E, SolvesAndEndsWithoutWaitingForAKeyWhenInputIsNoConsole) {
    ASSERT_TRUE(hasConsole);
    WriteParameters(e2e::Parameters(8, 50, 10, 2, "0.05"));
    Solver solver(dir);
    ASSERT_TRUE(solver.Started());
    ASSERT_EQ(solver.Wait(120s), 0) << ReadFile(dir / "stdout.txt");
    const auto lines = e2e::Lines(ReadFile(dir / "stdout.txt"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Solution:");
    e2e::ExpectSolution(e2e::Rows(lines.back()), 8);
    EXPECT_NE(ReadFile(dir / "r.txt").find("Solution"), std::string::npos);
}

TEST_F(NQueenWindowsE2E, CtrlCWritesADumpAndTheRunGoesOn) {
    ASSERT_TRUE(hasConsole);
    // A run that does not end within the test: no tournament steps and one
    // random gene swap per master iteration, a random walk that seldom meets a
    // 20-queens solution. (With no swap at all the run is refused at the start.)
    WriteParameters(e2e::Parameters(20, 10, 0, 1, "0.1") + "dump_directory dumps\n");
    fs::create_directory(dir / "dumps");
    Solver solver(dir);
    ASSERT_TRUE(solver.Started());
    const auto output = [&] { return ReadFile(dir / "stdout.txt"); };
    ASSERT_TRUE(WaitUntil([&] { return output().find("Iter: ") != std::string::npos; }, 60s));

    SetConsoleCtrlHandler(nullptr, TRUE);  // this process ignores the event it sends
    ASSERT_NE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0), 0);
    const auto dumped = [&] {
        for (const auto& entry : fs::directory_iterator(dir / "dumps")) {
            if (ReadFile(entry.path()).find("Avg. fitenss: ") != std::string::npos) return true;
        }
        return false;
    };
    ASSERT_TRUE(WaitUntil(dumped, 60s));
    const std::size_t seen = output().size();
    EXPECT_TRUE(WaitUntil([&] { return output().size() > seen; }, 30s)) << "the run goes on after Ctrl+C";
    EXPECT_TRUE(solver.Running());
    SetConsoleCtrlHandler(nullptr, FALSE);
}

#ifdef ZARNEL_NQUEEN_HAS_RECORDS
// The cross build takes the build machine's header-only JSON library, so the
// Windows program writes records as the Linux one does.
TEST_F(NQueenWindowsE2E, WritesTheRunRecord) {
    ASSERT_TRUE(hasConsole);
    WriteParameters(e2e::Parameters(8, 50, 10, 1, "0.05") + "seed 3\njson_report rec.json\n");
    Solver solver(dir);
    ASSERT_TRUE(solver.Started());
    ASSERT_EQ(solver.Wait(120s), 0) << ReadFile(dir / "stdout.txt");
    const nlohmann::json record = nlohmann::json::parse(ReadFile(dir / "rec.json"));
    EXPECT_EQ(record["program"], "ZarnelNQueen");
    EXPECT_EQ(record["seed"], 3);
    EXPECT_EQ(record["stop_reason"], "solved");
    EXPECT_EQ(record["exit_status"], 0);
    const auto lines = e2e::Lines(ReadFile(dir / "stdout.txt"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(record["solution"].get<std::vector<int>>(), e2e::Rows(lines.back()));
}
#endif

}  // namespace
