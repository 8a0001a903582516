#include "platform/console.h"

#include <conio.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <atomic>

namespace zarnel::platform {

namespace {

std::atomic<int> ctrlCRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Whether Ctrl+Break is an end request, and whether one came; both carry no
// data, so relaxed order is enough.
std::atomic<int> handleEndRequests{0};
std::atomic<int> endRequested{0};

// Runs on a thread that the system starts for each console event. Ctrl+C is
// consumed, and so is Ctrl+Break while end requests are handled; every other
// event goes on to the default handling, which ends the process.
BOOL WINAPI CtrlHandler(DWORD eventType) {
    if (eventType == CTRL_C_EVENT) {
        ctrlCRequested.store(1, std::memory_order_relaxed);
        return TRUE;
    }
    if (eventType == CTRL_BREAK_EVENT && handleEndRequests.load(std::memory_order_relaxed) != 0) {
        endRequested.store(1, std::memory_order_relaxed);
        return TRUE;
    }
    return FALSE;
}

bool handlerInstalled = false;

}  // namespace

void InstallCtrlCHandler() {
    if (handlerInstalled) return;
    handlerInstalled = SetConsoleCtrlHandler(CtrlHandler, TRUE) != 0;
}

void RemoveCtrlCHandler() {
    if (!handlerInstalled) return;
    SetConsoleCtrlHandler(CtrlHandler, FALSE);
    handlerInstalled = false;
    ctrlCRequested.store(0, std::memory_order_relaxed);
}

void HandleEndRequests(bool handle) {
    InstallCtrlCHandler();
    if (handle) endRequested.store(0, std::memory_order_relaxed);
    handleEndRequests.store(handle ? 1 : 0, std::memory_order_relaxed);
}

bool EndRequested() { return endRequested.load(std::memory_order_relaxed) != 0; }

void IgnoreBrokenPipe() {}

// Windows has no user signal; a console program gets Ctrl+C itself.
void InstallDumpRequestSignal() {}

bool TakeCtrlCRequest() { return ctrlCRequested.exchange(0) != 0; }

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int ReadKeyNoEcho() { return _getch(); }

}  // namespace zarnel::platform
