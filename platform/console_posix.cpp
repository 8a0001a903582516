#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/console.h"

namespace platform {

namespace {

// Written from the signal handler, so it must be lock-free to be
// async-signal-safe.
std::atomic<int> ctrlCRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSigint(int) { ctrlCRequested.store(1, std::memory_order_relaxed); }

}  // namespace

void InstallCtrlCHandler() {
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes resume, so console and file output are
    // never cut short by a key press.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool TakeCtrlCRequest() { return ctrlCRequested.exchange(0) != 0; }

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

int ReadKeyNoEcho() {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
    termios raw = saved;
    // Byte by byte, no echo, and Ctrl+C arrives as a key rather than a signal.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return -1;
    unsigned char key = 0;
    ssize_t got;
    do {
        got = read(STDIN_FILENO, &key, 1);
    } while (got < 0 && errno == EINTR);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return got == 1 ? key : -1;
}

}  // namespace platform
