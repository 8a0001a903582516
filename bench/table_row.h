#pragma once

#include <string>

#include "run/run_record.h"

namespace zarnel {

// The lines of the table that ZarnelBench prints for its flags: one row per
// run, or with --all one row per function (`all`), whose figures are the
// best run's fitness and the evaluations and seconds of all its runs.

// The heading line.
std::string TableHeader(bool all);

// A row: the function, `label` (the run's number, or with --all the number
// of runs), the best fitness, the known best and their difference, the
// evaluations and seconds, the function's name and `note`. A best above the
// known best means the known best is wrong: the row says "beaten" and by how
// much instead of showing a negative difference.
std::string TableRow(const std::string& label, const run::BenchRunRecord& record,
                     const std::string& note = "");

}  // namespace zarnel
