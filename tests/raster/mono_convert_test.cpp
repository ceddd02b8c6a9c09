// Tests of the monochrome conversion methods, the conversion decision, bar-code thinning and the blank test.
#include "raster/imaging/mono_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace tolma {
namespace {

// A card page and a monochrome bitmap of the same size, each in its own buffer.
struct Sheet {
  Sheet(int w, int h, uint8_t grey = 255, uint8_t monoFill = 0x00)
      : width(w),
        height(h),
        page(static_cast<size_t>(w) * h * 3, grey),
        monoStride((static_cast<size_t>(w) + 7) / 8),
        mono(monoStride * h, monoFill) {}

  ColourPage Page() { return {page.data(), page.size(), static_cast<size_t>(width) * 3, width, height}; }
  MonoBitmap Mono() { return {mono.data(), mono.size(), monoStride, width, height}; }
  uint8_t* Pixel(int x, int y) { return &page[(static_cast<size_t>(y) * width + x) * 3]; }
  void SetGrey(int x, int y, uint8_t v) { std::fill_n(Pixel(x, y), 3, v); }
  bool White(int x, int y) const { return (mono[y * monoStride + x / 8] >> (7 - x % 8)) & 1; }
  void SetWhite(int x, int y, bool white) {
    uint8_t& b = mono[y * monoStride + x / 8];
    const auto bit = static_cast<uint8_t>(0x80 >> (x % 8));
    b = static_cast<uint8_t>(white ? (b | bit) : (b & ~bit));
  }
  int Convert(int method, BlackAdjustment black = {}) { return ConvertToMonochrome(Page(), Mono(), method, black); }

  int width;
  int height;
  std::vector<uint8_t> page;
  size_t monoStride;
  std::vector<uint8_t> mono;
};

// ---- Black curve ----

// Written independently from the black adjustment rules.
int ReferenceBlack(int y, int i, int c) {
  if (i != 0) y = std::clamp(y + static_cast<int>(std::trunc(i * 255.0 / 100.0)), 0, 255);
  if (c == 0) return y;
  if (c > 0) {
    const double e = 255 - static_cast<int>(std::trunc(c * 180.0 / 100.0));
    return static_cast<int>(std::trunc(std::pow(y / 255.5, e / 255.0) * 255.0));
  }
  if (c == -100) return 0;
  const double e = static_cast<int>(std::trunc(c * 255.0 / 100.0)) + 255;
  return static_cast<int>(std::trunc(std::pow(y / 255.1, 255.0 / e) * 230.0));
}

TEST(MonoContrast, BlackCurveMatchesTheFormulaForEveryValueAndSettingGrid) {
  const int grid[] = {-100, -99, -45, -1, 0, 1, 63, 99, 100};
  for (int i : grid) {
    for (int c : grid) {
      const auto curve = BuildBlackCurve({i, c});
      for (int y = 0; y < 256; ++y) {
        ASSERT_EQ(curve[static_cast<size_t>(y)], ReferenceBlack(y, i, c)) << "y " << y << " i " << i << " c " << c;
        ASSERT_EQ(MonoContrast(BlackIntensity(y, i), c), curve[static_cast<size_t>(y)]);
      }
    }
  }
}

TEST(MonoContrast, NegativeBranchStaysBelow230AndLimitsApply) {
  for (int y = 0; y < 256; ++y) EXPECT_LT(MonoContrast(y, -1), 230);
  EXPECT_EQ(MonoContrast(200, -100), 0);
  EXPECT_EQ(MonoContrast(200, -500), 0);
  EXPECT_EQ(MonoContrast(200, 500), MonoContrast(200, 100));
  EXPECT_EQ(BlackIntensity(10, 400), 255);
  EXPECT_EQ(BlackIntensity(250, -400), 0);
}

TEST(MonoGrey, IsExactForGreys) {
  for (int v = 0; v < 256; ++v) ASSERT_EQ(MonoGrey(v, v, v), v);
  EXPECT_EQ(MonoGrey(0, 0, 255), 76);   // 0.299 x 255
  EXPECT_EQ(MonoGrey(0, 255, 0), 149);  // 0.587 x 255
  EXPECT_EQ(MonoGrey(255, 0, 0), 29);   // 0.114 x 255
}

// ---- Conversion decision ----

TEST(NeedsMonochromeConversion, FollowsTheRibbonTable) {
  struct Case {
    int ribbon;
    bool twoSided;
    int mode;
    bool front;
    bool expected;
  } cases[] = {
      // clang-format off
      // YMCKO, YMCKUv: two-sided backs in modes 0 and 2
      {0, true, 0, false, true},   {0, true, 2, false, true},   {0, true, 1, false, false},
      {0, true, 3, false, false},  {0, true, 0, true, false},   {0, false, 0, false, false},
      {11, true, 2, false, true},  {11, false, 0, true, false},
      // YMCK, YMCKK, YMCUvK: two-sided backs in mode 0
      {6, true, 0, false, true},   {6, true, 2, false, false},  {7, true, 0, false, true},
      {7, true, 0, true, false},   {12, true, 0, false, true},  {12, false, 0, true, false},
      // YMCKOK: two-sided backs unless mode 2
      {8, true, 0, false, true},   {8, true, 1, false, true},   {8, true, 3, false, true},
      {8, true, 2, false, false},  {8, true, 0, true, false},   {8, false, 0, true, false},
      // monochrome ribbons: always
      {1, false, 0, true, true},   {3, true, 1, false, true},   {4, false, 0, true, true},
      {9, true, 2, true, true},    {10, false, 0, true, true},  {14, false, 0, true, true},
      // never
      {2, true, 0, false, false},  {5, true, 0, false, false},  {13, false, 0, true, false},
      {15, true, 0, false, false}, {-1, true, 0, false, false}, {99, false, 0, true, false},
      // clang-format on
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NeedsMonochromeConversion(c.ribbon, c.twoSided, c.mode, c.front), c.expected)
        << "ribbon " << c.ribbon << " two-sided " << c.twoSided << " mode " << c.mode << " front " << c.front;
  }
}

