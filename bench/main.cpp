#include <iostream>

#include "bench/benchmark.h"

// ZarnelBench takes no arguments and reads no files.
int main() { return zarnel::RunBenchmark(std::cout); }
