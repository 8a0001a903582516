#include "genome/gene_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>
#include <type_traits>

namespace zarnel::gene_text {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Calls visit(word) for each word of `text`; stops early when it returns false.
template <class Visit>
void ForEachWord(std::string_view text, Visit&& visit) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::size_t end = i;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        if (!visit(text.substr(i, end - i))) return;
        i = end;
    }
}

std::string WordFault(std::size_t index, std::string_view word, std::string_view fault) {
    return "word " + std::to_string(index + 1) + " " + Quote(word) + " " + std::string(fault);
}

// Parses a whole word as an integer of type Gene; "" or the fault.
template <class Gene>
std::string ParseInteger(std::string_view word, Gene& gene) {
    using Limits = std::numeric_limits<Gene>;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    bool inRange = true;
    std::from_chars_result result{};
    std::int64_t value = 0;
    if (!word.empty() && word.front() == '-') {
        result = std::from_chars(first, last, value);
        if (result.ec == std::errc::result_out_of_range) inRange = false;
        if (value < static_cast<std::int64_t>(Limits::min())) inRange = false;
    } else {
        std::uint64_t magnitude = 0;
        result = std::from_chars(first, last, magnitude);
        if (result.ec == std::errc::result_out_of_range) inRange = false;
        if (magnitude > static_cast<std::uint64_t>(Limits::max())) inRange = false;
        value = static_cast<std::int64_t>(magnitude);
    }
    if (result.ptr != last || (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
        return "is not a number";
    }
    if (!inRange) {
        return "is out of range (" + std::to_string(+Limits::min()) + " to " +
               std::to_string(+Limits::max()) + ")";
    }
    gene = static_cast<Gene>(value);
    return "";
}

std::string ParseReal(std::string_view word, double& gene) {
    const char* last = word.data() + word.size();
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(word.data(), last, value);
    if (result.ptr != last || (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
        return "is not a number";
    }
    if (result.ec == std::errc::result_out_of_range) return "is out of range for a double";
    if (!std::isfinite(value)) return "is not a finite number";
    gene = value;
    return "";
}

}  // namespace

template <class Gene>
void Write(std::span<const Gene> genes, std::string& out) {
    char buffer[32];
    for (std::size_t i = 0; i < genes.size(); ++i) {
        if (i > 0) out += ' ';
        std::to_chars_result result{};
        if constexpr (std::is_floating_point_v<Gene>) {
            result = std::to_chars(buffer, buffer + sizeof buffer, genes[i]);
        } else {
            result = std::to_chars(buffer, buffer + sizeof buffer, +genes[i]);
        }
        out.append(buffer, result.ptr);
    }
}

template <class Gene>
std::string Read(std::string_view text, std::span<Gene> genes) {
    std::size_t words = 0;
    ForEachWord(text, [&](std::string_view) {
        ++words;
        return true;
    });
    if (words != genes.size()) {
        return "expected " + std::to_string(genes.size()) + " genes, found " + std::to_string(words);
    }
    std::string fault;
    std::size_t index = 0;
    ForEachWord(text, [&](std::string_view word) {
        if constexpr (std::is_floating_point_v<Gene>) {
            fault = ParseReal(word, genes[index]);
        } else {
            fault = ParseInteger(word, genes[index]);
        }
        if (!fault.empty()) {
            fault = WordFault(index, word, fault);
            return false;
        }
        ++index;
        return true;
    });
    return fault;
}

std::string Quote(std::string_view word) {
    constexpr std::size_t kShown = 32;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "'";
    for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F) {
            quoted += static_cast<char>(c);
        } else {
            quoted += "\\x";
            quoted += kHex[c >> 4];
            quoted += kHex[c & 0xF];
        }
    }
    if (word.size() > kShown) quoted += "...";
    return quoted + "'";
}

template void Write<std::uint8_t>(std::span<const std::uint8_t>, std::string&);
template void Write<std::uint32_t>(std::span<const std::uint32_t>, std::string&);
template void Write<std::int64_t>(std::span<const std::int64_t>, std::string&);
template void Write<double>(std::span<const double>, std::string&);
template std::string Read<std::uint8_t>(std::string_view, std::span<std::uint8_t>);
template std::string Read<std::uint32_t>(std::string_view, std::span<std::uint32_t>);
template std::string Read<std::int64_t>(std::string_view, std::span<std::int64_t>);
template std::string Read<double>(std::string_view, std::span<double>);

}  // namespace zarnel::gene_text
