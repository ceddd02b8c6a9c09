// Tests of the colour preparation (adjustment and 16-level dither) and of the continuous-tone panel scans.
#include "raster/imaging/colour.h"

#include "raster/imaging/panel_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace tolma {
namespace {

constexpr int kLines = 1024;
constexpr int kDots = 640;

// A card page in its own buffer: 640 x 1024 in portrait, 1024 x 640 in landscape, rows packed.
struct TestPage {
  explicit TestPage(bool portrait, uint8_t fill = 255)
      : width(portrait ? kDots : kLines),
        height(portrait ? kLines : kDots),
        bytes(static_cast<size_t>(width) * height * 3, fill) {}
  ColourPage View() { return {bytes.data(), bytes.size(), static_cast<size_t>(width) * 3, width, height}; }
  uint8_t* Pixel(int x, int y) { return &bytes[(static_cast<size_t>(y) * width + x) * 3]; }
  int width;
  int height;
  std::vector<uint8_t> bytes;
};

// Written independently from the adjustment rules: intensity shift, then a power curve over v / 255.5.
int ReferenceAdjust(int v, int i, int c) {
  if (i == 0 && c == 0) return v;
  if (i != 0) {
    v += static_cast<int>(std::trunc(i * 255.0 / 100.0));
    v = v < 0 ? 0 : (v > 255 ? 255 : v);
  }
  if (c == 0) return v;
  if (c > 0) {
    const double e = 255 - static_cast<int>(std::trunc(c * 180.0 / 100.0));
    return static_cast<int>(std::trunc(std::pow(v / 255.5, e / 255.0) * 255.0));
  }
  if (c == -100) return 0;
  const double e = static_cast<int>(std::trunc(c * 255.0 / 100.0)) + 255;
  return static_cast<int>(std::trunc(std::pow(v / 255.5, 255.0 / e) * 255.0));
}

// Decodes a continuous-tone panel into 1024 x 640 levels; fails the test on any structural error.
std::vector<uint8_t> DecodePanel(const std::vector<uint8_t>& data, PanelForm form) {
  std::vector<uint8_t> levels;
  levels.reserve(static_cast<size_t>(kLines) * kDots);
  size_t i = 0;
  if (form == PanelForm::kRunLength) {
    while (i < data.size()) {
      const uint8_t b = data[i++];
      if (b < 0x80) {
        levels.push_back(b);
        continue;
      }
      EXPECT_GE(b, 0x82) << "bad repeat byte at " << i - 1;
      EXPECT_LT(i, data.size()) << "repeat without value";
      if (i >= data.size()) break;
      const uint8_t v = data[i++];
      EXPECT_LT(v, 32);
      levels.insert(levels.end(), b - 0x80u, v);
    }
  } else {
    EXPECT_EQ(data.size(), static_cast<size_t>(kLines) * 432);
    if (data.size() != static_cast<size_t>(kLines) * 432) return {};
    for (int line = 0; line < kLines; ++line) {
      for (int w = 0; w < 214; ++w, i += 2) {
        const unsigned word = (data[i] << 8) | data[i + 1];
        EXPECT_EQ(word & 0x8000u, 0u);
        levels.push_back(static_cast<uint8_t>((word >> 10) & 31));
        if (w == 213) {
          EXPECT_EQ(word & 0x3FFu, 0u) << "line " << line;
          break;
        }
        levels.push_back(static_cast<uint8_t>((word >> 5) & 31));
        levels.push_back(static_cast<uint8_t>(word & 31));
      }
      i += 2;
      for (int z = 0; z < 4; ++z) EXPECT_EQ(data[i++], 0) << "line end of line " << line;
    }
  }
  EXPECT_EQ(levels.size(), static_cast<size_t>(kLines) * kDots);
  return levels;
}

// Runs one scan into a fresh panel buffer (with the closing step after a run-length scan) and decodes it.
std::vector<uint8_t> ScanAndDecode(TestPage& page, const ColourScan& scan, std::vector<uint8_t>* raw = nullptr) {
  std::vector<uint8_t> buffer(kPanelBufferSize);
  PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
  RunLengthState rle;
  EXPECT_TRUE(ScanColourPanel(page.View(), scan, out, rle));
  if (scan.form == PanelForm::kRunLength) FlushLevelRle(rle, out);
  EXPECT_FALSE(out.overflow);
  buffer.resize(out.length);
  if (raw != nullptr) *raw = buffer;
  return DecodePanel(buffer, scan.form);
}

// ---- Adjustment and quantisation ----

TEST(AdjustLevel, TablesMatchTheFormulaForEveryByteAndSettingGrid) {
  const int grid[] = {-100, -99, -60, -1, 0, 1, 37, 99, 100};
  for (int i : grid) {
    for (int c : grid) {
      const auto table = BuildAdjustTable(i, c);
      for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(table[static_cast<size_t>(v)], ReferenceAdjust(v, i, c)) << "v " << v << " i " << i << " c " << c;
        ASSERT_EQ(AdjustLevel(v, i, c), table[static_cast<size_t>(v)]);
      }
    }
  }
}

