#include <cstdio>
#include <ostream>

#include "bench/benchmark.h"
#include "platform/console.h"
#include "run/console_output.h"

// ZarnelBench takes no arguments and reads no files. Its figures go to
// standard output; when that fails (a reader that went away, a full disk)
// the run still completes, one line on standard error says so, and the
// status is 1.
int main() {
    platform::IgnoreBrokenPipe();
    zarnel::run::ConsoleOutput console(stdout, stderr, "ZarnelBench");
    std::ostream out(&console);
    const int status = zarnel::RunBenchmark(out);
    console.Flush();
    return status == 0 && console.Failed() ? 1 : status;
}
