#include "platform/console.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <iterator>

namespace zarnel::platform {

namespace {

// Written from the signal handler, so it must be lock-free to be
// async-signal-safe.
std::atomic<int> ctrlCRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSigint(int) { ctrlCRequested.store(1, std::memory_order_relaxed); }

// Set from the handler of SIGTERM, SIGHUP and SIGQUIT, read by the main
// thread; it carries no data, so relaxed order is enough.
std::atomic<int> endRequested{0};

extern "C" void OnEndRequest(int) { endRequested.store(1, std::memory_order_relaxed); }

// SIGQUIT is the terminal's Ctrl+\.
constexpr int kEndRequestSignals[] = {SIGTERM, SIGHUP, SIGQUIT};

// The terminal settings to put back if a signal ends the process while a key
// is awaited in raw mode. Written before the handlers are installed and only
// read by them.
termios terminalToRestore{};

// The signals whose default action ends the process while a key is awaited
// (the terminal's own Ctrl+C and Ctrl+\ arrive as keys then).
constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGQUIT};

// Restores the terminal, then lets the signal take its default action: the
// handler is installed with SA_RESETHAND, and the signal raised here is
// delivered as soon as the handler returns.
extern "C" void RestoreTerminalAndEnd(int signalNumber) {
    tcsetattr(STDIN_FILENO, TCSANOW, &terminalToRestore);
    raise(signalNumber);
}

}  // namespace

namespace {

// SIGINT's action before InstallCtrlCHandler, for RemoveCtrlCHandler; main
// thread only.
struct sigaction ctrlCBefore {};
bool ctrlCInstalled = false;

}  // namespace

void InstallCtrlCHandler() {
    if (!ctrlCInstalled) sigaction(SIGINT, nullptr, &ctrlCBefore);
    ctrlCInstalled = true;
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes resume, so console and file output are
    // never cut short by a key press.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

void RemoveCtrlCHandler() {
    if (!ctrlCInstalled) return;
    sigaction(SIGINT, &ctrlCBefore, nullptr);
    ctrlCInstalled = false;
    ctrlCRequested.store(0, std::memory_order_relaxed);
}

void InstallDumpRequestSignal() {
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

void HandleEndRequests(bool handle) {
    // The actions before the first call, put back by a call with false. A
    // signal the process was started with ignored (SIGHUP under nohup) stays
    // ignored.
    static struct sigaction previous[std::size(kEndRequestSignals)]{};
    static bool handling = false;
    if (handle == handling) return;
    handling = handle;
    if (handle) endRequested.store(0, std::memory_order_relaxed);
    for (std::size_t i = 0; i < std::size(kEndRequestSignals); ++i) {
        if (!handle) {
            sigaction(kEndRequestSignals[i], &previous[i], nullptr);
            continue;
        }
        sigaction(kEndRequestSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnEndRequest;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kEndRequestSignals[i], &action, nullptr);
    }
}

bool EndRequested() { return endRequested.load(std::memory_order_relaxed) != 0; }

void IgnoreBrokenPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

bool TakeCtrlCRequest() { return ctrlCRequested.exchange(0) != 0; }

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

int ReadKeyNoEcho() {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
    termios raw = saved;
    // Byte by byte, no echo, and Ctrl+C arrives as a key rather than a signal.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    // A signal that ends the process during the wait must not leave the
    // terminal without echo.
    terminalToRestore = saved;
    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndEnd;
    sigemptyset(&restore.sa_mask);
    restore.sa_flags = SA_RESETHAND;
    struct sigaction previous[std::size(kEndingSignals)]{};
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], nullptr, &previous[i]);
        // A signal the program ignores stays ignored.
        if (previous[i].sa_handler == SIG_DFL) sigaction(kEndingSignals[i], &restore, nullptr);
    }
    unsigned char key = 0;
    ssize_t got = -1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        do {
            got = read(STDIN_FILENO, &key, 1);
        } while (got < 0 && errno == EINTR);
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
        sigaction(kEndingSignals[i], &previous[i], nullptr);
    return got == 1 ? key : -1;
}

}  // namespace zarnel::platform