// ---- Conversion methods ----

TEST(ConvertToMonochrome, WhitePageIsBlankForEveryMethod) {
  for (int method = 0; method <= 3; ++method) {
    for (bool portrait : {true, false}) {
      Sheet s(portrait ? 640 : 1024, portrait ? 1024 : 640, 255, 0x00);  // bitmap starts all black
      ASSERT_EQ(s.Convert(method), 1);
      EXPECT_TRUE(IsMonoPanelBlank(s.Mono())) << "method " << method << " portrait " << portrait;
    }
  }
}

TEST(ConvertToMonochrome, OtherMethodsAndMissingBitsChangeNothing) {
  for (int method : {4, 5, -1, 255}) {
    Sheet s(64, 8, 0, 0x5A);
    const std::vector<uint8_t> page = s.page;
    EXPECT_EQ(s.Convert(method), 0) << method;
    EXPECT_EQ(s.page, page);
    for (uint8_t b : s.mono) ASSERT_EQ(b, 0x5A);
  }
  Sheet s(64, 8, 0, 0x5A);
  ColourPage missing{nullptr, 0, 192, 64, 8};
  EXPECT_EQ(ConvertToMonochrome(missing, s.Mono(), kMonoDiffusion, {}), 0);
  ColourPage shortPage{s.page.data(), s.page.size() - 1, 192, 64, 8};
  EXPECT_EQ(ConvertToMonochrome(shortPage, s.Mono(), kMonoBarcode, {}), 0);
  MonoBitmap otherSize{s.mono.data(), s.mono.size(), 8, 64, 7};
  EXPECT_EQ(ConvertToMonochrome(s.Page(), otherSize, kMonoHalftoneRegular, {}), 0);
  for (uint8_t b : s.mono) ASSERT_EQ(b, 0x5A);
}

TEST(ConvertToMonochrome, EveryPixelBitIsWrittenAndPaddingKept) {
  // Width 13: the last byte of each row holds 5 pixels and 3 padding bits, which stay as they were.
  for (int method = 0; method <= 3; ++method) {
    Sheet s(13, 4, 0, 0x07);
    ASSERT_EQ(s.Convert(method), 1);
    for (int y = 0; y < 4; ++y) {
      EXPECT_EQ(s.mono[y * 2 + 1] & 0x07, 0x07) << "method " << method;
      for (int x = 0; x < 13; ++x) EXPECT_FALSE(s.White(x, y)) << "method " << method << " x " << x;
    }
  }
}

