// The cheaper paths of the fast set: scoring a repair try without swapping,
// a repair ended from another thread, the rows printed by hand, and the
// deterministic lanes that keep the round of a solution up to its lowest
// solving lane.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "nqueen/fast_board.h"
#include "nqueen/fast_lanes.h"
#include "nqueen/fast_operators.h"
#include "nqueen/operator_set.h"
#include "nqueen/parameter_check.h"
#include "nqueen/report.h"
#include "tests/nqueen/test_support.h"

namespace {

using namespace zarnel;

std::vector<std::uint16_t> Shuffled(std::uint32_t n, FastRandom& random) {
    std::vector<std::uint16_t> genes(n);
    std::iota(genes.begin(), genes.end(), std::uint16_t{0});
    for (std::uint32_t j = n; j > 1; --j) std::swap(genes[j - 1], genes[random.Below(j)]);
    return genes;
}

TEST(FastBoard, SwapChangeIsWhatSwapReturnsAndLeavesTheBoard) {
    FastRandom random(21);
    FastBoard board;
    // Small boards put both queens of a pair on one diagonal, or move both
    // onto one, often; on the large one the corners have the extreme indices.
    for (const std::uint32_t n : {2u, 3u, 4u, 5u, 8u, 13u, 200u, 65536u}) {
        for (int b = 0; b < (n > 1000 ? 2 : 40); ++b) {
            std::vector<std::uint16_t> genes = Shuffled(n, random);
            board.Load(genes.data(), n);
            for (int s = 0; s < 60; ++s) {
                std::uint32_t a = random.Below(n);
                std::uint32_t c = random.Below(n);
                if (s == 0) a = 0, c = n - 1;
                if (a == c) continue;
                const std::vector<std::uint16_t> before = genes;
                const std::int64_t conflicts = board.Conflicts();
                const std::int64_t predicted = board.SwapChange(a, c);
                ASSERT_EQ(genes, before);
                ASSERT_EQ(board.Conflicts(), conflicts);
                ASSERT_EQ(board.Swap(a, c), predicted) << n << ": columns " << a << " and " << c;
            }
        }
    }
}

TEST(FastBoard, ARepairEndsWhenItsCutoffIsDueAndRunsAsBeforeOtherwise) {
    constexpr std::uint32_t n = 3000;
    FastRandom source(5);
    const std::vector<std::uint16_t> start = Shuffled(n, source);

    std::vector<std::uint16_t> plain = start;
    FastBoard board;
    board.Load(plain.data(), n);
    FastRandom first(9);
    board.Improve(first, 8 * n, 32);
    const std::int64_t repaired = board.Conflicts();

    // A cutoff that never comes due changes no draw and no swap.
    std::atomic<std::uint32_t> lowest{100};
    std::vector<std::uint16_t> watched = start;
    board.Load(watched.data(), n);
    FastRandom second(9);
    board.Improve(second, 8 * n, 32, RepairCutoff{&lowest, 3});
    EXPECT_EQ(watched, plain);
    EXPECT_EQ(board.Conflicts(), repaired);
    EXPECT_EQ(second.Next(), first.Next());

    // One already due ends the repair before its first swap.
    lowest.store(2);
    std::vector<std::uint16_t> cut = start;
    board.Load(cut.data(), n);
    const std::int64_t unrepaired = board.Conflicts();
    FastRandom third(9);
    board.Improve(third, 8 * n, 32, RepairCutoff{&lowest, 3});
    EXPECT_EQ(cut, start);
    EXPECT_EQ(board.Conflicts(), unrepaired);
    EXPECT_GT(unrepaired, repaired);
}

template <typename Gene>
std::string Printed(const std::vector<Gene>& rows) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    WriteSolutionRows(file, rows.data(), static_cast<std::uint32_t>(rows.size()));
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

template <typename Gene>
std::string WithPrintf(const std::vector<Gene>& rows) {
    std::string text;
    char one[32];
    for (const Gene row : rows) {
        std::snprintf(one, sizeof one, "%3i ", static_cast<int>(row));
        text += one;
    }
    return text;
}

TEST(WriteSolutionRows, EveryWidthComesOutAsThreePlacesAndABlankWouldPrintIt) {
    // Every width from one digit to the widest row a 32-bit gene holds, and
    // enough rows to fill several of the writer's blocks.
    std::vector<std::uint32_t> wide = {0,    7,     10,    99,     100,     999,
                                       1000, 65535, 65536, 999999, 1000000, 2147483647u};
    FastRandom random(3);
    for (int i = 0; i < 20000; ++i) wide.push_back(random.Below(1u << (1 + i % 31)));
    EXPECT_EQ(Printed(wide), WithPrintf(wide));
    std::vector<std::uint16_t> narrow(70000);
    for (std::uint16_t& row : narrow) row = static_cast<std::uint16_t>(random.Below(65536));
    EXPECT_EQ(Printed(narrow), WithPrintf(narrow));
    EXPECT_EQ(Printed(std::vector<std::uint16_t>{}), "");
}

// A toy population for the lanes: one value per individual. A step adds a
// draw of the lane to the first individual of its slice (and counts an
// evaluation); a draw that is a multiple of `stopEvery` is a solution.
struct Toy {
    std::vector<std::uint64_t> values;
    std::vector<std::vector<std::pair<std::uint32_t, std::uint64_t>>> written;  // per lane, this round

