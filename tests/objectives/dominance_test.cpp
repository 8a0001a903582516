#include "objectives/dominance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using namespace zarnel::objectives;
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

TEST(DominanceTest, DominatesNeedsNoWorseEverywhereAndBetterSomewhere) {
    EXPECT_TRUE(Dominates(std::vector{1.0, 2.0}, std::vector{1.0, 3.0}));
    EXPECT_FALSE(Dominates(std::vector{1.0, 2.0}, std::vector{1.0, 2.0}));
    EXPECT_FALSE(Dominates(std::vector{1.0, 4.0}, std::vector{2.0, 3.0}));
    EXPECT_FALSE(Dominates(std::vector{kNaN, 1.0}, std::vector{2.0, 3.0}));
    EXPECT_FALSE(Dominates(std::vector{0.0, 1.0}, std::vector{kNaN, 3.0}));
}

TEST(DominanceTest, ViolationSumsTheExcessAndNaNIsInfinite) {
    EXPECT_EQ(TotalViolation(std::vector{-1.0, 0.5, 2.0}), 2.5);
    EXPECT_EQ(TotalViolation(std::vector{-1.0, 0.0}), 0.0);
    EXPECT_EQ(TotalViolation(std::vector{-1.0, kNaN}), kInf);
    EXPECT_EQ(RankViolation(std::vector{1.0, kNaN}, 0.0), kInf);
    EXPECT_EQ(RankViolation(std::vector{1.0, 2.0}, kNaN), kInf);
    EXPECT_EQ(RankViolation(std::vector{1.0, 2.0}, -3.0), 0.0);
}

// (objective, violation) pairs in the order the feasibility rules give;
// equal neighbours are marked.
struct Ranked {
    double objective, violation;
    bool equalToPrevious;
};

TEST(DominanceTest, FeasibilityRulesSortAnyInputIntoOneOrder) {
    const std::vector<Ranked> expected = {
        {-kInf, 0.0, false}, {1.0, 0.0, false}, {1.0, -2.0, true},  {7.0, 0.0, false},
        {-5.0, 0.5, false},  {9.0, 0.5, true},  {0.0, 3.0, false},  {0.0, kInf, false},
        {kNaN, 0.0, true},   {2.0, kNaN, true}, {kNaN, kNaN, true},
    };
    std::vector<Ranked> shuffled = expected;
    std::reverse(shuffled.begin(), shuffled.end());
    std::rotate(shuffled.begin(), shuffled.begin() + 4, shuffled.end());
    const auto before = [](const Ranked& a, const Ranked& b) {
        return FeasiblyBefore(a.objective, a.violation, b.objective, b.violation);
    };
    std::stable_sort(shuffled.begin(), shuffled.end(), before);
    for (std::size_t k = 1; k < expected.size(); ++k) {
        EXPECT_FALSE(before(shuffled[k], shuffled[k - 1])) << k;
        EXPECT_EQ(before(shuffled[k - 1], shuffled[k]), !expected[k].equalToPrevious) << k;
        // Irreflexive, even for NaN.
        EXPECT_FALSE(before(expected[k], expected[k])) << k;
    }
}

TEST(DominanceTest, ConstrainedDominanceFollowsTheFeasibilityRules) {
    const std::vector a{5.0, 5.0}, b{1.0, 1.0};
    EXPECT_TRUE(FeasiblyDominates(a, 0.0, b, 0.1));   // feasible beats infeasible
    EXPECT_TRUE(FeasiblyDominates(a, 0.1, b, 0.2));   // smaller violation
    EXPECT_FALSE(FeasiblyDominates(b, 0.2, a, 0.2));  // equal violations: objectives do not count
    EXPECT_TRUE(FeasiblyDominates(b, 0.0, a, 0.0));
    EXPECT_TRUE(FeasiblyDominates(a, 1e300, b, kInf));
    EXPECT_FALSE(FeasiblyDominates(std::vector{kNaN, 0.0}, 0.0, b, 5.0));
    EXPECT_TRUE(FeasiblyDominates(b, 5.0, std::vector{kNaN, 0.0}, 0.0));
}

}  // namespace
