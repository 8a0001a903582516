#include "nqueen/parameter_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace zarnel {

namespace {

// The field that a key's value is stored in; its type says how the value is
// read: a whole number as "%i" reads it, a real number as "%lf" reads it, or a
// word, which must stand on the key's own line.
using FieldPointer = std::variant<std::int32_t NQueenParameters::*, std::int64_t NQueenParameters::*,
                                  double NQueenParameters::*, std::string NQueenParameters::*>;

struct KeyRow {
    ParameterKey key;
    const char* name;
    FieldPointer field;
};

// The key table, in matching order: one row per key.
constexpr KeyRow kKeyTable[] = {
    {ParameterKey::kQueens, "queens", &NQueenParameters::queens},
    {ParameterKey::kPopulationSize, "population_size", &NQueenParameters::population_size},
    {ParameterKey::kSlaveIterations, "slave_iterations", &NQueenParameters::slave_iterations},
    {ParameterKey::kSlaveThreads, "slave_threads", &NQueenParameters::slave_threads},
    {ParameterKey::kMutationRate, "mutation_rate", &NQueenParameters::mutation_rate},
    {ParameterKey::kDumpDirectory, "dump_directory", &NQueenParameters::dump_directory},
    {ParameterKey::kSeed, "seed", &NQueenParameters::seed},
    {ParameterKey::kMaxIterations, "max_iterations", &NQueenParameters::max_iterations},
    {ParameterKey::kTimeLimit, "time_limit", &NQueenParameters::time_limit},
    {ParameterKey::kResumeFrom, "resume_from", &NQueenParameters::resume_from},
    {ParameterKey::kJsonReport, "json_report", &NQueenParameters::json_report},
    {ParameterKey::kOperators, "operators", &NQueenParameters::operators},
    {ParameterKey::kDeterministic, "deterministic", &NQueenParameters::deterministic},
    {ParameterKey::kMigrationInterval, "migration_interval", &NQueenParameters::migration_interval},
    {ParameterKey::kMigrants, "migrants", &NQueenParameters::migrants},
    {ParameterKey::kIslands, "islands", &NQueenParameters::islands},
};

bool IsIslandKey(ParameterKey key) {
    return key == ParameterKey::kMigrationInterval || key == ParameterKey::kMigrants;
}

// The keys whose value names a file or directory.
bool IsPathKey(ParameterKey key) {
    return key == ParameterKey::kDumpDirectory || key == ParameterKey::kResumeFrom ||
           key == ParameterKey::kJsonReport;
}

// The keys added to the classic ones: text that is no value for them refuses
// the file (kUnreadable); a classic key keeps its old reading.
bool IsAddedKey(ParameterKey key) { return static_cast<std::size_t>(key) >= kClassicKeyCount; }

constexpr bool RowsFollowTheKeys() {
    for (std::size_t k = 0; k < std::size(kKeyTable); ++k) {
        if (static_cast<std::size_t>(kKeyTable[k].key) != k) return false;
    }
    return std::size(kKeyTable) == kParameterKeyCount;
}
static_assert(RowsFollowTheKeys(), "one row per key, in the order of ParameterKey");

// Longest word that can match a key; a longer word matches none.
constexpr std::size_t kMaxWordLength = 255;

// A bounded view of the text in which the end, or a zero byte, reads as zero.
class TextCursor {
public:
    TextCursor(const char* at, const char* end) : at_(at), end_(end) {}

    char Peek(std::size_t offset = 0) const {
        return offset < static_cast<std::size_t>(end_ - at_) ? at_[offset] : '\0';
    }
    void Advance(std::size_t count = 1) { at_ += count; }
    const char* Position() const { return at_; }

private:
    const char* at_;
    const char* end_;
};

// The bytes that the C library's formatted input treats as white space.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// White space that does not end a line.
bool IsBlank(char c) { return c != '\n' && IsSpace(c); }

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const char* word, std::size_t length, const char* key) {
    std::size_t i = 0;
    for (; i < length; ++i) {
        if (key[i] == '\0' || ToLowerAscii(word[i]) != key[i]) return false;
    }
    return key[i] == '\0';
}

void SkipSpace(TextCursor& cursor) {
    while (IsSpace(cursor.Peek())) cursor.Advance();
}

