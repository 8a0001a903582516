#include "examples/tsp/tsplib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"

namespace {

// A file of `type` distances over the given points, numbered from 1.
std::string CoordinateFile(const std::string& type, const std::vector<std::pair<double, double>>& points) {
    std::string text = "NAME : t\nTYPE : TSP\nDIMENSION : " + std::to_string(points.size()) +
                       "\nEDGE_WEIGHT_TYPE : " + type + "\nNODE_COORD_SECTION\n";
    for (std::size_t i = 0; i < points.size(); ++i)
        text += std::to_string(i + 1) + " " + std::to_string(points[i].first) + " " +
                std::to_string(points[i].second) + "\n";
    return text + "EOF\n";
}

std::string ErrorOf(const std::string& text) {
    try {
        tsp::ParseTsplib(text, "t.tsp");
    } catch (const tsp::FormatError& error) {
        return error.what();
    }
    return "";
}

// The shortest tour by Held and Karp's dynamic programme (small n only).
std::int64_t OptimalLength(const tsp::Instance& instance) {
    const std::uint32_t n = instance.Size(), full = (1u << n) - 1;
    const std::int64_t kInf = INT64_MAX / 4;
    std::vector<std::int64_t> best(static_cast<std::size_t>(full + 1) * n, kInf);
    best[1 * n + 0] = 0;  // the paths start at city 0
    for (std::uint32_t set = 1; set <= full; set += 2)
        for (std::uint32_t last = 0; last < n; ++last) {
            std::int64_t here = best[static_cast<std::size_t>(set) * n + last];
            if (here == kInf) continue;
            for (std::uint32_t next = 1; next < n; ++next) {
                if (set >> next & 1) continue;
                std::int64_t& there = best[static_cast<std::size_t>(set | 1u << next) * n + next];
                there = std::min(there, here + instance.Distance(last, next));
            }
        }
    std::int64_t shortest = kInf;
    for (std::uint32_t last = 1; last < n; ++last)
        shortest =
            std::min(shortest, best[static_cast<std::size_t>(full) * n + last] + instance.Distance(last, 0));
    return shortest;
}

TEST(TsplibTest, PlaneDistancesFollowTsplibRounding) {
    const std::vector<std::pair<double, double>> points = {{0, 0},   {3, 4},   {1, 1},
                                                           {2.5, 0}, {10, 30}, {10, 0}};
    tsp::Instance euclidean = tsp::ParseTsplib(CoordinateFile("EUC_2D", points), "t.tsp");
    EXPECT_EQ(euclidean.Distance(0, 1), 5);
    EXPECT_EQ(euclidean.Distance(0, 2), 1);  // 1.414 to the nearest
    EXPECT_EQ(euclidean.Distance(0, 3), 3);  // a half rounds up
    EXPECT_EQ(euclidean.Distance(3, 0), 3);
    tsp::Instance ceiling = tsp::ParseTsplib(CoordinateFile("CEIL_2D", points), "t.tsp");
    EXPECT_EQ(ceiling.Distance(0, 1), 5);
    EXPECT_EQ(ceiling.Distance(0, 2), 2);
    // ATT: r = sqrt((dx² + dy²) / 10), rounded, plus one when rounding went down.
    tsp::Instance att = tsp::ParseTsplib(CoordinateFile("ATT", points), "t.tsp");
    EXPECT_EQ(att.Distance(0, 5), 4);   // r = 3.162, rounds to 3 < r
    EXPECT_EQ(att.Distance(0, 4), 10);  // r = 10 exactly
    EXPECT_EQ(att.Distance(1, 5), 3);   // r = sqrt(6.5) = 2.55, rounds to 3 > r
    EXPECT_EQ(att.Name(), "t");
    EXPECT_EQ(att.EdgeWeightType(), "ATT");
}

TEST(TsplibTest, GeographicDistancesGiveBurma14sPublishedOptimum) {
    // burma14 (TSPLIB): degrees.minutes, optimal tour length 3323.
    const std::vector<std::pair<double, double>> burma = {
        {16.47, 96.10}, {16.47, 94.44}, {20.09, 92.54}, {22.39, 93.37}, {25.23, 97.24},
        {22.00, 96.05}, {20.47, 97.02}, {17.20, 96.29}, {16.30, 97.38}, {14.05, 98.12},
        {16.53, 97.38}, {21.52, 95.59}, {19.41, 97.13}, {20.09, 94.55}};
    tsp::Instance instance = tsp::ParseTsplib(CoordinateFile("GEO", burma), "burma14.tsp");
    EXPECT_EQ(instance.Distance(0, 1), 153);
    EXPECT_EQ(instance.Distance(0, 2), 510);
    EXPECT_EQ(OptimalLength(instance), 3323);
    // Negative degrees truncate towards zero too: Sydney to London.
    tsp::Instance far =
        tsp::ParseTsplib(CoordinateFile("GEO", {{-33.52, 151.12}, {51.30, -0.07}, {0, 0}}), "t.tsp");
    EXPECT_EQ(far.Distance(0, 1), 17013);
}

TEST(TsplibTest, ReadsAnExplicitFullMatrixWithLooseFormatting) {
    const std::string text =
        "NAME: four\r\nTYPE: TSP\r\nCOMMENT : a comment: with a colon\r\nDIMENSION:4\r\n"
        "EDGE_WEIGHT_TYPE : EXPLICIT\r\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\r\nOPTIMAL : 12\r\n"
        "EDGE_WEIGHT_SECTION\r\n0 1 2\r\n3 1 0 4 5\r\n\t2 4 0 6 3 5\r\n6 0\r\n"
        "DISPLAY_DATA_SECTION\r\n1 0 0\r\n2 1 0\r\n3 1 1\r\n4 0 1\r\nEOF\r\nanything after EOF";
    tsp::Instance instance = tsp::ParseTsplib(text, "four.tsp");
    EXPECT_EQ(instance.Name(), "four");
    ASSERT_EQ(instance.Size(), 4u);
    EXPECT_EQ(instance.Distance(0, 1), 1);
    EXPECT_EQ(instance.Distance(1, 3), 5);
    EXPECT_EQ(instance.Distance(3, 2), 6);
    EXPECT_EQ(instance.Distance(2, 2), 0);
}

TEST(TsplibTest, RefusesWhatItCannotReadWithFileLineAndReason) {
    const std::string head = "NAME : t\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : EUC_2D\n";
    const std::string matrix = "NAME : t\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : EXPLICIT\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {"TYPE : ATSP\n", "t.tsp:1: TYPE 'ATSP' is not supported (only TSP)"},
        {"NAME : t\nEDGE_WEIGHT_TYPE : MAN_2D\n", "t.tsp:2: EDGE_WEIGHT_TYPE 'MAN_2D' is not supported"},
        {matrix + "EDGE_WEIGHT_FORMAT : UPPER_ROW\n",
         "t.tsp:5: EDGE_WEIGHT_FORMAT 'UPPER_ROW' is not supported"},
        {"NODE_COORD_TYPE : THREED_COORDS\n", "t.tsp:1: NODE_COORD_TYPE 'THREED_COORDS' is not supported"},
        {head + "FIXED_EDGES_SECTION\n1 2\n-1\n", "t.tsp:5: 'FIXED_EDGES_SECTION' is not supported"},
        {"DIMENSION : 10001\n", "t.tsp:1: DIMENSION 10001 is more than the 10000 cities"},
        {"DIMENSION : 99999999999999999999999\n", "is more than the 10000 cities"},
        {"DIMENSION : 2\n", "t.tsp:1: DIMENSION 2: a tour needs at least 3 cities"},
        {"DIMENSION : many\n", "t.tsp:1: DIMENSION 'many' is no whole number"},
        {"NODE_COORD_SECTION\n1 0 0\n", "t.tsp:1: NODE_COORD_SECTION before DIMENSION"},
        {head + "NODE_COORD_SECTION\n1 0 0\n4 1 1\n", "t.tsp:7: city 4 in NODE_COORD_SECTION is not in 1..3"},
        {head + "NODE_COORD_SECTION\n1 0 0\n1 1 1\n", "t.tsp:7: city 1 appears twice"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1 1\n", "t.tsp:7: the file ends inside NODE_COORD_SECTION"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1 x\n3 0 1\n",
         "t.tsp:7: 'x' in NODE_COORD_SECTION is no finite number"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 nan 1\n3 0 1\n",
         "'nan' in NODE_COORD_SECTION is no finite number"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1e9 1\n3 0 1\n", "t.tsp:7: a coordinate of city 2 is beyond"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1 1\n3 0 1 7\n",
         "t.tsp:8: unexpected '7' after the last entry"},
        {head + "NODE_COORD_SECTION\n1 0 0 2 1 1 3 0 1\nNODE_COORD_SECTION\n",
         "t.tsp:7: a second NODE_COORD_SECTION"},
        {head + "COMMENT : no coordinates\n", "t.tsp:5: EDGE_WEIGHT_TYPE EUC_2D but no NODE_COORD_SECTION"},
        {"NAME : t\nDIMENSION : 3\n", "t.tsp:2: no EDGE_WEIGHT_TYPE in the file"},
        {matrix + "EDGE_WEIGHT_SECTION\n0 1 2 1 0 3 2 3 0\n",
         "needs EDGE_WEIGHT_FORMAT FULL_MATRIX before it"},
        {matrix + "EDGE_WEIGHT_FORMAT : FULL_MATRIX\nEDGE_WEIGHT_SECTION\n0 1 2\n1 0 3\n2 4 0\n",
         "t.tsp:9: EDGE_WEIGHT_SECTION is not symmetric: the weight from city 2 to 3 differs"},
        {matrix + "EDGE_WEIGHT_FORMAT : FULL_MATRIX\nEDGE_WEIGHT_SECTION\n0 1 2\n1 0 -3\n",
         "t.tsp:8: edge weight -3"},
        {matrix + "EDGE_WEIGHT_FORMAT : FULL_MATRIX\n",
         "t.tsp:5: EDGE_WEIGHT_TYPE EXPLICIT but no EDGE_WEIGHT_SECTION"},
        {std::string("TYPE : TSP\x01\x7f\n"),
         "t.tsp:1: TYPE 'TSP?"
         "?' is not supported"},
        {"", "t.tsp:1: no DIMENSION in the file"},
    };
    for (const auto& c : cases) {
        std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.message), std::string::npos) << "text:\n" << c.text << "\nerror: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

