#pragma once

#include <cstdint>
#include <string>

#include "nqueen/parameter_file.h"

namespace zarnel {

// Limits of a run that can end: fewer than 4 queens have no solution (or make
// the operators draw forever), and a gene of the classic operators is 16
// bits wide. The fast set takes 32-bit genes beyond 65536 queens; its bound
// keeps every diagonal index and count within 32 bits with room to spare
// (a board of it holds 400 MB of genes, and the memory check still applies).
inline constexpr std::int32_t kMinQueens = 4;
inline constexpr std::int32_t kMaxQueens = 65536;
inline constexpr std::int32_t kMaxFastQueens = 100000000;
// The highest mutation_rate: gene swaps per individual in each master
// iteration. The mutation pass runs whole between two checks of the limits
// and end requests, so a rate far beyond any useful one (a typo such as 5e8
// for 5e-8) would hold the machine for hours; at this bound the 32767
// individuals of the largest population take 32767000 swaps, which also fits
// the pass's 32-bit count. The test runs use rates up to 50.
inline constexpr double kMaxMutationRate = 1000.0;

// The number of individuals that a population_size builds: the value taken as
// an unsigned 32-bit number, capped at 32767.
std::uint32_t PopulationSizeBuilt(std::int32_t populationSize);

// Checks that every required key is set and every value lets a run start and
// end, and that `deterministic` is yes or no, yes only with operators fast.
// Returns an empty string when the parameters are usable, otherwise one
// line (without a line end) that names the offending key and `path`.
std::string CheckParameters(const NQueenParameters& parameters, const std::string& path);

// For usable parameters: empty when the run can make progress, otherwise the
// reason, naming the keys. With mutation_rate giving no swap and no tournament
// step (slave_threads or slave_iterations 0) the population never changes, so
// a run that only ends on a solution would run for ever; call this only when
// nothing else bounds the run.
std::string CheckRunCanEnd(const NQueenParameters& parameters, const std::string& path);

// Checks the optional run-control keys that are set (seed, max_iterations,
// time_limit, resume_from, json_report): an empty string when they are
// usable, otherwise one line naming the key and `path`, and for a value that
// could not be read its line and text. A record is refused when the program
// was built without the JSON library.
std::string CheckRunControl(const NQueenParameters& parameters, const std::string& path);

// The most islands one process runs (the `islands` key).
inline constexpr std::int64_t kMaxIslands = 256;

// Checks the island keys (islands, migration_interval, migrants) of a file
// read with islandKeys set: empty when usable, otherwise one line naming the
// key, its value (or the text that is no number) and `path`. islands runs
// from 1 to kMaxIslands; migration_interval
// from 1 to 4294967295; migrants
// from 0 (no migration) to one less than the individuals built, since an
// island never gives up its best individual to make room. Islands carry
// 16-bit genes, so their boards stop at 65536 queens with any operators.
std::string CheckIslandKeys(const NQueenParameters& parameters, const std::string& path);

// True when the file sets any run-control key (seed, max_iterations,
// time_limit, resume_from or json_report): the report then also names the
// seed, and without any of them the run is the classic one.
bool UsesRunControl(const NQueenParameters& parameters);

// True when max_iterations or time_limit bounds the run.
bool HasStopLimit(const NQueenParameters& parameters);

// For usable parameters: the bytes that the run's data takes (the
// individuals, their genes and busy flags, and each thread's scratch space:
// for the fast set also the crossover's marks and the repair's list; times
// the islands of the process), not counting thread stacks and the program
// itself.
std::uint64_t EstimateRunMemory(const NQueenParameters& parameters);

// Empty when the estimate fits in `availableBytes`, otherwise the reason with
// both figures; `available` says what the figure is ("physical memory").
std::string CheckRunMemory(const NQueenParameters& parameters, const std::string& path,
                           std::uint64_t availableBytes, const std::string& available);

}  // namespace zarnel
