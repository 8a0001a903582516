#pragma once

// The logarithm, exponential and power that the real-valued draws and
// operators use, computed with nothing but IEEE additions, multiplications,
// divisions and exact scalings by powers of 2, so that they give the same
// bits with every C library (the libraries' own log, exp and pow differ in
// the last bits between platforms, and a run would then differ too).
// Log and Exp are accurate to about one unit in the last place. Not
// installed.
namespace zarnel::genome_detail {

// The natural logarithm: -inf for 0, NaN below 0 or for NaN, inf for inf.
double Log(double x);

// e to the power x: 0 below about -745, inf above about 709.8, NaN for NaN.
double Exp(double x);

// x to the power y for x >= 0 (NaN below 0): 0^y is 0 for y > 0, 1 for
// y = 0 and inf for y < 0; otherwise Exp(y Log(x)), whose relative error
// grows with |y| (below 1e-13 for the powers the operators take).
double Pow(double x, double y);

}  // namespace zarnel::genome_detail