TEST(AdjustLevel, KnownPoints) {
  struct Case {
    int v, intensity, contrast, expected;
  } cases[] = {
      // clang-format off
      {128, 0, 0, 128},   {0, 100, 0, 255},     {255, -100, 0, 0},   {200, 50, 0, 255},
      {100, -1, 0, 98},   {100, 1, 0, 102},     {37, 100, -100, 0},  {255, 0, -100, 0},
      {255, 0, 1, 254},   {255, 0, 100, 254},   {255, 0, -1, 254},   {0, 0, 100, 0},
      // beyond -100..100 the values act as the limits
      {100, 250, 0, 255}, {100, -250, 0, 0},    {200, 0, -300, 0},
      // clang-format on
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustLevel(c.v, c.intensity, c.contrast), c.expected) << c.v << " " << c.intensity << " " << c.contrast;
  }
  EXPECT_EQ(AdjustLevel(128, 0, 100), AdjustLevel(128, 0, 250));
}

TEST(Twister64, GivesTheNumbersOfTheStandardEngine) {
  for (const uint64_t seed : {uint64_t{5489}, uint64_t{0}, DitherSource::kDefaultSeed, ~uint64_t{0}}) {
    Twister64 ours(seed);
    std::mt19937_64 standard(seed);
    for (int k = 0; k < 2000; ++k) ASSERT_EQ(ours(), standard()) << "seed " << seed << " draw " << k;
  }
  // The check value of the standard: the 10000th draw of the default seed.
  Twister64 ours(5489);
  for (int k = 1; k < 10000; ++k) ours();
  EXPECT_EQ(ours(), 9981545732273789042ull);

  // Draws read ahead are taken only when said, also across the end of a state.
  Twister64 ahead(7);
  Twister64 drawn(7);
  for (int round = 0; round < 3; ++round) {
    const std::span<const uint64_t> next = ahead.Ahead();
    ASSERT_FALSE(next.empty());
    const size_t take = std::min<size_t>(next.size(), 200);
    for (size_t k = 0; k < take; ++k) ASSERT_EQ(next[k], drawn());
    ahead.Took(take);
  }
  EXPECT_EQ(ahead(), drawn());
}

TEST(QuantizeLevel, FixedResultsDrawNothing) {
  struct Case {
    uint8_t v, expected;
  } cases[] = {{250, 240}, {255, 240}, {240, 240}, {17, 16}, {16, 16},   {31, 32},
               {0, 0},     {1, 0},     {15, 16},   {47, 48}, {239, 240}, {129, 128}};
  DitherSource used(99);
  for (const Case& c : cases) EXPECT_EQ(QuantizeLevel(c.v, 0xF0, 1, used), c.expected) << int{c.v};
  // None of these needed a random value: the source is where a fresh one starts.
  DitherSource fresh(99);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(used.Nibble(), fresh.Nibble());
}

TEST(QuantizeLevel, LowNibbleRoundsUpWithItsProbability) {
  struct Case {
    uint8_t v, down, up;
    double upShare;
  } cases[] = {{24, 16, 32, 0.5}, {20, 16, 32, 0.25}, {226, 224, 240, 0.125}, {142, 128, 144, 14.0 / 16}};
  constexpr int kDraws = 20000;
  for (const Case& c : cases) {
    DitherSource random(7);
    int up = 0;
    for (int k = 0; k < kDraws; ++k) {
      const uint8_t q = QuantizeLevel(c.v, 0xF0, 1, random);
      ASSERT_TRUE(q == c.down || q == c.up) << int{q};
      up += q == c.up;
    }
    EXPECT_NEAR(static_cast<double>(up) / kDraws, c.upShare, 0.02) << int{c.v};
  }
}

