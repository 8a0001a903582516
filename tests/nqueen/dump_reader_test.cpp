#include "nqueen/dump_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "nqueen/eval_operator.h"
#include "nqueen/init_operator.h"
#include "nqueen/report.h"
#include "tests/nqueen/test_support.h"

namespace {

using zarnel::NQueenPopulation;

// The text that WritePopulationDump writes for `population`.
std::string DumpText(NQueenPopulation& population) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    EXPECT_TRUE(zarnel::WritePopulationDump(file, population));
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

TEST(DumpReaderTest, DumpReadBackGivesTheSamePopulationGeneForGene) {
    NQueenPopulation original(9, 12);
    zarnel::CNQeenEvalOperator eval(&original);
    zarnel::CNQueenInitOperator init(&original, &eval);
    init.seed = 2026;
    init.Execute();
    // A wrong stated fitness is never trusted: the resumed run scores anew.
    std::string text = DumpText(original);
    const std::size_t firstLineEnd = text.find('\n');
    text.replace(text.rfind(' ', firstLineEnd) + 1, firstLineEnd - text.rfind(' ', firstLineEnd) - 1, "5.0");

    std::vector<std::uint16_t> genes;
    ASSERT_EQ(zarnel::ParsePopulationDump(text, "d.txt", 12, 9, genes), "");
    NQueenPopulation resumed(9, 12);
    zarnel::CNQeenEvalOperator resumedEval(&resumed);
    zarnel::CNQueenResumeOperator(&resumed, &resumedEval, genes, 1).Execute();
    for (std::uint32_t i = 0; i < 9; ++i) {
        EXPECT_EQ(nqueen_test::GenesOf(*resumed.GetIndividual(i)),
                  nqueen_test::GenesOf(*original.GetIndividual(i)));
        EXPECT_EQ(*resumed.GetIndividual(i)->GetFitness(), *original.GetIndividual(i)->GetFitness());
    }
}

TEST(DumpReaderTest, RefusesADumpThatDoesNotMatchTheRun) {
    const std::string two = "   0    2    1    3 -1.5\n   1    3    0    2 0.000000\nAvg. fitenss: -0.75\n";
    std::vector<std::uint16_t> genes;
    const auto problem = [&](const std::string& text, std::uint32_t queens, std::uint32_t size) {
        return zarnel::ParsePopulationDump(text, "d.txt", queens, size, genes);
    };
    EXPECT_EQ(problem(two, 4, 2), "");
    EXPECT_EQ(genes, (std::vector<std::uint16_t>{0, 2, 1, 3, 1, 3, 0, 2}));
    EXPECT_EQ(
        problem(two, 5, 2),
        "Cannot resume from population dump d.txt, line 1: expected 5 genes and a fitness (queens is 5), "
        "found 5 words, 4 genes and a fitness");
    EXPECT_EQ(problem(two, 4, 3),
              "Cannot resume from population dump d.txt, line 3: the dump holds 2 individuals, but the run "
              "builds 3");
    EXPECT_EQ(problem(two, 4, 1),
              "Cannot resume from population dump d.txt, line 2: more individuals than the 1 the run builds");
    EXPECT_EQ(problem("   0    2    2    3 -1\nAvg. fitenss: -1\n", 4, 1),
              "Cannot resume from population dump d.txt, line 1: row 2 appears twice, so the genes are no "
              "permutation");
    EXPECT_EQ(problem("   0    2    4    3 -1\n", 4, 1),
              "Cannot resume from population dump d.txt, line 1: gene 2 is \"4\", not a row from 0 to 3");
    EXPECT_EQ(problem("   0    2    1    3 -1\n", 4, 1),
              "Cannot resume from population dump d.txt, line 2: the dump ends without its closing \"Avg. "
              "fitenss:\" line");
    EXPECT_EQ(zarnel::ReadPopulationDump("/nonexistent/d.txt", 4, 1, genes),
              "Cannot resume from population dump /nonexistent/d.txt: it cannot be opened");
}

// Inputs that are no dump at all are refused before they are read whole: a
// directory, a file with a zero byte, a file longer than any dump of the run.
TEST(DumpReaderTest, RefusesWhatIsNoDumpWithoutReadingItWhole) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "zarnel_dump_reader_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    std::vector<std::uint16_t> genes;
    const std::string sub = (dir / "sub").string();
    EXPECT_EQ(zarnel::ReadPopulationDump(sub, 4, 1, genes)
                  .rfind("Cannot resume from population dump " + sub + ": it cannot be", 0),
              0U);
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream((dir / name).string(), std::ios::binary) << text;
        return (dir / name).string();
    };
    const std::string zero =
        write("zero.txt", std::string("   0    2    1    3 -1\0\nAvg. fitenss: -1\n", 36));
    EXPECT_EQ(
        zarnel::ReadPopulationDump(zero, 4, 1, genes),
        "Cannot resume from population dump " + zero + ": it holds a zero byte, so it is no population dump");
    const std::string longer = write("long.txt", std::string(200000, ' '));
    EXPECT_EQ(
        zarnel::ReadPopulationDump(longer, 4, 1, genes),
        "Cannot resume from population dump " + longer + ": it is longer than any dump of this run can be");
    fs::remove_all(dir);
}

