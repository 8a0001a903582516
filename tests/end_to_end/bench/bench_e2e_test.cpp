#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Execution {
    int status = -1;
    std::string output;
};

// Runs ZarnelBench without arguments, its standard output sent to a file.
Execution RunBench() {
    const auto outputFile = std::filesystem::temp_directory_path() /
                            ("zarnel_bench_e2e_" + std::to_string(std::random_device{}()) + ".txt");
    const std::string command =
        std::string("\"") + ZARNEL_BENCH_PATH + "\" > \"" + outputFile.string() + "\"";
    Execution result;
#ifdef _WIN32
    // cmd.exe strips the outermost pair of quotes.
    result.status = std::system(("\"" + command + "\"").c_str());
#else
    result.status = std::system(command.c_str());
#endif
#ifdef _WIN32
    // A Windows program ends its lines with \r\n; text mode reads them as \n.
    std::ifstream in(outputFile);
#else
    std::ifstream in(outputFile, std::ios::binary);
#endif
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    std::filesystem::remove(outputFile);
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no newline>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The numbers of one five-line report.
struct Report {
    int thread[2] = {-1, -1};
    int total[2] = {-1, -1};
    int average[2] = {-1, -1};
    double bestFitness = 0.0;
};

// "Thread No. %3i total time: %5i msec", "Thread No. %3i avg   time: %5i msec"
// and "Best individual fitness: %15.10f"; the fields are right-aligned, so
// the widths are exact for values that fit them.
Report ParseReport(const std::vector<std::string>& lines, std::size_t first) {
    static const std::regex total(R"(Thread No\. ( {2}\d| \d\d|\d{3,}) total time: ( {0,4}\d+) msec)");
    static const std::regex average(R"(Thread No\. ( {2}\d| \d\d|\d{3,}) avg   time: ( {0,4}\d+) msec)");
    static const std::regex best(R"(Best individual fitness: ( *-?\d+\.\d{10}))");
    Report report;
    for (int t = 0; t < 2; ++t) {
        std::smatch match;
        const std::string& totalLine = lines[first + 2 * t];
        const std::string& averageLine = lines[first + 2 * t + 1];
        EXPECT_TRUE(std::regex_match(totalLine, match, total)) << totalLine;
        if (match.size() == 3) {
            EXPECT_GE(match[2].length(), 5) << totalLine;
            report.thread[t] = std::stoi(match[1]);
            report.total[t] = std::stoi(match[2]);
        }
        EXPECT_TRUE(std::regex_match(averageLine, match, average)) << averageLine;
        if (match.size() == 3) {
            EXPECT_GE(match[2].length(), 5) << averageLine;
            EXPECT_EQ(std::stoi(match[1]), report.thread[t]) << averageLine;
            report.average[t] = std::stoi(match[2]);
        }
    }
    std::smatch match;
    EXPECT_TRUE(std::regex_match(lines[first + 4], match, best)) << lines[first + 4];
    if (match.size() == 2) {
        EXPECT_GE(match[1].length(), 15) << lines[first + 4];
        report.bestFitness = std::stod(match[1]);
    }
    return report;
}

TEST(ZarnelBenchEndToEnd, PrintsTwoFiveLineReportsAndExitsWithZero) {
    const Execution run = RunBench();
    EXPECT_EQ(run.status, 0);
    const auto lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 10u) << run.output;

    Report reports[2] = {ParseReport(lines, 0), ParseReport(lines, 5)};
    for (const Report& report : reports) {
        for (int t = 0; t < 2; ++t) {
            EXPECT_EQ(report.thread[t], t);
            EXPECT_GT(report.total[t], 0);
            EXPECT_EQ(report.average[t], report.total[t] / 200);
        }
    }
    // The best individual survives every step and every mutation pass.
    EXPECT_GE(reports[1].bestFitness, reports[0].bestFitness);
    // Griewank's function on [-10, 10]^40 lies between 0 and about 2.
    EXPECT_GT(reports[0].bestFitness, 0.0);
    EXPECT_LT(reports[1].bestFitness, 3.0);
}

}  // namespace
