// BNH (Binh and Korn 1997) on Zarnel: two objectives to minimise under two constraints, the whole
// example of docs/several-objectives.md. Usage: bnh [--seed S] [--threads T] [--json run.json] [--help ...];
// prints the front, one member a line, and its hypervolume last; 1 when no member is feasible or the
// record (--json) could not be written.
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <array>
#include <cstdio>

struct Bnh {
    zarnel::RealVector genome() const { return {{0.0, 0.0}, {5.0, 3.0}}; }  // x in [0, 5], y in [0, 3]
    std::array<double, 2> objectives(std::span<const double> v) const {     // both minimised
        const double x = v[0], y = v[1];
        return {4 * x * x + 4 * y * y, (x - 5) * (x - 5) + (y - 5) * (y - 5)};
    }
    std::array<double, 2> constraints(std::span<const double> v) const {  // each <= 0 when met
        const double x = v[0], y = v[1];
        return {(x - 5) * (x - 5) + y * y - 25, 7.7 - (x - 8) * (x - 8) - (y + 3) * (y + 3)};
    }
    // Where the hypervolume is measured from: beyond the worst of the true front (136, 50).
    std::array<double, 2> referencePoint() const { return {149.6, 54.6}; }
    std::string name() const { return "bnh"; }
};

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.maxIterations = 249;  // generations: 100 + 249 × 100 = 25,000 evaluations
    if (const auto status = zarnel::ParseFlags(argc, argv, options)) return *status;
    try {
        const auto result = zarnel::Solve(Bnh{}, options);
        for (const auto& member : result.front) {
            std::printf("x %.5f y %.5f  f1 %.4f f2 %.4f\n", member.genes[0], member.genes[1],
                        member.objectives[0], member.objectives[1]);
        }
        std::printf("seed %llu: %zu members, hypervolume %.2f\n",
                    static_cast<unsigned long long>(result.seed), result.front.size(), result.hypervolume);
        return !result.front.empty() && result.recordError.empty() ? 0 : 1;
    } catch (const zarnel::SolveError& error) {  // options that cannot work, said before anything runs
        return std::fprintf(stderr, "bnh: %s\n", error.what()), 2;
    }
}
