#include "instance.h"

#include <zarnel/genome/gene_text.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace jobshop {

namespace {

// A line of the text with its number (from 1), cut into words at blanks.
struct Line {
    std::size_t number = 0;
    std::vector<std::string_view> words;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The lines that hold a word; an LF, a CR LF or a lone CR ends a line.
std::vector<Line> Lines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t number = 1, i = 0;
    while (i < text.size()) {
        Line line{number, {}};
        while (i < text.size() && text[i] != '\n' && text[i] != '\r') {
            while (i < text.size() && IsBlank(text[i])) ++i;
            const std::size_t start = i;
            while (i < text.size() && !IsBlank(text[i]) && text[i] != '\n' && text[i] != '\r') ++i;
            if (i > start) line.words.push_back(text.substr(start, i - start));
        }
        if (i < text.size() && text[i] == '\r') {
            ++i;
            if (i < text.size() && text[i] == '\n') ++i;
        } else if (i < text.size()) {
            ++i;  // the LF
        }
        if (!line.words.empty()) lines.push_back(std::move(line));
        ++number;
    }
    return lines;
}

std::optional<std::int64_t> WholeNumber(std::string_view word) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

bool AllNumbers(const Line& line) {
    for (const std::string_view word : line.words) {
        if (!WholeNumber(word)) return false;
    }
    return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The line is the one word `keyword`, in any case.
bool IsKeyword(const Line& line, std::string_view keyword) {
    if (line.words.size() != 1 || line.words[0].size() != keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (Lower(line.words[0][i]) != Lower(keyword[i])) return false;
    }
    return true;
}

// Reads the lines of one instance in order and says what is wrong where.
class Reader {
public:
    Reader(std::vector<Line> lines, std::string_view source) : lines_(std::move(lines)), source_(source) {}

    [[noreturn]] void Fail(const std::string& reason) const {
        throw FormatError(std::string(source_) + ": " + reason);
    }
    [[noreturn]] void Fail(const Line& line, const std::string& reason) const {
        Fail("line " + std::to_string(line.number) + ": " + reason);
    }

    bool AtEnd() const { return next_ == lines_.size(); }
    const Line& Peek() const { return lines_[next_]; }
    // The next line, or a failure saying what was expected instead of the end.
    const Line& Next(const std::string& expected) {
        if (AtEnd()) Fail("the file ends where " + expected + " should follow");
        return lines_[next_++];
    }
    // Skips the description: the lines before the first line of numbers.
    void SkipDescription() {
        while (!AtEnd() && !AllNumbers(Peek())) ++next_;
        if (AtEnd()) Fail("no line of numbers: this is not a job-shop instance");
    }

    // The numbers of `line`, exactly `count` of them, each in [least, most].
    std::vector<std::int64_t> Numbers(const Line& line, std::size_t count, const std::string& what,
                                      std::int64_t least, std::int64_t most) const {
        if (line.words.size() != count) {
            Fail(line, "expected " + std::to_string(count) + " " + what + ", found " +
                           std::to_string(line.words.size()) + " numbers");
        }
        std::vector<std::int64_t> numbers;
        for (const std::string_view word : line.words) {
            const std::optional<std::int64_t> value = WholeNumber(word);
            if (!value) Fail(line, zarnel::gene_text::Quote(word) + " is not a whole number");
            if (*value < least || *value > most) {
                Fail(line, std::to_string(*value) + " is not in " + std::to_string(least) + " .. " +
                               std::to_string(most));
            }
            numbers.push_back(*value);
        }
        return numbers;
    }

private:
    std::vector<Line> lines_;
    std::string_view source_;
    std::size_t next_ = 0;
};

std::string JobLine(std::uint32_t job, std::uint32_t jobs, const char* what) {
    return "the " + std::string(what) + " of job " + std::to_string(job + 1) + " of " + std::to_string(jobs);
}

}  // namespace

Instance ParseInstance(std::string_view text, std::string_view source, std::string name) {
    Reader reader(Lines(text), source);
    reader.SkipDescription();
    const Line& header = reader.Next("the line of jobs and machines");
    if (header.words.size() < 2) reader.Fail(header, "expected '<jobs> <machines>', found one number");
    const std::int64_t jobs = *WholeNumber(header.words[0]);
    const std::int64_t machines = *WholeNumber(header.words[1]);
    if (jobs < 1 || machines < 1) {
        reader.Fail(header, "'" + std::to_string(jobs) + " " + std::to_string(machines) +
                                "': jobs and machines must be at least 1");
    }
    // Both at least 1, so the product test cannot overflow once each is below the bound.
    const auto bound = static_cast<std::int64_t>(Instance::kMaxJobsSquaredTimesMachines);
    if (jobs > bound || machines > bound ||
        static_cast<std::uint64_t>(jobs) * static_cast<std::uint64_t>(jobs) *
                static_cast<std::uint64_t>(machines) >
            Instance::kMaxJobsSquaredTimesMachines) {
        reader.Fail(header, std::to_string(jobs) + " jobs on " + std::to_string(machines) +
                                " machines is more than this program takes (jobs x jobs x machines at most " +
                                std::to_string(Instance::kMaxJobsSquaredTimesMachines) + ")");
    }
    Instance instance;
    instance.name = std::move(name);
    instance.jobs = static_cast<std::uint32_t>(jobs);
    instance.machines = static_cast<std::uint32_t>(machines);
    const std::uint32_t n = instance.jobs, m = instance.machines;
    instance.machine.resize(instance.Operations());
    instance.time.resize(instance.Operations());

    const bool keywords = !reader.AtEnd() && IsKeyword(reader.Peek(), "Times");
    const bool orLibrary = !keywords && (reader.AtEnd() || reader.Peek().words.size() != m);
    if (header.words.size() != 2 && !keywords) {
        reader.Fail(header,
                    "expected '<jobs> <machines>' (or Taillard's line of six numbers before 'Times'), "
                    "found " +
                        std::to_string(header.words.size()) + " numbers");
    }
    if (orLibrary) {
        for (std::uint32_t j = 0; j < n; ++j) {
            const Line& line = reader.Next(JobLine(j, n, "machine and time pairs"));
            const auto numbers =
                reader.Numbers(line, 2 * std::size_t{m},
                               "numbers (" + std::to_string(m) + " machine and time pairs of job " +
                                   std::to_string(j + 1) + ")",
                               0, Instance::kMaxTime);
            for (std::uint32_t k = 0; k < m; ++k) {
                if (numbers[2 * k] >= m) {
                    reader.Fail(line, "machine " + std::to_string(numbers[2 * k]) + " of job " +
                                          std::to_string(j + 1) + " is not below " + std::to_string(m) +
                                          " (machines count from 0 in this form)");
                }
                instance.machine[j * m + k] = static_cast<std::uint32_t>(numbers[2 * k]);
                instance.time[j * m + k] = numbers[2 * k + 1];
            }
        }
    } else {
        if (keywords) reader.Next("Times");
        for (std::uint32_t j = 0; j < n; ++j) {
            const Line& line = reader.Next(JobLine(j, n, "times"));
            const auto numbers = reader.Numbers(line, m, "times", 0, Instance::kMaxTime);
            for (std::uint32_t k = 0; k < m; ++k) instance.time[j * m + k] = numbers[k];
        }
        if (keywords) {
            const Line& line = reader.Next("the line 'Machines'");
            if (!IsKeyword(line, "Machines")) reader.Fail(line, "expected the line 'Machines'");
        }
        for (std::uint32_t j = 0; j < n; ++j) {
            const Line& line = reader.Next(JobLine(j, n, "machines"));
            const auto numbers = reader.Numbers(line, m, "machines (numbered from 1)", 1, m);
            for (std::uint32_t k = 0; k < m; ++k)
                instance.machine[j * m + k] = static_cast<std::uint32_t>(numbers[k] - 1);
        }
    }
    if (!reader.AtEnd()) {
        reader.Fail(reader.Peek(),
                    "text after the instance's " + std::to_string(n) + " jobs (one instance per file)");
    }
    return instance;
}

Instance ReadInstance(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) throw FormatError(path + ": cannot read the file (" + error.message() + ")");
    if (!std::filesystem::is_regular_file(status)) throw FormatError(path + ": not a regular file");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw FormatError(path + ": cannot open the file (" + std::strerror(errno) + ")");
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    // One byte past the bound tells a file that is too large, however it grew.
    while (text.size() <= kMaxFileBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) throw FormatError(path + ": cannot read the file (" + std::strerror(readError) + ")");
    if (text.size() > kMaxFileBytes) {
        throw FormatError(path + ": larger than " + std::to_string(kMaxFileBytes >> 20) +
                          " MiB, more than a job-shop instance this program takes");
    }
    return ParseInstance(text, path, std::filesystem::path(path).stem().string());
}

}  // namespace jobshop
