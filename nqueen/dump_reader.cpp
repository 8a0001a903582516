#include "nqueen/dump_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace zarnel {

namespace {

constexpr const char* kAverageLine = "Avg. fitenss:";

// The longest piece of the dump that a message quotes.
constexpr std::size_t kQuoteLength = 40;

// `text` in quotes for a message of one plain line: bytes below 0x20 and
// 0x7F show as \xNN (a dump may hold any bytes), and a long text is cut.
std::string Quoted(const std::string& text) {
    std::string shown = "\"";
    for (std::size_t i = 0; i < text.size() && i < kQuoteLength; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != 0x7F) {
            shown.push_back(text[i]);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
        shown += escaped;
    }
    shown += text.size() > kQuoteLength ? "\"..." : "\"";
    return shown;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// Empty when `words` are `queens` genes forming a permutation and a number,
// appended to `genes`; otherwise what is wrong.
template <typename Gene>
std::string ReadIndividual(const std::vector<std::string>& words, std::uint32_t queens,
                           std::vector<Gene>& genes) {
    if (words.size() != std::size_t{queens} + 1) {
        // Words, not numbers: they are counted before they are read.
        const std::string found = words.empty() ? "an empty line"
                                  : words.size() == 1
                                      ? "1 word"
                                      : std::to_string(words.size()) + " words, " +
                                            std::to_string(words.size() - 1) + " genes and a fitness";
        return "expected " + std::to_string(queens) + " genes and a fitness (queens is " +
               std::to_string(queens) + "), found " + found;
    }
    std::vector<bool> seen(queens, false);
    for (std::uint32_t g = 0; g < queens; ++g) {
        const std::string& word = words[g];
        std::uint32_t gene = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), gene);
        if (error != std::errc() || end != word.data() + word.size() || gene >= queens) {
            return "gene " + std::to_string(g) + " is " + Quoted(word) + ", not a row from 0 to " +
                   std::to_string(queens - 1);
        }
        if (seen[gene]) return "row " + word + " appears twice, so the genes are no permutation";
        seen[gene] = true;
        genes.push_back(static_cast<Gene>(gene));
    }
    // The stated fitness is recomputed; it only has to be a number.
    char* end = nullptr;
    std::strtod(words.back().c_str(), &end);
    if (end != words.back().c_str() + words.back().size()) return "its fitness is not a number";
    return {};
}

template <typename Gene>
std::string Parse(const std::string& text, const std::string& path, std::uint32_t queens, std::uint32_t size,
                  std::vector<Gene>& genes) {
    const std::string prefix = "Cannot resume from population dump " + path;
    genes.clear();
    std::istringstream stream(text);
    std::uint32_t lineNumber = 0;
    std::uint32_t individuals = 0;
    for (std::string line; std::getline(stream, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = prefix + ", line " + std::to_string(lineNumber) + ": ";
        if (line.rfind(kAverageLine, 0) == 0) {
            if (individuals != size) {
                return where + "the dump holds " + std::to_string(individuals) +
                       " individuals, but the run builds " + std::to_string(size);
            }
            return {};
        }
        const std::vector<std::string> words = Words(line);
        // The closing line with other blanks (tabs, two spaces) would
        // otherwise be read as an individual.
        if (!words.empty() && words.front() == "Avg.") {
            return where + "the closing line is not recognised: it must begin with \"" + kAverageLine +
                   "\" (one space between the words), not " + Quoted(line);
        }
        if (individuals == size) {
            std::vector<Gene> extra;
            if (!ReadIndividual(words, queens, extra).empty()) {
                return where + "the closing \"" + kAverageLine +
                       "\" line belongs here, after as many individuals as the run builds (" +
                       std::to_string(size) + "), not " + Quoted(line);
            }
            return where + "more individuals than the " + std::to_string(size) + " the run builds";
        }
        const std::string problem = ReadIndividual(words, queens, genes);
        if (!problem.empty()) return where + problem;
        ++individuals;
    }
    return prefix + ", line " + std::to_string(lineNumber + 1) +
           ": the dump ends without its closing \"Avg. fitenss:\" line";
}

// Digits of `value` in decimal.
std::uint64_t Digits(std::uint32_t value) {
    std::uint64_t digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

template <typename Gene>
std::string Read(const std::string& path, std::uint32_t queens, std::uint32_t size,
                 std::vector<Gene>& genes) {
    const std::string prefix = "Cannot resume from population dump " + path + ": ";
    // No dump of this run is longer than this: per individual, each gene at
    // most five digits (more on boards beyond 100000 queens) and a blank, the
    // fitness well under 64 characters; and the closing line. A longer input
    // (a device, a wrong file) is refused before it can take the memory the
    // run needs.
    const std::uint64_t perGene = std::max<std::uint64_t>(6, Digits(queens == 0 ? 0 : queens - 1) + 1);
    const std::uint64_t limit = std::uint64_t{size} * (std::uint64_t{queens} * perGene + 64) + 4096;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return prefix + "it cannot be opened";
    std::string text;
    char buffer[65536];
    bool failed = false;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, got);
        // A dump is text: a zero byte (a device such as /dev/zero, a binary
        // file) ends the reading at once.
        if (std::memchr(buffer, 0, got) != nullptr) break;
        if (got < sizeof buffer) {
            failed = std::ferror(file) != 0;  // a directory fails here (EISDIR)
            break;
        }
        if (text.size() > limit) break;
    }
    std::fclose(file);
    if (failed) return prefix + "it cannot be read";
    if (text.size() > limit) return prefix + "it is longer than any dump of this run can be";
    if (text.find('\0') != std::string::npos)
        return prefix + "it holds a zero byte, so it is no population dump";
    return Parse(text, path, queens, size, genes);
}

}  // namespace

std::string ParsePopulationDump(const std::string& text, const std::string& path, std::uint32_t queens,
                                std::uint32_t size, std::vector<std::uint16_t>& genes) {
    return Parse(text, path, queens, size, genes);
}

std::string ParsePopulationDump(const std::string& text, const std::string& path, std::uint32_t queens,
                                std::uint32_t size, std::vector<std::uint32_t>& genes) {
    return Parse(text, path, queens, size, genes);
}

std::string ReadPopulationDump(const std::string& path, std::uint32_t queens, std::uint32_t size,
                               std::vector<std::uint16_t>& genes) {
    return Read(path, queens, size, genes);
}

std::string ReadPopulationDump(const std::string& path, std::uint32_t queens, std::uint32_t size,
                               std::vector<std::uint32_t>& genes) {
    return Read(path, queens, size, genes);
}

}  // namespace zarnel