void SkipBlanks(TextCursor& cursor) {
    while (IsBlank(cursor.Peek())) cursor.Advance();
}

// True when nothing but blanks or a comment follows on the cursor's line.
bool OnlyCommentFollows(TextCursor cursor) {
    SkipBlanks(cursor);
    const char c = cursor.Peek();
    return c == '\0' || c == '\n' || c == '#';
}

// The text from the cursor to its line end, cut at a "#" when `cutAtComment`,
// without blanks at its end.
std::string LineText(TextCursor cursor, bool cutAtComment) {
    std::string text;
    for (char c = cursor.Peek(); c != '\0' && c != '\n' && !(cutAtComment && c == '#'); c = cursor.Peek()) {
        text.push_back(c);
        cursor.Advance();
    }
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    return text;
}

// The value of a path key: the text from the cursor to its line end or to a
// "#" that follows a blank, without blanks at its end. A "#" inside a word
// belongs to the name ("run#2.json"), as a "#" there never starts a comment.
std::string PathText(TextCursor cursor) {
    std::string text;
    for (char c = cursor.Peek(); c != '\0' && c != '\n'; c = cursor.Peek()) {
        if (c == '#' && !text.empty() && IsBlank(text.back())) break;
        text.push_back(c);
        cursor.Advance();
    }
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    return text;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

enum class IntResult : std::uint8_t { kNoNumber, kValue, kOutOfRange };

// Reads a whole number the way "%i" does: leading white space (line ends
// included) is skipped, a sign is accepted, a leading 0x or 0X means
// hexadecimal, a leading 0 octal, anything else decimal; the number ends at the
// first byte that is not a digit of its base. A value outside the 32-bit
// signed range of `Int` is reported as such instead of being stored. On
// return the cursor stands after the number, and `octal` tells whether it was
// read in base 8.
template <typename Int>
IntResult ScanInt(TextCursor& cursor, Int& value, bool& octal) {
    SkipSpace(cursor);
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }
    int base = 10;
    if (cursor.Peek() == '0') {
        if ((cursor.Peek(1) == 'x' || cursor.Peek(1) == 'X') && DigitValue(cursor.Peek(2)) < 16) {
            base = 16;
            cursor.Advance(2);
        } else {
            base = 8;
        }
    } else if (DigitValue(cursor.Peek()) >= 10) {
        return IntResult::kNoNumber;
    }
    octal = base == 8;
    // Accumulates while the magnitude is still in range; beyond that the
    // digits are consumed but only the overflow is remembered.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << (8 * sizeof(Int) - 1);
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (int digit = DigitValue(cursor.Peek()); digit < base; digit = DigitValue(cursor.Peek())) {
        if (!overflow) {
            // Checked before the step, which could wrap a 64-bit magnitude.
            overflow =
                magnitude > (kLimit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base);
            magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        }
        cursor.Advance();
    }
    if (overflow || (!negative && magnitude == kLimit)) return IntResult::kOutOfRange;
    value = negative ? static_cast<Int>(0 - magnitude) : static_cast<Int>(magnitude);
    return IntResult::kValue;
}

// The bytes that can be part of a floating-point number as strtod reads it
// (digits, signs, point, exponent and hexadecimal letters, "inf", "nan(...)").
bool MayBeInNumber(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '+' || c == '-' || c == '(' || c == ')' || c == '_';
}

// Reads a floating-point number the way "%lf" does: leading white space is
// skipped and the longest prefix that strtod accepts is converted. On success
// the cursor stands after that prefix.
bool ScanDouble(TextCursor& cursor, double& value) {
    SkipSpace(cursor);
    std::string token;
    for (std::size_t i = 0; MayBeInNumber(cursor.Peek(i)); ++i) token.push_back(cursor.Peek(i));
    if (token.empty()) return false;
    char* parsedEnd = nullptr;
    const double parsed = std::strtod(token.c_str(), &parsedEnd);
    if (parsedEnd == token.c_str()) return false;
    value = parsed;
    cursor.Advance(static_cast<std::size_t>(parsedEnd - token.c_str()));
    return true;
}

