// x to the power y in double-double arithmetic: exp(y ln x) with about 100 bits of precision, rounded once.
#include "raster/imaging/power.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace tolma {
namespace {

// A double-double: the unevaluated sum hi + lo with |lo| at most half an ulp of hi.
struct Dd {
  double hi = 0;
  double lo = 0;
};

// Error-free transformations (Knuth's two-sum, Dekker's split and product): no fused multiply-add, no x87.
constexpr Dd TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

constexpr Dd QuickTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

constexpr void Split(double a, double& hi, double& lo) {
  const double t = 134217729.0 * a;  // 2^27 + 1
  hi = t - (t - a);
  lo = a - hi;
}

constexpr Dd TwoProd(double a, double b) {
  const double p = a * b;
  double ah = 0, al = 0, bh = 0, bl = 0;
  Split(a, ah, al);
  Split(b, bh, bl);
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

constexpr Dd Add(Dd a, Dd b) {
  Dd s = TwoSum(a.hi, b.hi);
  const Dd t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = QuickTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return QuickTwoSum(s.hi, s.lo);
}

constexpr Dd Mul(Dd a, Dd b) {
  Dd p = TwoProd(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return QuickTwoSum(p.hi, p.lo);
}

constexpr Dd Div(Dd a, Dd b) {
  const double q1 = a.hi / b.hi;
  Dd r = Add(a, Mul(b, Dd{-q1, 0}));
  const double q2 = r.hi / b.hi;
  r = Add(r, Mul(b, Dd{-q2, 0}));
  const double q3 = r.hi / b.hi;
  return Add(QuickTwoSum(q1, q2), Dd{q3, 0});
}

// ln 2 and sqrt(2) / 2.
constexpr Dd kLn2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;

// The binary exponent and fraction of a positive finite double: x = m * 2^k, m in [sqrt(1/2), sqrt(2)).
void Decompose(double x, double& m, int& k) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  k = 0;
  if ((bits >> 52) == 0) {  // subnormal: scale into the normal range first
    x *= 0x1p54;
    std::memcpy(&bits, &x, sizeof bits);
    k = -54;
  }
  k += static_cast<int>(bits >> 52) - 1022;  // x = f * 2^k with f in [0.5, 1)
  bits = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1022} << 52);
  std::memcpy(&m, &bits, sizeof m);
  if (m < kSqrtHalf) {
    m *= 2;
    --k;
  }
}

// The series' coefficients, worked out once by the compiler: 1/1, 1/3, 1/5, ... and 1/0!, 1/1!, 1/2!, ...
constexpr int kLogTerms = 24;  // |s| < 0.172: the last term is below 2^-110 of the sum
constexpr int kExpTerms = 25;  // |r| <= 0.347: likewise
struct Coefficients {
  Dd inverseOdd[kLogTerms];
  Dd inverseFactorial[kExpTerms];
};
constexpr Coefficients MakeCoefficients() {
  Coefficients c{};
  for (int i = 0; i < kLogTerms; ++i) c.inverseOdd[i] = Div(Dd{1, 0}, Dd{2.0 * i + 1, 0});
  c.inverseFactorial[0] = Dd{1, 0};
  for (int i = 1; i < kExpTerms; ++i) c.inverseFactorial[i] = Div(c.inverseFactorial[i - 1], Dd{double(i), 0});
  return c;
}
constexpr Coefficients kCoefficients = MakeCoefficients();

// ln x for a positive finite x: k ln 2 + 2 atanh(s) with s = (m - 1) / (m + 1), the series s (1 + s^2/3 + s^4/5 +
// ...) summed by Horner's rule.
Dd Log(double x) {
  double m;
  int k;
  Decompose(x, m, k);
  const Dd s = Div(TwoSum(m, -1.0), TwoSum(m, 1.0));
  const Dd s2 = Mul(s, s);
  Dd sum = kCoefficients.inverseOdd[kLogTerms - 1];
  for (int i = kLogTerms - 2; i >= 0; --i) sum = Add(Mul(sum, s2), kCoefficients.inverseOdd[i]);
  sum = Mul(sum, s);
  return Add(Mul(Dd{static_cast<double>(k), 0}, kLn2), Add(sum, sum));
}

// 2^n as a double, for n within the normal range.
double TwoTo(int n) {
  const uint64_t bits = static_cast<uint64_t>(n + 1023) << 52;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// e^z: z = n ln 2 + r with |r| <= ln 2 / 2, e^r by its Taylor series (Horner's rule), then scaled by 2^n (in two steps
// when the result is subnormal or near the top).
double Exp(Dd z) {
  if (z.hi > 709.8) return std::numeric_limits<double>::infinity();
  if (z.hi < -745.2) return 0;
  double nd = z.hi / kLn2.hi;
  nd = static_cast<double>(static_cast<int64_t>(nd < 0 ? nd - 0.5 : nd + 0.5));  // nearest whole number
  const int n = static_cast<int>(nd);
  const Dd r = Add(z, Mul(Dd{-nd, 0}, kLn2));
  Dd sum = kCoefficients.inverseFactorial[kExpTerms - 1];
  for (int i = kExpTerms - 2; i >= 0; --i) sum = Add(Mul(sum, r), kCoefficients.inverseFactorial[i]);
  const double e = sum.hi + sum.lo;
  if (n < -1000) return e * TwoTo(n + 600) * TwoTo(-600);
  if (n > 1000) return e * TwoTo(n - 100) * TwoTo(100);
  return e * TwoTo(n);
}

}  // namespace

double Power(double x, double y) {
  if (y == 0) return 1;
  if (!(x > 0)) return 0;
  if (x == 1) return 1;
  if (x > 0x1.fffffffffffffp1023) return y > 0 ? x : 0;  // infinity
  return Exp(Mul(Dd{y, 0}, Log(x)));
}

}  // namespace tolma