// A closing line whose blanks became tabs, or any other line where the
// closing line belongs, is named as such; before, both were refused as "more
// individuals than the run builds", or as a gene that is no row.
TEST(DumpReaderTest, NamesAClosingLineThatIsNotRecognised) {
    std::vector<std::uint16_t> genes;
    const auto problem = [&](const std::string& text, std::uint32_t size) {
        return zarnel::ParsePopulationDump(text, "d.txt", 4, size, genes);
    };
    const std::string tabbed = "0\t2\t1\t3\t-1.5\n1\t3\t0\t2\t0.000000\nAvg.\tfitenss:\t-0.75\n";
    const std::string notRecognised =
        "Cannot resume from population dump d.txt, line 3: the closing line is not recognised: it must begin "
        "with \"Avg. fitenss:\" (one space between the words), not \"Avg.\\x09fitenss:\\x09-0.75\"";
    EXPECT_EQ(problem(tabbed, 2), notRecognised);
    EXPECT_EQ(problem(tabbed, 3), notRecognised) << "a dump with fewer individuals than the run builds";
    EXPECT_EQ(problem("   0    2    1    3 -1\nthe end\n", 1),
              "Cannot resume from population dump d.txt, line 2: the closing \"Avg. fitenss:\" line belongs "
              "here, after as many individuals as the run builds (1), not \"the end\"");
}

// A dump may hold any bytes; a message quotes a few dozen of them, with
// control bytes shown as \xNN, so that it stays one plain line.
TEST(DumpReaderTest, QuotesAShortPrintablePieceOfTheDump) {
    std::vector<std::uint16_t> genes;
    EXPECT_EQ(
        zarnel::ParsePopulationDump("   0    \x1B[2J    1    3 -1\n", "d.txt", 4, 1, genes),
        "Cannot resume from population dump d.txt, line 1: gene 1 is \"\\x1B[2J\", not a row from 0 to 3");
    EXPECT_EQ(zarnel::ParsePopulationDump(std::string(1000, '7') + " 0 1 2 -1\n", "d.txt", 4, 1, genes),
              "Cannot resume from population dump d.txt, line 1: gene 0 is \"" + std::string(40, '7') +
                  "\"..., not a row from 0 to 3");
}

}  // namespace

namespace {

// A dump of boards wider than 65536 queens: rows beyond 16 bits are read
// whole into 32-bit genes, and the 16-bit reader's bound is not applied.
TEST(DumpReaderTest, ReadsRowsBeyond16BitsIntoWideGenes) {
    constexpr std::uint32_t kQueens = 70000;
    std::string text;
    std::vector<std::uint32_t> expected;
    for (std::uint32_t individual = 0; individual < 2; ++individual) {
        for (std::uint32_t i = 0; i < kQueens; ++i) {
            // Individual 0 holds 0 .. N-1, individual 1 the reverse.
            const std::uint32_t row = individual == 0 ? i : kQueens - 1 - i;
            expected.push_back(row);
            text += std::to_string(row) + " ";
        }
        text += "-1.000000\n";
    }
    text += "Avg. fitenss: -1.000000\n";
    std::vector<std::uint32_t> genes;
    ASSERT_EQ(zarnel::ParsePopulationDump(text, "d.txt", kQueens, 2, genes), "");
    EXPECT_EQ(genes, expected);
    // A row repeated is still refused.
    text.replace(0, 2, "1 ");
    EXPECT_NE(zarnel::ParsePopulationDump(text, "d.txt", kQueens, 2, genes).find("appears twice"),
              std::string::npos);
}

}  // namespace
