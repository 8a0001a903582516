#include "nqueen/parameter_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace zarnel {

namespace {

constexpr const char* kKeyNames[kParameterKeyCount] = {
    "queens", "population_size", "slave_iterations", "slave_threads", "mutation_rate", "dump_directory",
};

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
// signed range is reported as such instead of being stored.
IntResult ScanInt(TextCursor cursor, std::int32_t& value) {
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
    // Accumulates while the magnitude is still in range; beyond that the
    // digits are consumed but only the overflow is remembered.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (int digit = DigitValue(cursor.Peek()); digit < base; digit = DigitValue(cursor.Peek())) {
        if (!overflow) {
            magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            overflow = magnitude > kLimit;
        }
        cursor.Advance();
    }
    if (overflow || (!negative && magnitude == kLimit)) return IntResult::kOutOfRange;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return IntResult::kValue;
}

// The bytes that can be part of a floating-point number as strtod reads it
// (digits, signs, point, exponent and hexadecimal letters, "inf", "nan(...)").
bool MayBeInNumber(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '+' || c == '-' || c == '(' || c == ')' || c == '_';
}

// Reads a floating-point number the way "%lf" does: leading white space is
// skipped and the longest prefix that strtod accepts is converted.
bool ScanDouble(TextCursor cursor, double& value) {
    SkipSpace(cursor);
    std::string token;
    while (MayBeInNumber(cursor.Peek())) {
        token.push_back(cursor.Peek());
        cursor.Advance();
    }
    if (token.empty()) return false;
    char* parsedEnd = nullptr;
    const double parsed = std::strtod(token.c_str(), &parsedEnd);
    if (parsedEnd == token.c_str()) return false;
    value = parsed;
    return true;
}

// Reads one word the way "%s" does, after skipping white space.
bool ScanWord(TextCursor cursor, std::string& value) {
    SkipSpace(cursor);
    std::string word;
    while (cursor.Peek() != '\0' && !IsSpace(cursor.Peek())) {
        word.push_back(cursor.Peek());
        cursor.Advance();
    }
    if (word.empty()) return false;
    value = std::move(word);
    return true;
}

void MarkInt(IntResult result, KeyState& state) {
    if (result == IntResult::kValue) state = KeyState::kSet;
    if (result == IntResult::kOutOfRange) state = KeyState::kOutOfRange;
}

// Reads the value that follows a key and stores it; a missing value leaves the
// field and its state as they were.
void ReadValue(ParameterKey key, TextCursor cursor, NQueenParameters& parameters) {
    KeyState& state = parameters.keyStates[static_cast<std::size_t>(key)];
    switch (key) {
        case ParameterKey::kQueens:
            MarkInt(ScanInt(cursor, parameters.queens), state);
            break;
        case ParameterKey::kPopulationSize:
            MarkInt(ScanInt(cursor, parameters.population_size), state);
            break;
        case ParameterKey::kSlaveIterations:
            MarkInt(ScanInt(cursor, parameters.slave_iterations), state);
            break;
        case ParameterKey::kSlaveThreads:
            MarkInt(ScanInt(cursor, parameters.slave_threads), state);
            break;
        case ParameterKey::kMutationRate:
            if (ScanDouble(cursor, parameters.mutation_rate)) state = KeyState::kSet;
            break;
        case ParameterKey::kDumpDirectory:
            if (ScanWord(cursor, parameters.dump_directory)) state = KeyState::kSet;
            break;
    }
}

}  // namespace

const char* ParameterKeyName(ParameterKey key) { return kKeyNames[static_cast<std::size_t>(key)]; }

void ScanParameterText(const char* text, std::size_t size, NQueenParameters& parameters) {
    const char* const end = text + size;
    TextCursor cursor(text, end);
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
            for (std::size_t k = 0; k < kParameterKeyCount; ++k) {
                if (EqualsIgnoringCase(word, length, kKeyNames[k])) {
                    ReadValue(static_cast<ParameterKey>(k), cursor, parameters);
                    break;
                }
            }
        }
        skipping = true;
    }
}

bool ReadParameterFile(const char* path, NQueenParameters& parameters) {
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
    ScanParameterText(text.data(), text.size(), parameters);
    return true;
}

}  // namespace zarnel
