#include "bench/table_row.h"

#include <cmath>
#include <cstdio>

#include "bench/test_function.h"

namespace zarnel {

namespace {

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace

std::string TableHeader(bool all) {
    return Format("%8s %5s %20s %20s %12s %12s %9s  %s\n", "function", all ? "runs" : "run",
                  all ? "best of runs" : "best fitness", "known best", "difference",
                  all ? "total evals" : "evaluations", all ? "total s" : "seconds", "name");
}

std::string TableRow(const std::string& label, const run::BenchRunRecord& r, const std::string& note) {
    const std::string known = std::isnan(r.knownBest) ? "n/a" : Format("%.10g", r.knownBest);
    const bool beaten = r.bestFitness > r.knownBest;
    const std::string difference = std::isnan(r.knownBest) ? "n/a"
                                   : beaten                ? "beaten"
                                                           : Format("%.3e", r.knownBest - r.bestFitness);
    std::string after = note;
    if (beaten) after += Format(" [above the known best by %.3e]", r.bestFitness - r.knownBest);
    return Format("%8d %5s %20.10f %20s %12s %12llu %9.3f  %s%s\n", static_cast<int>(r.function),
                  label.c_str(), r.bestFitness, known.c_str(), difference.c_str(),
                  static_cast<unsigned long long>(r.evaluations), r.seconds,
                  TestFunctionName(r.function).c_str(), after.c_str());
}

}  // namespace zarnel
