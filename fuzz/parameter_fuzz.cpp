// libFuzzer target for the parameter-file scanner. Beyond the absence of
// crashes, undefined behaviour and leaks, it checks three properties:
//  - raw text: scanning is deterministic, warnings change nothing that is read,
//    and changing the case of every ASCII letter changes neither which keys
//    are set nor the numbers read;
//  - generated files: the value written for a key is the value read back,
//    whatever the key's case, the blanks, the line ends, the comments and the
//    number base around it, and the last line for a key wins;
//  - a generated file that sets all five keys with usable values is accepted.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"

namespace {

using zarnel::KeyState;
using zarnel::NQueenParameters;
using zarnel::ParameterKey;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

bool SameNumber(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

bool SameNumbers(const NQueenParameters& a, const NQueenParameters& b) {
    return a.queens == b.queens && a.population_size == b.population_size &&
           a.slave_iterations == b.slave_iterations && a.slave_threads == b.slave_threads &&
           SameNumber(a.mutation_rate, b.mutation_rate) && a.keyStates == b.keyStates &&
           a.addedKeyStates == b.addedKeyStates;
}

void CheckRawText(const std::string& text) {
    NQueenParameters first;
    zarnel::ScanParameterText(text.data(), text.size(), first);
    NQueenParameters again;
    zarnel::ScanParameterText(text.data(), text.size(), again);
    if (!SameNumbers(first, again) || first.dump_directory != again.dump_directory)
        Fail("scan is not deterministic");
    // Warnings only inform: what is read stays the same, and each warning is
    // one plain line.
    NQueenParameters warned;
    zarnel::ScanParameterText(text.data(), text.size(), warned, [](const std::string& warning) {
        for (const char c : warning) {
            if (static_cast<unsigned char>(c) < 0x20) Fail("a warning holds a control byte");
        }
    });
    if (!SameNumbers(first, warned) || first.dump_directory != warned.dump_directory)
        Fail("a warning sink changed what was read");

    std::string upper = text;
    std::string lower = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    NQueenParameters fromUpper;
    zarnel::ScanParameterText(upper.data(), upper.size(), fromUpper);
    NQueenParameters fromLower;
    zarnel::ScanParameterText(lower.data(), lower.size(), fromLower);
    if (!SameNumbers(fromUpper, fromLower)) Fail("the case of the text changed what was read");
}

std::string RandomCase(FuzzedDataProvider& data, const char* key) {
    std::string word = key;
    for (char& c : word) {
        if (c >= 'a' && c <= 'z' && data.ConsumeBool()) c = static_cast<char>(c - 'a' + 'A');
    }
    return word;
}

std::string Blank(FuzzedDataProvider& data) {
    static const char* const kBlanks[] = {" ", "\t", "  ", " \t ", "\r\n", "\n"};
    // A line end between key and value is allowed: the number is read from
    // the first token of the next line.
    return kBlanks[data.ConsumeIntegralInRange<std::size_t>(0, data.ConsumeBool() ? 5 : 3)];
}

std::string LineEnd(FuzzedDataProvider& data) { return data.ConsumeBool() ? "\n" : "\r\n"; }

std::string IntText(FuzzedDataProvider& data, std::int32_t value) {
    const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -static_cast<std::int64_t>(value) : value);
    const char* sign = value < 0 ? "-" : (data.ConsumeBool() ? "+" : "");
    char buffer[64];
    switch (data.ConsumeIntegralInRange(0, 2)) {
        case 0:
            std::snprintf(buffer, sizeof buffer, "%s%u", sign, magnitude);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "%s0%o", sign, magnitude);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "%s0%c%x", sign, data.ConsumeBool() ? 'x' : 'X', magnitude);
            break;
    }
    return buffer;
}

// Lines that set nothing: comments, blank lines and words that match no key.
std::string NoiseLine(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            // Any bytes but a line end or a zero byte, which would end the comment or the text.
            std::string comment = data.ConsumeRandomLengthString(40);
            for (char& c : comment) {
                if (c == '\n' || c == '\0') c = '.';
            }
            return "# " + comment + LineEnd(data);
        }
        case 1:
            return " \t" + LineEnd(data);
        case 2:
            return "queens=8 comment" + LineEnd(data);
        default:
            return "queens# 99" + LineEnd(data);
    }
}

void CheckGeneratedFile(FuzzedDataProvider& data) {
    NQueenParameters want;
    want.queens = data.ConsumeIntegralInRange<std::int32_t>(zarnel::kMinQueens, zarnel::kMaxQueens);
    want.slave_threads = data.ConsumeIntegralInRange<std::int32_t>(0, 64);
    want.slave_iterations = data.ConsumeIntegralInRange<std::int32_t>(0, INT32_MAX);
    const std::int32_t minimum = 2 * want.slave_threads + 1 < 2 ? 2 : 2 * want.slave_threads + 1;
    want.population_size = data.ConsumeBool() ? data.ConsumeIntegralInRange<std::int32_t>(minimum, INT32_MAX)
                                              : data.ConsumeIntegralInRange<std::int32_t>(INT32_MIN, -1);
    want.mutation_rate = data.ConsumeFloatingPointInRange<double>(0.0, zarnel::kMaxMutationRate);

    const std::int32_t ints[] = {want.queens, want.population_size, want.slave_iterations,
                                 want.slave_threads};
    const ParameterKey intKeys[] = {ParameterKey::kQueens, ParameterKey::kPopulationSize,
                                    ParameterKey::kSlaveIterations, ParameterKey::kSlaveThreads};
    std::string text;
    for (int round = 0; round < 2; ++round) {
        // The first round writes decoys that the second round overrides.
        const bool decoy = round == 0;
        if (decoy && data.ConsumeBool()) continue;
        for (int k = 0; k < 4; ++k) {
            if (data.ConsumeBool()) text += NoiseLine(data);
            const std::int32_t value = decoy ? data.ConsumeIntegral<std::int32_t>() : ints[k];
            text +=
                RandomCase(data, zarnel::ParameterKeyName(intKeys[k])) + Blank(data) + IntText(data, value);
            text += (data.ConsumeBool() ? " # trailing words" : "") + LineEnd(data);
        }
        char rate[64];
        std::snprintf(rate, sizeof rate, "%.17g", decoy ? 12345.0 : want.mutation_rate);
        text += RandomCase(data, "mutation_rate") + Blank(data) + rate + LineEnd(data);
    }
    if (data.ConsumeBool()) text += NoiseLine(data);

    NQueenParameters got;
    zarnel::ScanParameterText(text.data(), text.size(), got);
    for (int k = 0; k < 5; ++k) {
        if (got.StateOf(static_cast<ParameterKey>(k)) != KeyState::kSet) Fail("a written key was not set");
    }
    if (got.queens != want.queens || got.population_size != want.population_size ||
        got.slave_iterations != want.slave_iterations || got.slave_threads != want.slave_threads ||
        got.mutation_rate != want.mutation_rate) {
        std::fprintf(stderr, "%s\n", text.c_str());
        Fail("a value read differs from the value written");
    }
    if (!zarnel::CheckParameters(got, "fuzz.txt").empty()) Fail("a file with five usable keys was rejected");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    if ((bytes[0] & 1u) == 0) {
        CheckRawText(std::string(reinterpret_cast<const char*>(bytes) + 1, size - 1));
    } else {
        FuzzedDataProvider data(bytes + 1, size - 1);
        CheckGeneratedFile(data);
    }
    return 0;
}
