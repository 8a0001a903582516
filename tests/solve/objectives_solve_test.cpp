// Problems of several objectives and problems with constraints through
// Solve: the generational scheme's front at any thread count, resumed from a
// dump and over islands; the feasibility rules of the steady-state scheme;
// NaN and infinite values; the run-time counts of objectives and
// constraints that bindings use; options that cannot work.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "bench/suites/suite.h"
#include "objectives/dominance.h"
#include "solve/solve.h"
#include "tests/solve/record_files.h"

namespace {

using namespace solve_test;
using json = nlohmann::json;
namespace fs = std::filesystem;
namespace suites = zarnel::suites;

// The record of a run without what differs by thread count: times,
// per-thread figures and the thread count itself.
json RecordWithoutTimes(const std::string& path) {
    json record = TakeRecord(path);
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
        record.erase(member);
    record["parameters"].erase("threads");
    record["parameters"].erase("record");
    for (auto& entry : record["history"]) entry.erase("seconds");
    for (auto& island : record["islands"]) island.erase("threads");
    return record;
}

template <class Problem>
json FrontRecord(const Problem& problem, zarnel::SolveOptions options) {
    (void)zarnel::Solve(problem, options);
    return RecordWithoutTimes(options.record);
}

class ObjectivesAtAnyThreadCount : public ::testing::TestWithParam<std::uint32_t> {};

// NSGA-II under constraints and NSGA-III with its drawn ties: the record,
// front and history included, is the same at every thread count.
TEST_P(ObjectivesAtAnyThreadCount, GiveTheSameFrontAndRecord) {
    const auto compare = [&](const auto& problem, std::uint32_t population, std::uint32_t generations) {
        zarnel::SolveOptions options = Recorded(1, population, "threads");
        options.maxIterations = generations;
        const json one = FrontRecord(problem, options);
        EXPECT_EQ(one["repeatable"], true);
        EXPECT_GE(one["front"].size(), 5u);
        EXPECT_EQ(one["history"].back()["front_size"], one["front"].size());
        options.threads = GetParam();
        EXPECT_EQ(FrontRecord(problem, options), one) << GetParam() << " threads";
    };
    compare(suites::Bnh{}, 40, 30);
    compare(suites::Dtlz<2, 5>{}, 36, 12);
}

INSTANTIATE_TEST_SUITE_P(Threads, ObjectivesAtAnyThreadCount, ::testing::Values(0u, 2u, 4u, 8u));

// ZDT1 without a reference point of its own: the run takes the first
// population's.
struct PlainZdt1 {
    zarnel::RealVector genome() const { return suites::Zdt1{}.genome(); }
    std::array<double, 2> objectives(std::span<const double> x) const { return suites::Zdt1{}.objectives(x); }
    std::string name() const { return "zdt1"; }
};

// A run stopped by Ctrl+C after some generations and resumed from its dump
// ends with the front, and measures from the reference point, of the run
// that went on.
TEST(ObjectivesResume, ADumpGoesOnAsTheRunThatWroteIt) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program cannot send itself Ctrl+C through raise";
#endif
    const fs::path dir = fs::path(RecordPath("dumps")).replace_extension();
    fs::create_directories(dir);
    zarnel::SolveOptions options = Recorded(2, 40, "whole");
    options.maxIterations = 30;
    options.handleSignals = true;
    options.dumpDirectory = dir.string();
    options.progressEvery = 1;
    bool asked = false;
    options.progress = [&](const zarnel::Progress& progress) {
        if (!asked && progress.iteration == 11) {
            std::raise(SIGINT);
            asked = true;
        }
    };
    const auto first = zarnel::Solve(PlainZdt1{}, options);
    ASSERT_EQ(first.dumps.size(), 1u);
    EXPECT_EQ(fs::path(first.dumps.front()).filename(), "11.txt");
    const json wrote = TakeRecord(options.record);
    EXPECT_EQ(wrote["reference_point_from"], "first population");