// Uniform pages: no stretch; 249 is always white, 6 always black; 7 and 248 go on to the effective value.
TEST(Diffusion, UniformPagesSkipTheStretch) {
  struct Case {
    uint8_t grey;
    bool allWhite, allBlack;
    bool firstWhite, secondWhite;
  } cases[] = {
      {249, true, false, true, true},
      {6, false, true, false, false},
      {7, false, false, false, true},  // black, then the forced positive error makes the next pixel white
      {248, true, false, true, true},
      // 130 unstretched: white first, its error darkens the next; stretched it would be 0
      {130, false, false, true, false},
  };
  for (const Case& c : cases) {
    Sheet s(32, 6, c.grey);
    ASSERT_EQ(s.Convert(kMonoDiffusion), 1);
    int whites = 0;
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 32; ++x) whites += s.White(x, y);
    }
    if (c.allWhite) {
      EXPECT_EQ(whites, 32 * 6) << int{c.grey};
    }
    if (c.allBlack) {
      EXPECT_EQ(whites, 0) << int{c.grey};
    }
    EXPECT_EQ(s.White(0, 0), c.firstWhite) << int{c.grey};
    EXPECT_EQ(s.White(1, 0), c.secondWhite) << int{c.grey};
    // The decisions are left in byte 0 of each pixel.
    EXPECT_EQ(s.Pixel(0, 0)[0], c.firstWhite ? 255 : 0);
  }
  // One pixel of 131 makes lo and hi differ: 130 is then stretched to 0 and prints.
  Sheet stretched(32, 6, 130);
  stretched.SetGrey(31, 5, 131);
  ASSERT_EQ(stretched.Convert(kMonoDiffusion), 1);
  EXPECT_FALSE(stretched.White(0, 0));
}

TEST(Diffusion, MuchLighterNextPixelKeepsTheEdgeDark) {
  // lo 0 and hi 255 on the page: 150 stretches to 181 (white on its own); a next pixel above 245 makes it black.
  struct Case {
    uint8_t next;
    bool firstWhite;
  } cases[] = {{255, false}, {246, false}, {245, true}, {240, true}};
  for (const Case& c : cases) {
    Sheet s(8, 2, 128);
    s.SetGrey(0, 0, 150);
    s.SetGrey(1, 0, c.next);
    s.SetGrey(0, 1, 0);
    s.SetGrey(1, 1, 255);
    ASSERT_EQ(s.Convert(kMonoDiffusion), 1);
    EXPECT_EQ(s.White(0, 0), c.firstWhite) << "next " << int{c.next};
  }
}

TEST(Diffusion, UniformMidGreyGivesIsolatedDots) {
  Sheet s(200, 3, 128);
  ASSERT_EQ(s.Convert(kMonoDiffusion), 1);
  int blacks = 0;
  for (int x = 0; x < 200; ++x) {
    blacks += !s.White(x, 0);
    if (x > 0) {
      EXPECT_FALSE(!s.White(x, 0) && !s.White(x - 1, 0)) << "x " << x;
    }
  }
  EXPECT_GT(blacks, 0);
}

