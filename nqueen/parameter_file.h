#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zarnel {

// The keys of a parameter file, in the order in which they are matched.
enum class ParameterKey : std::uint8_t {
    kQueens,
    kPopulationSize,
    kSlaveIterations,
    kSlaveThreads,
    kMutationRate,
    kDumpDirectory,
};
inline constexpr std::size_t kParameterKeyCount = 6;

// The key's text as it appears in a parameter file ("queens", ...).
const char* ParameterKeyName(ParameterKey key);

// What the file did to one key: never set, set to a value, or last given a
// whole number outside the 32-bit signed range (kept out of the field).
enum class KeyState : std::uint8_t { kUnset, kSet, kOutOfRange };

// The solver's run parameters. Fields are named after the parameter-file keys
// and keep the values as read: the counts are signed here and range-checked by
// CheckParameters before anything uses them. A plain record; the caller owns it.
struct NQueenParameters {
    std::int32_t queens = 0;
    std::int32_t population_size = 0;
    std::int32_t slave_iterations = 0;
    std::int32_t slave_threads = 0;
    double mutation_rate = 0.0;
    std::string dump_directory;  // empty: the current working directory

    std::array<KeyState, kParameterKeyCount> keyStates{};

    KeyState StateOf(ParameterKey key) const { return keyStates[static_cast<std::size_t>(key)]; }
};

// Scans parameter-file text held in memory. The text ends at `size` bytes or at
// the first zero byte, whichever comes first; nothing beyond it is read. Each
// line holds a key and its value, a "#" comment where a word may begin, or
// nothing; keys match regardless of ASCII case; after any word the rest of its
// line is skipped; a later line overrides an earlier one. Fields whose key the
// text does not set (or sets without a number) keep their values.
void ScanParameterText(const char* text, std::size_t size, NQueenParameters& parameters);

// Loads the whole file at `path` and scans it. Returns false, leaving
// `parameters` untouched, when the file cannot be opened or read.
bool ReadParameterFile(const char* path, NQueenParameters& parameters);

}  // namespace zarnel
