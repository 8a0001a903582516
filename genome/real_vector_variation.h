#pragma once

#include <span>

#include "genome/random.h"
#include "genome/real_vector.h"

// The operators of the real-vector kind: free functions over spans of genes,
// the kind (for its bounds) and the calling thread's generator. Parents have
// the kind's length, lie within its bounds and are never modified; `child`
// has that length and must not overlap a parent. Every gene they write lies
// within its bounds (a fixed gene, lower == upper, keeps its value), even
// for bounds as wide as -1e308 .. 1e308. They allocate nothing; any number
// of threads may call them at once, each with its own Random.
namespace zarnel::real {

// Each gene uniform in its bounds.
void UniformInit(std::span<double> genes, const RealVector& kind, Random& random);

// Simulated binary crossover (Deb and Agrawal, 1995), one child: each gene,
// with probability 1/2 and when the parents differ by more than 1e-14, is one
// of the two SBX values spread around the parents (distribution index `eta`
// >= 0: large keeps children near the parents), chosen at random; else it is
// p1's gene. By default in the bounded form of Deb's NSGA-II code, whose
// spread narrows near a bound so that no value leaves it; `clamped`: the
// original unbounded spread, each value then clamped to its bounds, so that
// a bound itself comes out with a positive chance. Either form draws the
// same numbers.
void Sbx(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
         const RealVector& kind, Random& random, double eta, bool clamped = false);

// BLX-alpha (Eshelman and Schaffer, 1993): each gene uniform in
// [min - alpha d, max + alpha d], where min, max and d are the parents'
// genes and their distance, cut to the bounds. alpha >= 0.
void BlxAlpha(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
              const RealVector& kind, Random& random, double alpha);

// Arithmetic (whole) crossover: child = a p1 + (1 - a) p2, one a uniform in
// [0, 1) for the whole child.
void Arithmetic(std::span<const double> p1, std::span<const double> p2, std::span<double> child,
                const RealVector& kind, Random& random);

// Differential evolution's variation (Storn and Price, 1997), binomial form:
// the donor base + weight (a - b), and each gene of the child is the donor's
// with probability `rate` (one gene drawn at random always is), else the
// base's. A donor gene beyond a bound is replaced by the midpoint of the
// base's gene and that bound, so that a run can close in on an optimum on a
// bound without piling children onto it. weight >= 0, rate in [0, 1].
void Differential(std::span<const double> base, std::span<const double> a, std::span<const double> b,
                  std::span<double> child, const RealVector& kind, Random& random, double weight,
                  double rate);

// Polynomial mutation (Deb and Goyal, 1996): each gene with probability
// `perGene` moves by a polynomially distributed step (distribution index
// `eta` >= 0: large keeps steps small). By default the step is the bounded
// form of Deb's NSGA-II code, which the bounds shape so that it never leaves
// them; `clamped`: the original step, at most the bounds' width either way,
// and the value clamped to its bounds, so that a bound itself comes out with
// a positive chance. Either form draws the same numbers.
void PolynomialMutation(std::span<double> genes, const RealVector& kind, Random& random, double eta,
                        double perGene, bool clamped = false);

// Gaussian mutation: each gene with probability `perGene` gets a normal
// step with standard deviation sigma * (upper - lower), then is clamped to
// its bounds.
void GaussianMutation(std::span<double> genes, const RealVector& kind, Random& random, double sigma,
                      double perGene);

}  // namespace zarnel::real