// The diffusion written out from its rules over plain arrays, to check the conversion against.
std::vector<bool> ReferenceDiffusion(const Sheet& s, BlackAdjustment black) {
  const int w = s.width;
  const int h = s.height;
  std::vector<int> first(static_cast<size_t>(w) * h);
  std::vector<int> pos(first.size(), 0);
  std::vector<int> neg(first.size(), 0);
  std::vector<bool> white(first.size());
  int lo = 255;
  int hi = 0;
  for (size_t k = 0; k < first.size(); ++k) {
    const int b = s.page[k * 3];
    const int g = s.page[k * 3 + 1];
    const int r = s.page[k * 3 + 2];
    const int y = static_cast<int>((299 * r + 587 * g + 114 * b) / 1000);
    first[k] = ReferenceBlack(y, black.intensity, black.contrast);
    lo = std::min(lo, first[k]);
    hi = std::max(hi, first[k]);
  }
  auto add = [&](std::vector<int>& acc, int x, int y, int amount) {
    if (x >= 0 && x < w && y < h) acc[static_cast<size_t>(y) * w + x] = std::min(255, acc[y * w + x] + amount);
  };
  auto spread = [&](std::vector<int>& acc, int x, int y, int e) {
    add(acc, x + 1, y, e * 8 / 32);
    add(acc, x + 2, y, e * 4 / 32);
    const int weights[5] = {2, 4, 8, 4, 2};
    for (int d = -2; d <= 2; ++d) add(acc, x + d, y + 1, e * weights[d + 2] / 32);
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t k = static_cast<size_t>(y) * w + x;
      int v = first[k];
      if (hi != lo) {
        if (v > 248) {
          v = 255;
        } else if (v < 7) {
          v = 0;
        } else {
          const int f = (v - lo) * 255 / (hi - lo);
          const int t = (255 - f) * (255 - f) / 255;
          v = std::clamp((255 - t) / 2 + f / 2, 0, 255);
        }
      }
      const int g = std::clamp(v + pos[k] - neg[k], 0, 255);
      bool wh;
      if (v > 248) {
        wh = true;
      } else if (v < 7) {
        wh = false;
      } else if (x + 1 < w && first[k + 1] - v > 64) {
        wh = false;
      } else {
        wh = g >= 128;
      }
      white[k] = wh;
      pos[k] = 0;
      if (wh) {
        spread(neg, x, y, 255 - g);
      } else {
        spread(pos, x, y, g);
        spread(pos, x, y, 255);
        if (x + 1 < w) pos[k + 1] = 255;
      }
    }
  }
  return white;
}

TEST(Diffusion, MatchesTheRulesOnSyntheticPages) {
  struct Case {
    const char* name;
    int w, h;
    BlackAdjustment black;
    uint8_t (*grey)(int x, int y);
  } cases[] = {
      {"horizontal ramp", 64, 12, {}, [](int x, int) { return static_cast<uint8_t>(x * 4); }},
      {"ramp with black settings", 64, 12, {12, -30}, [](int x, int) { return static_cast<uint8_t>(x * 4 + 2); }},
      {"positive contrast", 40, 10, {-8, 45}, [](int x, int y) { return static_cast<uint8_t>(100 + x * 3 - y * 5); }},
      {"diagonal bands", 48, 16, {}, [](int x, int y) { return static_cast<uint8_t>((x * 7 + y * 13) % 256); }},
      // Widths that are no multiple of 8, one and two pixels wide, and a card-wide noisy band.
      {"odd width", 37, 9, {}, [](int x, int y) { return static_cast<uint8_t>((x * 29 + y * 71) % 256); }},
      {"one pixel wide", 1, 20, {}, [](int, int y) { return static_cast<uint8_t>(60 + y * 7); }},
      {"two pixels wide", 2, 20, {}, [](int x, int y) { return static_cast<uint8_t>(90 + x * 50 + y * 3); }},
      {"noise",
       1024,
       24,
       {5, 10},
       [](int x, int y) {
         const uint32_t h = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u);
         return static_cast<uint8_t>((h >> 13) % 256);
       }},
  };
  for (const Case& c : cases) {
    Sheet s(c.w, c.h);
    for (int y = 0; y < c.h; ++y) {
      for (int x = 0; x < c.w; ++x) {
        // Colour pixels whose grey is the wanted value: blue and red carry small offsets.
        uint8_t* p = s.Pixel(x, y);
        const uint8_t v = c.grey(x, y);
        p[0] = v;
        p[1] = v;
        p[2] = v;
        if (x % 3 == 1 && v > 20 && v < 230) {
          p[0] = static_cast<uint8_t>(v + 10);
          p[2] = static_cast<uint8_t>(v - 4);
        }
      }
    }
    const std::vector<bool> expected = ReferenceDiffusion(s, c.black);
    ASSERT_EQ(s.Convert(kMonoDiffusion, c.black), 1);
    int wrong = 0;
    int blacks = 0;
    for (int y = 0; y < c.h; ++y) {
      for (int x = 0; x < c.w; ++x) {
        wrong += s.White(x, y) != expected[static_cast<size_t>(y) * c.w + x];
        blacks += !s.White(x, y);
      }
    }
    EXPECT_EQ(wrong, 0) << c.name;
    EXPECT_GT(blacks, 0) << c.name;
    EXPECT_LT(blacks, c.w * c.h) << c.name;
  }
}

