#pragma once

namespace zarnel::platform {

// Console primitives of the solver. The Ctrl+C handler runs on whatever thread
// the system delivers the event to and only sets one lock-free flag; the
// program's main thread polls and clears it with TakeCtrlCRequest. The other
// functions are for the main thread.

// Makes Ctrl+C (SIGINT on POSIX, CTRL_C_EVENT on Windows) set the request flag
// instead of ending the process. Every other signal or console event keeps its
// default action. Safe to call more than once.
void InstallCtrlCHandler();

// Gives Ctrl+C back the action it had before InstallCtrlCHandler, for a
// library that handled it only for the length of a run. A request that came
// meanwhile and was not taken is dropped.
void RemoveCtrlCHandler();

// Makes the dump request of a program run under a process manager that
// forwards no Ctrl+C (SIGUSR1 on POSIX: `kill -USR1` to Open MPI's mpirun,
// which forwards it to every rank) set the same request flag as Ctrl+C.
// Windows has no such signal; there it does nothing. Safe to call more than once.
void InstallDumpRequestSignal();

// True when Ctrl+C was pressed since the last call; clears the request, so any
// number of presses between two calls count once.
bool TakeCtrlCRequest();

// With `handle` true, makes the requests to end the process (SIGTERM, SIGHUP
// and SIGQUIT, the terminal's Ctrl+\, on POSIX; Ctrl+Break on Windows) set a
// lock-free end-request flag instead of ending it, so that the program can
// finish its work in order; with `handle` false, gives them back the action
// they had before. A signal that the process was started with ignored stays
// ignored. Starting to handle them forgets an earlier request. Main thread
// only.
void HandleEndRequests(bool handle);

// True once an end request has arrived while they were handled.
bool EndRequested();

// Makes a write to a pipe whose reader has gone fail with an error instead of
// ending the process (SIGPIPE on POSIX; Windows has no such signal), so that a
// program can finish its work and report the failed output.
void IgnoreBrokenPipe();

// True when standard input is an interactive terminal.
bool StdinIsTerminal();

// True when standard error is an interactive terminal.
bool StderrIsTerminal();

// Waits for one key press on the terminal and reads it without echo. Returns
// the byte read, or -1 when nothing could be read. Call only when
// StdinIsTerminal() is true.
int ReadKeyNoEcho();

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
