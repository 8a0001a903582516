#pragma once

#include <cstdint>
#include <cstdio>

#include "nqueen/nqueen_types.h"
#include "nqueen/parameter_file.h"

namespace zarnel {

// What the report file shows about one finished run. Points to arrays that the
// driver owns; read on the main thread after the last Run.
struct NQueenRunSummary {
    const NQueenParameters* parameters = nullptr;
    std::uint32_t totalIterations = 0;
    std::int64_t masterMsec = 0;
    const std::uint32_t* threadMsec = nullptr;  // slave_threads entries
    const std::uint16_t* solution = nullptr;    // queens entries
    // The same for a board of 32-bit genes; when set, it is shown instead.
    const std::uint32_t* wideSolution = nullptr;
    // Run-control additions, shown only when set: the seed of the run, and
    // for a run that a limit ended unsolved, which limit it was ("iteration
    // limit (max_iterations 5000)"); `solution` then holds the best
    // individual found, whose fitness is `bestFitness`.
    const std::uint32_t* seed = nullptr;
    const char* endedBy = nullptr;
    float bestFitness = 0.0f;
};

// Writes the report: the parameters as read (`deterministic` only when the
// file sets it), the iteration count, the master's
// and each slave thread's times and the solution (or, for a run that a limit
// ended, the best individual and a line naming the limit). Returns false when a write
// failed; the caller owns and closes the stream.
bool WriteReport(std::FILE* out, const NQueenRunSummary& summary);

// Writes one line per individual (its genes, then its fitness) and the average
// fitness. Call only while no slave thread works on the population. Returns
// false when a write failed.
bool WritePopulationDump(std::FILE* out, NQueenPopulation& population);
bool WritePopulationDump(std::FILE* out, WideQueenPopulation& population);

// Writes the solution rows, each right-aligned in three places and followed by
// a blank, with no line end.
void WriteSolutionRows(std::FILE* out, const std::uint16_t* genes, std::uint32_t count);
void WriteSolutionRows(std::FILE* out, const std::uint32_t* genes, std::uint32_t count);

}  // namespace zarnel
