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
    std::vector<Gene> genes;  // the best genome (the lowest index among equals)
    double fitness = 0.0;     // its fitness
    StopReason stopReason = StopReason::kIterationLimit;
    std::uint64_t iterations = 0;    // master iterations
    std::uint64_t steps = 0;         // tournament steps, one child each
    std::uint64_t evaluations = 0;   // fitness evaluations, the initial population included
    double seconds = 0.0;            // wall-clock time of the whole call
    std::uint64_t seed = 0;          // the run seed, given or drawn
    std::vector<std::string> dumps;  // the population dumps this run wrote, in order
};

// A problem, options or input that Solve cannot run: the message says which
// option or file, what it holds and why. Thrown before anything runs.
class SolveError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

}  // namespace zarnel
