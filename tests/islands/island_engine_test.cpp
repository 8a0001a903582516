// The ring between the master iterations of a real engine with slave
// threads, as a run loop uses it: MPI on the main thread only, the
// population changed only while the slave threads wait.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/claim_guard.h"
#include "framework/individual.h"
#include "framework/parallel_ga.h"
#include "framework/population.h"
#include "framework/thread_stats.h"
#include "islands/island_ring.h"
#include "islands_test_session.h"

namespace zarnel::islands {
namespace {

using Individual = CIndividual<std::int32_t, double>;
using Population = CPopulation<Individual>;

// Fitness: gene 0 (the island it was born on) plus gene 1 (how often a
// slave step has raised it).
void Score(Individual* individual) {
    individual->SetFitness(individual->genes[0] + individual->genes[1]);
    CountEvaluation();
}

struct Init : COperatorBase {
    Population* population;
    int island;
    Init(Population* p, int i) : population(p), island(i) {}
    int Execute() override {
        for (std::uint32_t i = 0; i < population->size; ++i) {
            population->individuals[i].genes[0] = 1000 * island;
            population->individuals[i].genes[1] = 0;
            Score(&population->individuals[i]);
        }
        return kDone;
    }
};

// Each slave thread raises gene 1 of the individuals of its own stripe.
struct Step : CSlaveOperatorBase {
    Population* population;
    explicit Step(Population* p) : population(p) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t thread, std::uint32_t threads) override {
        for (std::uint32_t i = thread; i < population->size; i += threads) {
            ClaimGuard<Population> claim(*population, i);
            if (!claim) continue;
            ++claim->genes[1];
            Score(claim.Get());
            CountStep();
        }
        return kDone;
    }
};

struct Master : COperatorBase {
    int Execute() override { return kDone; }
};

TEST(IslandEngineTest, AnEngineRunStopsOnEveryIslandWhenOneIsSolved) {
    const int island = testSession->Rank();
    Population population(16, 2);
    Init init(&population, island);
    Step step(&population);
    Master master;
    IslandRing<Population> ring(*testSession, {.migrationInterval = 5, .migrants = 2});
    std::uint64_t total = 0;
    {
        CParallelGA engine(&init, &master, &step, 2);
        while (true) {
            total += engine.Run(1);
            // Island 1 finds its solution after 40 master iterations.
            if (island == 1 && total == 40) ring.AnnounceStop(StopReason::kSolved);
            if (!ring.BetweenIterations(total, population, Score)) break;
        }
        IslandFigures figures;
        figures.masterIterations = total;
        for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j) {
            figures.threads.push_back({0, engine.GetThreadStats(j)});
            figures.evaluations += engine.GetThreadStats(j).evaluations;
        }
        const auto outcome = ring.Finish(population, figures);
        EXPECT_EQ(outcome.reason, StopReason::kSolved);
        EXPECT_EQ(outcome.winner, 1);
        if (island == 0) {
            ASSERT_EQ(outcome.islands.size(), static_cast<std::size_t>(testSession->Size()));
            for (const IslandFigures& f : outcome.islands) {
                ASSERT_EQ(f.threads.size(), 2U);
                // Each slave step raised one individual and scored it.
                EXPECT_EQ(f.evaluations, f.threads[0].stats.steps + f.threads[1].stats.steps);
                EXPECT_EQ(f.threads[0].stats.steps + f.threads[1].stats.steps, 16 * f.masterIterations);
            }
            // Island 1's best individual, born on some island (migrants pass
            // islands on round the ring) and raised at most once per master
            // iteration of the islands it lived on.
            ASSERT_EQ(outcome.genes.size(), 2U);
            EXPECT_EQ(outcome.fitness, outcome.genes[0] + outcome.genes[1]);
            EXPECT_EQ(outcome.genes[0] % 1000, 0);
            EXPECT_LT(outcome.genes[0], 1000 * testSession->Size());
            std::uint64_t iterations = 0;
            for (const IslandFigures& f : outcome.islands) iterations += f.masterIterations;
            EXPECT_LE(static_cast<std::uint64_t>(outcome.genes[1]), iterations);
        }
    }
    EXPECT_GE(total, island == 1 ? 40U : 1U);
}

}  // namespace
}  // namespace zarnel::islands
