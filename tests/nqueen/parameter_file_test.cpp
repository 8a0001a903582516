#include "nqueen/parameter_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using zarnel::KeyState;
using zarnel::NQueenParameters;
using zarnel::ParameterKey;

NQueenParameters Scan(const std::string& text) {
    NQueenParameters parameters;
    zarnel::ScanParameterText(text.data(), text.size(), parameters);
    return parameters;
}

// The warnings that scanning `text` gives.
std::vector<std::string> Warnings(const std::string& text) {
    std::vector<std::string> warnings;
    NQueenParameters parameters;
    zarnel::ScanParameterText(text.data(), text.size(), parameters,
                              [&](const std::string& warning) { warnings.push_back(warning); });
    return warnings;
}

TEST(ParameterScanner, ReadsEveryKeyWithItsConversion) {
    const auto p = Scan(
        "queens 8\npopulation_size 100\nslave_iterations 10\nslave_threads 2\nmutation_rate 0.05\n"
        "dump_directory /tmp/dumps\n");
    EXPECT_EQ(p.queens, 8);
    EXPECT_EQ(p.population_size, 100);
    EXPECT_EQ(p.slave_iterations, 10);
    EXPECT_EQ(p.slave_threads, 2);
    EXPECT_EQ(p.mutation_rate, 0.05);
    EXPECT_EQ(p.dump_directory, "/tmp/dumps");
    for (auto state : p.keyStates) EXPECT_EQ(state, KeyState::kSet);
}

TEST(ParameterScanner, KeysIgnoreCaseButMustBeWholeWords) {
    EXPECT_EQ(Scan("QUEENS 8").queens, 8);
    EXPECT_EQ(Scan("Population_Size 40").population_size, 40);
    EXPECT_EQ(Scan("queens=8").StateOf(ParameterKey::kQueens), KeyState::kUnset);
    EXPECT_EQ(Scan("queensx 8").StateOf(ParameterKey::kQueens), KeyState::kUnset);
    EXPECT_EQ(Scan("queens# 8").StateOf(ParameterKey::kQueens), KeyState::kUnset);
    EXPECT_EQ(Scan("que 8").StateOf(ParameterKey::kQueens), KeyState::kUnset);
}

TEST(ParameterScanner, WholeNumbersReadAsPercentI) {
    EXPECT_EQ(Scan("queens 010").queens, 8);
    EXPECT_EQ(Scan("queens 0x10").queens, 16);
    EXPECT_EQ(Scan("queens 0X1f").queens, 31);
    EXPECT_EQ(Scan("queens -12").queens, -12);
    EXPECT_EQ(Scan("queens +12").queens, 12);
    EXPECT_EQ(Scan("queens 09").queens, 0) << "octal ends at the 9";
    EXPECT_EQ(Scan("queens 0xg").queens, 0) << "a 0x without digits is the number 0";
    EXPECT_EQ(Scan("queens 12abc").queens, 12);
    EXPECT_EQ(Scan("queens -2147483648").queens, -2147483647 - 1);
    EXPECT_EQ(Scan("queens 2147483647").queens, 2147483647);
}

TEST(ParameterScanner, NumbersOutsideThirtyTwoBitsAreMarkedNotStored) {
    for (const char* text :
         {"queens 2147483648", "queens -2147483649", "queens 0x100000000", "queens 99999999999999999999"}) {
        const auto p = Scan(std::string("queens 5\n") + text);
        EXPECT_EQ(p.queens, 5) << text;
        EXPECT_EQ(p.StateOf(ParameterKey::kQueens), KeyState::kOutOfRange) << text;
    }
    EXPECT_EQ(Scan("queens 99999999999\nqueens 6").StateOf(ParameterKey::kQueens), KeyState::kSet);
}

TEST(ParameterScanner, MissingValuesLeaveTheFieldAlone) {
    auto p = Scan("queens 8\nqueens x\nqueens -\nqueens");
    EXPECT_EQ(p.queens, 8);
    EXPECT_EQ(Scan("mutation_rate abc").StateOf(ParameterKey::kMutationRate), KeyState::kUnset);
    EXPECT_EQ(Scan("queens").StateOf(ParameterKey::kQueens), KeyState::kUnset);
}

