#pragma once

namespace zarnel {

// The operator choice of a genome kind: OperatorsOf<Permutation> is
// PermutationOperators, OperatorsOf<RealVector> RealVectorOperators, and so
// on. Each kind's *_operators.h specialises OperatorsFor.
template <class Kind>
struct OperatorsFor;

template <class Kind>
using OperatorsOf = typename OperatorsFor<Kind>::type;

}  // namespace zarnel
