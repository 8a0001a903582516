#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"

namespace {

using zarnel::NQueenParameters;

// The run-control check of a usable file with `extra` lines appended.
std::string CheckWith(const std::string& extra, NQueenParameters* read = nullptr) {
    const std::string text =
        "queens 8\npopulation_size 100\nslave_iterations 10\nslave_threads 2\nmutation_rate 0.05\n" + extra;
    NQueenParameters p;
    zarnel::ScanParameterText(text.data(), text.size(), p);
    if (read != nullptr) *read = p;
    EXPECT_EQ(zarnel::CheckParameters(p, "p.txt"), "");
    return zarnel::CheckRunControl(p, "p.txt");
}

TEST(RunControlKeys, ReadAndCheckedAtTheirBounds) {
    NQueenParameters p;
    EXPECT_EQ(CheckWith("seed 4294967295\nmax_iterations 1\ntime_limit 0.25\nresume_from d.txt\n", &p), "");
    EXPECT_EQ(p.seed, 4294967295);
    EXPECT_EQ(p.max_iterations, 1);
    EXPECT_EQ(p.time_limit, 0.25);
    EXPECT_EQ(p.resume_from, "d.txt");
    EXPECT_TRUE(zarnel::UsesRunControl(p));
    EXPECT_TRUE(zarnel::HasStopLimit(p));
    EXPECT_EQ(CheckWith("seed 0\n", &p), "");
    EXPECT_FALSE(zarnel::HasStopLimit(p));
    CheckWith("", &p);
    EXPECT_FALSE(zarnel::UsesRunControl(p));

    const std::string seed = "Invalid parameter file p.txt: seed must be a whole number from 0 to 4294967295";
    EXPECT_EQ(CheckWith("seed 4294967296\n"), seed);
    EXPECT_EQ(CheckWith("seed -1\n"), seed);
    EXPECT_EQ(CheckWith("seed 99999999999999999999999\n"), seed);
    const std::string iterations =
        "Invalid parameter file p.txt: max_iterations must be a whole number from 1 to 4294967295";
    EXPECT_EQ(CheckWith("max_iterations 0\n"), iterations);
    EXPECT_EQ(CheckWith("max_iterations 4294967296\n"), iterations);
    const std::string time =
        "Invalid parameter file p.txt: time_limit must be a finite number of seconds above 0";
    EXPECT_EQ(CheckWith("time_limit 0\n"), time);
    EXPECT_EQ(CheckWith("time_limit -3\n"), time);
    EXPECT_EQ(CheckWith("time_limit inf\n"), time);
}

TEST(RunControlKeys, ALimitLetsARunThatNeverChangesStart) {
    NQueenParameters p;
    CheckWith("slave_threads 0\nmutation_rate 0\n", &p);
    EXPECT_NE(zarnel::CheckRunCanEnd(p, "p.txt"), "");
    EXPECT_FALSE(zarnel::HasStopLimit(p));
    CheckWith("slave_threads 0\nmutation_rate 0\ntime_limit 1\n", &p);
    EXPECT_TRUE(zarnel::HasStopLimit(p));
}

// Text that is no value for an optional key is refused with its line and
// text; before, the run went on clock-seeded, with no record or a fresh
// population, and said nothing. (The executable's tests show each number key
// with a word.)
TEST(RunControlKeys, TextThatIsNoValueIsRefusedWithItsLineAndText) {
    const std::string seedRule = "; it must be a whole number from 0 to 4294967295";
    const struct {
        const char* lines;
        std::string message;
    } cases[] = {
        {"seed abc # my seed\n", "seed \"abc\" on line 6 is not a number" + seedRule},
        {"seed\n", "seed on line 6 has no value" + seedRule},
        {"json_report\n", "json_report on line 6 has no value; a path must follow the key on its line"},
        {"json_report r.json\nresume_from   # later\n",
         "resume_from on line 7 has no value; a path must follow the key on its line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        EXPECT_EQ(CheckWith(c.lines), "Invalid parameter file p.txt: " + c.message);
    }
    EXPECT_EQ(CheckWith("seed abc\nseed 12\n"), "");
}

}  // namespace
