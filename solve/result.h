#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "run/run_loop.h"

namespace zarnel {

using run::StopReason;
using run::StopReasonName;

// How a run of Solve went, whatever it found.
struct RunFigures {
    StopReason stopReason = StopReason::kIterationLimit;
    std::uint64_t iterations = 0;    // master iterations (generations, for several objectives)
    std::uint64_t steps = 0;         // children bred (tournament steps)
    std::uint64_t evaluations = 0;   // fitness (or objectives) evaluations, the initial population included
    double seconds = 0.0;            // wall-clock time of the whole call
    std::uint64_t seed = 0;          // the run seed, given or drawn
    std::vector<std::string> dumps;  // the population dumps this run wrote, in order
    // Why the record that options.record names could not be written at the
    // end (also said on standard error); empty when it was written, or when
    // this call writes none. A program should then end with a failure status.
    std::string recordError;
};

// What Solve returns for a problem of one objective: the best individual at
// the end and how the run went.
template <class Gene>
struct SolveResult : RunFigures {
    // The best genome (the lowest index among equals) and its fitness as the
    // problem returned it (a cost, for a problem that minimises). NaN when no
    // fitness was a number; no genes when the run stopped before the first
    // individual was made.
    std::vector<Gene> genes;
    double fitness = 0.0;
    // For a problem with constraints: whether the best individual meets them
    // all, and its total violation (the sum of max(0, g); 0 when feasible,
    // +inf when a constraint or the fitness was NaN). The best is the best
    // feasible individual when there is one, else the least violating. True
    // and 0 for a problem without constraints.
    bool feasible = true;
    double violation = 0.0;
};

// The objective values of one member of a front: std::array<double, M> as
// the problem's objectives return them (a std::vector for a problem whose
// count is known only at run time).
template <std::size_t M>
using ObjectiveValues =
    std::conditional_t<M == std::dynamic_extent, std::vector<double>, std::array<double, M>>;

// One member of the front a run of several objectives found: its genes, its
// objectives (minimised), its total violation (0: feasible) and, when the
// problem has decode, what decode makes of its genes.
template <class Gene, std::size_t M>
struct FrontMember {
    std::vector<Gene> genes;
    ObjectiveValues<M> objectives{};
    double violation = 0.0;
    std::vector<double> solution;  // decode's numbers; empty without decode
};

// What Solve returns for a problem of several objectives: the front and how
// the run went.
template <class Gene, std::size_t M>
struct FrontResult : RunFigures {
    // The feasible members of the first front of the final population (with
    // islands: of every island's, together), each distinct genome once, in
    // population order. Empty when no individual is feasible.
    std::vector<FrontMember<Gene, M>> front;
    // The point the hypervolume is measured from (SolveOptions::referencePoint
    // says where it comes from), and the front's hypervolume against it (NaN
    // when the point is not known: no individual had objectives that are
    // numbers).
    std::vector<double> referencePoint;
    double hypervolume = std::numeric_limits<double>::quiet_NaN();
    // The feasible share of the final population (island 0's, with islands).
    double feasibleShare = 0.0;
};

// A problem, options or input that Solve cannot run: the message says which
// option or file, what it holds and why. Thrown before anything runs, but
// for an improve that breaks a genome (the run ends with its record first).
class SolveError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

}  // namespace zarnel
