#include "platform/console.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#if !defined(_WIN32)
#include <signal.h>
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

#endif

}  // namespace
