#include <cstdio>
#include <exception>
#include <iostream>
#include <ostream>

#include "bench/bench_options.h"
#include "bench/benchmark.h"
#include "platform/console.h"
#include "run/console_output.h"

// Without arguments ZarnelBench runs the fixed benchmark and reads no files.
// With arguments it runs what the flags ask for; a word that is no flag
// ("foo", "function=1000") is refused like a bad flag, so that a mistyped
// flag never runs the fixed benchmark in its place. Its figures go to standard output;
// when that fails (a reader that went away, a full disk) the run still
// completes, one line on standard error says so, and the status is 1.
int main(int argc, char* argv[]) {
    platform::IgnoreBrokenPipe();
    const bool flags = argc > 1;
    zarnel::run::ConsoleOutput console(stdout, stderr, "ZarnelBench");
    std::ostream out(&console);
    int status = 0;
    if (!flags) {
        status = zarnel::RunBenchmark(out);
    } else {
        zarnel::BenchOptions options;
        status = zarnel::ParseBenchFlags(argc, argv, options, out, std::cerr);
        if (status < 0) {
            // What the flags ask for may not fit (threads the system will not
            // start, memory it does not have): say so instead of aborting.
            try {
                status = zarnel::RunBenchmarkWith(options, out, std::cerr,
                                                  platform::StderrIsTerminal() ? &std::cerr : nullptr);
            } catch (const std::exception& error) {
                console.Flush();
                std::fprintf(stderr, "ZarnelBench: cannot run: %s\n", error.what());
                return 1;
            }
        }
    }
    console.Flush();
    return status == 0 && console.Failed() ? 1 : status;
}