// Card-sized and odd-sized pages of every kind against the rules: the conversion decides eight rows side by side
// (each a few pixels behind the one above) for rows up to 1024 pixels, and row by row for wider ones.
TEST(Diffusion, MatchesTheRulesOnVariedPages) {
  using Paint = void (*)(Sheet&, uint32_t seed);
  struct Pattern {
    const char* name;
    Paint paint;
  } patterns[] = {
      {"random colour",
       [](Sheet& s, uint32_t seed) {
         for (uint8_t& b : s.page) {
           seed = seed * 1664525u + 1013904223u;
           b = static_cast<uint8_t>(seed >> 24);
         }
       }},
      {"flat mid grey", [](Sheet& s, uint32_t) { std::fill(s.page.begin(), s.page.end(), uint8_t{128}); }},
      {"gradients",
       [](Sheet& s, uint32_t) {
         for (int y = 0; y < s.height; ++y) {
           for (int x = 0; x < s.width; ++x) {
             uint8_t* p = s.Pixel(x, y);
             p[0] = static_cast<uint8_t>(x * 255 / s.width);
             p[1] = static_cast<uint8_t>(y * 255 / s.height);
             p[2] = static_cast<uint8_t>((x + y) % 256);
           }
         }
       }},
      {"sharp edges",
       [](Sheet& s, uint32_t seed) {
         // Blocks of white, black and mid greys with noisy borders: edges along and across the rows.
         for (int y = 0; y < s.height; ++y) {
           for (int x = 0; x < s.width; ++x) {
             seed = seed * 1664525u + 1013904223u;
             const int jitter = static_cast<int>(seed >> 30);
             const int block = ((x + jitter) / 37 + (y + jitter) / 23) % 5;
             static constexpr uint8_t kLevels[5] = {255, 0, 150, 40, 250};
             s.SetGrey(x, y, kLevels[block]);
           }
         }
       }},
      {"dark text on light",
       [](Sheet& s, uint32_t) {
         for (int y = 0; y < s.height; ++y) {
           for (int x = 0; x < s.width; ++x) s.SetGrey(x, y, (x % 11 < 2 || y % 13 == 0) ? 3 : 235);
         }
       }},
  };
  const BlackAdjustment blacks[] = {{}, {12, -30}, {-8, 45}, {5, 10}, {10, -20}, {0, -100}, {100, 0}};
  struct Size {
    int w, h;
  } sizes[] = {{1024, 640}, {640, 1024}};

  auto check = [](Sheet& s, BlackAdjustment black, const std::string& what) {
    const std::vector<bool> expected = ReferenceDiffusion(s, black);
    constexpr uint8_t kBefore = 0x5A;  // the bitmap's bits past the width keep this
    std::fill(s.mono.begin(), s.mono.end(), kBefore);
    ASSERT_EQ(s.Convert(kMonoDiffusion, black), 1);
    int wrong = 0;
    int firstWrong = -1;
    const auto padding = static_cast<uint8_t>(0xFFu >> (s.width % 8));
    for (int y = 0; y < s.height; ++y) {
      if (s.width % 8 != 0) {
        EXPECT_EQ(s.mono[(y + 1) * s.monoStride - 1] & padding, kBefore & padding) << what << ", row " << y;
      }
      for (int x = 0; x < s.width; ++x) {
        const size_t k = static_cast<size_t>(y) * s.width + x;
        if (s.White(x, y) != expected[k] || s.Pixel(x, y)[0] != (expected[k] ? 255 : 0)) {
          if (wrong++ == 0) firstWrong = static_cast<int>(k);
        }
      }
    }
    EXPECT_EQ(wrong, 0) << what << ", first at pixel " << firstWrong;
  };

  uint32_t seed = 7;
  int turn = 0;
  for (const Pattern& pattern : patterns) {
    for (const Size& size : sizes) {
      const BlackAdjustment black = blacks[static_cast<size_t>(turn++) % std::size(blacks)];
      Sheet s(size.w, size.h);
      pattern.paint(s, seed++);
      check(s, black,
            std::string(pattern.name) + " " + std::to_string(size.w) + "x" + std::to_string(size.h) + " black " +
                std::to_string(black.intensity) + "/" + std::to_string(black.contrast));
    }
  }
  // Every black setting on a random page.
  for (const BlackAdjustment& black : blacks) {
    Sheet s(1024, 640);
    patterns[0].paint(s, seed++);
    check(s, black, "random, black " + std::to_string(black.intensity) + "/" + std::to_string(black.contrast));
  }
  // Heights that leave a part band, widths around the lag of the band's last row (21) and past 1024.
  const Size odd[] = {{3, 9}, {20, 17}, {21, 8}, {22, 15}, {23, 1}, {64, 7}, {1023, 13}, {1025, 11}, {1100, 9}};
  for (const Size& size : odd) {
    for (int p : {0, 3}) {
      Sheet s(size.w, size.h);
      patterns[p].paint(s, seed++);
      check(s, {}, std::string(patterns[p].name) + " " + std::to_string(size.w) + "x" + std::to_string(size.h));
    }
  }
}

