#pragma once

#include <cstdio>
#include <functional>
#include <memory>

#include "nqueen/island_link.h"
#include "nqueen/parameter_file.h"

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

// What a program built on the solver changes in it: its name in messages and
// the record, and, for islands, the island keys of the parameter file and
// the link to the other islands.
struct SolverVariant {
    const char* program = "ZarnelNQueen";
    const char* usage =
        "Usage: ZarnelNQueen.exe <input file> <output file>\n For details see sample input file.\n";
    // Reads and checks migration_interval and migrants.
    bool islandKeys = false;
    // Reads the `islands` key: with islands above 1, that many islands in
    // this process (a file that sets it also has its island keys read).
    bool localIslands = true;
    // Called once the command line and parameters are read and checked,
    // with whether this process can run; false stops this process too (the
    // islands agree before any of them starts).
    std::function<bool(bool ready)> allReady;
    // Builds the link once the parameters are checked, or returns null for a
    // run of one process; the link outlives the run.
    std::function<std::unique_ptr<IslandLink>(const NQueenParameters&)> makeLink;
};

// RunNQueen for `variant`. With a link, every island runs the solver; island
// 0 alone prints progress and the solution and writes the report and record,
// which sum the islands' iterations, evaluations and times.
int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
              const SolverVariant& variant);

}  // namespace zarnel