TEST(QuantizeLevel, SeedsGiveRepeatableSequences) {
  auto run = [](uint64_t seed) {
    DitherSource random(seed);
    std::vector<uint8_t> out;
    for (int k = 0; k < 64; ++k) out.push_back(QuantizeLevel(24, 0xF0, 1, random));
    return out;
  };
  EXPECT_EQ(run(5), run(5));
  EXPECT_NE(run(5), run(6));
}

TEST(PrepareColourPage, RejectsMissingOrShortBits) {
  DitherSource random;
  PrivateDevmode settings{};
  ColourPage missing{nullptr, 0, 1920, 640, 1024};
  EXPECT_EQ(PrepareColourPage(missing, settings, random), 0);

  std::vector<uint8_t> shortBits(1920 * 1023, 24);  // one row short
  ColourPage page{shortBits.data(), shortBits.size(), 1920, 640, 1024};
  EXPECT_EQ(PrepareColourPage(page, settings, random), 0);
  for (uint8_t b : shortBits) ASSERT_EQ(b, 24);
}

TEST(PrepareColourPage, EveryByteLandsOnTheGridAndKeepsTheMean) {
  TestPage page(true, 0);
  for (size_t k = 0; k < page.bytes.size(); ++k) page.bytes[k] = static_cast<uint8_t>(k * 7 % 256);
  const std::vector<uint8_t> before = page.bytes;
  DitherSource random;
  ASSERT_EQ(PrepareColourPage(page.View(), PrivateDevmode{}, random), 1);
  double sumBefore = 0;
  double sumAfter = 0;
  for (size_t k = 0; k < page.bytes.size(); ++k) {
    ASSERT_EQ(page.bytes[k] % 16, 0);
    ASSERT_LE(page.bytes[k], 240);
    ASSERT_LE(std::abs(page.bytes[k] - before[k]), 16);
    if (before[k] < 240) {
      sumBefore += before[k];
      sumAfter += page.bytes[k];
    }
  }
  EXPECT_NEAR(sumAfter / sumBefore, 1.0, 0.002);
}

TEST(PrepareColourPage, EachByteDrawsItsOwnRandomValue) {
  // Blue 24 rounds up half of the time, green 20 a quarter, red 17 never; blue and green independently.
  TestPage page(false);
  for (size_t k = 0; k < page.bytes.size(); k += 3) {
    page.bytes[k] = 24;
    page.bytes[k + 1] = 20;
    page.bytes[k + 2] = 17;
  }
  DitherSource random(3);
  ASSERT_EQ(PrepareColourPage(page.View(), PrivateDevmode{}, random), 1);
  const double pixels = static_cast<double>(page.width) * page.height;
  double blueUp = 0;
  double greenUp = 0;
  double bothUp = 0;
  for (size_t k = 0; k < page.bytes.size(); k += 3) {
    ASSERT_TRUE(page.bytes[k] == 16 || page.bytes[k] == 32);
    ASSERT_TRUE(page.bytes[k + 1] == 16 || page.bytes[k + 1] == 32);
    ASSERT_EQ(page.bytes[k + 2], 16);
    blueUp += page.bytes[k] == 32;
    greenUp += page.bytes[k + 1] == 32;
    bothUp += page.bytes[k] == 32 && page.bytes[k + 1] == 32;
  }
  EXPECT_NEAR(blueUp / pixels, 0.5, 0.005);
  EXPECT_NEAR(greenUp / pixels, 0.25, 0.005);
  EXPECT_NEAR(bothUp / pixels, 0.125, 0.005);
}

// ---- Panels of prepared pages ----

struct ScanCase {
  PanelForm form;
  bool rotate;
};
constexpr ScanCase kFormsAndFlags[] = {{PanelForm::kRunLength, true},
                                       {PanelForm::kRunLength, false},
                                       {PanelForm::kPacked, true},
                                       {PanelForm::kPacked, false}};

// Scans Y, M, C and Kd of a prepared page in every form and flag and checks that every level is `expected`.
void ExpectUniformPanels(TestPage& page, bool portrait, int expectedYmc, int expectedKd) {
  for (const ScanCase& sc : kFormsAndFlags) {
    for (int panel = 0; panel < 4; ++panel) {
      ColourScan scan{portrait, sc.form, panel < 3 ? LevelSource::kComponent : LevelSource::kGrey, panel % 3,
                      sc.rotate};
      const auto levels = ScanAndDecode(page, scan);
      const int expected = panel < 3 ? expectedYmc : expectedKd;
      size_t wrong = 0;
      for (uint8_t l : levels) wrong += l != expected;
      EXPECT_EQ(wrong, 0u) << "panel " << panel << " portrait " << portrait << " packed "
                           << (sc.form == PanelForm::kPacked) << " rotate " << sc.rotate;
    }
  }
}

