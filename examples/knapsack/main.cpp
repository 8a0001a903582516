// A 0/1 knapsack on Zarnel's engine: instance P07 of the KNAPSACK_01 set (15 items, capacity
// 750), optimum profit 1458 (README.md here proves it). Usage: knapsack [seed]
#include <zarnel/framework/best_individual.h>
#include <zarnel/framework/claim_guard.h>
#include <zarnel/framework/individual.h>
#include <zarnel/framework/parallel_ga.h>
#include <zarnel/framework/population.h>
#include <zarnel/framework/status.h>
#include <zarnel/platform/random.h>
#include <zarnel/run/thread_seed.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace zarnel;
using Individual = CIndividual<std::uint8_t, double>;  // gene i is 1 when item i is packed
using Population = CPopulation<Individual>;

constexpr int kItems = 15, kCapacity = 750, kOptimum = 1458;
constexpr int kWeight[kItems] = {70, 73, 77, 80, 82, 87, 90, 94, 98, 106, 110, 113, 115, 118, 120};
constexpr int kProfit[kItems] = {135, 139, 149, 150, 156, 163, 173, 184, 192, 201, 210, 214, 221, 229, 240};

// The profit of a packing that fits, minus the excess weight of one that does
// not. Safe on many threads at once: it touches only the individual given.
class KnapsackEval : public CEvalOperatorBase<Population> {
public:
    using CEvalOperatorBase::CEvalOperatorBase;
    int Evaluate(Individual* x) override {
        int weight = 0, profit = 0;
        for (int i = 0; i < kItems; ++i)
            weight += x->GetGenes()[i] * kWeight[i], profit += x->GetGenes()[i] * kProfit[i];
        x->SetFitness(weight <= kCapacity ? profit : kCapacity - weight);
        return ToInt(Status::Done);
    }
};

// All slave threads at once: tournaments of three claimed individuals; the
// worst becomes a uniform crossover of the other two with one item flipped.
// The guards give the claims back however a step ends.
class TournamentSlave : public CSlaveOperatorBase {
public:
    TournamentSlave(KnapsackEval* e, const run::ThreadSeeder* s) : eval(e), seeder(s) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t) override {
        seeder->SeedOnce(threadIndex);  // each thread draws from its own stream
        Population& population = *eval->population;
        for (int step = 0; step < 20; ++step) {
            ClaimGuard<Population> claims[3];
            ClaimDistinct(population, claims, 3, [] { return platform::Rand(); });
            Individual* x[3] = {claims[0].Get(), claims[1].Get(), claims[2].Get()};
            std::sort(x, x + 3,
                      [](Individual* a, Individual* b) { return *a->GetFitness() > *b->GetFitness(); });
            for (int i = 0; i < kItems; ++i) x[2]->GetGenes()[i] = x[platform::Rand() & 1]->GetGenes()[i];
            x[2]->GetGenes()[platform::Rand() % kItems] ^= 1;
            eval->Evaluate(x[2]);
        }
        return ToInt(Status::Done);
    }
    KnapsackEval* eval;
    const run::ThreadSeeder* seeder;
};

// The master phase, while the slave threads wait: stop at the optimum.
class StopAtOptimum : public COperatorBase {
public:
    explicit StopAtOptimum(Population* p) : population(p) {}
    int Execute() override {
        return ToInt(*BestIndividual(*population)->GetFitness() >= kOptimum ? Status::Stop : Status::Done);
    }
    Population* population;
};

int main(int argc, char** argv) {
    const std::uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : run::SeedFromClock();
    constexpr std::uint32_t kThreads = 4;
    const run::ThreadSeeder seeder(seed);
    seeder.SeedOnce(kThreads);  // the main thread: a stream that no slave thread uses
    // Each object outlives those built after it; the engine is destroyed first.
    Population population(60, kItems);
    for (std::uint32_t j = 0; j < population.size; ++j)  // random packings, scored by the engine's
        for (int i = 0; i < kItems; ++i) population.GetIndividual(j)->GetGenes()[i] = platform::Rand() & 1;
    KnapsackEval eval(&population);  // initialisation operator: eval.Execute() scores them all
    TournamentSlave slave(&eval, &seeder);
    StopAtOptimum master(&population);
    CParallelGA engine(&eval, &master, &slave, kThreads);
    std::uint32_t iterations = 0;
    while (iterations < 100000 && *BestIndividual(population)->GetFitness() < kOptimum)
        iterations += engine.Run(100);

    Individual* best = BestIndividual(population);
    std::printf("seed %llu, %u iterations: profit %.0f of %d, packing ",
                static_cast<unsigned long long>(seed), static_cast<unsigned>(iterations), *best->GetFitness(),
                kOptimum);
    for (int i = 0; i < kItems; ++i) std::putchar('0' + best->GetGenes()[i]);  // item 1 first
    std::printf("\n");
    return *best->GetFitness() == kOptimum ? 0 : 1;
}