TEST(ParameterScanner, ValuesSkipLineEndsToTheNextToken) {
    // A key alone on its line takes the first token of the next line, and that
    // line is then scanned as usual.
    const auto p = Scan("queens\n  12\npopulation_size\n\n50 queens 3\nslave_threads 4");
    EXPECT_EQ(p.queens, 12);
    EXPECT_EQ(p.population_size, 50);
    EXPECT_EQ(p.slave_threads, 4);
    // A directory, unlike a number, must stand on its key's line: the next
    // line's key is not taken as the directory.
    EXPECT_EQ(Scan("dump_directory\nqueens 8").StateOf(ParameterKey::kDumpDirectory), KeyState::kUnset);
    EXPECT_EQ(Scan("dump_directory\nqueens 8").queens, 8);
}

TEST(ParameterScanner, RestOfTheLineIsSkippedAfterAnyWord) {
    const auto p = Scan("queens 8 population_size 100\nunknown slave_threads 3\n");
    EXPECT_EQ(p.queens, 8);
    EXPECT_EQ(p.StateOf(ParameterKey::kPopulationSize), KeyState::kUnset);
    EXPECT_EQ(p.StateOf(ParameterKey::kSlaveThreads), KeyState::kUnset);
}

TEST(ParameterScanner, CommentsOnlyWhereAWordMayBegin) {
    const auto p = Scan("# queens 5\n  #queens 6\nqueens 7 # trailing\n\t# slave_threads 1\n");
    EXPECT_EQ(p.queens, 7);
    EXPECT_EQ(p.StateOf(ParameterKey::kSlaveThreads), KeyState::kUnset);
    EXPECT_EQ(Scan("# only comments\n#\n").StateOf(ParameterKey::kQueens), KeyState::kUnset);
}

TEST(ParameterScanner, CarriageReturnsAreWhiteSpace) {
    const auto p = Scan("queens 8\r\npopulation_size 0x20\r\nmutation_rate 0.5\r\n\r\n");
    EXPECT_EQ(p.queens, 8);
    EXPECT_EQ(p.population_size, 32);
    EXPECT_EQ(p.mutation_rate, 0.5);
}

TEST(ParameterScanner, AZeroByteEndsTheText) {
    const std::string text("queens 8\n\0queens 9\nslave_threads 2\n", 33);
    const auto p = Scan(text);
    EXPECT_EQ(p.queens, 8);
    EXPECT_EQ(p.StateOf(ParameterKey::kSlaveThreads), KeyState::kUnset);
}

TEST(ParameterScanner, NothingIsReadBeyondTheGivenSize) {
    const std::string text = "queens 123";
    NQueenParameters p;
    zarnel::ScanParameterText(text.data(), 8, p);  // "queens 1"
    EXPECT_EQ(p.queens, 1);
    zarnel::ScanParameterText(text.data(), 0, p);
    EXPECT_EQ(p.queens, 1);
}

TEST(ParameterScanner, LaterLinesOverrideEarlierOnes) {
    const auto p = Scan("queens 8\nmutation_rate 0.1\nqueens 10\nmutation_rate 1e-2\n");
    EXPECT_EQ(p.queens, 10);
    EXPECT_EQ(p.mutation_rate, 0.01);
}

TEST(ParameterScanner, RatesReadAsPercentLf) {
    EXPECT_EQ(Scan("mutation_rate .5").mutation_rate, 0.5);
    EXPECT_EQ(Scan("mutation_rate -2.5e1x").mutation_rate, -25.0);
    EXPECT_EQ(Scan("mutation_rate 7").mutation_rate, 7.0);
    EXPECT_TRUE(std::isinf(Scan("mutation_rate inf").mutation_rate));
    EXPECT_TRUE(std::isnan(Scan("mutation_rate nan").mutation_rate));
}

TEST(ParameterScanner, OverlongWordsMatchNothingAndOverflowNothing) {
    std::string padded(300, 'q');
    const auto p = Scan(padded + " 5\nqueens 9\n" + std::string(255, 'a') + " 1\n");
    EXPECT_EQ(p.queens, 9);
    // A key followed by 300 letters is one word that is too long.
    EXPECT_EQ(Scan("queens" + std::string(300, 's') + " 5").StateOf(ParameterKey::kQueens), KeyState::kUnset);
}