TEST(ColourPanels, WhiteAndBlackPagesGiveLevelsOneAndThirtyOne) {
  for (bool portrait : {true, false}) {
    DitherSource random;
    TestPage white(portrait, 255);
    ASSERT_EQ(PrepareColourPage(white.View(), PrivateDevmode{}, random), 1);
    ExpectUniformPanels(white, portrait, 1, 1);
    TestPage black(portrait, 0);
    ASSERT_EQ(PrepareColourPage(black.View(), PrivateDevmode{}, random), 1);
    ExpectUniformPanels(black, portrait, 31, 31);
  }
}

TEST(ColourPanels, WholeStreamsOfUniformPages) {
  DitherSource random;
  // A black page in the packed form: every line is 213 words 0x7FFF, the word 0x7C00 and four zero bytes.
  TestPage black(true, 0);
  ASSERT_EQ(PrepareColourPage(black.View(), PrivateDevmode{}, random), 1);
  std::vector<uint8_t> raw;
  ScanAndDecode(black, {true, PanelForm::kPacked, LevelSource::kComponent, 1, false}, &raw);
  std::vector<uint8_t> line;
  for (int w = 0; w < 213; ++w) line.insert(line.end(), {0x7F, 0xFF});
  line.insert(line.end(), {0x7C, 0x00, 0, 0, 0, 0});
  std::vector<uint8_t> expected;
  for (int l = 0; l < kLines; ++l) expected.insert(expected.end(), line.begin(), line.end());
  EXPECT_EQ(raw, expected);

  // A white landscape page in the run-length form: one stream of runs of 127 across all lines.
  TestPage white(false, 255);
  ASSERT_EQ(PrepareColourPage(white.View(), PrivateDevmode{}, random), 1);
  ScanAndDecode(white, {false, PanelForm::kRunLength, LevelSource::kGrey, 0, true}, &raw);
  expected.clear();
  for (int r = 0; r < 5160; ++r) expected.insert(expected.end(), {0xFF, 0x01});
  expected.insert(expected.end(), {0xA8, 0x01});
  EXPECT_EQ(raw, expected);
}

TEST(ColourPanels, SettingsActOnTheirOwnColour) {
  struct Case {
    const char* what;
    int16_t PrivateDevmode::*field1;
    int16_t value1;
    int16_t PrivateDevmode::*field2;
    int16_t value2;
    int panel;     // 0 Y (blue), 1 M (green), 2 C (red)
    int expected;  // level everywhere on that panel
  } cases[] = {
      {"red intensity +100 clears cyan", &PrivateDevmode::ccIntensityR, 100, nullptr, 0, 2, 1},
      {"green intensity -100 fills magenta", &PrivateDevmode::ccIntensityG, -100, nullptr, 0, 1, 31},
      {"blue contrast -100 fills yellow even at intensity +100", &PrivateDevmode::ccContrastB, -100,
       &PrivateDevmode::ccIntensityB, 100, 0, 31},
      {"red contrast -100 fills cyan", &PrivateDevmode::ccContrastR, -100, nullptr, 0, 2, 31},
  };
  for (const Case& c : cases) {
    PrivateDevmode settings{};
    settings.*c.field1 = c.value1;
    if (c.field2 != nullptr) settings.*c.field2 = c.value2;
    TestPage page(true, 128);  // 128 lies on the grid: untouched channels give level 15
    DitherSource random;
    ASSERT_EQ(PrepareColourPage(page.View(), settings, random), 1);
    for (int panel = 0; panel < 3; ++panel) {
      const auto levels = ScanAndDecode(page, {true, PanelForm::kRunLength, LevelSource::kComponent, panel, true});
      const int expected = panel == c.panel ? c.expected : 15;
      size_t wrong = 0;
      for (uint8_t l : levels) wrong += l != expected;
      EXPECT_EQ(wrong, 0u) << c.what << ", panel " << panel;
    }
  }
}

