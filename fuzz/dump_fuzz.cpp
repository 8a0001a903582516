// libFuzzer target for the population-dump reader, which reads whatever file
// resume_from names. Any bytes are read as a dump for the board size and
// population that the text itself suggests (the words of its first line, the
// lines before its closing line) and for their neighbours, so that matching
// and mismatched runs are both tried. Beyond the absence of crashes,
// undefined behaviour and leaks, it checks:
//  - accepted: the genes are one permutation of 0 .. queens-1 per individual,
//    as many as the run builds, each is the number that its line holds, and
//    the closing line follows the last individual;
//  - refused: one short line that names the file, with no control byte;
//  - the file reader gives what the text reader gives, unless it refuses the
//    file as a whole (a zero byte, longer than any dump of the run).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "nqueen/dump_reader.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& message) {
    std::fprintf(stderr, "property violated: %s\n%s\n", what, message.c_str());
    std::abort();
}

// The file that the file reader reads: removed from its directory at once
// and named through this process's descriptor, so that nothing is left
// behind, even when a violation aborts the process.
int dumpFile = -1;
std::string dumpPath;

const std::string& DumpPath() {
    if (dumpFile < 0) {
        char pattern[] = "/tmp/zarnel_dump_fuzz_XXXXXX";
        dumpFile = mkstemp(pattern);
        if (dumpFile < 0) Fail("cannot create the dump file", pattern);
        unlink(pattern);
        dumpPath = "/proc/self/fd/" + std::to_string(dumpFile);
    }
    return dumpPath;
}

// Makes the text the whole content of the dump file.
void WriteDumpFile(const std::string& text) {
    DumpPath();
    if (ftruncate(dumpFile, 0) != 0 ||
        pwrite(dumpFile, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        Fail("cannot write the dump file", dumpPath);
}

// The board size and population that `text` suggests: the words of its first
// line less the fitness, and the lines before the first line that begins
// with "Avg.", each within what a run can ask for.
void SuggestedShape(const std::string& text, std::uint32_t& queens, std::uint32_t& size) {
    std::istringstream lines(text);
    std::string line;
    std::uint32_t words = 0;
    if (std::getline(lines, line)) {
        std::istringstream first(line);
        for (std::string word; first >> word;) ++words;
    }
    std::uint32_t before = 1;
    while (std::getline(lines, line) && line.rfind("Avg.", 0) != 0) ++before;
    queens = std::clamp<std::uint32_t>(words == 0 ? 0 : words - 1, 4, 65536);
    size = std::clamp<std::uint32_t>(before, 2, 32767);
}

// The whole number that a gene word of decimal digits stands for, or -1
// for any other word and for numbers beyond every gene.
long long GeneValue(const std::string& word) {
    if (word.empty()) return -1;
    for (const char c : word) {
        if (c < '0' || c > '9') return -1;
    }
    const std::size_t first = std::min(word.find_first_not_of('0'), word.size() - 1);
    if (word.size() - first > 9) return -1;
    return std::atoll(word.c_str() + first);
}

void CheckAccepted(const std::string& text, std::uint32_t queens, std::uint32_t size,
                   const std::vector<std::uint16_t>& genes) {
    if (genes.size() != std::size_t{queens} * size) Fail("accepted with the wrong number of genes", text);
    std::istringstream lines(text);
    std::string line;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (!std::getline(lines, line)) Fail("accepted without a line per individual", text);
        std::istringstream words(line);
        std::vector<bool> seen(queens, false);
        for (std::uint32_t g = 0; g < queens; ++g) {
            std::string word;
            words >> word;
            const std::uint16_t gene = genes[std::size_t{i} * queens + g];
            if (gene >= queens || seen[gene]) Fail("accepted genes that are no permutation", text);
            seen[gene] = true;
            if (GeneValue(word) != gene) Fail("a gene differs from the number on its line", text);
        }
    }
    if (!std::getline(lines, line) || line.rfind("Avg. fitenss:", 0) != 0)
        Fail("accepted without the closing line after the individuals", text);
}

void CheckRefused(const std::string& message, const std::string& path) {
    const std::string prefix = "Cannot resume from population dump " + path;
    if (message.rfind(prefix, 0) != 0) Fail("a refusal that does not name the file", message);
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) Fail("a refusal with a control byte", message);
    }
    // The path, the line number and a sentence that quotes at most a few
    // dozen bytes of the dump.
    if (message.size() > prefix.size() + 300) Fail("a refusal that is too long", message);
}

// Reads `text` as a dump for a run of `queens` and `size` and checks what the
// reader says; with `viaFile` the file reader too, from DumpPath, which holds
// the text.
void Check(const std::string& text, std::uint32_t queens, std::uint32_t size, bool viaFile) {
    const std::string& path = DumpPath();
    std::vector<std::uint16_t> genes;
    const std::string message = zarnel::ParsePopulationDump(text, path, queens, size, genes);
    if (message.empty()) {
        CheckAccepted(text, queens, size, genes);
    } else {
        CheckRefused(message, path);
    }
    if (!viaFile) return;
    std::vector<std::uint16_t> fromFile;
    const std::string fileMessage = zarnel::ReadPopulationDump(path, queens, size, fromFile);
    const bool wholeFileRefused =
        fileMessage.rfind("Cannot resume from population dump " + path + ": ", 0) == 0;
    if (wholeFileRefused) {
        CheckRefused(fileMessage, path);
        if (text.find('\0') == std::string::npos && text.size() <= 4096)
            Fail("a short text dump refused as a whole file", fileMessage);
    } else if (fileMessage != message || (message.empty() && fromFile != genes)) {
        Fail("the file reader and the text reader disagree", fileMessage + "\n" + message);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    WriteDumpFile(text);
    std::uint32_t queens = 0;
    std::uint32_t individuals = 0;
    SuggestedShape(text, queens, individuals);
    // The file is read once, for the suggested shape: what the file layer
    // adds does not depend on the shape.
    Check(text, queens, individuals, true);
    for (const std::uint32_t q : {queens, queens + 1}) {
        for (const std::uint32_t n : {individuals - 1, individuals, individuals + 1}) {
            if ((q != queens || n != individuals) && q <= 65536 && n >= 2 && n <= 32767)
                Check(text, q, n, false);
        }
    }
    return 0;
}