// A section shorter or longer than DIMENSION says is named with both counts,
// whatever follows it; lines that end in CR alone read like any others.
TEST(TsplibTest, SectionsOfTheWrongLengthNameBothCountsAndCarriageReturnLinesRead) {
    const std::string head = "NAME : t\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : EUC_2D\n";
    const std::string matrix =
        "NAME : t\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : EXPLICIT\nEDGE_WEIGHT_FORMAT : "
        "FULL_MATRIX\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1 1\nEOF\n",
         "t.tsp:8: NODE_COORD_SECTION has 2 entries, not the 3 entries of DIMENSION 3 (it ends at 'EOF')"},
        {head + "NODE_COORD_SECTION\n1 0 0\nDISPLAY_DATA_SECTION\n",
         "NODE_COORD_SECTION has 1 entries, not the 3 entries of DIMENSION 3 (it ends at "
         "'DISPLAY_DATA_SECTION')"},
        {head + "NODE_COORD_SECTION\n1 0 0\n2 1 1\n3 0 1\n4 3.0 15.0\n5 1 2\nEOF\n",
         "t.tsp:9: NODE_COORD_SECTION has 5 entries, not the 3 entries of DIMENSION 3"},
        {matrix + "EDGE_WEIGHT_SECTION\n0 1 2\n1 0 3\n2 3\nEOF\n",
         "EDGE_WEIGHT_SECTION has 8 weights, not the 9 weights of a FULL_MATRIX of DIMENSION 3 (it ends at "
         "'EOF')"},
        {matrix + "EDGE_WEIGHT_SECTION\n0 1 2\n1 0 3\n2 3 0\n5 6\n",
         "EDGE_WEIGHT_SECTION has 11 weights, not the 9 weights of a FULL_MATRIX of DIMENSION 3"},
        {matrix + "EDGE_WEIGHT_SECTION\n0 1\n",
         "t.tsp:7: the file ends inside EDGE_WEIGHT_SECTION after 2 of the 9 weights"},
        // Still a number that is not whole, not a short section.
        {head + "NODE_COORD_SECTION\n1 0 0\n2.5 1 1\n", "'2.5' in NODE_COORD_SECTION is no whole number"},
    };
    for (const auto& c : cases) {
        const std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.message), std::string::npos) << "text:\n" << c.text << "\nerror: " << error;
    }

    std::string mac = CoordinateFile("EUC_2D", {{0, 0}, {3, 0}, {3, 4}});
    std::replace(mac.begin(), mac.end(), '\n', '\r');
    const tsp::Instance instance = tsp::ParseTsplib(mac, "mac.tsp");
    ASSERT_EQ(instance.Size(), 3u);
    EXPECT_EQ(instance.Distance(0, 2), 5);
    // Line numbers count CR alone, CR LF and LF as one line end each.
    EXPECT_NE(ErrorOf("NAME : t\rTYPE : TSP\r\nDIMENSION : 3\nTYPE : ATSP\r").find("t.tsp:4: TYPE 'ATSP'"),
              std::string::npos);
}

