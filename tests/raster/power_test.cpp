// Tests of the platform-independent power function and of the contrast curves built on it.
#include "raster/imaging/power.h"

#include "raster/imaging/colour.h"
#include "raster/imaging/mono_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace tolma {
namespace {

TEST(PowerTest, ExactCasesAndEdges) {
  struct Case {
    double x, y, expected;
  };
  const Case cases[] = {
      {0.25, 0.5, 0.5},         {2.0, 10.0, 1024.0},      {0.5, 3.0, 0.125},
      {0.75, 1.0, 0.75},        {0.3, 0.0, 1.0},          {0.0, 0.0, 1.0},
      {0.0, 2.5, 0.0},          {-0.5, 2.0, 0.0},         {1.0, 1e300, 1.0},
      {0.5, 1074.0, 0x1p-1074}, {0.5, 1030.0, 0x1p-1030}, {0.5, 1100.0, 0.0},
      {2.0, -3.0, 0.125},       {4.0, -0.5, 0.5},         {2.0, 1024.0, std::numeric_limits<double>::infinity()},
  };
  for (const Case& c : cases) EXPECT_EQ(Power(c.x, c.y), c.expected) << c.x << " ^ " << c.y;
}

// Within one unit in the last place of the C library's pow over the range the curves use and beyond.
TEST(PowerTest, AgreesWithTheLibraryWithinOneUlp) {
  uint64_t state = 1;
  auto next = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) / 0x1p53;
  };
  for (int i = 0; i < 200000; ++i) {
    const double x = next() * 2, y = next() * 100 - 20;
    const double expected = std::pow(x, y), got = Power(x, y);
    if (expected == got) continue;
    ASSERT_LE(std::fabs(expected - got), std::fabs(std::nextafter(expected, 0.0) - expected) * 1.0001)
        << x << " ^ " << y;
  }
}

// The curves of the driver give the very bytes they gave with the C library's pow (glibc's), for every byte value
// and every contrast: printing on Linux is unchanged, and every platform now gives these bytes.
TEST(PowerTest, ContrastCurvesKeepTheirBytes) {
  int compared = 0;
  for (int c = -100; c <= 100; ++c) {
    for (int v = 0; v < 256; ++v) {
      int colour = v, black = v;
      if (c > 0) {
        const int e = 255 - c * 180 / 100;
        colour = static_cast<int>(std::pow(v / 255.5, e / 255.0) * 255.0);
        black = colour;
      } else if (c == -100) {
        colour = black = 0;
      } else if (c < 0) {
        const int e = c * 255 / 100 + 255;
        colour = static_cast<int>(std::pow(v / 255.5, 255.0 / e) * 255.0);
        black = static_cast<int>(std::pow(v / 255.1, 255.0 / e) * 230.0);
      }
      ASSERT_EQ(AdjustLevel(v, 0, c), colour) << "colour curve, contrast " << c << ", value " << v;
      ASSERT_EQ(MonoContrast(v, c), black) << "black curve, contrast " << c << ", value " << v;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 201 * 256);
}

}  // namespace
}  // namespace tolma
