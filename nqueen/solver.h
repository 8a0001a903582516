#pragma once

#include <cstdio>

namespace zarnel {

// Status of a run that found a solution but could not write its report.
inline constexpr int kReportNotWritten = 1;
// Status of a run that found a solution and wrote its report, but whose
// console output failed (standard output closed, or on a full disk).
inline constexpr int kConsoleOutputFailed = 1;

// The whole ZarnelNQueen program: reads the parameter file argv[1], evolves
// the population until a solution appears (printing a progress line after each
// chunk of 1000 master iterations and dumping the population after a Ctrl+C),
// writes the report file argv[2] and prints the solution. Console output goes
// to `out`, error messages to `err`. Returns the exit status: 0 after a
// solution, -1 for a wrong command line or bad parameters, kReportNotWritten
// when the report could not be written, kConsoleOutputFailed when `out`
// failed. Main thread only; installs the process's Ctrl+C handler and ignores
// SIGPIPE, so a closed standard output cannot end the run.
int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err);

}  // namespace zarnel
