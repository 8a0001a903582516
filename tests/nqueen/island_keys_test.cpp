#include <gtest/gtest.h>

#include <string>

#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"

namespace {

using zarnel::KeyState;
using zarnel::NQueenParameters;
using zarnel::ParameterKey;

const std::string kClassic =
    "queens 8\npopulation_size 10\nslave_iterations 4\nslave_threads 1\nmutation_rate 0.1\n";

NQueenParameters Scan(const std::string& text, bool islandKeys) {
    NQueenParameters p;
    p.islandKeys = islandKeys;
    zarnel::ScanParameterText(text.data(), text.size(), p);
    return p;
}

TEST(IslandKeysTest, OnlyTheIslandsProgramReadsThemAndTheRecordListsThemThen) {
    const std::string text = kClassic + "MIGRATION_INTERVAL 25\nmigrants 3\n";
    const NQueenParameters classic = Scan(text, false);
    EXPECT_EQ(classic.StateOf(ParameterKey::kMigrants), KeyState::kUnset);
    EXPECT_EQ(classic.migration_interval, 100);
    EXPECT_EQ(zarnel::KeysAsRead(classic).size(), 5U);

    const NQueenParameters islands = Scan(text, true);
    EXPECT_EQ(islands.migration_interval, 25);
    EXPECT_EQ(islands.migrants, 3);
    EXPECT_FALSE(zarnel::UsesRunControl(islands));
    EXPECT_EQ(zarnel::KeysAsRead(islands).back().first, "migrants");
    EXPECT_EQ(zarnel::CheckIslandKeys(islands, "p.txt"), "");
}

TEST(IslandKeysTest, ValuesOutsideTheirRangeAreRefusedByNameAndValue) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"migration_interval 0\n", "migration_interval must be a whole number from 1 to 4294967295, not 0"},
        {"migration_interval 4294967296\n", "from 1 to 4294967295, not 4294967296"},
        {"migrants -1\n", "migrants must be a whole number from 0 to 9, not -1"},
        {"migrants 10\n", "from 0 to 9, not 10"},
        {"migrants 99999999999999999999\n", "not a number out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string problem = zarnel::CheckIslandKeys(Scan(kClassic + c.line, true), "p.txt");
        EXPECT_NE(problem.find(c.message), std::string::npos) << problem;
        EXPECT_EQ(problem.rfind("Invalid parameter file p.txt: ", 0), 0U) << problem;
    }
    EXPECT_EQ(zarnel::CheckIslandKeys(Scan(kClassic + "migrants 9\nmigration_interval 1\n", true), "p"), "");
    // One migration is one MPI message, whose size must fit in an int.
    const std::string large =
        "queens 65536\npopulation_size 20000\nslave_iterations 4\nslave_threads 1\n"
        "mutation_rate 0.1\nmigrants 16384\n";
    EXPECT_NE(zarnel::CheckIslandKeys(Scan(large, true), "p.txt").find("from 0 to 16383, not 16384"),
              std::string::npos);
}

// A word where an island key's number belongs is refused with its line and
// text; before, the default interval or migrant count was used in silence.
TEST(IslandKeysTest, AWordWhereANumberBelongsIsRefusedWithItsText) {
    EXPECT_EQ(zarnel::CheckIslandKeys(Scan(kClassic + "migrants abc\n", true), "p.txt"),
              "Invalid parameter file p.txt: migrants \"abc\" on line 6 is not a number; it must be a whole "
              "number from 0 to 9");
    EXPECT_EQ(zarnel::CheckIslandKeys(Scan(kClassic + "migration_interval # often\n", true), "p.txt"),
              "Invalid parameter file p.txt: migration_interval on line 6 has no value; it must be a whole "
              "number from 1 to 4294967295");
    // Other programs do not read the island keys at all.
    EXPECT_EQ(Scan(kClassic + "migrants abc\n", false).StateOf(ParameterKey::kMigrants), KeyState::kUnset);
}

}  // namespace
