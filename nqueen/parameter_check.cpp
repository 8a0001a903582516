#include "nqueen/parameter_check.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "framework/population.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/operator_set.h"
#include "run/run_record.h"
#include "solve/lanes.h"

namespace zarnel {

namespace {

std::string Invalid(const std::string& path, const std::string& what) {
    return "Invalid parameter file " + path + ": " + what;
}

std::string Problem(const std::string& path, ParameterKey key, const std::string& what) {
    return Invalid(path, ParameterKeyName(key) + (" " + what));
}

// The shortest text that reads back as `value`.
std::string ShowNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The refusal of an added key whose value could not be read; `rule` says
// what the key needs.
std::string Unreadable(const NQueenParameters& parameters, const std::string& path, ParameterKey key,
                       const std::string& rule) {
    const UnreadValue& unread = parameters.UnreadValueOf(key);
    const std::string where = "on line " + std::to_string(unread.line);
    const std::string what = unread.text.empty() ? where + " has no value"
                                                 : "\"" + unread.text + "\" " + where + " is not a number";
    return Problem(path, key, what + "; " + rule);
}

std::string Gigabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

// Below the bound every population's swap count fits the mutation pass's
// 32-bit count, which would otherwise wrap (134217728 x 32 gives 0).
static_assert(kMaxMutationRate * NQueenPopulation::kMaxSize + 0.5 < 4294967296.0,
              "the mutation bound keeps the swap count within 32 bits");

}  // namespace

std::uint32_t PopulationSizeBuilt(std::int32_t populationSize) {
    const auto requested = static_cast<std::uint32_t>(populationSize);
    return requested > NQueenPopulation::kMaxSize ? NQueenPopulation::kMaxSize : requested;
}

std::string CheckParameters(const NQueenParameters& parameters, const std::string& path) {
    if (parameters.onlyCarriageReturnLineEnds) {
        // Every line would run into the next: refuse rather than misread.
        return Invalid(
            path, "its lines end in carriage returns alone; save it with line feeds (LF or CR LF line ends)");
    }
    // The five keys that every file must set; dump_directory is optional.
    constexpr ParameterKey kRequired[] = {ParameterKey::kQueens, ParameterKey::kPopulationSize,
                                          ParameterKey::kSlaveIterations, ParameterKey::kSlaveThreads,
                                          ParameterKey::kMutationRate};
    for (ParameterKey key : kRequired) {
        if (parameters.StateOf(key) == KeyState::kUnset) return Problem(path, key, "is not set");
        if (parameters.StateOf(key) == KeyState::kOutOfRange) {
            return Problem(path, key, "is outside the range of a 32-bit signed integer");
        }
    }
    if (UsesFastOperators(parameters)) {
        if (parameters.queens < kMinQueens || parameters.queens > kMaxFastQueens) {
            return Problem(path, ParameterKey::kQueens,
                           "must be from 4 to " + std::to_string(kMaxFastQueens) +
                               " with operators fast, not " + std::to_string(parameters.queens));
        }
    } else if (parameters.queens < kMinQueens || parameters.queens > kMaxQueens) {
        return Problem(path, ParameterKey::kQueens,
                       "must be from 4 to 65536, not " + std::to_string(parameters.queens));
    }
    if (parameters.slave_threads < 0) {
        return Problem(path, ParameterKey::kSlaveThreads,
                       "must not be negative, not " + std::to_string(parameters.slave_threads));
    }
    if (parameters.slave_iterations < 0) {
        return Problem(path, ParameterKey::kSlaveIterations,
                       "must not be negative, not " + std::to_string(parameters.slave_iterations));
    }
    const std::uint32_t built = PopulationSizeBuilt(parameters.population_size);
    const std::uint64_t minimum = 2 * static_cast<std::uint64_t>(parameters.slave_threads) + 1;
    if (built < 2 || built < minimum) {
        return Problem(path, ParameterKey::kPopulationSize,
                       "must give at least 2 individuals and more than twice slave_threads (" +
                           std::to_string(parameters.slave_threads) + "), not " + std::to_string(built));
    }
    if (!std::isfinite(parameters.mutation_rate) || parameters.mutation_rate < 0.0) {
        return Problem(path, ParameterKey::kMutationRate, "must be a finite number, not negative");
    }
    if (parameters.mutation_rate > kMaxMutationRate) {
        // The count as the mutation pass computes it, here without its
        // 32-bit wrap.
        const double swaps = std::trunc(static_cast<double>(built) * parameters.mutation_rate + 0.5);
        return Problem(
            path, ParameterKey::kMutationRate,
            ShowNumber(parameters.mutation_rate) + " is above " + ShowNumber(kMaxMutationRate) +
                " swaps per individual: for " + std::to_string(built) + " individuals it asks for " +
                ShowNumber(swaps) +
                " gene swaps in every master iteration, which no limit or end request can interrupt");
    }
    // An empty value is the default; the reader never sets the key to one.
    if (parameters.StateOf(ParameterKey::kOperators) == KeyState::kSet && !parameters.operators.empty() &&
        parameters.operators != kClassicOperators && parameters.operators != kFastOperators) {
        return Problem(path, ParameterKey::kOperators,
                       "must be classic or fast, not " + parameters.operators);
    }
    if (parameters.StateOf(ParameterKey::kDeterministic) == KeyState::kSet) {
        if (parameters.deterministic != "yes" && parameters.deterministic != "no") {
            return Problem(path, ParameterKey::kDeterministic,
                           "must be yes or no, not " + parameters.deterministic);
        }
        if (parameters.deterministic == "yes" && !UsesFastOperators(parameters)) {
            return Problem(path, ParameterKey::kDeterministic,
                           "yes needs operators fast: with the classic operators which individuals meet "
                           "depends on the timing of the slave threads");
        }
    }
    return {};
}

std::string CheckRunCanEnd(const NQueenParameters& parameters, const std::string& path) {
    const std::uint32_t built = PopulationSizeBuilt(parameters.population_size);
    if (MutationSwapCount(built, parameters.mutation_rate) != 0) return {};
    const char* idle = parameters.slave_threads == 0      ? "slave_threads is 0"
                       : parameters.slave_iterations == 0 ? "slave_iterations is 0"
                                                          : nullptr;
    if (idle == nullptr) return {};
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", parameters.mutation_rate);
    return Invalid(path, std::string("mutation_rate ") + rate + " gives no gene swap for " +
                             std::to_string(built) + " individuals and " + idle +
                             ", so the population never changes and the run would never end");
}

std::string CheckRunControl(const NQueenParameters& parameters, const std::string& path) {
    constexpr std::int64_t kMaxUnsigned32 = 4294967295;
    const auto unreadable = [&](ParameterKey key) {
        return parameters.StateOf(key) == KeyState::kUnreadable;
    };
    const std::string wholeNumber = "it must be a whole number from ";
    if (unreadable(ParameterKey::kSeed))
        return Unreadable(parameters, path, ParameterKey::kSeed, wholeNumber + "0 to 4294967295");
    if (unreadable(ParameterKey::kMaxIterations))
        return Unreadable(parameters, path, ParameterKey::kMaxIterations, wholeNumber + "1 to 4294967295");
    if (unreadable(ParameterKey::kTimeLimit)) {
        return Unreadable(parameters, path, ParameterKey::kTimeLimit,
                          "it must be a finite number of seconds above 0");
    }
    for (ParameterKey key : {ParameterKey::kResumeFrom, ParameterKey::kJsonReport}) {
        if (unreadable(key))
            return Unreadable(parameters, path, key, "a path must follow the key on its line");
    }
    const auto set = [&](ParameterKey key) { return parameters.StateOf(key) != KeyState::kUnset; };
    const auto inRange = [&](ParameterKey key, std::int64_t value, std::int64_t low) {
        return parameters.StateOf(key) == KeyState::kSet && value >= low && value <= kMaxUnsigned32;
    };
    if (set(ParameterKey::kSeed) && !inRange(ParameterKey::kSeed, parameters.seed, 0))
        return Problem(path, ParameterKey::kSeed, "must be a whole number from 0 to 4294967295");
    if (set(ParameterKey::kMaxIterations) &&
        !inRange(ParameterKey::kMaxIterations, parameters.max_iterations, 1))
        return Problem(path, ParameterKey::kMaxIterations, "must be a whole number from 1 to 4294967295");
    if (set(ParameterKey::kTimeLimit) &&
        !(std::isfinite(parameters.time_limit) && parameters.time_limit > 0.0))
        return Problem(path, ParameterKey::kTimeLimit, "must be a finite number of seconds above 0");
    if (set(ParameterKey::kJsonReport) && !run::RecordsSupported()) {
        return Problem(path, ParameterKey::kJsonReport,
                       "needs a build with the JSON library (nlohmann-json3-dev); this one has none");
    }
    return {};
}

std::string CheckIslandKeys(const NQueenParameters& parameters, const std::string& path) {
    const auto check = [&](ParameterKey key, std::int64_t value, std::int64_t low,
                           std::int64_t high) -> std::string {
        const KeyState state = parameters.StateOf(key);
        if (state == KeyState::kUnset || (state == KeyState::kSet && value >= low && value <= high))
            return {};
        if (state == KeyState::kUnreadable) {
            return Unreadable(
                parameters, path, key,
                "it must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        }
        const std::string given = state == KeyState::kSet ? std::to_string(value) : "a number out of range";
        return Problem(path, key,
                       "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                           ", not " + given);
    };
    std::string problem = check(ParameterKey::kIslands, parameters.islands, 1, kMaxIslands);
    // Islands over MPI (the program reads no islands key) or more than one in
    // this process; `islands 1` is the plain run.
    const bool hasIslands = !parameters.islandsKey || parameters.islands > 1;
    // Islands in one process hand migrants over at fixed iterations when the
    // run is deterministic; over MPI, which migrants arrive, and when,
    // depends on the timing of the processes.
    if (problem.empty() && !parameters.islandsKey && parameters.deterministic == "yes") {
        return Problem(path, ParameterKey::kDeterministic,
                       "yes cannot hold with islands over MPI: which migrants arrive, and when, depends on "
                       "the timing of the islands");
    }
    if (problem.empty() && hasIslands && parameters.queens > kMaxQueens) {
        return Problem(path, ParameterKey::kQueens,
                       "must be at most 65536 for islands (their migrants carry 16-bit genes), not " +
                           std::to_string(parameters.queens));
    }
    if (problem.empty())
        problem = check(ParameterKey::kMigrationInterval, parameters.migration_interval, 1, 4294967295);
    if (problem.empty()) {
        const std::int64_t built = PopulationSizeBuilt(parameters.population_size);
        // A migration is one message of 8 bytes and, per migrant, a 4-byte
        // fitness and 2 bytes a gene, and an MPI count is an int.
        const std::int64_t fitInOneMessage =
            (std::int64_t{INT_MAX} - 8) / (4 + 2 * std::int64_t{parameters.queens});
        problem =
            check(ParameterKey::kMigrants, parameters.migrants, 0, std::min(built - 1, fitInOneMessage));
    }
    return problem;
}

bool UsesRunControl(const NQueenParameters& parameters) {
    for (ParameterKey key : {ParameterKey::kSeed, ParameterKey::kMaxIterations, ParameterKey::kTimeLimit,
                             ParameterKey::kResumeFrom, ParameterKey::kJsonReport}) {
        if (parameters.StateOf(key) == KeyState::kSet) return true;
    }
    return false;
}

bool HasStopLimit(const NQueenParameters& parameters) {
    return parameters.StateOf(ParameterKey::kMaxIterations) == KeyState::kSet ||
           parameters.StateOf(ParameterKey::kTimeLimit) == KeyState::kSet;
}

std::uint64_t EstimateRunMemory(const NQueenParameters& parameters) {
    const std::uint64_t individuals = PopulationSizeBuilt(parameters.population_size);
    const auto queens = static_cast<std::uint64_t>(parameters.queens);
    const auto threads = static_cast<std::uint64_t>(parameters.slave_threads);
    // Each gene array is one heap block: 16-byte granules and a header.
    constexpr std::uint64_t kHeapBlock = 16;
    const std::uint64_t geneBytes = UsesWideGenes(parameters) ? sizeof(std::uint32_t) : sizeof(std::uint16_t);
    const std::uint64_t genes = (queens * geneBytes + kHeapBlock - 1) / kHeapBlock * kHeapBlock;
    const std::uint64_t perIndividual =
        sizeof(NQueenIndividual) + sizeof(std::atomic<std::int32_t>) + genes + kHeapBlock;
    // Every thread that scores boards keeps 2 x (2N - 1) diagonal counters;
    // every slave thread also keeps N crossover positions. The fast set's
    // threads also mark N visited positions (a byte each), list up to N
    // attacked columns and keep three bits per diagonal of each kind (one
    // while building, two with the counters: 3N / 2 bytes in all).
    std::uint64_t perThread = (4 * queens + queens) * sizeof(std::uint32_t);
    if (UsesFastOperators(parameters)) perThread += queens + queens * sizeof(std::uint32_t) + 3 * queens / 2;
    // With `deterministic yes` every lane records the boards its steps of a
    // round overwrite: one round is about 4096 queens' worth of steps, and at
    // least one board.
    std::uint64_t lanes = 0;
    if (UsesFastOperators(parameters) && parameters.deterministic == "yes") {
        const std::uint64_t laneCount =
            lanes::LaneCount(static_cast<std::uint32_t>(std::min<std::uint64_t>(individuals, UINT32_MAX)), 3);
        lanes = laneCount * (queens + 4096) * geneBytes;
    }
    // Every island of the process holds all of that.
    const auto islands = static_cast<std::uint64_t>(std::max<std::int64_t>(parameters.islands, 1));
    return islands * (individuals * perIndividual + (threads + 1) * perThread + lanes);
}

std::string CheckRunMemory(const NQueenParameters& parameters, const std::string& path,
                           std::uint64_t availableBytes, const std::string& available) {
    const std::uint64_t needed = EstimateRunMemory(parameters);
    if (needed <= availableBytes) return {};
    return Invalid(path, "queens " + std::to_string(parameters.queens) + ", population_size " +
                             std::to_string(parameters.population_size) + " and slave_threads " +
                             std::to_string(parameters.slave_threads) + " need about " + Gigabytes(needed) +
                             " of memory, more than the " + Gigabytes(availableBytes) + " of " + available);
}

}  // namespace zarnel
