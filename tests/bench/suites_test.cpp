#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <set>
#include <sstream>
#include <type_traits>
#include <vector>

#include "bench/suites/suite.h"
#include "genome/random.h"
#include "objectives/dominance.h"
#include "objectives/indicators.h"
#include "objectives/nondominated_sort.h"

namespace {

using namespace zarnel;
using namespace zarnel::suites;

template <class Problem>
concept MultiObjective = requires(const Problem& problem, std::span<const double> x) {
    problem.objectives(x);
};

// A Pareto-optimal genome: the first variables (the position on the front)
// drawn, the rest where g is smallest.
template <class Problem>
std::vector<double> OptimalGenome(const Problem& problem, Random& random) {
    const RealVector kind = problem.genome();
    std::vector<double> x(kind.Length());
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = random.Uniform(kind.lower[i], kind.upper[i]);
    const std::string name = problem.name();
    if (name.starts_with("zdt")) {
        std::fill(x.begin() + 1, x.end(), 0.0);
    } else if (name.starts_with("dtlz")) {
        const std::size_t m = problem.referencePoint().size();
        const bool zero = name.starts_with("dtlz6") || name.starts_with("dtlz7");
        std::fill(x.begin() + static_cast<std::ptrdiff_t>(m - 1), x.end(), zero ? 0.0 : 0.5);
    }
    return x;
}

// How far the point lies in front of the front: the smallest distance by
// which a point of the front exceeds it (0 when the front dominates it).
double AheadOf(std::span<const double> point, const std::vector<double>& front) {
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < front.size(); i += point.size()) {
        double squared = 0.0;
        for (std::size_t j = 0; j < point.size(); ++j)
            squared += std::pow(std::max(front[i + j] - point[j], 0.0), 2);
        nearest = std::min(nearest, std::sqrt(squared));
    }
    return nearest;
}

TEST(SuitesTest, OptimalGenomesReachTheReferenceFrontWhichDominatesNothingOfItself) {
    Random random(11);
    std::set<std::string> names;
    ForEachProblem([&](const auto& problem, const Budget& budget) {
        EXPECT_TRUE(names.insert(problem.name()).second) << problem.name();
        EXPECT_GE(budget.evaluations, budget.population);
        using Problem = std::remove_cvref_t<decltype(problem)>;
        if constexpr (MultiObjective<Problem>) {
            const std::vector<double> front = problem.referenceFront();
            const auto reference = problem.referencePoint();
            const std::size_t m = reference.size();
            const objectives::PointSet points(front, m);
            EXPECT_GE(points.Size(), 200u) << problem.name();
            EXPECT_EQ(objectives::NonDominatedSubset(points).size(), points.Size()) << problem.name();
            for (std::size_t i = 0; i < points.Size(); ++i) {
                for (std::size_t j = 0; j < m; ++j) ASSERT_LT(points[i][j], reference[j]) << problem.name();
            }
            if (problem.name().starts_with("zdt") || problem.name().starts_with("dtlz")) {
                for (int k = 0; k < 20; ++k) {
                    const auto f = problem.objectives(OptimalGenome(problem, random));
                    // On the front, or (on a piece of the curve that the front's
                    // pieces dominate) behind it; the front's spacing allows a
                    // little.
                    EXPECT_LT(AheadOf(f, front), m <= 3 ? 0.03 : 0.25) << problem.name();
                }
            }
        }
    });
    EXPECT_EQ(names.size(), 44u);
}

