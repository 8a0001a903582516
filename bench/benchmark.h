#pragma once

#include <iosfwd>

namespace zarnel {

// Runs the fixed benchmark: 50 bit strings of 40 genes on Griewank's function
// in 40 variables (code 40004) over [-10, 10], two slave threads, two runs of
// 200 master iterations on the same population. After each run it writes five
// lines to `out`: per slave thread its busy time and that time divided by
// 200, then the best fitness. The first report gives the totals since the
// engine was built; the second gives the second run's own figures. Returns
// the exit status, 0. Call it from one thread at a time.
int RunBenchmark(std::ostream& out);

}  // namespace zarnel