    options.resumeFrom = first.dumps.front();
    options.maxIterations = 30 - 11;
    options.progress = {};
    options.record = RecordPath("resumed");
    const auto resumed = zarnel::Solve(PlainZdt1{}, options);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["reference_point_from"], "dump");
    EXPECT_EQ(record["reference_point"], wrote["reference_point"]);
    EXPECT_EQ(record["front"], wrote["front"]);
    EXPECT_EQ(resumed.hypervolume, first.hypervolume);
    ASSERT_EQ(resumed.front.size(), first.front.size());
    for (std::size_t k = 0; k < first.front.size(); ++k) {
        EXPECT_EQ(resumed.front[k].genes, first.front[k].genes);
        EXPECT_EQ(resumed.front[k].objectives, first.front[k].objectives);
    }
    fs::remove_all(dir);
}

// The BNH through the run-time counts that bindings use.
struct CountedBnh {
    zarnel::RealVector genome() const { return suites::Bnh{}.genome(); }
    std::size_t objectiveCount() const { return 2; }
    void objectives(std::span<const double> x, std::span<double> out) const {
        const auto f = suites::Bnh{}.objectives(x);
        std::copy(f.begin(), f.end(), out.begin());
    }
    std::size_t constraintCount() const { return 2; }
    void constraints(std::span<const double> x, std::span<double> out) const {
        const auto g = suites::Bnh{}.constraints(x);
        std::copy(g.begin(), g.end(), out.begin());
    }
    std::vector<double> referencePoint() const { return {149.6, 54.6}; }
};

// The sum of four genes in [0, 10], maximised, under x0 + x1 <= 3 and
// x2 <= x3 - 1: the best is 22, infeasible genomes reach 40.
struct Capped {
    zarnel::RealVector genome() const { return {std::vector<double>(4, 0.0), std::vector<double>(4, 10.0)}; }
    double fitness(std::span<const double> x) const { return x[0] + x[1] + x[2] + x[3]; }
    std::array<double, 2> constraints(std::span<const double> x) const {
        return {x[0] + x[1] - 3.0, x[2] - x[3] + 1.0};
    }
};

struct CountedCapped : Capped {
    std::size_t constraintCount() const { return 2; }
    void constraints(std::span<const double> x, std::span<double> out) const {
        const auto g = Capped::constraints(x);
        std::copy(g.begin(), g.end(), out.begin());
    }
};

TEST(RunTimeCounts, RunAsTheArraysOfTheSameProblemDo) {
    zarnel::SolveOptions options = Recorded(2, 40, "counted");
    options.record.clear();
    options.maxIterations = 25;
    const auto arrays = zarnel::Solve(suites::Bnh{}, options);
    const zarnel::FrontResult<double, std::dynamic_extent> counted = zarnel::Solve(CountedBnh{}, options);
    EXPECT_EQ(counted.hypervolume, arrays.hypervolume);
    ASSERT_EQ(counted.front.size(), arrays.front.size());
    for (std::size_t k = 0; k < counted.front.size(); ++k) {
        EXPECT_EQ(counted.front[k].genes, arrays.front[k].genes);
        EXPECT_TRUE(std::equal(counted.front[k].objectives.begin(), counted.front[k].objectives.end(),
                               arrays.front[k].objectives.begin()));
    }
    // One objective with constraints counted at run time; a seed on one
    // thread repeats a run.
    options.threads = 1;
    options.maxIterations = 300;
    const auto plain = zarnel::Solve(Capped{}, options);
    const auto viaSpans = zarnel::Solve(CountedCapped{}, options);
    EXPECT_EQ(viaSpans.genes, plain.genes);
    EXPECT_EQ(viaSpans.fitness, plain.fitness);
}

// The same problems scoring many genomes per call, as a binding does:
// they count their batch calls and the genomes in them.
struct Calls {
    std::atomic<std::uint64_t> calls{0};
    std::atomic<std::uint64_t> genomes{0};
    void Add(std::size_t rows) {
        calls.fetch_add(1, std::memory_order_relaxed);
        genomes.fetch_add(rows, std::memory_order_relaxed);
    }
};

template <class Base>
void EachRow(const Base& base, std::span<const double> genomes, std::span<double> out, std::size_t columns,
             void (Base::*one)(std::span<const double>, std::span<double>) const) {
    const std::size_t length = base.genome().Length();
    for (std::size_t i = 0; i < genomes.size() / length; ++i)
        (base.*one)(genomes.subspan(i * length, length), out.subspan(i * columns, columns));
}

