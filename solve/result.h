#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "run/run_loop.h"

namespace zarnel {

using run::StopReason;
using run::StopReasonName;

// What Solve returns: the best individual at the end and how the run went.
template <class Gene>
struct SolveResult {
    // The best genome (the lowest index among equals) and its fitness as the
    // problem returned it (a cost, for a problem that minimises). NaN when no
    // fitness was a number; no genes when the run stopped before the first
    // individual was made.
    std::vector<Gene> genes;
    double fitness = 0.0;
    StopReason stopReason = StopReason::kIterationLimit;
    std::uint64_t iterations = 0;    // master iterations
    std::uint64_t steps = 0;         // tournament steps, one child each
    std::uint64_t evaluations = 0;   // fitness evaluations, the initial population included
    double seconds = 0.0;            // wall-clock time of the whole call
    std::uint64_t seed = 0;          // the run seed, given or drawn
    std::vector<std::string> dumps;  // the population dumps this run wrote, in order
    // Why the record that options.record names could not be written at the
    // end (also said on standard error); empty when it was written, or when
    // this call writes none. A program should then end with a failure status.
    std::string recordError;
};

// A problem, options or input that Solve cannot run: the message says which
// option or file, what it holds and why. Thrown before anything runs, but
// for an improve that breaks a genome (the run ends with its record first).
class SolveError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

}  // namespace zarnel
