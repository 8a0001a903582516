#include "nqueen/report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/nqueen/test_support.h"

namespace {

using zarnel::NQueenParameters;

// Runs `write` on a temporary file and returns what it wrote.
template <typename Write>
std::string Captured(Write write) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    EXPECT_TRUE(write(file));
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

const std::string kRule(78, '#');

NQueenParameters Parameters(int threads) {
    NQueenParameters p;
    p.queens = 4;
    p.population_size = 40000;
    p.slave_iterations = 10;
    p.slave_threads = threads;
    p.mutation_rate = 0.05;
    return p;
}

std::string Head(const NQueenParameters& p, std::uint32_t total) {
    return kRule + "\n# Number of queens:         " + std::to_string(p.queens) + "\n" + kRule +
           "\n# Population size:          " + std::to_string(p.population_size) +
           "\n# Mutation probability:     0.0500\n# Number of slave iter.:    10\n# Number of slave threads: "
           " " +
           std::to_string(p.slave_threads) + "\n# \n# Total master iterations:  " + std::to_string(total) +
           "\n" + kRule + "\n\n\n" + kRule + "\n";
}

const std::string kTail =
    kRule + "\n\n\n" + kRule + "\n# Solution:\n#\n#   1   3   0   2 \n#\n" + kRule + "\n";

TEST(WriteReport, OneThreadHasOneBlockAndNoSeparator) {
    const NQueenParameters p = Parameters(1);
    const std::uint32_t times[] = {2500};
    const std::uint16_t solution[] = {1, 3, 0, 2};
    zarnel::NQueenRunSummary summary{&p, 1000, 8589934592LL, times, solution};
    const std::string text = Captured([&](std::FILE* f) { return zarnel::WriteReport(f, summary); });
    EXPECT_EQ(
        text,
        Head(p, 1000) + "# Master time: 8589934592 msec\n" + kRule +
            "\n# Threads' times\n#\n"
            "# Thread 0\n# Total running time: 2500 (msec)\n# Avg. running time: 2 (msec/master iter.)\n" +
            kTail);
}

TEST(WriteReport, ThreeThreadsAreSeparatedByTwoLines) {
    NQueenParameters p = Parameters(3);
    p.mutation_rate = 0.123456;
    const std::uint32_t times[] = {10, 999, 4294967295u};
    const std::uint16_t solution[] = {1, 3, 0, 2};
    zarnel::NQueenRunSummary summary{&p, 3, 7, times, solution};
    const std::string text = Captured([&](std::FILE* f) { return zarnel::WriteReport(f, summary); });
    std::string head = Head(p, 3);
    head.replace(head.find("0.0500"), 6, "0.1235");
    EXPECT_EQ(
        text,
        head + "# Master time: 7 msec\n" + kRule +
            "\n# Threads' times\n#\n"
            "# Thread 0\n# Total running time: 10 (msec)\n# Avg. running time: 3 (msec/master iter.)\n#\n"
            "# Thread 1\n# Total running time: 999 (msec)\n# Avg. running time: 333 (msec/master iter.)\n#\n"
            "# Thread 2\n# Total running time: 4294967295 (msec)\n"
            "# Avg. running time: 1431655765 (msec/master iter.)\n" +
            kTail);
}

TEST(WritePopulationDump, OneLinePerIndividualAndTheAverage) {
    zarnel::NQueenPopulation population(2, 4);
    nqueen_test::SetGenes(*population.GetIndividual(0), {1, 3, 0, 2});
    nqueen_test::SetGenes(*population.GetIndividual(1), {0, 1, 2, 3});
    population.GetIndividual(0)->SetFitness(-0.0f);
    population.GetIndividual(1)->SetFitness(-0.75f);
    const std::string text =
        Captured([&](std::FILE* f) { return zarnel::WritePopulationDump(f, population); });
    EXPECT_EQ(text,
              "   1    3    0    2 -0.000000\n"
              "   0    1    2    3 -0.750000\n"
              "Avg. fitenss: -0.375000\n");
}

TEST(WriteSolutionRows, ThreePlacesAndABlankPerRow) {
    const std::uint16_t rows[] = {1, 3, 0, 2, 65535};
    const std::string text = Captured([&](std::FILE* f) {
        zarnel::WriteSolutionRows(f, rows, 5);
        return true;
    });
    EXPECT_EQ(text, "  1   3   0   2 65535 ");
}

}  // namespace
