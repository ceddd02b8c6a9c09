// Tests of black extraction and the sides it applies to.
#include "raster/imaging/black_extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace tolma {
namespace {

TEST(BlackExtractionApplies, CoversTheSidesWithColourAndResinBlack) {
  struct Row {
    int type;
    bool oneSided;
    std::array<bool, 4> front, back;  // two-sided, modes 0..3
  };
  const Row rows[] = {
      {0, true, {false, true, false, false}, {false, true, false, false}},
      {11, true, {false, true, false, false}, {false, true, false, false}},
      {6, true, {false, true, true, true}, {false, true, true, true}},
      {7, true, {true, true, false, false}, {false, true, false, false}},
      {12, true, {true, true, false, false}, {false, true, false, false}},
      {8, true, {true, false, true, true}, {false, false, true, false}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(BlackExtractionApplies(r.type, false, 0, true), r.oneSided) << r.type;
    for (int mode = 0; mode < 4; ++mode) {
      EXPECT_EQ(BlackExtractionApplies(r.type, true, mode, true), r.front[mode]) << r.type << " front mode " << mode;
      EXPECT_EQ(BlackExtractionApplies(r.type, true, mode, false), r.back[mode]) << r.type << " back mode " << mode;
    }
  }
  for (int type : {1, 2, 3, 4, 5, 9, 10, 13, 14, 15, 16, -1}) {
    EXPECT_FALSE(BlackExtractionApplies(type, false, 0, true)) << type;
    EXPECT_FALSE(BlackExtractionApplies(type, true, 1, true)) << type;
  }
}

TEST(ExtractBlack, MovesBlackToTheMonoBitmapAndFillsFromTheLeft) {
  constexpr int kWidth = 16, kHeight = 2;
  // Row 0: black at x 0 (row start), red at 2, black at 3..5, blue at 6, black at 15.
  // Row 1: no black; its mono byte 1 already holds drawn black (0x0F) that must stay.
  std::vector<uint8_t> page(kWidth * 3 * kHeight, 0x80);
  auto set = [&](int x, int y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = &page[(y * kWidth + x) * 3];
    p[0] = b;
    p[1] = g;
    p[2] = r;
  };
  for (int x : {0, 3, 4, 5, 15}) set(x, 0, 0, 0, 0);
  set(2, 0, 0, 0, 255);  // red: not pure black
  set(6, 0, 255, 0, 0);  // blue
  std::vector<uint8_t> mono = {0xFF, 0xFF, 0xFF, 0x0F};

  ExtractBlack(page.data(), kWidth * 3, mono.data(), 2, kWidth, kHeight);

  EXPECT_EQ(mono[0], 0b01100011);  // x 0, 3, 4, 5 black
  EXPECT_EQ(mono[1], 0b11111110);  // x 15 black
  EXPECT_EQ(mono[2], 0xFF);
  EXPECT_EQ(mono[3], 0x0F);
  auto at = [&](int x, int y) {
    const uint8_t* p = &page[(y * kWidth + x) * 3];
    return std::array<uint8_t, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(at(0, 0), (std::array<uint8_t, 3>{255, 255, 255})) << "white at the row start";
  EXPECT_EQ(at(3, 0), (std::array<uint8_t, 3>{0, 0, 255})) << "the red to the left";
  EXPECT_EQ(at(5, 0), (std::array<uint8_t, 3>{0, 0, 255}));
  EXPECT_EQ(at(15, 0), (std::array<uint8_t, 3>{0x80, 0x80, 0x80}));
  EXPECT_EQ(at(0, 1), (std::array<uint8_t, 3>{0x80, 0x80, 0x80})) << "rows do not carry colour over";
}

// Groups of 8 pixels with and without pure black, black at every place in a group, almost-black pixels (one byte
// nonzero) and runs of black across groups, against the rule written out pixel by pixel.
TEST(ExtractBlack, MatchesThePixelRuleOnRandomRows) {
  constexpr int kWidth = 1024, kHeight = 40;
  std::vector<uint8_t> page(kWidth * 3 * kHeight);
  uint32_t s = 99;
  auto next = [&] {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
  };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &page[(static_cast<size_t>(y) * kWidth + x) * 3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(next());
      const uint32_t kind = next() % 16;
      if (kind < 2 || (y % 7 == 0 && x / 24 % 3 == 0)) std::fill(p, p + 3, uint8_t{0});  // black
      if (kind == 2) {                                                                   // almost black
        std::fill(p, p + 3, uint8_t{0});
        p[next() % 3] = static_cast<uint8_t>(1 + next() % 255);
      }
    }
  }
  std::vector<uint8_t> mono(kWidth / 8 * kHeight);
  for (auto& b : mono) b = static_cast<uint8_t>(next());

  std::vector<uint8_t> expectedPage = page;
  std::vector<uint8_t> expectedMono = mono;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t last[3] = {255, 255, 255};
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &expectedPage[(static_cast<size_t>(y) * kWidth + x) * 3];
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
        std::copy(last, last + 3, p);
        expectedMono[static_cast<size_t>(y) * kWidth / 8 + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
      } else {
        std::copy(p, p + 3, last);
      }
    }
  }
  ExtractBlack(page.data(), kWidth * 3, mono.data(), kWidth / 8, kWidth, kHeight);
  EXPECT_EQ(page, expectedPage);
  EXPECT_EQ(mono, expectedMono);
}

}  // namespace
}  // namespace tolma
