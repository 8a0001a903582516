#pragma once

#include <string>
#include <vector>

namespace e2e {

// What one finished run of the solver left behind.
struct RunResult {
    int status = 0;
    std::string out;
    std::string err;
};

// A parameter file that sets the five keys.
std::string Parameters(int queens, int population, int iterations, int threads, const char* rate);

// The text split at line feeds.
std::vector<std::string> Lines(const std::string& text);

// A report without the lines that hold measured times.
std::string ReportWithoutTimes(const std::string& report);

// The whole numbers of a line of "%3i " fields.
std::vector<int> Rows(const std::string& text);

// Independent check of a placement: N rows, each used once, no two queens on
// a common diagonal. Reports through GoogleTest assertions.
void ExpectSolution(const std::vector<int>& rows, int queens);

}  // namespace e2e
