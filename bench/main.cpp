#include <cstdio>
#include <exception>
#include <iostream>
#include <ostream>

#include "bench/bench_options.h"
#include "bench/benchmark.h"
#include "platform/console.h"
#include "run/console_output.h"

// Without arguments ZarnelBench runs the fixed benchmark and reads no files.
// With flags it runs what they ask for. A word that is no flag ("foo",
// "function=1000") is ignored, with a warning on standard error that names
// it, so words alone still run the fixed benchmark; a bad flag or value is
// refused before anything runs. Its figures go to standard output;
// when that fails (a reader that went away, a full disk) the run still
// completes, one line on standard error says so, and the status is 1.
int main(int argc, char* argv[]) {
    platform::IgnoreBrokenPipe();
    zarnel::run::ConsoleOutput console(stdout, stderr, "ZarnelBench");
    std::ostream out(&console);
    zarnel::BenchOptions options;
    int status = argc > 1 ? zarnel::ParseBenchFlags(argc, argv, options, out, std::cerr) : -1;
    if (status < 0 && !options.flagsGiven) {
        status = zarnel::RunBenchmark(out);
    } else if (status < 0) {
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
    console.Flush();
    return status == 0 && console.Failed() ? 1 : status;
}
