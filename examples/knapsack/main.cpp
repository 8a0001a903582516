// A 0/1 knapsack on Zarnel: instance P07 of the KNAPSACK_01 set (15 items, capacity 750), optimum
// profit 1458 (README.md here proves it). Usage: knapsack [--seed S] [--help ...]; 0 at the optimum,
// 1 short of it or when the record (--json) could not be written.
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <cstdio>

constexpr int kItems = 15, kCapacity = 750, kOptimum = 1458;
constexpr int kWeight[kItems] = {70, 73, 77, 80, 82, 87, 90, 94, 98, 106, 110, 113, 115, 118, 120};
constexpr int kProfit[kItems] = {135, 139, 149, 150, 156, 163, 173, 184, 192, 201, 210, 214, 221, 229, 240};

// Gene i is 1 when item i is packed: the profit of a packing that fits, else minus its excess weight.
struct Knapsack {
    zarnel::BitString genome() const { return {kItems}; }
    double fitness(std::span<const std::uint8_t> packed) const {
        int weight = 0, profit = 0;
        for (int i = 0; i < kItems; ++i) weight += packed[i] * kWeight[i], profit += packed[i] * kProfit[i];
        return weight <= kCapacity ? profit : kCapacity - weight;
    }
    std::string name() const { return "knapsack P07"; }
};

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.population = 60;
    options.target = kOptimum;
    options.maxIterations = 100000;
    if (const auto status = zarnel::ParseFlags(argc, argv, options)) return *status;
    zarnel::SolveResult<std::uint8_t> result;
    try {
        result = zarnel::Solve(Knapsack{}, options);
    } catch (const zarnel::SolveError& error) {  // options that cannot work, said before anything runs
        return std::fprintf(stderr, "knapsack: %s\n", error.what()), 2;
    }
    std::printf("seed %llu: profit %.0f of %d, packing ", static_cast<unsigned long long>(result.seed),
                result.fitness, kOptimum);
    for (const std::uint8_t packed : result.genes) std::putchar('0' + packed);  // item 1 first
    std::printf("\n");
    return result.fitness == kOptimum && result.recordError.empty() ? 0 : 1;
}