struct BatchedBnh : CountedBnh {
    Calls* counted;
    void batchObjectives(std::span<const double> genomes, std::span<double> out) const {
        counted->Add(out.size() / 2);
        EachRow<CountedBnh>(*this, genomes, out, 2, &CountedBnh::objectives);
    }
    void batchConstraints(std::span<const double> genomes, std::span<double> out) const {
        EachRow<CountedBnh>(*this, genomes, out, 2, &CountedBnh::constraints);
    }
};

struct BatchedCapped : CountedCapped {
    Calls* counted;
    void batchFitness(std::span<const double> genomes, std::span<double> fitness) const {
        for (std::size_t i = 0; i < fitness.size(); ++i)
            fitness[i] = Capped::fitness(genomes.subspan(i * 4, 4));
    }
    void batchConstraints(std::span<const double> genomes, std::span<double> out) const {
        counted->Add(out.size() / 2);
        EachRow<CountedCapped>(*this, genomes, out, 2, &CountedCapped::constraints);
    }
};

// Batches change how many calls score the genomes, not the run: the same
// front at 1 and 2 threads as one genome per call, in far fewer calls.
TEST(RunTimeCounts, BatchesScoreManyGenomesPerCallForTheSameRun) {
    zarnel::SolveOptions options = Recorded(1, 40, "batched");
    options.record.clear();
    options.maxIterations = 25;
    const auto single = zarnel::Solve(CountedBnh{}, options);
    for (const std::uint32_t threads : {1U, 2U}) {
        options.threads = threads;
        Calls calls;
        BatchedBnh problem;
        problem.counted = &calls;
        const auto batched = zarnel::Solve(problem, options);
        EXPECT_EQ(batched.hypervolume, single.hypervolume);
        ASSERT_EQ(batched.front.size(), single.front.size());
        for (std::size_t k = 0; k < batched.front.size(); ++k) {
            EXPECT_EQ(batched.front[k].genes, single.front[k].genes);
            EXPECT_EQ(batched.front[k].objectives, single.front[k].objectives);
        }
        EXPECT_EQ(calls.genomes.load(), batched.evaluations);
        EXPECT_LE(calls.calls.load() * 5, batched.evaluations) << threads << " threads";
    }
    // One objective: a batch's constraints in one call, the run as with one
    // call per child.
    options.threads = 2;
    options.deterministic = true;
    options.maxIterations = 100;
    struct PerChild : CountedCapped {
        void batchFitness(std::span<const double> genomes, std::span<double> fitness) const {
            for (std::size_t i = 0; i < fitness.size(); ++i)
                fitness[i] = Capped::fitness(genomes.subspan(i * 4, 4));
        }
    };
    const auto perChild = zarnel::Solve(PerChild{}, options);
    Calls calls;
    BatchedCapped problem;
    problem.counted = &calls;
    const auto batched = zarnel::Solve(problem, options);
    EXPECT_EQ(batched.genes, perChild.genes);
    EXPECT_EQ(batched.violation, perChild.violation);
    EXPECT_EQ(calls.genomes.load(), batched.evaluations);
    EXPECT_LT(calls.calls.load() * 2, calls.genomes.load());
}

// The feasibility rules as the steady-state scheme ranks them are the
// library's, for one maximised fitness (a minimised cost of minus it).
TEST(FeasibilityRanking, OrdersAsTheLibrarysRulesDo) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> values = {-2.0, 0.0, 1.5, 3.0, nan, inf, -inf};
    const std::vector<double> violations = {0.0, 0.5, 2.0, nan, inf, -1.0};
    for (const double v : values) {
        for (const double g : violations) {
            for (const double w : values) {
                for (const double h : violations) {
                    const auto a = zarnel::detail::KeyOf(zarnel::detail::Constrained(v, g));
                    const auto b = zarnel::detail::KeyOf(zarnel::detail::Constrained(w, h));
                    const bool before = zarnel::objectives::FeasiblyBefore(-v, g, -w, h);
                    const bool after = zarnel::objectives::FeasiblyBefore(-w, h, -v, g);
                    EXPECT_EQ(a > b, before) << v << " " << g << " / " << w << " " << h;
                    EXPECT_EQ(a == b, !before && !after) << v << " " << g << " / " << w << " " << h;
                }
            }
        }
    }
}

