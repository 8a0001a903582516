#include "platform/console.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#if !defined(_WIN32)
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)

TEST(Console, PosixSignalsOnly) { GTEST_SKIP() << "Ctrl+C is a console event on Windows"; }

#else

void (*Disposition(int signalNumber))(int) {
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

TEST(Console, CtrlCSetsOneRequestAndTheProcessGoesOn) {
    platform::InstallCtrlCHandler();
    platform::TakeCtrlCRequest();  // start from a clear flag
    EXPECT_FALSE(platform::TakeCtrlCRequest());
    std::raise(SIGINT);
    std::raise(SIGINT);
    EXPECT_TRUE(platform::TakeCtrlCRequest());
    EXPECT_FALSE(platform::TakeCtrlCRequest()) << "two presses before a check count once";
}

TEST(Console, CtrlCFromAnotherThreadReachesTheFlag) {
    platform::InstallCtrlCHandler();
    platform::TakeCtrlCRequest();
    std::thread([] { std::raise(SIGINT); }).join();
    EXPECT_TRUE(platform::TakeCtrlCRequest());
}

TEST(Console, OtherSignalsKeepTheirActions) {
    const auto term = Disposition(SIGTERM);
    const auto hangup = Disposition(SIGHUP);
    const auto quit = Disposition(SIGQUIT);
    platform::InstallCtrlCHandler();
    EXPECT_EQ(Disposition(SIGTERM), term);
    EXPECT_EQ(Disposition(SIGHUP), hangup);
    EXPECT_EQ(Disposition(SIGQUIT), quit);
    EXPECT_NE(Disposition(SIGINT), SIG_DFL);
    EXPECT_NE(Disposition(SIGINT), SIG_IGN);
}

TEST(Console, KeyReadWithoutATerminalReturnsAtOnce) {
    if (platform::StdinIsTerminal()) GTEST_SKIP() << "standard input is a terminal";
    EXPECT_EQ(platform::ReadKeyNoEcho(), -1);
}

// A child process waits for a key on a pseudo-terminal; the parent waits
// until the terminal is in raw mode. Returns the child's pid, or -1.
pid_t StartKeyWait(int terminal) {
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls in the child of a threaded process.
        dup2(terminal, STDIN_FILENO);
        _exit(platform::ReadKeyNoEcho() == 'k' ? 0 : 1);
    }
    termios now{};
    for (int attempt = 0; attempt < 10000; ++attempt) {
        if (tcgetattr(terminal, &now) == 0 && (now.c_lflag & ECHO) == 0) return child;
        usleep(1000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

class ConsoleKeyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
    void TearDown() override {
        close(master);
        close(slave);
    }
    bool Echoing() const {
        termios now{};
        return tcgetattr(slave, &now) == 0 && (now.c_lflag & ECHO) != 0 && (now.c_lflag & ICANON) != 0;
    }
    int master = -1;
    int slave = -1;
};

TEST_F(ConsoleKeyTest, AKeyIsReadWithoutEchoAndTheTerminalIsRestored) {
    ASSERT_TRUE(Echoing());
    const pid_t child = StartKeyWait(slave);
    ASSERT_GT(child, 0) << "the terminal never went into raw mode";
    ASSERT_EQ(write(master, "k", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the key read was not 'k'";
    EXPECT_TRUE(Echoing());
}

TEST_F(ConsoleKeyTest, ASignalThatEndsTheProcessDuringTheWaitRestoresTheTerminal) {
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        ASSERT_TRUE(Echoing());
        const pid_t child = StartKeyWait(slave);
        ASSERT_GT(child, 0) << "the terminal never went into raw mode";
        kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        // The signal still ends the process with its default action.
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_TRUE(Echoing()) << "signal " << signalNumber << " left the terminal without echo";
    }
}

#endif

}  // namespace
