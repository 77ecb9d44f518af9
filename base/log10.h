// A base-10 logarithm that gives the same bits on every platform: it uses
// only IEEE additions, multiplications and divisions (in double-double
// precision), where the math libraries of Linux and Windows round log10
// differently in rare cases. Display texts depend on it.
#pragma once

namespace tf {

// log10(x) correctly rounded for every positive finite x (with far more
// accuracy than a double needs); -infinity for 0, NaN for negative or NaN
// arguments, +infinity for +infinity.
double log10Reproducible(double x);

}  // namespace tf
