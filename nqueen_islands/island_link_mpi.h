#pragma once

#include <cstdio>

namespace zarnel {

// The whole ZarnelNQueenIslands program, one island per MPI process: starts
// MPI, then runs ZarnelNQueen's solver with the island keys
// (migration_interval, migrants) and a link to the ring of islands. Island 0
// prints and writes the report and record; the other islands print errors
// only. SIGUSR1 asks every island for a population dump
// ("<iterations>.<island>.txt"), since mpirun forwards it and not SIGINT.
// Returns the exit status as ZarnelNQueen does. Main thread only.
int RunNQueenIslands(int argc, char* argv[], std::FILE* out, std::FILE* err);

}  // namespace zarnel
