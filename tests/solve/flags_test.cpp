#include "solve/flags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::optional<int> Parse(std::vector<const char*> arguments, zarnel::SolveOptions& options,
                         std::string* file = nullptr, std::uint32_t* islands = nullptr) {
    arguments.insert(arguments.begin(), "prog");
    zarnel::Flags flags("test");
    flags.Standard(options);
    std::string unusedFile;
    std::uint32_t unusedIslands = 1;
    flags.Positional("file", "a file", file != nullptr ? *file : unusedFile);
    flags.Add("--islands", "islands", islands != nullptr ? *islands : unusedIslands);
    return flags.Parse(static_cast<int>(arguments.size()), arguments.data());
}

TEST(SolveFlags, StandardAndOwnFlagsLandInTheirOptions) {
    zarnel::SolveOptions options;
    std::string file;
    std::uint32_t islands = 1;
    EXPECT_EQ(Parse({"a.tsp", "--seed", "42", "--threads", "3", "--population", "50", "--max-iterations", "7",
                     "--time-limit", "1.5", "--target", "-7542", "--json", "r.json", "--islands", "4"},
                    options, &file, &islands),
              std::nullopt);
    EXPECT_EQ(file, "a.tsp");
    EXPECT_EQ(options.seed, 42u);
    EXPECT_EQ(options.threads, 3u);
    EXPECT_EQ(options.population, 50u);
    EXPECT_EQ(options.maxIterations, 7u);
    EXPECT_EQ(options.timeLimit, 1.5);
    EXPECT_EQ(options.target, -7542.0);
    EXPECT_EQ(options.record, "r.json");
    EXPECT_EQ(islands, 4u);
}

TEST(SolveFlags, BadArgumentsEndWithStatusTwoAndHelpWithZero) {
    zarnel::SolveOptions options;
    EXPECT_EQ(Parse({"a.tsp", "--threads", "many"}, options), 2);
    EXPECT_EQ(Parse({"a.tsp", "--bogus"}, options), 2);
    EXPECT_EQ(Parse({}, options), 2);  // the file is required
    EXPECT_EQ(Parse({"a.tsp", "--json", ""}, options), 2);
    EXPECT_EQ(Parse({"a.tsp", "--time-limit", "-1"}, options), 2);
    EXPECT_EQ(Parse({"--help"}, options), 0);
    EXPECT_FALSE(options.seed.has_value());
}

// Numbers as they are written: CLI11 alone read "010" as eight.
TEST(SolveFlags, NumbersAreReadAsWrittenAndTheIslandFlagsAreStandard) {
    zarnel::SolveOptions options;
    EXPECT_EQ(Parse({"a.tsp", "--seed", "010", "--max-evaluations", "18446744073709551615", "--target",
                     "-7542.1", "--time-limit", "+2.5e-1", "--migration-interval", "7", "--migrants", "3"},
                    options),
              std::nullopt);
    EXPECT_EQ(options.seed, 10u);
    EXPECT_EQ(options.maxEvaluations, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(options.target, -7542.1);
    EXPECT_EQ(options.timeLimit, 0.25);
    EXPECT_EQ(options.migrationInterval, 7u);
    EXPECT_EQ(options.migrants, 3u);
}

// Standard() has --islands; a program that adds its own, as examples/tsp
// does, before or after Standard(), keeps working with its own variable.
TEST(SolveFlags, AProgramsOwnFlagReplacesTheStandardOne) {
    for (const bool ownFirst : {false, true}) {
        SCOPED_TRACE(ownFirst);
        zarnel::SolveOptions options;
        std::uint32_t own = 1;
        zarnel::Flags flags("test");
        if (ownFirst) flags.Add("--islands", "own", own);
        flags.Standard(options);
        if (!ownFirst) flags.Add("--islands", "own", own);
        const std::vector<const char*> arguments{"prog", "--islands", "4", "--migrants", "2"};
        EXPECT_EQ(flags.Parse(static_cast<int>(arguments.size()), arguments.data()), std::nullopt);
        EXPECT_EQ(own, 4u);
        EXPECT_EQ(options.islands, 1u);
        EXPECT_EQ(options.migrants, 2u);
    }
    // Two flags of the program's own by one name are a mistake.
    zarnel::Flags twice("test");
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    twice.Add("--n", "first", first);
    EXPECT_ANY_THROW(twice.Add("--n", "second", second));
}

struct Refusal {
    std::vector<const char*> arguments;
    const char* message;  // the first line on standard error, after "prog: "
    friend void PrintTo(const Refusal& refusal, std::ostream* out) {
        for (const char* argument : refusal.arguments) *out << " '" << argument << "'";
    }
};

class SolveFlagsRefusal : public ::testing::TestWithParam<Refusal> {};

// Out-of-range numbers were wrapped or clamped (--seed -5 ran with 2^64 - 5),
// a range of doubles was printed as a 309-digit number, and a flag where a
// value belongs became the value (--json= --quiet wrote a file "--quiet").
TEST_P(SolveFlagsRefusal, NamesTheFlagAndTheTextGiven) {
    zarnel::SolveOptions options;
    ::testing::internal::CaptureStderr();
    const std::optional<int> status = Parse(GetParam().arguments, options);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err.substr(0, err.find('\n')), std::string("prog: ") + GetParam().message);
    EXPECT_EQ(options.record, "");
}

INSTANTIATE_TEST_SUITE_P(
    BadValues, SolveFlagsRefusal,
    ::testing::Values(
        Refusal{{"a.tsp", "--seed", "-5"},
                "--seed: '-5' is not a whole number from 0 to 18446744073709551615"},
        Refusal{{"a.tsp", "--seed", "18446744073709551616"},
                "--seed: '18446744073709551616' is not a whole number from 0 to 18446744073709551615"},
        Refusal{{"a.tsp", "--seed", "12345678901234567890123"},
                "--seed: '12345678901234567890123' is not a whole number from 0 to 18446744073709551615"},
        Refusal{{"a.tsp", "--max-evaluations", "99999999999999999999"},
                "--max-evaluations: '99999999999999999999' is not a whole number from 0 to "
                "18446744073709551615"},
        Refusal{{"a.tsp", "--population", "0x20"},
                "--population: '0x20' is not a whole number from 0 to 32767"},
        Refusal{{"a.tsp", "--islands", "-1"}, "--islands: '-1' is not a whole number from 0 to 4294967295"},
        Refusal{{"a.tsp", "--time-limit", "-1"}, "--time-limit: '-1' is not a finite number of 0 or more"},
        Refusal{{"a.tsp", "--time-limit", "inf"}, "--time-limit: 'inf' is not a finite number of 0 or more"},
        Refusal{{"a.tsp", "--target", "-inf"}, "--target: '-inf' is not a finite number"},
        Refusal{{"a.tsp", "--json=", "--quiet"}, "--json: the value after '=' is empty"},
        Refusal{{"a.tsp", "--json=", "r.json"}, "--json: the value after '=' is empty"},
        Refusal{{"a.tsp", "--json", "--quiet"}, "--json: no value before the next flag, '--quiet'"},
        Refusal{{"a.tsp", "--json", ""}, "--json: the value is empty"}));

}  // namespace