TEST(ColourPanels, GreyLevelsOfKnownColours) {
  struct Case {
    const char* name;
    uint8_t b, g, r;
    int level;
  } cases[] = {
      {"white", 255, 255, 255, 0},     {"prepared white", 240, 240, 240, 1},
      {"black", 0, 0, 0, 31},          {"red", 0, 0, 255, 22},
      {"green", 0, 255, 0, 13},        {"blue", 255, 0, 0, 28},
      {"mid grey", 128, 128, 128, 15}, {"yellow", 0, 255, 255, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GreyLevel(c.b, c.g, c.r), c.level) << c.name;
    // The same level comes out of the dye-black scan, in both forms.
    TestPage page(false);
    for (int k = 0; k < page.width * page.height; ++k) {
      page.bytes[k * 3] = c.b;
      page.bytes[k * 3 + 1] = c.g;
      page.bytes[k * 3 + 2] = c.r;
    }
    for (PanelForm form : {PanelForm::kPacked, PanelForm::kRunLength}) {
      const auto levels = ScanAndDecode(page, {false, form, LevelSource::kGrey, 0, false});
      EXPECT_EQ(levels.front(), c.level) << c.name;
      EXPECT_EQ(levels.back(), c.level) << c.name;
    }
  }
}

// ---- Line orders and start offsets ----

// The printer's line orders, as pixel coordinates: first pixel, step along a line, step to the next line; and
// the start offset k x S - 3 m + c.
struct OrderCase {
  bool portrait;
  PanelForm form;
  bool rotate;
  int x0, y0, ax, ay, lx, ly;
  int strideFactor, minusThree;
};
constexpr OrderCase kOrders[] = {
    {true, PanelForm::kRunLength, true, 0, 0, 1, 0, 0, 1, 0, 0},
    {true, PanelForm::kRunLength, false, 639, 1023, -1, 0, 0, -1, 1024, 1},
    {true, PanelForm::kPacked, true, 0, 1023, 1, 0, 0, -1, 1023, 0},
    {true, PanelForm::kPacked, false, 639, 0, -1, 0, 0, 1, 1, 1},
    {false, PanelForm::kRunLength, true, 0, 639, 0, -1, 1, 0, 639, 0},
    {false, PanelForm::kRunLength, false, 1023, 0, 0, 1, -1, 0, 1, 1},
    {false, PanelForm::kPacked, true, 1023, 639, 0, -1, -1, 0, 640, 1},
    {false, PanelForm::kPacked, false, 0, 0, 0, 1, 1, 0, 0, 0},
};

// A page whose bytes differ from place to place, with no symmetry between its corners.
TestPage AsymmetricPage(bool portrait) {
  TestPage page(portrait);
  uint32_t s = 12345;
  for (auto& b : page.bytes) {
    s = s * 1103515245u + 12345u;
    b = static_cast<uint8_t>(s >> 16);
  }
  return page;
}

TEST(ColourPanels, StartOffsetsFollowTheTable) {
  for (const OrderCase& o : kOrders) {
    TestPage page(o.portrait);
    const ColourPage view = page.View();
    const size_t stride = view.stride;
    for (int c = 0; c < 3; ++c) {
      const size_t expected = o.strideFactor * stride - 3 * o.minusThree + c;
      EXPECT_EQ(ColourScanStartOffset(view, {o.portrait, o.form, LevelSource::kComponent, c, o.rotate}), expected);
    }
    EXPECT_EQ(ColourScanStartOffset(view, {o.portrait, o.form, LevelSource::kGrey, 2, o.rotate}),
              o.strideFactor * stride - 3 * o.minusThree);
  }
}

TEST(ColourPanels, FirstLevelOfEveryScanComesFromItsStartPixel) {
  for (const OrderCase& o : kOrders) {
    TestPage page = AsymmetricPage(o.portrait);
    const uint8_t* first = page.Pixel(o.x0, o.y0);
    for (int c = 0; c < 3; ++c) {
      const auto levels = ScanAndDecode(page, {o.portrait, o.form, LevelSource::kComponent, c, o.rotate});
      EXPECT_EQ(levels.front(), ComponentLevel(first[c]))
          << "portrait " << o.portrait << " packed " << (o.form == PanelForm::kPacked) << " rotate " << o.rotate;
    }
    const auto grey = ScanAndDecode(page, {o.portrait, o.form, LevelSource::kGrey, 0, o.rotate});
    EXPECT_EQ(grey.front(), GreyLevel(first[0], first[1], first[2]));
  }
}