TEST(ParameterScanner, EmptyAndBlankTextsSetNothing) {
    for (const char* text : {"", "   \t\r\n", "\n\n"}) {
        for (auto state : Scan(text).keyStates) EXPECT_EQ(state, KeyState::kUnset);
    }
}

// The values are read by the same rules as always; only the user is told.
TEST(ParameterScanner, WarnsWhenTheTextIsNotWhatWasRead) {
    const std::string text =
        "queens 1e3\npopulation_size 08 # octal\nslave_threads 5%\nmutation_rate 0,05\n"
        "slave_iterations\n  8.9 \ndump_directory # dumps here\ndump_directory\n";
    EXPECT_EQ(Warnings(text), (std::vector<std::string>{
                                  "line 1: queens \"1e3\" is read as 1",
                                  "line 2: population_size \"08\" is read as 0 (a leading 0 means octal)",
                                  "line 3: slave_threads \"5%\" is read as 5",
                                  "line 4: mutation_rate \"0,05\" is read as 0",
                                  "line 5: slave_iterations \"8.9\" is read as 8",
                                  "line 7: dump_directory \"# dumps here\" is read as no value (it must "
                                  "follow the key on its line)",
                                  "line 8: dump_directory \"\" is read as no value (it must follow the key "
                                  "on its line)",
                              }));
    const auto p = Scan(text);
    EXPECT_EQ(p.queens, 1);
    EXPECT_EQ(p.population_size, 0);
    EXPECT_EQ(p.mutation_rate, 0.0);
    EXPECT_EQ(p.StateOf(ParameterKey::kDumpDirectory), KeyState::kUnset);
    // Values that read whole, with blanks, comments or a key alone on its line.
    EXPECT_EQ(Warnings("queens 8\x01\x7F\n"),
              std::vector<std::string>{"line 1: queens \"8\\x01\\x7F\" is read as 8"});
    EXPECT_EQ(Warnings("queens 010 # octal 8\r\nmutation_rate 1e3\t\npopulation_size\n 0x20\nqueens 8#c\n"
                       "dump_directory d # c\nqueens x\n"),
              std::vector<std::string>{});
}

TEST(ParameterScanner, SkipsAByteOrderMarkAndFlagsCarriageReturnLines) {
    EXPECT_EQ(Scan("\xEF\xBB\xBFqueens 8\n").queens, 8);
    EXPECT_EQ(Scan("x\xEF\xBB\xBFqueens 8\n").StateOf(ParameterKey::kQueens), KeyState::kUnset);
    EXPECT_TRUE(Scan("queens 8\rpopulation_size 50\r").onlyCarriageReturnLineEnds);
    EXPECT_FALSE(Scan("queens 8\r\npopulation_size 50\r").onlyCarriageReturnLineEnds);
    EXPECT_FALSE(Scan("queens 8").onlyCarriageReturnLineEnds);
}

// A path may hold blanks: its value is the rest of its line, up to a comment
// (a "#" after a blank), without the blanks around it. Cut at the first
// blank, "json_report my run.json" wrote its record over a file "my".
TEST(ParameterScanner, PathValuesRunToTheEndOfTheirLine) {
    const std::string text =
        "json_report my run.json\r\nresume_from \t dumps/3000 copy.txt  # from Monday\n"
        "dump_directory C:\\My Dumps\\run#2\tb \nqueens 9 # the next line reads as before\n";
    const auto p = Scan(text);
    EXPECT_EQ(p.json_report, "my run.json");
    EXPECT_EQ(p.resume_from, "dumps/3000 copy.txt");
    EXPECT_EQ(p.dump_directory, "C:\\My Dumps\\run#2\tb");
    EXPECT_EQ(p.queens, 9);
    EXPECT_EQ(Warnings(text), std::vector<std::string>{});
}

// Like every other key, the operator set is named when words follow it.
TEST(ParameterScanner, WarnsOfWordsAfterTheOperatorSet) {
    EXPECT_EQ(Warnings("operators fast classic\n"),
              std::vector<std::string>{"line 1: operators \"fast classic\" is read as fast"});
    EXPECT_EQ(Scan("operators fast classic\n").operators, "fast");
    EXPECT_EQ(Warnings("operators f\x01 x\n"),
              std::vector<std::string>{"line 1: operators \"f\\x01 x\" is read as f\\x01"});
    EXPECT_EQ(Warnings("operators fast # the fast set\r\noperators classic\t\n"), std::vector<std::string>{});
}

