// How a run of several objectives scales with slave threads when its
// objectives are expensive: ZDT1 behind about a millisecond of busy work
// per evaluation (perf/busy_work.h), run through zarnel::Solve on 1 and on
// 2 slave threads in turns, each for the same generations; prints the
// evaluations per second of each run and the median ratio of 2 threads to 1.
// Measure on a quiet machine and say its load.
//
//   moo_scaling [rounds, default 5] [generations, default 20]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/suites/zdt.h"
#include "perf/busy_work.h"
#include "solve/solve.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int generations = argc > 2 ? std::atoi(argv[2]) : 20;
    const zarnel::perf::BusyWork<zarnel::suites::Zdt1> problem{{}, zarnel::perf::Calibrate(0.001)};
    zarnel::SolveOptions options;
    options.population = 100;
    options.maxIterations = static_cast<std::uint32_t>(generations);
    options.quiet = true;
    options.handleSignals = false;
    options.seed = 1;
    std::vector<double> ratios;
    std::printf("round  1 thread (evaluations/s)  2 threads  ratio\n");
    for (int round = 1; round <= rounds; ++round) {
        double rate[3] = {0, 0, 0};
        for (const std::uint32_t threads : {1u, 2u}) {
            options.threads = threads;
            const auto result = zarnel::Solve(problem, options);
            rate[threads] = static_cast<double>(result.evaluations) / result.seconds;
        }
        ratios.push_back(rate[2] / rate[1]);
        std::printf("%5d  %24.1f  %9.1f  %5.2f\n", round, rate[1], rate[2], ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio %.2f\n", ratios[ratios.size() / 2]);
}