TEST(HalftoneRegular, DarknessAgainstTheThresholdTable) {
  struct Case {
    uint8_t grey;  // a grey page of darkness 255 - grey
    int blackPerCell;
  } cases[] = {{248, 2}, {255, 0}, {0, 64}, {247, 2}, {240, 4}, {128, 32}};
  for (const Case& c : cases) {
    Sheet s(24, 16, c.grey);
    const std::vector<uint8_t> page = s.page;
    ASSERT_EQ(s.Convert(kMonoHalftoneRegular, {100, 100}), 1);  // black settings play no part
    EXPECT_EQ(s.page, page) << "the page is left alone";
    int blacks = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 24; ++x) blacks += !s.White(x, y);
    }
    EXPECT_EQ(blacks, c.blackPerCell * 6) << "grey " << int{c.grey};
  }
  // Darkness 7 prints exactly where the table holds 7: (2, 5) and (6, 1) of each 8 x 8 cell.
  Sheet s(24, 16, 248);
  ASSERT_EQ(s.Convert(kMonoHalftoneRegular), 1);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool expectedBlack = (x % 8 == 2 && y % 8 == 5) || (x % 8 == 6 && y % 8 == 1);
      EXPECT_EQ(!s.White(x, y), expectedBlack) << x << "," << y;
    }
  }
}

TEST(BarcodeAndEnhanced, OnlyVeryDarkPixelsPrint) {
  struct Case {
    uint8_t grey;
    BlackAdjustment black;
    bool white;
  } cases[] = {
      // clang-format off
      {6, {}, false}, {7, {}, true}, {0, {}, false}, {200, {}, true},
      {30, {-10, 0}, false},    // 30 - 25 = 5
      {3, {2, 0}, true},        // 3 + 5 = 8
      {255, {0, -100}, false},  // contrast -100 turns everything black
      {200, {-100, 0}, false},
  };
  // clang-format on
  for (int method : {2, 3}) {
    for (const Case& c : cases) {
      Sheet s(16, 2, c.grey, 0x3C);
      ASSERT_EQ(s.Convert(method, c.black), 1);
      EXPECT_EQ(s.White(5, 1), c.white) << "method " << method << " grey " << int{c.grey};
      EXPECT_EQ(s.Pixel(5, 1)[0], c.white ? 255 : 0);
    }
  }
}

// ---- Thinning ----

