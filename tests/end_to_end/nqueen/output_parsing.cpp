#include "tests/end_to_end/nqueen/output_parsing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace e2e {

std::string Parameters(int queens, int population, int iterations, int threads, const char* rate) {
    return "queens " + std::to_string(queens) + "\npopulation_size " + std::to_string(population) +
           "\nslave_iterations " + std::to_string(iterations) + "\nslave_threads " + std::to_string(threads) +
           "\nmutation_rate " + rate + "\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<int> Rows(const std::string& text) {
    std::vector<int> rows;
    std::istringstream in(text);
    for (int row; in >> row;) rows.push_back(row);
    return rows;
}

void ExpectSolution(const std::vector<int>& rows, int queens) {
    ASSERT_EQ(static_cast<int>(rows.size()), queens);
    std::vector<bool> used(queens, false);
    for (int r : rows) {
        ASSERT_GE(r, 0);
        ASSERT_LT(r, queens);
        EXPECT_FALSE(used[r]) << "row " << r << " used twice";
        used[r] = true;
    }
    for (int i = 0; i < queens; ++i) {
        for (int j = i + 1; j < queens; ++j) EXPECT_NE(std::abs(rows[i] - rows[j]), j - i) << i << "," << j;
    }
}

std::string ReportWithoutTimes(const std::string& report) {
    std::string kept;
    for (const std::string& line : Lines(report)) {
        if (line.find("time") == std::string::npos) kept += line + "\n";
    }
    return kept;
}

}  // namespace e2e
