// ZarnelSuites through the shell: the line it prints, the front it writes
// in score_front's format and its JSON table agree with each other and
// with the suites' own definitions; the same seed gives the same front at
// any thread count; what it cannot run is refused with status 2.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/suites/suite.h"
#include "objectives/indicators.h"
#include "objectives/point_set.h"
#include "tests/end_to_end/bench/bench_shell.h"

namespace {

using bench_shell::ReadFile;
namespace suites = zarnel::suites;

// The numbers of each line of a final front that is no comment, and the
// value of the header line "# <key> <value>".
std::vector<std::vector<double>> Members(const std::string& text) {
    std::vector<std::vector<double>> members;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        members.emplace_back();
        for (double value; fields >> value;) members.back().push_back(value);
    }
    return members;
}
std::string Header(const std::string& text, const std::string& key) {
    const std::size_t at = text.find("# " + key + " ");
    if (at == std::string::npos) return {};
    const std::size_t begin = at + key.size() + 3;
    return text.substr(begin, text.find('\n', begin) - begin);
}

using ZarnelSuitesE2E = bench_shell::BenchShellTest;

TEST_F(ZarnelSuitesE2E, ItsLineFrontAndTableAgreeWithTheSuites) {
    const auto result = Run("--problem bnh --evaluations 3000 --seed 2 --threads 2 --out . --json t.json");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("bnh ", 0), 0u) << result.out;
    const std::string front = ReadFile(dir / "bnh.zarnel.2.txt");
    EXPECT_EQ(Header(front, "evaluations"), "3000");
    EXPECT_EQ(Header(front, "feasible_share"), "1");
    std::vector<double> points;
    const auto members = Members(front);
    ASSERT_GE(members.size(), 10u);
    for (const auto& member : members) {
        ASSERT_EQ(member.size(), 4u);
        const auto objectives = suites::Bnh{}.objectives(std::span<const double>(member).first(2));
        EXPECT_EQ(objectives[0], member[2]);
        EXPECT_EQ(objectives[1], member[3]);
        points.insert(points.end(), objectives.begin(), objectives.end());
    }
    const nlohmann::json table = nlohmann::json::parse(ReadFile(dir / "t.json"));
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0]["problem"], "bnh");
    EXPECT_EQ(table[0]["seed"], 2);
    EXPECT_EQ(table[0]["evaluations"], 3000);
    const double volume = zarnel::objectives::Hypervolume(zarnel::objectives::PointSet(points, 2),
                                                          suites::Bnh{}.referencePoint());
    EXPECT_NEAR(table[0]["hypervolume"].get<double>(), volume, 1e-9 * volume);
    char shown[32];
    std::snprintf(shown, sizeof shown, "hypervolume %.7f", volume);
    EXPECT_NE(result.out.find(shown), std::string::npos) << result.out;

    // One objective: the best individual and its cost, as the problem scores it.
    const auto single = Run("--problem g06 --evaluations 4000 --seed 2 --threads 1 --out .");
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.out.find("feasible "), std::string::npos) << single.out;
    const auto best = Members(ReadFile(dir / "g06.zarnel.2.txt"));
    ASSERT_EQ(best.size(), 1u);
    ASSERT_EQ(best[0].size(), 3u);
    EXPECT_EQ(suites::Cec2006<6>{}.fitness(std::span<const double>(best[0]).first(2)), best[0][2]);
}

// The generational scheme's front does not depend on the threads.
TEST_F(ZarnelSuitesE2E, TheSameSeedGivesTheSameFrontAtAnyThreadCount) {
    std::string fronts[2];
    for (int threads = 0; threads < 2; ++threads) {
        const auto result = Run("--problem dtlz2 --evaluations 2000 --seed 7 --out . --threads " +
                                std::to_string(threads * 3 + 1));
        ASSERT_EQ(result.status, 0) << result.err;
        fronts[threads] = ReadFile(dir / "dtlz2.zarnel.7.txt");
        const std::size_t seconds = fronts[threads].find("# seconds");
        fronts[threads].erase(seconds, fronts[threads].find('\n', seconds) - seconds);
    }
    EXPECT_EQ(fronts[0], fronts[1]);
    EXPECT_GE(Members(fronts[0]).size(), 10u);
}

// --variation breeds the problems of one objective with its crossover
// (differential: a tournament of four and a population of 200, unless
// --tournament and --population say otherwise),
// names its files after it, and reaches the run's record; a variation that
// names nothing and parameters Solve refuses end with status 2.
TEST_F(ZarnelSuitesE2E, AVariationBreedsOneObjectiveWithItsOperators) {
    struct Case {
        const char* flags;
        const char* operators;
        int tournament;
        int population;
        const char* label;
    };
    for (const Case& c :
         {Case{"", "sbx+polynomial", 3, 100, "zarnel"},
          Case{"--variation differential", "differential+polynomial", 4, 200, "zarnel-differential"},
          Case{"--variation differential --tournament 5 --population 50", "differential+polynomial", 5, 50,
               "zarnel-differential"},
          Case{"--variation blx_alpha", "blx_alpha+polynomial", 3, 100, "zarnel-blx_alpha"}}) {
        SCOPED_TRACE(c.flags);
        const auto result =
            Run(std::string("--problem g06 --evaluations 1000 --seed 4 --threads 1 --records . "
                            "--out . ") +
                c.flags);
        ASSERT_EQ(result.status, 0) << result.err;
        const nlohmann::json record = nlohmann::json::parse(ReadFile(dir / "g06.4.json"));
        EXPECT_EQ(record["operators"], c.operators);
        EXPECT_EQ(record["parameters"]["tournament_size"], c.tournament);
        EXPECT_EQ(record["parameters"]["population"], c.population);
        EXPECT_EQ(Members(ReadFile(dir / (std::string("g06.") + c.label + ".4.txt"))).size(), 1u);
    }
    for (const auto& [flags, says] :
         {std::pair{"--variation de", "--variation de: give default"},
          std::pair{"--variation differential --differential-rate 1.5", "differentialRate 1.5 is not in"}}) {
        SCOPED_TRACE(flags);
        const auto result = Run(std::string("--problem g06 ") + flags);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
    }
}

TEST_F(ZarnelSuitesE2E, RefusesWhatItCannotRunWithStatusTwo) {
    struct Case {
        const char* flags;
        const char* says;
    };
    for (const Case& c :
         {Case{"--problem nope", "no problem named nope"}, Case{"", "give --problem NAME or --all"},
          Case{"--all --problem zdt1", "give --problem NAME or --all"},
          Case{"--problem zdt1 --survival best", "--survival best"},
          Case{"--problem zdt1 --population 2", "population 2 is below 3"},
          Case{"--problem zdt1 --threads many", "--threads"}}) {
        SCOPED_TRACE(c.flags);
        const auto result = Run(c.flags);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("hypervolume"), std::string::npos);
    }
    const auto list = Run("--list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, [] {
        std::string names;
        for (const std::string& name : suites::ProblemNames()) names += name + "\n";
        return names;
    }());
}

}  // namespace
