#include "base/log10.h"

#include <cmath>
#include <limits>

namespace tf {
namespace {

// A double-double number: hi + lo with |lo| at most half an ulp of hi.
struct Dd {
    double hi;
    double lo;
};

Dd twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Dd quickTwoSum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's product: exact without a fused multiply-add (which the build keeps off).
Dd twoProd(double a, double b) {
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ca = kSplit * a, cb = kSplit * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Dd add(Dd a, Dd b) {
    const Dd s = twoSum(a.hi, b.hi);
    const Dd t = twoSum(a.lo, b.lo);
    Dd r = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(r.hi, r.lo + t.lo);
}

Dd mul(Dd a, Dd b) {
    const Dd p = twoProd(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Dd div(Dd a, Dd b) {
    const double q1 = a.hi / b.hi;
    const Dd r1 = add(a, mul(b, {-q1, 0.0}));
    const double q2 = r1.hi / b.hi;
    const Dd r2 = add(r1, mul(b, {-q2, 0.0}));
    const double q3 = r2.hi / b.hi;
    return add(quickTwoSum(q1, q2), {q3, 0.0});
}

constexpr Dd kLn2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr Dd kInvLn10{0x1.bcb7b1526e50ep-2, 0x1.95355baaafad3p-57};
constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;
// Terms of the series: with |s| <= 0.172, s^2 <= 0.03 and 0.03^22 < 2^-110.
constexpr int kSeriesTerms = 22;

}  // namespace

double log10Reproducible(double x) {
    if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)); frexp is exact.
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < kSqrtHalf) {
        m *= 2.0;
        --e;
    }
    // ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...), s = (m - 1) / (m + 1);
    // m - 1 is exact here.
    const Dd s = div({m - 1.0, 0.0}, twoSum(m, 1.0));
    const Dd s2 = mul(s, s);
    Dd series = div({1.0, 0.0}, {2.0 * kSeriesTerms + 1.0, 0.0});
    for (int k = kSeriesTerms - 1; k >= 0; --k)
        series = add(mul(series, s2), div({1.0, 0.0}, {2.0 * k + 1.0, 0.0}));
    const Dd lnM = mul(mul(s, series), {2.0, 0.0});
    const Dd ln = add(mul(kLn2, {static_cast<double>(e), 0.0}), lnM);
    const Dd result = mul(ln, kInvLn10);
    return result.hi + result.lo;
}

}  // namespace tf