// Reading a file takes no more memory than its header allows: a device, an
// endless line or a file past its DIMENSION's size is refused.
TEST(TsplibTest, ReadingAFileIsBoundedByItsHeader) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("tsplib_bounds_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    const auto errorOf = [](const std::string& path) -> std::string {
        try {
            tsp::ReadTsplib(path);
        } catch (const tsp::FormatError& error) {
            return error.what();
        }
        return "";
    };
    const std::string head = "NAME : t\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : EUC_2D\n";
    const std::string good = head + "NODE_COORD_SECTION\n1 0 0\n2 3 0\n3 3 4\nEOF\n";
    EXPECT_EQ(errorOf(write("good.tsp", good)), "");
    // Up to the bound (1 MiB and 512 bytes a city without weights), blank
    // lines after EOF are read; past it, the file is refused.
    EXPECT_EQ(errorOf(write("padded.tsp", good + std::string((1 << 20) - good.size(), '\n'))), "");
    EXPECT_NE(
        errorOf(write("long.tsp", good + std::string((1 << 20) + 2048, '\n')))
            .find("long.tsp: more than 1050112 bytes, more than its DIMENSION and EDGE_WEIGHT_TYPE imply"),
        std::string::npos);
    EXPECT_NE(errorOf(write("nodim.tsp", std::string(3 << 20, '\n')))
                  .find("nodim.tsp: more than 1048576 bytes, and no DIMENSION before them"),
              std::string::npos);
    EXPECT_NE(errorOf(write("line.tsp", "NAME : t\nCOMMENT : " + std::string((1 << 20) + 1, 'x')))
                  .find("line.tsp:2: a line longer than 1048576 bytes"),
              std::string::npos);
    EXPECT_NE(errorOf(dir.string()).find(": not a regular file"), std::string::npos);
