// N-Queens with GAlib (Debian libga-dev), the peer measured beside
// ZarnelNQueen by perf/fast_vs_classic.sh: a steady-state GA over
// permutations, tournament-3 selection, PMX crossover (probability 0.9),
// swap mutation (probability 1/N per gene), population 100, until a board
// without conflicts. Prints "galib N milliseconds evaluations solved|UNSOLVED";
// the final board is checked independently of the objective.
//
//   galib_queens N [SEED [MAX_SECONDS]]
#include <ga/GA1DArrayGenome.h>
#include <ga/GASStateGA.h>
#include <ga/garandom.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

int n = 8;
std::chrono::steady_clock::time_point deadline;

// Minus the queens beyond the first on every diagonal.
float Objective(GAGenome& g) {
    auto& genome = static_cast<GA1DArrayGenome<int>&>(g);
    std::vector<int> sums(2 * n), differences(2 * n);
    int conflicts = 0;
    for (int c = 0; c < n; ++c) {
        if (sums[genome.gene(c) + c]++ > 0) ++conflicts;
        if (differences[genome.gene(c) - c + n]++ > 0) ++conflicts;
    }
    return static_cast<float>(-conflicts);
}

void Shuffle(GAGenome& g) {
    auto& genome = static_cast<GA1DArrayGenome<int>&>(g);
    for (int i = 0; i < n; ++i) genome.gene(i, i);
    for (int i = n - 1; i > 0; --i) genome.swap(i, GARandomInt(0, i));
}

// The best of three individuals drawn uniformly.
class Tournament3 : public GASelectionScheme {
public:
    GADefineIdentity("Tournament3", 291);
    Tournament3() : GASelectionScheme(GASelectionScheme::RAW) {}
    GASelectionScheme* clone() const override { return new Tournament3(*this); }
    GAGenome& select() const override {
        int best = GARandomInt(0, pop->size() - 1);
        for (int k = 0; k < 2; ++k) {
            const int other = GARandomInt(0, pop->size() - 1);
            if (pop->individual(other).score() > pop->individual(best).score()) best = other;
        }
        return pop->individual(best);
    }
};

GABoolean Solved(GAGeneticAlgorithm& ga) {
    return (ga.statistics().bestIndividual().score() == 0.0f || std::chrono::steady_clock::now() > deadline)
               ? gaTrue
               : gaFalse;
}

bool Valid(const GA1DArrayGenome<int>& genome) {
    std::set<int> rows, sums, differences;
    for (int c = 0; c < n; ++c) {
        rows.insert(genome.gene(c));
        sums.insert(genome.gene(c) + c);
        differences.insert(genome.gene(c) - c);
    }
    return static_cast<int>(rows.size()) == n && static_cast<int>(sums.size()) == n &&
           static_cast<int>(differences.size()) == n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: galib_queens N [SEED [MAX_SECONDS]]\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    n = std::atoi(argv[1]);
    GARandomSeed(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 0);
    deadline = start + std::chrono::seconds(argc > 3 ? std::atoi(argv[3]) : 60);
    GA1DArrayGenome<int> genome(n, Objective);
    genome.initializer(Shuffle);
    genome.mutator(GA1DArrayGenome<int>::SwapMutator);
    genome.crossover(GA1DArrayGenome<int>::PartialMatchCrossover);
    GASteadyStateGA ga(genome);
    ga.populationSize(100);
    ga.pCrossover(0.9);
    ga.pMutation(1.0 / n);
    ga.scaling(GANoScaling());  // scores are negative: no linear scaling
    ga.selector(Tournament3());
    ga.terminator(Solved);
    ga.scoreFrequency(0);
    ga.flushFrequency(0);
    ga.evolve();
    const auto& best = static_cast<const GA1DArrayGenome<int>&>(ga.statistics().bestIndividual());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const bool valid = best.score() == 0.0f && Valid(best);
    std::printf("galib %d %.1f %d %s\n", n, ms, ga.statistics().indEvals(), valid ? "solved" : "UNSOLVED");
    return valid ? 0 : 1;
}