// Infeasible genomes score higher; tournaments, replacement and the
// protected best must all put feasibility first, or the run ends on one.
TEST(FeasibilityRanking, TheBestIsFeasibleAndNoneFeasibleIsSaid) {
    zarnel::SolveOptions options = Recorded(2, 40, "capped");
    options.maxEvaluations = 20000;
    options.progressEvery = 50;
    double lastBest = -1;
    bool everFeasible = false;
    options.progress = [&](const zarnel::Progress& progress) {
        // Once the best is feasible it stays so, and only gets better.
        if (everFeasible) {
            EXPECT_EQ(progress.violation, 0.0);
            EXPECT_GE(progress.best, lastBest);
        }
        everFeasible = everFeasible || progress.violation == 0.0;
        lastBest = progress.best;
    };
    const auto capped = zarnel::Solve(Capped{}, options);
    EXPECT_TRUE(capped.feasible);
    EXPECT_EQ(capped.violation, 0.0);
    EXPECT_LE(capped.fitness, 22.0 + 1e-9);
    EXPECT_GT(capped.fitness, 21.0);
    EXPECT_EQ(TakeRecord(options.record)["best_violation"], 0.0);

    // A cost to minimise, under constraints: feasible, and no better than
    // the best known (which only a run that ignores a constraint beats).
    options.record.clear();
    options.progress = {};
    const auto beam = zarnel::Solve(suites::WeldedBeam{}, options);
    EXPECT_TRUE(beam.feasible);
    EXPECT_GE(beam.fitness, suites::WeldedBeam{}.bestKnown() * (1 - 1e-6));
    EXPECT_LT(beam.fitness, 5.0);

    // Constraints nobody meets: the least violating is the best, and says so.
    struct Impossible {
        zarnel::RealVector genome() const { return {{-1.0}, {1.0}}; }
        double fitness(std::span<const double> x) const { return x[0]; }
        std::array<double, 1> constraints(std::span<const double> x) const {
            return {1.0 + (x[0] - 0.3) * (x[0] - 0.3)};
        }
    };
    const auto none = zarnel::Solve(Impossible{}, options);
    EXPECT_FALSE(none.feasible);
    EXPECT_NEAR(none.violation, 1.0, 1e-3);
    EXPECT_NEAR(none.genes[0], 0.3, 0.05);
}

// NaN objectives and constraints, and an infinite violation, in parts of the
// box: no member of the front comes from them, and nothing breaks.
struct Troubled {
    zarnel::RealVector genome() const { return {{0.0, 0.0}, {1.0, 1.0}}; }
    std::array<double, 2> objectives(std::span<const double> x) const {
        if (x[1] > 0.8) return {std::nan(""), x[0]};
        return {x[0], 1.0 - x[0] + x[1]};
    }
    std::array<double, 1> constraints(std::span<const double> x) const {
        if (x[0] > 0.9) return {std::nan("")};
        if (x[0] < 0.1) return {std::numeric_limits<double>::infinity()};
        return {x[1] - 0.5};
    }
};

TEST(ObjectivesNaN, NeverReachTheFrontOrBreakTheRun) {
    for (const std::uint32_t threads : {0u, 2u}) {
        zarnel::SolveOptions options = Recorded(threads, 40, "troubled");
        options.maxIterations = 20;
        const auto result = zarnel::Solve(Troubled{}, options);
        const json record = TakeRecord(options.record);
        ASSERT_FALSE(result.front.empty());
        for (const auto& member : result.front) {
            EXPECT_EQ(member.violation, 0.0);
            EXPECT_LE(member.genes[1], 0.5);
            EXPECT_GE(member.genes[0], 0.1);
            EXPECT_LE(member.genes[0], 0.9);
        }
        EXPECT_TRUE(std::isfinite(result.hypervolume));
        EXPECT_EQ(record["front"].size(), result.front.size());
        EXPECT_LT(record["feasible_share"].get<double>(), 1.0 + 1e-12);
    }
}