    void Begin(std::uint32_t lane) { written[lane].clear(); }
    void Undo(std::uint32_t lane) {
        for (auto entry = written[lane].rbegin(); entry != written[lane].rend(); ++entry)
            values[entry->first] = entry->second;
        written[lane].clear();
    }
};

struct ToyRun {
    std::vector<std::uint64_t> values;
    std::vector<int> status;  // per phase and thread
    std::uint64_t evaluations = 0;
};

ToyRun RunToy(std::uint32_t threads, std::uint32_t size, std::uint32_t phases, std::uint64_t stopEvery) {
    FastLanes lanes(7, size, threads, 6, 2);
    Toy toy{std::vector<std::uint64_t>(size, 1),
            std::vector<std::vector<std::pair<std::uint32_t, std::uint64_t>>>(lanes.Count())};
    ToyRun run;
    std::vector<ThreadStats> stats(threads);
    Random master = lanes.MasterRandom();
    // A phase after a solution starts from the lanes' generators as the
    // solution's round left them: those of undone lanes are set back.
    for (std::uint32_t phase = 0; phase < phases; ++phase) {
        lanes.Deal(master);
        std::vector<int> status(threads, -1);
        auto work = [&](std::uint32_t t) {
            const ThreadStatsScope scope(&stats[t]);
            status[t] = lanes.RunPhase(
                [&](Random& random, std::span<const std::uint32_t> slice, std::uint32_t lane) {
                    const std::uint64_t draw = random.Next();
                    toy.written[lane].emplace_back(slice[0], toy.values[slice[0]]);
                    toy.values[slice[0]] = toy.values[slice[0]] * 31 + draw;
                    CountEvaluation();
                    // Some steps take a while, so that the threads overtake
                    // each other's lanes.
                    if (draw % 5 == 0) std::this_thread::yield();
                    return draw % stopEvery == 0 ? kStop : kDone;
                },
                toy);
        };
        std::vector<std::thread> helpers;
        for (std::uint32_t t = 1; t < threads; ++t) helpers.emplace_back(work, t);
        work(0);
        for (std::thread& helper : helpers) helper.join();
        for (const int s : status) EXPECT_EQ(s, status[0]) << "every participant ends the phase alike";
        run.status.push_back(status[0]);
    }
    for (const ThreadStats& s : stats) run.evaluations += s.evaluations;
    run.values = toy.values;
    return run;
}

TEST(FastLanes, WithUndoTheRoundOfASolutionEndsAtItsLowestSolvingLaneOnEveryThreadCount) {
    // 10 lanes of six, 6 steps per lane in rounds of 2. With about one step
    // in 25 a solution, most runs end within a few rounds.
    for (const std::uint64_t stopEvery : {std::uint64_t{25}, std::uint64_t{7}, ~std::uint64_t{0}}) {
        SCOPED_TRACE(stopEvery);
        const ToyRun one = RunToy(1, 60, 4, stopEvery);
        for (const std::uint32_t threads : {2u, 3u, 4u, 8u}) {
            SCOPED_TRACE(threads);
            for (int repeat = 0; repeat < 5; ++repeat) {
                const ToyRun many = RunToy(threads, 60, 4, stopEvery);
                EXPECT_EQ(many.values, one.values);
                EXPECT_EQ(many.evaluations, one.evaluations);
                EXPECT_EQ(many.status, one.status);
            }
        }
    }
}

// The deterministic fast set as the solver builds it, run for `iterations`
// master iterations or to a solution: the population's genes and fitness,
// and the evaluations counted over all threads.
struct FastRun {
    std::vector<std::uint16_t> genes;
    std::vector<float> fitness;
    std::uint64_t evaluations = 0;
    std::uint32_t iterations = 0;
};

FastRun RunDeterministic(std::uint32_t queens, std::uint32_t threads, std::uint32_t iterations) {
    NQueenPopulation population(48, queens);
    NQueenParameters parameters;
    parameters.queens = static_cast<std::int32_t>(queens);
    parameters.population_size = 48;
    parameters.slave_iterations = 4;
    parameters.slave_threads = static_cast<std::int32_t>(threads);
    parameters.mutation_rate = 0.05;
    parameters.operators = kFastOperators;
    parameters.deterministic = "yes";
    NQueenOperatorSet set = MakeOperatorSet(parameters, &population, NQueenStart{17, {}});
    ThreadStats masterStats;
    const ThreadStatsScope scope(&masterStats);
    FastRun run;
    {
        CParallelGA engine(set.init.get(), set.master.get(), set.slave.get(), threads);
        run.iterations = engine.Run(iterations);
        run.evaluations = masterStats.evaluations;
        for (std::uint32_t j = 0; j < threads; ++j) run.evaluations += engine.GetThreadStats(j).evaluations;
    }
    for (std::uint32_t i = 0; i < population.size; ++i) {
        NQueenIndividual* individual = population.GetIndividual(i);
        run.genes.insert(run.genes.end(), individual->GetGenes(), individual->GetGenes() + queens);
        run.fitness.push_back(*individual->GetFitness());
    }
    return run;
}

TEST(FastOperators, DeterministicRunsThatEndOnASolutionAreTheSameOnOneToEightThreads) {
    // 2000 queens: built boards are a few repairs from a solution, so the
    // runs end in an early round with lanes of both threads under way.
    for (const std::uint32_t queens : {2000u, 64u}) {
        SCOPED_TRACE(queens);
        const FastRun one = RunDeterministic(queens, 1, 50);
        for (const std::uint32_t threads : {2u, 3u, 8u}) {
            SCOPED_TRACE(threads);
            const FastRun many = RunDeterministic(queens, threads, 50);
            EXPECT_EQ(many.iterations, one.iterations);
            EXPECT_EQ(many.genes, one.genes);
            EXPECT_EQ(many.fitness, one.fitness);
            EXPECT_EQ(many.evaluations, one.evaluations);
        }
    }
}

TEST(EstimateRunMemory, CountsTheRecordsOfDeterministicLanes) {
    NQueenParameters parameters;
    parameters.queens = 100000;
    parameters.population_size = 600;  // 64 lanes
    parameters.slave_iterations = 4;
    parameters.slave_threads = 2;
    parameters.operators = kFastOperators;
    const std::uint64_t plain = EstimateRunMemory(parameters);
    parameters.deterministic = "yes";
    // A board of 4-byte genes per lane, at least.
    EXPECT_GE(EstimateRunMemory(parameters), plain + std::uint64_t{64} * 100000 * 4);
    parameters.operators = kClassicOperators;
    parameters.queens = 1000;
    parameters.deterministic = "";
    const std::uint64_t classic = EstimateRunMemory(parameters);
    parameters.deterministic = "yes";  // refused with the classic set; counts nothing
    EXPECT_EQ(EstimateRunMemory(parameters), classic);
}

}  // namespace