#ifdef __linux__
    EXPECT_EQ(errorOf("/dev/zero"),
              "/dev/zero: not a regular file (a TSPLIB file cannot be a device, a pipe or a folder)");
#endif
    std::filesystem::remove_all(dir);
}

TEST(TsplibTest, ReadsToursAndRefusesBrokenOnes) {
    EXPECT_EQ(tsp::ParseTour("TYPE : TOUR\nDIMENSION : 3\nTOUR_SECTION\n2\n3 1 -1\nEOF\n", "t.tour", 3),
              (std::vector<std::uint32_t>{1, 2, 0}));
    const struct {
        std::string text, message;
    } cases[] = {
        {"TOUR_SECTION\n1 2 2 -1\n", "t.tour:2: city 2 appears twice in the tour"},
        {"TOUR_SECTION\n1 2 -1\n", "t.tour:2: the tour visits 2 of 3 cities"},
        {"TOUR_SECTION\n1 2 4 -1\n", "t.tour:2: city 4 is not in 1..3"},
        {"DIMENSION : 4\nTOUR_SECTION\n", "t.tour:1: DIMENSION '4' but the instance has 3 cities"},
        {"TYPE : TSP\n", "t.tour:1: TYPE 'TSP' is not a tour"},
        {"NAME : x\n", "t.tour:1: no TOUR_SECTION"},
    };
    for (const auto& c : cases) {
        std::string error;
        try {
            tsp::ParseTour(c.text, "t.tour", 3);
        } catch (const tsp::FormatError& e) {
            error = e.what();
        }
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " -> " << error;
    }
    try {
        tsp::ReadTsplib(TSP_DATA_DIR "/no-such-file.tsp");
        ADD_FAILURE() << "a missing file was read";
    } catch (const tsp::FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-file.tsp: cannot open the file"), std::string::npos)
            << e.what();
    }
}

// The optimal tours shipped with the instances have the published lengths
// under TSPLIB's EUC_2D rule.
TEST(TsplibTest, ShippedOptimalToursHaveThePublishedLengths) {
    const struct {
        const char* name;
        std::uint32_t cities;
        std::int64_t length;
    } instances[] = {{"eil51", 51, 426},   {"berlin52", 52, 7542}, {"kroA100", 100, 21282},
                     {"ch150", 150, 6528}, {"a280", 280, 2579},    {"pcb442", 442, 50778}};
    for (const auto& expected : instances) {
        const std::string base = std::string(TSP_DATA_DIR) + "/" + expected.name;
        tsp::Instance instance = tsp::ReadTsplib(base + ".tsp");
        EXPECT_EQ(instance.Name(), expected.name);
        ASSERT_EQ(instance.Size(), expected.cities) << expected.name;
        std::vector<std::uint32_t> tour = tsp::ReadTour(base + ".opt.tour", instance.Size());
        tsp::NeighbourLists neighbours(instance, 8);
        EXPECT_EQ(tsp::LocalSearch(instance, neighbours).Length(tour), expected.length) << expected.name;
    }
}

}  // namespace
