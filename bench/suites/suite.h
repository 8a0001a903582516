#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/suites/cec2006.h"
#include "bench/suites/constrained.h"
#include "bench/suites/dtlz.h"
#include "bench/suites/engineering.h"
#include "bench/suites/zdt.h"

// The standard problems by name, each with the population and evaluations
// it is run with: what the suite program and the peers' scoring tool share.
namespace zarnel::suites {

// Which survival a problem of several objectives is run with: the
// generational scheme's automatic choice (NSGA-II up to 3 objectives,
// NSGA-III above) or NSGA-III.
enum class Survival { kAutomatic, kNsga3 };

// How a problem is run: individuals and fitness evaluations in all, and the
// survival.
struct Budget {
    std::uint32_t population = 100;
    std::uint64_t evaluations = 25000;
    Survival survival = Survival::kAutomatic;
};

// ZDT and the two-objective constrained problems: 100 individuals, 25,000
// evaluations; three objectives: 92 (91 reference directions) and 40,000;
// DTLZ2 with 5 and 8 objectives: Deb and Jain's 212 × 350 and 156 × 750
// generations; one objective: 100 individuals, the CEC 2006 competition's
// 500,000 evaluations, 100,000 for the two engineering problems.
// NSGA-III for the three-objective problems whose front is a surface
// (DTLZ1-4, DTLZ7, C2-DTLZ2), where its reference directions spread the
// front better than crowding does; DTLZ5 and DTLZ6, whose front is a curve,
// keep NSGA-II (perf/moo_ablation.sh measured both; the peers' side, too,
// is the best of several algorithms per problem).
template <class Problem>
inline constexpr Budget kBudget{100, 25000};
template <int Id, std::size_t M>
inline constexpr Budget kBudget<Dtlz<Id, M>> =
    M == 3   ? Budget{92, 40000, Id == 5 || Id == 6 ? Survival::kAutomatic : Survival::kNsga3}
    : M == 5 ? Budget{212, 212 * 350}
             : Budget{156, 156 * 750};
template <>
inline constexpr Budget kBudget<C2Dtlz2>{92, 40000, Survival::kNsga3};
template <int Id>
inline constexpr Budget kBudget<Cec2006<Id>>{100, 500000};
template <>
inline constexpr Budget kBudget<PressureVessel>{100, 100000};
template <>
inline constexpr Budget kBudget<WeldedBeam>{100, 100000};

namespace detail {

template <int... Ids>
auto Cec2006Tuple(std::integer_sequence<int, Ids...>) -> std::tuple<Cec2006<Ids + 1>...>;

// Every problem, in the order the tables list them.
using AllProblems = decltype(std::tuple_cat(
    std::declval<std::tuple<Zdt1, Zdt2, Zdt3, Zdt4, Zdt6>>(),
    std::declval<
        std::tuple<Dtlz<1>, Dtlz<2>, Dtlz<3>, Dtlz<4>, Dtlz<5>, Dtlz<6>, Dtlz<7>, Dtlz<2, 5>, Dtlz<2, 8>>>(),
    std::declval<std::tuple<Bnh, Srn, Constr, C2Dtlz2>>(),
    std::declval<decltype(Cec2006Tuple(std::make_integer_sequence<int, 24>{}))>(),
    std::declval<std::tuple<PressureVessel, WeldedBeam>>()));

}  // namespace detail

// Calls visit(problem, budget) for every problem, in table order.
template <class Visit>
void ForEachProblem(Visit&& visit) {
    std::apply(
        [&](const auto&... problems) {
            (visit(problems, kBudget<std::remove_cvref_t<decltype(problems)>>), ...);
        },
        detail::AllProblems{});
}

// Calls visit(problem, budget) for the problem called `name`; false when no
// problem is.
template <class Visit>
bool VisitProblem(std::string_view name, Visit&& visit) {
    bool found = false;
    ForEachProblem([&](const auto& problem, const Budget& budget) {
        if (!found && problem.name() == name) {
            found = true;
            visit(problem, budget);
        }
    });
    return found;
}

// Every problem's name, in table order.
std::vector<std::string> ProblemNames();

}  // namespace zarnel::suites