// Text where an added key's value belongs that is no value is kept with its
// line, for the checks to refuse; a classic key keeps its old reading.
TEST(ParameterScanner, AddedKeysKeepTextThatIsNoValue) {
    const std::string text =
        "seed NaN\nmax_iterations\n  inf\ntime_limit abc # seconds\njson_report\nresume_from # later\n"
        "migrants x\x1B[2J\nqueens abc\n";
    NQueenParameters p;
    p.islandKeys = true;
    std::vector<std::string> warnings;
    zarnel::ScanParameterText(text.data(), text.size(), p,
                              [&](const std::string& warning) { warnings.push_back(warning); });
    EXPECT_EQ(warnings, std::vector<std::string>{});
    const struct {
        ParameterKey key;
        std::size_t line;
        const char* text;
    } expected[] = {
        {ParameterKey::kSeed, 1, "NaN"},      {ParameterKey::kMaxIterations, 2, "inf"},
        {ParameterKey::kTimeLimit, 4, "abc"}, {ParameterKey::kJsonReport, 5, ""},
        {ParameterKey::kResumeFrom, 6, ""},   {ParameterKey::kMigrants, 7, "x\\x1B[2J"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(zarnel::ParameterKeyName(e.key));
        EXPECT_EQ(p.StateOf(e.key), KeyState::kUnreadable);
        EXPECT_EQ(p.UnreadValueOf(e.key).line, e.line);
        EXPECT_EQ(p.UnreadValueOf(e.key).text, e.text);
    }
    EXPECT_EQ(p.StateOf(ParameterKey::kQueens), KeyState::kUnset);
    // The last line for a key wins, as always.
    EXPECT_EQ(Scan("seed abc\nseed 5\n").StateOf(ParameterKey::kSeed), KeyState::kSet);
    EXPECT_EQ(Scan("json_report r.json\njson_report\n").StateOf(ParameterKey::kJsonReport),
              KeyState::kUnreadable);
}

TEST(ReadParameterFile, LoadsAFileAndFailsOnAMissingOne) {
    const auto path = std::filesystem::temp_directory_path() / "zarnel_parameter_file_test.txt";
    {
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("queens 12\nmutation_rate 0.25\n", file);
        std::fclose(file);
    }
    NQueenParameters p;
    EXPECT_TRUE(zarnel::ReadParameterFile(path.string().c_str(), p));
    EXPECT_EQ(p.queens, 12);
    EXPECT_EQ(p.mutation_rate, 0.25);
    std::filesystem::remove(path);

    NQueenParameters untouched;
    untouched.queens = 77;
    EXPECT_FALSE(zarnel::ReadParameterFile(path.string().c_str(), untouched));
    EXPECT_EQ(untouched.queens, 77);
}

// Reading ends at the first zero byte, wherever it falls, so an endless device
// of zeros reads as an empty file instead of filling the memory.
TEST(ReadParameterFile, StopsAtTheFirstZeroByte) {
    const auto path = std::filesystem::temp_directory_path() / "zarnel_parameter_file_zero_test.txt";
    {
        // The zero byte lies past the first few kilobytes.
        const std::string text = std::string(5000, '\n') + "queens 12\n" + std::string(1, '\0') +
                                 "queens 5\n" + "slave_threads 3\n";
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    NQueenParameters p;
    EXPECT_TRUE(zarnel::ReadParameterFile(path.string().c_str(), p));
    EXPECT_EQ(p.queens, 12);
    EXPECT_EQ(p.StateOf(ParameterKey::kSlaveThreads), KeyState::kUnset);
    std::filesystem::remove(path);

    if (!std::filesystem::exists("/dev/zero")) return;  // no such device on this system
    NQueenParameters zeros;
    EXPECT_TRUE(zarnel::ReadParameterFile("/dev/zero", zeros));
    for (auto state : zeros.keyStates) EXPECT_EQ(state, KeyState::kUnset);
}

}  // namespace
