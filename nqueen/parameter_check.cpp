#include "nqueen/parameter_check.h"

#include <cmath>
#include <cstdint>

#include "framework/population.h"
#include "nqueen/nqueen_types.h"

namespace zarnel {

namespace {

std::string Problem(const std::string& path, ParameterKey key, const std::string& what) {
    return "Invalid parameter file " + path + ": " + ParameterKeyName(key) + " " + what;
}

}  // namespace

std::uint32_t PopulationSizeBuilt(std::int32_t populationSize) {
    const auto requested = static_cast<std::uint32_t>(populationSize);
    return requested > NQueenPopulation::kMaxSize ? NQueenPopulation::kMaxSize : requested;
}

std::string CheckParameters(const NQueenParameters& parameters, const std::string& path) {
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
    if (parameters.queens < kMinQueens || parameters.queens > kMaxQueens) {
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
    return {};
}

}  // namespace zarnel
