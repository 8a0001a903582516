#pragma once

#include <span>

// Comparing points of several minimised objectives, with and without
// constraints. Plain functions of their arguments; any thread may call them.
namespace zarnel::objectives {

// True when `a` is no worse than `b` in every objective and better in at
// least one (all minimised; both of the same length). A NaN in either makes
// it false.
bool Dominates(std::span<const double> a, std::span<const double> b);

// The total violation of constraints that are each <= 0 when met: the sum of
// max(0, g). A NaN constraint makes it +inf, as does a sum too large for a
// double. 0 means feasible.
double TotalViolation(std::span<const double> constraints);

// The violation a point ranks by under the feasibility rules: `violation`
// itself, +inf for a NaN one, 0 for a negative one, and +inf when any of its
// objectives is NaN, so that a point that cannot be compared ranks below every
// point that can.
double RankViolation(std::span<const double> objectives, double violation);

// The feasibility rules for one minimised objective: true when (a, violation
// a) ranks strictly before (b, violation b). A feasible point (violation 0)
// beats an infeasible one; between two infeasible points the smaller
// violation wins and the objectives do not count; between two feasible ones
// the smaller objective wins. NaNs rank as RankViolation says, so this is a
// strict weak order for any input and std::sort may use it.
bool FeasiblyBefore(double a, double violationA, double b, double violationB);

// The same rules for several objectives (constrained dominance): a feasible
// `a` dominates an infeasible `b`; between infeasible points the smaller
// violation dominates; between feasible points Dominates decides.
bool FeasiblyDominates(std::span<const double> a, double violationA, std::span<const double> b,
                       double violationB);

}  // namespace zarnel::objectives