// In-process islands: every island's front reaches island 0, and the run's
// front is the best of them together; with deterministic migration the
// front repeats at another thread count.
TEST(ObjectivesIslands, TheFrontIsEveryIslandsTogether) {
    zarnel::SolveOptions options = Recorded(3, 24, "islands");
    options.islands = 3;
    options.deterministic = true;
    options.migrationInterval = 4;
    options.migrants = 2;
    options.maxIterations = 20;
    const auto result = zarnel::Solve(suites::Bnh{}, options);
    const json record = RecordWithoutTimes(options.record);
    ASSERT_EQ(record["islands"].size(), 3u);
    double highest = 0.0;
    for (const json& island : record["islands"]) {
        EXPECT_GT(island["migrants_received"].get<std::uint64_t>(), 0u);
        highest = std::max(highest, island["hypervolume"].get<double>());
    }
    EXPECT_GT(result.hypervolume, highest);
    for (const auto& a : result.front) {
        for (const auto& b : result.front)
            EXPECT_FALSE(zarnel::objectives::Dominates(a.objectives, b.objectives));
    }
    options.threads = 1;
    options.record = RecordPath("islands");
    (void)zarnel::Solve(suites::Bnh{}, options);
    EXPECT_EQ(RecordWithoutTimes(options.record), record);
}

// Options that cannot work for the problem are refused before anything runs,
// naming the option.
TEST(ObjectivesOptions, ThatCannotWorkAreRefusedAndDefaultsFollowTheObjectives) {
    const auto refusal = [](const auto& problem, const auto& change) {
        zarnel::SolveOptions options = Recorded(1, 0, "refused");
        options.record.clear();
        options.maxIterations = 1;
        change(options);
        try {
            (void)zarnel::Solve(problem, options);
        } catch (const zarnel::SolveError& error) {
            return std::string(error.what());
        }
        return std::string("no refusal");
    };
    using Options = zarnel::SolveOptions;
    EXPECT_NE(refusal(suites::Zdt1{}, [](Options& o) { o.tournamentSize = 4; }).find("tournamentSize 4"),
              std::string::npos);
    EXPECT_NE(refusal(suites::Zdt1{}, [](Options& o) { o.stepsPerPhase = 9; }).find("stepsPerPhase 9"),
              std::string::npos);
    EXPECT_NE(refusal(PlainZdt1{},
                      [](Options& o) {
                          o.referencePoint = {1, 2, 3};
                      })
                  .find("referencePoint holds 3"),
              std::string::npos);
    EXPECT_NE(refusal(suites::Dtlz<2>{}, [](Options& o) { o.referenceDivisions = 40; })
                  .find("referenceDivisions 40"),
              std::string::npos);
    EXPECT_NE(refusal(suites::Dtlz<2>{},
                      [](Options& o) {
                          o.referenceDirections = {1, -1, 1};
                      })
                  .find("finite and >= 0"),
              std::string::npos);
    EXPECT_NE(refusal(Capped{}, [](Options& o) { o.survival = zarnel::Survival::kNsga3; }).find("survival"),
              std::string::npos);
    // What a problem counts or gives at run time.
    struct OneCounted : CountedBnh {
        std::size_t objectiveCount() const { return 1; }
    };
    struct PointOfThree : CountedBnh {
        std::vector<double> referencePoint() const { return {1, 2, 3}; }
    };
    EXPECT_NE(refusal(OneCounted{}, [](Options&) {}).find("gives 1 objectives"), std::string::npos);
    EXPECT_NE(refusal(PointOfThree{}, [](Options&) {}).find("referencePoint() gives 3 values"),
              std::string::npos);

    EXPECT_EQ(zarnel::detail::DefaultObjectivesPopulation(2), 100u);
    const std::pair<std::size_t, std::uint32_t> table[] = {{3, 92},  {4, 168},  {5, 212}, {6, 80},
                                                           {8, 156}, {10, 276}, {15, 136}};
    for (const auto& [m, population] : table) {
        const std::uint32_t chosen = zarnel::detail::DefaultObjectivesPopulation(m);
        EXPECT_EQ(chosen, population) << m;
        // The scheme's default directions for that population are the ones
        // the population was rounded up from.
        EXPECT_GT(zarnel::objectives::DefaultDirections(m, chosen).size() / m, chosen - 4u) << m;
    }
    zarnel::SolveOptions options = Recorded(2, 0, "defaults");
    options.maxIterations = 2;
    (void)zarnel::Solve(suites::Dtlz<2, 5>{}, options);
    const json record = TakeRecord(options.record);
    EXPECT_EQ(record["parameters"]["population"], 212);
    EXPECT_EQ(record["survival"], "nsga3");
    EXPECT_EQ(record["reference_directions"], 210);
    EXPECT_EQ(record["direction"], "minimise");
    EXPECT_FALSE(record.contains("best_fitness"));
}

}  // namespace