TEST(ColourPanels, EveryLevelFollowsTheLineOrder) {
  for (const OrderCase& o : kOrders) {
    TestPage page = AsymmetricPage(o.portrait);
    const auto cyan = ScanAndDecode(page, {o.portrait, o.form, LevelSource::kComponent, 2, o.rotate});
    const auto grey = ScanAndDecode(page, {o.portrait, o.form, LevelSource::kGrey, 0, o.rotate});
    size_t wrong = 0;
    for (int line = 0; line < kLines; ++line) {
      for (int dot = 0; dot < kDots; ++dot) {
        const int x = o.x0 + dot * o.ax + line * o.lx;
        const int y = o.y0 + dot * o.ay + line * o.ly;
        const uint8_t* p = page.Pixel(x, y);
        const size_t k = static_cast<size_t>(line) * kDots + dot;
        wrong += cyan[k] != ComponentLevel(p[2]);
        wrong += grey[k] != GreyLevel(p[0], p[1], p[2]);
      }
    }
    EXPECT_EQ(wrong, 0u) << "portrait " << o.portrait << " packed " << (o.form == PanelForm::kPacked) << " rotate "
                         << o.rotate;
  }
}

TEST(ColourPanels, NamedScansMatchTheGeneralScan) {
  TestPage portrait = AsymmetricPage(true);
  TestPage landscape = AsymmetricPage(false);
  std::vector<uint8_t> a(kPanelBufferSize);
  std::vector<uint8_t> b(kPanelBufferSize);
  auto same = [&](auto named, TestPage& page, const ColourScan& scan) {
    PanelOutput outA{a.data(), 0, kPanelBufferSize, false};
    PanelOutput outB{b.data(), 0, kPanelBufferSize, false};
    RunLengthState rleA;
    RunLengthState rleB;
    EXPECT_TRUE(named(page.View(), outA, rleA));
    EXPECT_TRUE(ScanColourPanel(page.View(), scan, outB, rleB));
    EXPECT_EQ(outA.length, outB.length);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + outA.length, b.begin()));
  };
  const bool r = false;
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState&) { return ScanComponentRowsPacked(p, 1, r, o); },
       portrait, {true, PanelForm::kPacked, LevelSource::kComponent, 1, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState& s) { return ScanComponentRowsRle(p, 1, r, o, s); },
       portrait, {true, PanelForm::kRunLength, LevelSource::kComponent, 1, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState&) { return ScanGrayRowsPacked(p, r, o); }, portrait,
       {true, PanelForm::kPacked, LevelSource::kGrey, 0, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState& s) { return ScanGrayRowsRle(p, r, o, s); }, portrait,
       {true, PanelForm::kRunLength, LevelSource::kGrey, 0, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState&) { return ScanComponentColumnsPacked(p, 2, r, o); },
       landscape, {false, PanelForm::kPacked, LevelSource::kComponent, 2, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState& s) { return ScanComponentColumnsRle(p, 2, r, o, s); },
       landscape, {false, PanelForm::kRunLength, LevelSource::kComponent, 2, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState&) { return ScanGrayColumnsPacked(p, r, o); }, landscape,
       {false, PanelForm::kPacked, LevelSource::kGrey, 0, r});
  same([&](const ColourPage& p, PanelOutput& o, RunLengthState& s) { return ScanGrayColumnsRle(p, r, o, s); },
       landscape, {false, PanelForm::kRunLength, LevelSource::kGrey, 0, r});
}

TEST(ColourPanels, PagesThatDoNotFitEncodeNothing) {
  TestPage portrait(true);
  std::vector<uint8_t> buffer(kPanelBufferSize);
  struct Case {
    const char* what;
    ColourPage page;
    ColourScan scan;
  } cases[] = {
      {"landscape scan of a portrait page", portrait.View(), {false, PanelForm::kPacked, LevelSource::kGrey, 0, true}},
      {"component 3", portrait.View(), {true, PanelForm::kRunLength, LevelSource::kComponent, 3, true}},
      {"missing bits", {nullptr, 0, 1920, 640, 1024}, {true, PanelForm::kPacked, LevelSource::kGrey, 0, true}},
      {"bits one byte short",
       {portrait.bytes.data(), portrait.bytes.size() - 1, 1920, 640, 1024},
       {true, PanelForm::kRunLength, LevelSource::kComponent, 0, false}},
  };
  for (const Case& c : cases) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
    RunLengthState rle;
    EXPECT_FALSE(ScanColourPanel(c.page, c.scan, out, rle)) << c.what;
    EXPECT_EQ(out.length, 0u) << c.what;
    EXPECT_EQ(rle.state, 0) << c.what;
  }
}

}  // namespace
}  // namespace tolma
