// x to the power y from basic double arithmetic only, so that every platform and compiler gives the same bits.
#pragma once

namespace tolma {

// x^y for 0 <= x and finite y, for the colour and black contrast curves. Worked out in double-double arithmetic
// (additions, multiplications and divisions of doubles, which IEEE 754 rounds the same everywhere), never with the
// C run-time's pow, whose results differ between run-times and, where it uses the x87 unit, with the precision the
// process has set. The result is the correctly rounded power except in the rarest hard cases; 0 for x <= 0 (1 when
// y is 0), and 0 or infinity beyond the range of doubles.
double Power(double x, double y);

}  // namespace tolma
