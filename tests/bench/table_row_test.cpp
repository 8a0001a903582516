#include "bench/table_row.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "bench/known_best.h"
#include "bench/test_function.h"

namespace zarnel {
namespace {

std::vector<std::string> Fields(const std::string& row) {
    std::istringstream in(row);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

run::BenchRunRecord Record(std::int32_t function, double best) {
    run::BenchRunRecord record;
    record.function = function;
    record.bestFitness = best;
    record.knownBest = KnownBest(function).value_or(std::nan(""));
    record.evaluations = 40450;
    record.seconds = 0.25;
    return record;
}

// A run above its known best means the table is wrong there: the row must say
// so, never print a negative difference; every other row keeps its columns.
TEST(TableRow, ABestAboveTheKnownBestIsFlaggedNotSubtracted) {
    ASSERT_TRUE(KnownBest(40001).has_value());
    const double known = *KnownBest(40001);

    const std::string beaten = TableRow("5", Record(40001, known + 0.5));
    const std::vector<std::string> fields = Fields(beaten);
    ASSERT_GE(fields.size(), 7u) << beaten;
    EXPECT_EQ(fields[0], "40001");
    EXPECT_EQ(fields[1], "5");
    EXPECT_EQ(fields[4], "beaten") << beaten;
    EXPECT_EQ(fields[5], "40450");
    EXPECT_NE(beaten.find("[above the known best by 5.000e-01]"), std::string::npos) << beaten;
    EXPECT_EQ(beaten.find("-5.0"), std::string::npos) << beaten;

    const std::string reached = TableRow("5", Record(40001, known));
    EXPECT_EQ(Fields(reached)[4], "0.000e+00") << reached;
    EXPECT_EQ(reached.find("beaten"), std::string::npos) << reached;
    const std::string below = TableRow("0", Record(40001, known - 2.0), " [a note]");
    EXPECT_EQ(Fields(below)[4], "2.000e+00") << below;
    EXPECT_EQ(below.substr(below.size() - 10), " [a note]\n") << below;

    run::BenchRunRecord unknown = Record(40001, 1.0);
    unknown.knownBest = std::nan("");
    const std::vector<std::string> noKnown = Fields(TableRow("1", unknown));
    EXPECT_EQ(noKnown[3], "n/a");
    EXPECT_EQ(noKnown[4], "n/a");
}

TEST(TableRow, TheHeadingSaysWhatTheFiguresCount) {
    EXPECT_NE(TableHeader(true).find("total evals"), std::string::npos);
    EXPECT_NE(TableHeader(true).find("best of runs"), std::string::npos);
    EXPECT_EQ(TableHeader(false).find("total"), std::string::npos);
    // The name column starts under its heading.
    const std::string row = TableRow("0", Record(1003, 1.0));
    EXPECT_EQ(TableHeader(false).find("name"), row.find(TestFunctionName(1003))) << TableHeader(false) << row;
}

}  // namespace
}  // namespace zarnel
