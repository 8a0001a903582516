#include "solve/flag_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "genome/gene_text.h"

namespace zarnel::flag_values {

namespace {

// The text without one leading '+' that precedes a digit or a point.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() >= 2 && text[0] == '+' &&
        (std::isdigit(static_cast<unsigned char>(text[1])) != 0 || text[1] == '.')) {
        text.remove_prefix(1);
    }
    return text;
}

// The shortest text that reads back as `value`.
std::string Shortest(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, result.ptr};
}

}  // namespace

std::string ReadWhole(std::string_view text, std::uint64_t least, std::uint64_t most, std::uint64_t& value) {
    if (std::string fault = ValueFault(text); !fault.empty()) return fault;
    const std::string_view digits = WithoutPlus(text);
    std::uint64_t read = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), read);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size() ||
        read < least || read > most) {
        return gene_text::Quote(text) + " is not a whole number from " + std::to_string(least) + " to " +
               std::to_string(most);
    }
    value = read;
    return {};
}

std::string ReadFinite(std::string_view text, double least, double& value) {
    if (std::string fault = ValueFault(text); !fault.empty()) return fault;
    const std::string_view number = WithoutPlus(text);
    double read = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), read);
    const bool finite = !number.empty() && result.ec == std::errc() &&
                        result.ptr == number.data() + number.size() && std::isfinite(read);
    if (least == std::numeric_limits<double>::lowest()) {
        if (!finite) return gene_text::Quote(text) + " is not a finite number";
    } else if (!finite || read < least) {
        return gene_text::Quote(text) + " is not a finite number of " + Shortest(least) + " or more";
    }
    value = read;
    return {};
}

std::string NormaliseWhole(std::string& text, std::uint64_t least, std::uint64_t most) {
    std::uint64_t value = 0;
    std::string fault = ReadWhole(text, least, most, value);
    if (fault.empty()) text = std::to_string(value);
    return fault;
}

std::string NormaliseFinite(std::string& text, double least) {
    double value = 0.0;
    std::string fault = ReadFinite(text, least, value);
    if (fault.empty()) {
        // Seventeen digits lie within a twentieth of a unit in the last place
        // of the double, far from any half-way point, so a reader that goes
        // through a long double rounds back to the same double.
        char digits[32];
        const auto result =
            std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 17);
        text.assign(digits, result.ptr);
    }
    return fault;
}

std::string ValueFault(std::string_view text) {
    if (text.empty()) return "the value is empty";
    const bool longFlag = text.size() > 2 && text.substr(0, 2) == "--";
    const bool shortFlag =
        text.size() == 2 && text[0] == '-' && std::isalpha(static_cast<unsigned char>(text[1])) != 0;
    if (longFlag || shortFlag) return "no value before the next flag, " + gene_text::Quote(text);
    return {};
}

std::string EmptyAssignment(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument.size() > 3 && argument.substr(0, 2) == "--" && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1) {
            return std::string(argument.substr(0, argument.size() - 1));
        }
    }
    return {};
}

}  // namespace zarnel::flag_values