// The shortest text that reads back as `value`.
std::string ShowNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Reads the value of one key from the text after the key's word, stores it in
// the row's field and notes the key's state; a missing value leaves both as
// they were. Tells `warn` when the text was not what was read.
class ValueReader {
public:
    ValueReader(const char* text, const char* keyAt, const KeyRow& row, TextCursor cursor,
                NQueenParameters& parameters, const ParameterWarningSink& warn)
        : text_(text),
          keyAt_(keyAt),
          row_(row),
          cursor_(cursor),
          parameters_(parameters),
          state_(parameters.StateRef(row.key)),
          warn_(warn) {}

    template <typename Int>
    void operator()(Int NQueenParameters::*field) requires std::is_integral_v<Int> {
        TextCursor start = cursor_;
        SkipSpace(start);
        bool octal = false;
        const IntResult result = ScanInt(cursor_, parameters_.*field, octal);
        if (result == IntResult::kOutOfRange) state_ = KeyState::kOutOfRange;
        if (result == IntResult::kNoNumber) Unreadable(LineText(start, true));
        if (result != IntResult::kValue) return;
        state_ = KeyState::kSet;
        if (OnlyCommentFollows(cursor_)) return;
        const bool octalCut = octal && (cursor_.Peek() == '8' || cursor_.Peek() == '9');
        Warn(LineText(start, true),
             std::to_string(parameters_.*field) + (octalCut ? " (a leading 0 means octal)" : ""));
    }

    void operator()(double NQueenParameters::*field) {
        TextCursor start = cursor_;
        SkipSpace(start);
        if (!ScanDouble(cursor_, parameters_.*field)) {
            Unreadable(LineText(start, true));
            return;
        }
        state_ = KeyState::kSet;
        if (!OnlyCommentFollows(cursor_)) Warn(LineText(start, true), ShowNumber(parameters_.*field));
    }

    void operator()(std::string NQueenParameters::*field) {
        SkipBlanks(cursor_);
        const char c = cursor_.Peek();
        if (c == '\0' || c == '\n' || c == '#') {
            // A record or a resume that was asked for without a path is
            // refused; another word only keeps its earlier value.
            if (IsAddedKey(row_.key) && IsPathKey(row_.key)) {
                Unreadable(std::string());
            } else {
                Warn(LineText(cursor_, false), "no value (it must follow the key on its line)");
            }
            return;
        }
        std::string value;
        if (IsPathKey(row_.key)) {
            // A path may hold blanks ("my run.json"): cut at the first one,
            // it would name another file.
            value = PathText(cursor_);
        } else {
            const TextCursor start = cursor_;
            for (char next = c; next != '\0' && !IsSpace(next); next = cursor_.Peek()) {
                value.push_back(next);
                cursor_.Advance();
            }
            if (!OnlyCommentFollows(cursor_)) Warn(LineText(start, true), Printable(value));
        }
        parameters_.*field = std::move(value);
        state_ = KeyState::kSet;
    }

private:
    std::size_t KeyLine() const { return 1 + static_cast<std::size_t>(std::count(text_, keyAt_, '\n')); }

    void Warn(const std::string& written, const std::string& read) const {
        if (!warn_) return;
        warn_("line " + std::to_string(KeyLine()) + ": " + row_.name + " \"" + Printable(written) +
              "\" is read as " + read);
    }

    // The text where an added key's value belongs is no value: the key is
    // marked so that the checks refuse the file, showing what was given. A
    // classic key keeps its old reading (unset, or its earlier value).
    void Unreadable(const std::string& written) {
        if (!IsAddedKey(row_.key)) return;
        state_ = KeyState::kUnreadable;
        UnreadValue& unread = parameters_.unreadValues[static_cast<std::size_t>(row_.key) - kClassicKeyCount];
        unread.line = KeyLine();
        unread.text = Printable(written);
    }

    // The text with control bytes shown as \xNN, so a warning stays one
    // plain line on a terminal.
    static std::string Printable(const std::string& text) {
        std::string shown;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte != 0x7F) {
                shown.push_back(c);
                continue;
            }
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            shown += escaped;
        }
        return shown;
    }

    const char* text_;
    const char* keyAt_;
    const KeyRow& row_;
    TextCursor cursor_;
    NQueenParameters& parameters_;
    KeyState& state_;
    const ParameterWarningSink& warn_;
};

