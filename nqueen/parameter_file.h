#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace zarnel {

// The keys of a parameter file, in the order in which they are matched. A new
// key is an entry here, its field in NQueenParameters and one row in the key
// table of parameter_file.cpp.
enum class ParameterKey : std::uint8_t {
    kQueens,
    kPopulationSize,
    kSlaveIterations,
    kSlaveThreads,
    kMutationRate,
    kDumpDirectory,
    kSeed,
    kMaxIterations,
    kTimeLimit,
    kResumeFrom,
    kJsonReport,
    kOperators,
    kDeterministic,
    // The island keys: read only when NQueenParameters::islandKeys is set.
    kMigrationInterval,
    kMigrants,
    // Islands in one process: read only when NQueenParameters::islandsKey is
    // set (ZarnelNQueen); a file that sets it is read with the island keys.
    kIslands,
};
inline constexpr std::size_t kParameterKeyCount = 16;
// The keys from kQueens to kDumpDirectory; the keys added since (run control,
// the operator set and its deterministic mode, the island keys) follow them.
inline constexpr std::size_t kClassicKeyCount = 6;

// The key's text as it appears in a parameter file ("queens", ...).
const char* ParameterKeyName(ParameterKey key);

// What the file did to one key: never set, set to a value, last given a
// whole number outside the range of its field (kept out of the field), or
// last given text that is no value: a word where an optional number key
// wants a number, or nothing where resume_from or json_report wants a path.
// Only the keys added to the classic ones become kUnreadable; a classic key
// without a number stays kUnset, as it always did.
enum class KeyState : std::uint8_t { kUnset, kSet, kOutOfRange, kUnreadable };

// Where a key became kUnreadable: the line of the key (from 1) and the text
// that stood where its value belongs (empty when there was none), so that the
// refusal can show both.
struct UnreadValue {
    std::size_t line = 0;
    std::string text;
};

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
    // The optional run-control keys; each takes effect only when its key is set.
    std::int64_t seed = 0;
    std::int64_t max_iterations = 0;
    double time_limit = 0.0;  // seconds
    std::string resume_from;
    std::string json_report;
    std::string operators;  // empty: the classic operator set
    // "yes": the fast set's deterministic mode (lanes); empty or "no": the
    // default mode.
    std::string deterministic;
    // The island keys, known only to a parameter file read with islandKeys
    // set (the islands program); elsewhere their lines are ignored like any
    // unknown word.
    std::int64_t migration_interval = 100;
    std::int64_t migrants = 1;
    bool islandKeys = false;
    // Islands of one process, each with population_size individuals and
    // slave_threads slave threads (ZarnelNQueen); read only with islandsKey
    // set, and then a file that sets it has its island keys read too.
    std::int64_t islands = 1;
    bool islandsKey = false;

    // The states of the classic keys, and of the keys added since apart, so
    // that a loop over keyStates sees the keys of a classic file only.
    std::array<KeyState, kClassicKeyCount> keyStates{};
    std::array<KeyState, kParameterKeyCount - kClassicKeyCount> addedKeyStates{};
    // For each added key whose state is kUnreadable, what was given.
    std::array<UnreadValue, kParameterKeyCount - kClassicKeyCount> unreadValues{};
    // The text had line ends, all of them carriage returns without a line
    // feed (old Macintosh files), so its lines ran together when read.
    bool onlyCarriageReturnLineEnds = false;

    KeyState StateOf(ParameterKey key) const {
        const auto k = static_cast<std::size_t>(key);
        return k < kClassicKeyCount ? keyStates[k] : addedKeyStates[k - kClassicKeyCount];
    }
    KeyState& StateRef(ParameterKey key) {
        const auto k = static_cast<std::size_t>(key);
        return k < kClassicKeyCount ? keyStates[k] : addedKeyStates[k - kClassicKeyCount];
    }
    // What was given for an added key whose state is kUnreadable.
    const UnreadValue& UnreadValueOf(ParameterKey key) const {
        return unreadValues[static_cast<std::size_t>(key) - kClassicKeyCount];
    }
};

// A key's value as read: a whole number, a real number or a word.
using ParameterValue = std::variant<std::int64_t, double, std::string>;

// Every key that `parameters` has set, in key order, with its value as read.
std::vector<std::pair<std::string, ParameterValue>> KeysAsRead(const NQueenParameters& parameters);

// Receives one line (without a line end) for each value whose text is not
// what was read: a number or word followed on its line by more than blanks
// or a comment ("1e3" read as 1, "fast classic" read as fast), an octal
// number with an 8 or 9 in it ("08" read as 0), dump_directory or operators
// with no value on its line. Reading goes on as usual.
using ParameterWarningSink = std::function<void(const std::string& warning)>;

// Scans parameter-file text held in memory. The text ends at `size` bytes or at
// the first zero byte, whichever comes first; nothing beyond it is read. A
// UTF-8 byte-order mark at the start is skipped. Each line holds a key and its
// value, a "#" comment where a word may begin, or nothing; keys match
// regardless of ASCII case; after any word the rest of its line is skipped; a
// later line overrides an earlier one. A number may stand on the line after its
// key; a word must stand on its key's line. The value of a path key
// (dump_directory, resume_from, json_report) is the rest of its line, so that
// a path may hold blanks: it ends at the line end or at a "#" that follows a
// blank (a comment), without the blanks around it. Fields whose key the text
// does not set (or sets without a value) keep their values. Warnings, which
// start with "line <n>: ", go to `warn` when given.
void ScanParameterText(const char* text, std::size_t size, NQueenParameters& parameters,
                       const ParameterWarningSink& warn = {});

// Loads the whole file at `path` and scans it; each warning goes to `warn` as
// "Warning: parameter file <path>, line <n>: ...". Returns false, leaving
// `parameters` untouched, when the file cannot be opened or read.
bool ReadParameterFile(const char* path, NQueenParameters& parameters, const ParameterWarningSink& warn = {});

}  // namespace zarnel