// The thinning written out pixel by pixel, in the order of the rules.
void ReferenceThin(Sheet& s, bool landscape) {
  if (landscape) {
    for (int y = 0; y < s.height; ++y) {
      for (int x = 1; x <= s.width - 2; ++x) {
        if (s.White(x + 1, y) && !s.White(x, y) && !s.White(x - 1, y)) s.SetWhite(x, y, true);
      }
    }
  } else {
    for (int y = 1; y <= s.height - 2; ++y) {
      for (int x = 0; x < s.width; ++x) {
        if (s.White(x, y + 1) && !s.White(x, y) && !s.White(x, y - 1)) s.SetWhite(x, y, true);
      }
    }
  }
}

TEST(ThinBarcodeRuns, RunsLoseTheirLastPixelAlongTheFeed) {
  // Landscape: along a row. A run of 5 becomes 4, a single pixel stays.
  Sheet row(24, 3, 255, 0xFF);
  for (int x = 3; x < 8; ++x) row.SetWhite(x, 1, false);
  row.SetWhite(12, 1, false);
  ThinBarcodeRuns(row.Mono(), kMonoBarcode | 4);
  for (int x = 0; x < 24; ++x) {
    const bool black = (x >= 3 && x < 7) || x == 12;
    EXPECT_EQ(!row.White(x, 1), black) << "x " << x;
  }

  // Portrait: down a column.
  Sheet col(16, 20, 255, 0xFF);
  for (int y = 4; y < 9; ++y) col.SetWhite(9, y, false);
  col.SetWhite(3, 12, false);
  ThinBarcodeRuns(col.Mono(), kMonoBarcode);
  for (int y = 0; y < 20; ++y) {
    EXPECT_EQ(!col.White(9, y), y >= 4 && y < 8) << "y " << y;
    EXPECT_EQ(!col.White(3, y), y == 12) << "y " << y;
  }
}

TEST(ThinBarcodeRuns, OtherModesLeaveTheBitmapAlone) {
  for (int mode : {0, 1, 3, 3 | 4, 4, 5}) {
    Sheet s(24, 6, 255, 0xFF);
    for (int x = 3; x < 8; ++x) s.SetWhite(x, 2, false);
    for (int y = 1; y < 6; ++y) s.SetWhite(15, y, false);
    const std::vector<uint8_t> before = s.mono;
    ThinBarcodeRuns(s.Mono(), mode);
    EXPECT_EQ(s.mono, before) << "mode " << mode;
  }
}

TEST(ThinBarcodeRuns, MatchesThePixelRulesOnRandomBitmaps) {
  uint32_t seed = 99;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  for (int width : {13, 16, 41, 64}) {
    for (bool landscape : {true, false}) {
      Sheet s(width, 23, 255, 0);
      for (auto& b : s.mono) b = static_cast<uint8_t>(next() | next());  // mostly white, black runs
      Sheet expected = s;
      ReferenceThin(expected, landscape);
      ThinBarcodeRuns(s.Mono(), kMonoBarcode | (landscape ? 4 : 0));
      EXPECT_EQ(s.mono, expected.mono) << "width " << width << " landscape " << landscape;
    }
  }
}

// ---- Blank test ----

TEST(IsMonoPanelBlank, OnlyAllWhitePixelsAreBlank) {
  Sheet s(640, 1024, 255, 0xFF);
  EXPECT_TRUE(IsMonoPanelBlank(s.Mono()));
  s.SetWhite(639, 1023, false);
  EXPECT_FALSE(IsMonoPanelBlank(s.Mono()));
  s.SetWhite(639, 1023, true);
  s.SetWhite(0, 0, false);
  EXPECT_FALSE(IsMonoPanelBlank(s.Mono()));

  // Padding bits past the width are not pixels.
  Sheet narrow(13, 5, 255, 0xFF);
  for (int y = 0; y < 5; ++y) narrow.mono[y * 2 + 1] = 0xF8;
  EXPECT_TRUE(IsMonoPanelBlank(narrow.Mono()));
  narrow.SetWhite(12, 4, false);
  EXPECT_FALSE(IsMonoPanelBlank(narrow.Mono()));

  // No bitmap: nothing to print.
  EXPECT_TRUE(IsMonoPanelBlank(MonoBitmap{nullptr, 0, 80, 640, 1024}));
}

}  // namespace
}  // namespace tolma
