// The suites' problems against pagmo2's definitions of the same problems, at
// random points of their boxes and at pagmo2's best known solutions.
#include <gtest/gtest.h>

#include <cmath>
#include <pagmo/problem.hpp>
#include <pagmo/problems/cec2006.hpp>
#include <pagmo/problems/dtlz.hpp>
#include <pagmo/problems/zdt.hpp>
#include <vector>

#include "bench/suites/suite.h"
#include "genome/random.h"
#include "objectives/dominance.h"

namespace {

using namespace zarnel;
using namespace zarnel::suites;

void ExpectClose(double ours, double theirs, const std::string& what) {
    EXPECT_NEAR(ours, theirs, 1e-9 * std::max(1.0, std::fabs(theirs))) << what;
}

// Random points of the box, the same for both sides.
std::vector<std::vector<double>> Samples(const RealVector& kind, Random& random) {
    std::vector<std::vector<double>> samples(50, std::vector<double>(kind.Length()));
    for (auto& x : samples) {
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = random.Uniform(kind.lower[i], kind.upper[i]);
    }
    return samples;
}

template <class Problem>
void ExpectSameObjectives(const Problem& problem, const pagmo::problem& peer) {
    const RealVector kind = problem.genome();
    EXPECT_EQ(peer.get_bounds().first, kind.lower) << problem.name();
    EXPECT_EQ(peer.get_bounds().second, kind.upper) << problem.name();
    Random random(3);
    for (const auto& x : Samples(kind, random)) {
        const auto ours = problem.objectives(x);
        const auto theirs = peer.fitness(x);
        ASSERT_EQ(theirs.size(), ours.size());
        for (std::size_t j = 0; j < ours.size(); ++j) ExpectClose(ours[j], theirs[j], problem.name());
    }
}

TEST(SuitesAgainstPagmo, ZdtAndDtlzObjectives) {
    ExpectSameObjectives(Zdt1{}, pagmo::problem(pagmo::zdt(1, 30)));
    ExpectSameObjectives(Zdt2{}, pagmo::problem(pagmo::zdt(2, 30)));
    ExpectSameObjectives(Zdt3{}, pagmo::problem(pagmo::zdt(3, 30)));
    ExpectSameObjectives(Zdt4{}, pagmo::problem(pagmo::zdt(4, 10)));
    ExpectSameObjectives(Zdt6{}, pagmo::problem(pagmo::zdt(6, 10)));
    ForEachProblem([](const auto& problem, const Budget&) {
        if constexpr (requires { problem.referenceFront(); } &&
                      !std::is_same_v<std::remove_cvref_t<decltype(problem)>, C2Dtlz2>) {
            const std::string name = problem.name();
            if (!name.starts_with("dtlz")) return;
            const auto m = problem.referencePoint().size();
            const unsigned id = static_cast<unsigned>(name[4] - '0');
            ExpectSameObjectives(problem, pagmo::problem(pagmo::dtlz(id, problem.genome().Length(), m)));
        }
    });
}

TEST(SuitesAgainstPagmo, Cec2006ObjectivesConstraintsAndBestKnown) {
    ForEachProblem([](const auto& problem, const Budget&) {
        if constexpr (requires { problem.bestKnown(); }) {
            const std::string name = problem.name();
            if (!name.starts_with("g")) return;
            const unsigned id = static_cast<unsigned>(std::stoi(name.substr(1)));
            const pagmo::cec2006 peer(id);
            const RealVector kind = problem.genome();
            EXPECT_EQ(peer.get_bounds().first, kind.lower) << name;
            EXPECT_EQ(peer.get_bounds().second, kind.upper) << name;
            const std::size_t equalities = peer.get_nec();
            ASSERT_EQ(problem.constraints(std::vector<double>(kind.Length(), 1.0)).size(),
                      equalities + peer.get_nic());
            Random random(5);
            auto samples = Samples(kind, random);
            samples.push_back(peer.best_known());
            for (const auto& x : samples) {
                const std::vector<double> theirs = peer.fitness(x);
                const auto ours = problem.constraints(x);
                if (std::isnan(theirs[0])) {
                    EXPECT_TRUE(std::isnan(problem.fitness(x))) << name;
                    continue;
                }
                ExpectClose(problem.fitness(x), theirs[0], name);
                for (std::size_t i = 0; i < ours.size(); ++i) {
                    const double expected = i < equalities ? std::fabs(theirs[1 + i]) - 1e-4 : theirs[1 + i];
                    ExpectClose(ours[i], expected, name + " constraint " + std::to_string(i + 1));
                }
            }
            const double best = problem.fitness(peer.best_known());
            EXPECT_NEAR(best, problem.bestKnown(), 1e-4 * std::max(1.0, std::fabs(problem.bestKnown())))
                << name;
            // g20's best known point is not feasible; every other one is, within the tolerance.
            if (name != "g20") {
                EXPECT_LE(objectives::TotalViolation(problem.constraints(peer.best_known())), 1e-6) << name;
            }
        }
    });
}

}  // namespace