// Hypervolumes of the true fronts against the reference points, worked out
// by integrating the front: the reference fronts and the hypervolume agree.
TEST(SuitesTest, ReferenceFrontsHaveTheTrueFrontsHypervolume) {
    const double pi = std::numbers::pi;
    const auto volume = [](const auto& problem) {
        const std::vector<double> front = problem.referenceFront();
        const auto reference = problem.referencePoint();
        return objectives::Hypervolume(objectives::PointSet(front, reference.size()), reference);
    };
    EXPECT_NEAR(volume(Zdt1{}), 0.1 + 2.0 / 3 + 0.11, 1e-3);
    EXPECT_NEAR(volume(Zdt2{}), 0.1 + 1.0 / 3 + 0.11, 1e-3);
    EXPECT_NEAR(volume(Dtlz<2>{}), 1.331 - pi / 6, 2e-2);
    EXPECT_NEAR(volume(Dtlz<1>{}), 0.55 * 0.55 * 0.55 - 0.5 * 0.5 * 0.5 / 6, 2e-3);
    // DTLZ7's front spans [0, 0.859401] in f1 and f2 and [2.614009, 6] in f3.
    const auto dtlz7 = Dtlz<7>{}.referencePoint();
    EXPECT_NEAR(dtlz7[0], 1.1 * 0.859401, 1e-6);
    EXPECT_NEAR(dtlz7[2], 6 + 0.1 * (6 - 2.614009), 1e-6);
    // BNH, integrated: the second objective over the two pieces of the front.
    const auto bnhSecond = [](double f1) {
        if (f1 <= 72) return 2 * std::pow(std::sqrt(f1 / 8) - 5, 2);
        return std::pow(std::sqrt((f1 - 36) / 4) - 5, 2) + 4;
    };
    const auto r = Bnh{}.referencePoint();
    double bnh = (r[0] - 136) * (r[1] - 4);
    for (int k = 0; k < 100000; ++k) bnh += (r[1] - bnhSecond((k + 0.5) * 136.0 / 100000)) * 136.0 / 100000;
    EXPECT_NEAR(volume(Bnh{}), bnh, 1e-3 * bnh);
}

TEST(SuitesTest, FrontsOfTheConstrainedProblemsAreFeasibleAndCostsMatchTheBestKnown) {
    const auto frontViolation = [](const auto& problem, const std::vector<std::array<double, 2>>& genomes) {
        double worst = 0;
        for (const auto& x : genomes)
            worst = std::max(worst, objectives::TotalViolation(problem.constraints(x)));
        return worst;
    };
    EXPECT_LE(frontViolation(Bnh{}, {{0, 0}, {3, 3}, {5, 3}}), 0.0);
    EXPECT_LE(frontViolation(Srn{}, {{-2.5, 2.5}, {-2.5, 14.79}}), 1e-12);
    EXPECT_LE(frontViolation(Constr{}, {{7.0 / 18, 2.5}, {2.0 / 3, 0}, {1, 0}}), 1e-12);
    const std::vector<double> c2 = C2Dtlz2{}.referenceFront();
    const double corner[] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
    EXPECT_LE(C2Dtlz2{}.constraints(corner)[0], 0.0);  // the centre of the front

    const double vessel[] = {0.7781686, 0.3846491, 40.3196187, 200.0};
    EXPECT_NEAR(PressureVessel::Cost(vessel), PressureVessel{}.bestKnown(), 1e-3);
    EXPECT_LE(objectives::TotalViolation(PressureVessel{}.constraints(vessel)), 1.0);  // of 1.3e6
    const double beam[] = {0.20572964, 3.47048867, 9.03662391, 0.20572964};
    EXPECT_NEAR(WeldedBeam::Cost(beam), WeldedBeam{}.bestKnown(), 1e-5);
    EXPECT_LE(objectives::TotalViolation(WeldedBeam{}.constraints(beam)), 1e-2);  // of 13,600 psi
}

// The committed fronts of DTLZ5-7 are the ones the suites generate.
TEST(SuitesTest, CommittedFrontsAgreeWithTheGeneratedOnes) {
    const auto committed = [](const std::string& name) {
        std::ifstream in(std::string(ZARNEL_FRONTS_DIR) + "/" + name + ".txt");
        std::vector<double> values;
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            for (double value; fields >> value;) values.push_back(value);
        }
        return values;
    };
    const std::vector<std::pair<std::string, std::vector<double>>> fronts = {
        {"dtlz5", Dtlz<5>{}.referenceFront()},
        {"dtlz6", Dtlz<6>{}.referenceFront()},
        {"dtlz7", Dtlz<7>{}.referenceFront()}};
    for (const auto& [name, generated] : fronts) {
        const std::vector<double> file = committed(name);
        ASSERT_EQ(file.size(), generated.size()) << name;
        for (std::size_t i = 0; i < file.size(); ++i)
            ASSERT_NEAR(file[i], generated[i], 1e-12) << name << " " << i;
    }
}

}  // namespace