// True when the text has line ends and all of them are carriage returns alone.
bool OnlyCarriageReturnLineEnds(const char* text, std::size_t size) {
    // An empty text may come as a null pointer, which memchr must not see.
    if (size == 0) return false;
    const void* zero = std::memchr(text, '\0', size);
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : size;
    return std::memchr(text, '\r', length) != nullptr && std::memchr(text, '\n', length) == nullptr;
}

}  // namespace

const char* ParameterKeyName(ParameterKey key) { return kKeyTable[static_cast<std::size_t>(key)].name; }

std::vector<std::pair<std::string, ParameterValue>> KeysAsRead(const NQueenParameters& parameters) {
    std::vector<std::pair<std::string, ParameterValue>> keys;
    for (const KeyRow& row : kKeyTable) {
        if (parameters.StateOf(row.key) != KeyState::kSet) continue;
        std::visit([&](auto field) { keys.emplace_back(row.name, ParameterValue(parameters.*field)); },
                   row.field);
    }
    return keys;
}

void ScanParameterText(const char* text, std::size_t size, NQueenParameters& parameters,
                       const ParameterWarningSink& warn) {
    // A file that sets `islands` is read with the island keys; whether it
    // does is known only after the whole text, so a silent first reading
    // decides.
    if (parameters.islandsKey && !parameters.islandKeys) {
        NQueenParameters first = parameters;
        first.islandKeys = true;
        ScanParameterText(text, size, first);
        if (first.StateOf(ParameterKey::kIslands) != KeyState::kUnset) parameters.islandKeys = true;
    }
    const char* const end = text + size;
    TextCursor cursor(text, end);
    // A UTF-8 byte-order mark, which some editors put at the start.
    if (cursor.Peek(0) == '\xEF' && cursor.Peek(1) == '\xBB' && cursor.Peek(2) == '\xBF') cursor.Advance(3);
    // Such text is refused as a whole; its run-together lines would only
    // give warnings.
    const bool runTogether = OnlyCarriageReturnLineEnds(text, size);
    if (runTogether) parameters.onlyCarriageReturnLineEnds = true;
    const ParameterWarningSink none;
    const ParameterWarningSink& warnings = runTogether ? none : warn;
    bool skipping = false;
    while (cursor.Peek() != '\0') {
        const char c = cursor.Peek();
        if (skipping) {
            if (c == '\n') skipping = false;
            cursor.Advance();
            continue;
        }
        if (c == '#') {
            skipping = true;
            cursor.Advance();
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            cursor.Advance();
            continue;
        }
        // A word: every byte up to the next white space or the end of the text.
        // A vertical tab or form feed here makes an empty word, which, like any
        // word, sends the rest of the line to be skipped.
        std::size_t length = 0;
        while (cursor.Peek(length) != '\0' && !IsSpace(cursor.Peek(length))) ++length;
        const char* word = cursor.Position();
        cursor.Advance(length);
        if (length <= kMaxWordLength) {
            for (const KeyRow& row : kKeyTable) {
                if (IsIslandKey(row.key) && !parameters.islandKeys) continue;
                if (row.key == ParameterKey::kIslands && !parameters.islandsKey) continue;
                if (EqualsIgnoringCase(word, length, row.name)) {
                    std::visit(ValueReader(text, word, row, cursor, parameters, warnings), row.field);
                    break;
                }
            }
        }
        skipping = true;
    }
}

bool ReadParameterFile(const char* path, NQueenParameters& parameters, const ParameterWarningSink& warn) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::vector<char> text;
    char chunk[4096];
    std::size_t got;
    // A zero byte ends the text, so reading stops at the first one: a device
    // such as /dev/zero never ends and would otherwise fill the memory.
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        const char* const zero = static_cast<const char*>(std::memchr(chunk, '\0', got));
        text.insert(text.end(), static_cast<const char*>(chunk), zero != nullptr ? zero : chunk + got);
        if (zero != nullptr) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return false;
    ParameterWarningSink named;
    if (warn) {
        named = [&warn, path](const std::string& warning) {
            warn("Warning: parameter file " + std::string(path) + ", " + warning);
        };
    }
    ScanParameterText(text.data(), text.size(), parameters, named);
    return true;
}

}  // namespace zarnel
