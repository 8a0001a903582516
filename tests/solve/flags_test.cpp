#include "solve/flags.h"

#include <gtest/gtest.h>

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

}  // namespace
