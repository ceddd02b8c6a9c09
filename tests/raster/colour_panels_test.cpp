// Tests of the side's colour pass: preparation, black extraction and level layout in one pass, and the scans over
// the laid-out levels, against the separate steps they replace (ExtractBlack, PrepareColourPage, ScanColourPanel).
#include "raster/imaging/colour_panels.h"

#include "raster/imaging/black_extraction.h"
#include "raster/imaging/panel_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tolma {
namespace {

using Bytes = std::vector<uint8_t>;

enum class Picture {
  kNoise,  // every byte random, with pure-black pixels and runs of them
  kPhoto,  // gradients with a little noise, flat white areas, black bars: long runs and short ones
};

// A card page with its monochrome bitmap (white), 640 x 1024 or 1024 x 640, rows packed.
struct Side {
  Side(bool portrait, Picture picture)
      : width(portrait ? kPanelDots : kPanelLines),
        height(portrait ? kPanelLines : kPanelDots),
        page(static_cast<size_t>(width) * height * 3),
        mono(static_cast<size_t>(width / 8) * height, 0xFF) {
    uint32_t s = 2024;
    auto next = [&] {
      s = s * 1664525u + 1013904223u;
      return s >> 8;
    };
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        uint8_t* p = &page[(static_cast<size_t>(y) * width + x) * 3];
        if (picture == Picture::kNoise) {
          for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(next());
          if (next() % 13 == 0 || (x % 97 < 3 && y % 50 < 20)) p[0] = p[1] = p[2] = 0;
        } else {
          const int noise = static_cast<int>(next() % 5) - 2;
          const bool flat = (x / 64 + y / 48) % 6 == 0;
          p[0] = flat ? 255 : static_cast<uint8_t>(std::clamp(x * 255 / width + noise, 0, 255));
          p[1] = flat ? 255 : static_cast<uint8_t>(std::clamp(y * 255 / height + noise, 0, 255));
          p[2] = flat ? 255 : static_cast<uint8_t>(std::clamp(200 - (x + y) / 9 + noise, 0, 255));
          if (y % 200 < 12 && x > 30 && x < width - 30) p[0] = p[1] = p[2] = 0;
        }
      }
    }
  }
  ColourPage Page() { return {page.data(), page.size(), static_cast<size_t>(width) * 3, width, height}; }
  MonoBitmap Mono() { return {mono.data(), mono.size(), static_cast<size_t>(width / 8), width, height}; }

  int width;
  int height;
  Bytes page;
  Bytes mono;
};

// The four forms and flags of a panel scan.
struct FormAndFlag {
  PanelForm form;
  bool rotate;
};
constexpr FormAndFlag kFormsAndFlags[] = {{PanelForm::kRunLength, true},
                                          {PanelForm::kRunLength, false},
                                          {PanelForm::kPacked, true},
                                          {PanelForm::kPacked, false}};

// The bytes of one panel (with the run-length closing step), through either scan.
template <typename Scan>
Bytes Encode(Scan scan, uint32_t capacity = kPanelBufferSize, bool* overflow = nullptr) {
  Bytes buffer(kPanelBufferSize + 16, 0xEE);
  PanelOutput out{buffer.data(), 0, capacity, false};
  RunLengthState rle;
  EXPECT_TRUE(scan(out, rle));
  FlushLevelRle(rle, out);
  if (overflow != nullptr) *overflow = out.overflow;
  for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << "written past the output at " << i;
  buffer.resize(out.length);
  return buffer;
}

PrivateDevmode Adjusted() {
  PrivateDevmode settings{};
  settings.ccIntensityB = 10;
  settings.ccContrastB = -30;
  settings.ccIntensityG = -25;
  settings.ccContrastR = 45;
  return settings;
}

TEST(PrepareColourPanels, GivesTheStreamsOfTheSeparateSteps) {
  struct Case {
    const char* what;
    bool portrait;
    Picture picture;
    PrivateDevmode settings;
    LevelSource source;
    bool extract;
  } cases[] = {
      {"landscape noise, extracted", false, Picture::kNoise, PrivateDevmode{}, LevelSource::kComponent, true},
      {"landscape photo, adjusted", false, Picture::kPhoto, Adjusted(), LevelSource::kComponent, false},
      {"portrait photo, extracted", true, Picture::kPhoto, PrivateDevmode{}, LevelSource::kComponent, true},
      {"portrait noise, adjusted", true, Picture::kNoise, Adjusted(), LevelSource::kComponent, false},
      {"landscape grey noise", false, Picture::kNoise, PrivateDevmode{}, LevelSource::kGrey, false},
      {"portrait grey photo, adjusted, extracted", true, Picture::kPhoto, Adjusted(), LevelSource::kGrey, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The separate steps: extraction, preparation, then every scan over the prepared page.
    Side before(c.portrait, c.picture);
    DitherSource beforeRandom(77);
    if (c.extract) {
      ExtractBlack(before.page.data(), before.width * 3, before.mono.data(), before.width / 8, before.width,
                   before.height);
    }
    ASSERT_EQ(PrepareColourPage(before.Page(), c.settings, beforeRandom), 1);

    Side after(c.portrait, c.picture);
    DitherSource afterRandom(77);
    const MonoBitmap black = after.Mono();
    ASSERT_TRUE(PrepareColourPanels(after.Page(), c.settings, afterRandom, c.source, c.extract ? &black : nullptr));
    EXPECT_EQ(after.mono, before.mono);
    // Both took the same draws: the sources go on alike.
    for (int k = 0; k < 40; ++k) ASSERT_EQ(afterRandom.Nibble(), beforeRandom.Nibble());

    const int panels = c.source == LevelSource::kComponent ? 3 : 1;
    for (const FormAndFlag& ff : kFormsAndFlags) {
      for (int panel = 0; panel < panels; ++panel) {
        const ColourScan scan{c.portrait, ff.form, c.source, panel, ff.rotate};
        const Bytes expected =
            Encode([&](PanelOutput& o, RunLengthState& r) { return ScanColourPanel(before.Page(), scan, o, r); });
        const Bytes got =
            Encode([&](PanelOutput& o, RunLengthState& r) { return ScanPanelLevels(after.Page(), scan, o, r); });
        EXPECT_EQ(got, expected) << "panel " << panel << " packed " << (ff.form == PanelForm::kPacked) << " rotate "
                                 << ff.rotate;
      }
    }
  }
}

// Pages whose pixels need many draws, or the numbers of nibbles in every order: the pool's refills fall at every
// place in a row and in the source's blocks of draws. Each seed moves them again.
TEST(PrepareColourPanels, TakesTheDrawsOfThePreparationForEveryPatternOfNeeds) {
  // Byte 0x88 needs a nibble, 0x80 none: pattern k sets which of a pixel's three bytes need one.
  auto needs = [](int x, int y) { return (x * 5 + y * 3 + x / 7) % 8; };
  auto allThree = [](int, int) { return 7; };
  auto longRuns = [](int x, int y) { return (x / 200 + y / 100) % 2 == 0 ? 7 : (x / 50) % 8; };
  struct Case {
    const char* what;
    int (*pattern)(int, int);
  } cases[] = {{"every pattern", +needs}, {"three nibbles a pixel", +allThree}, {"long runs", +longRuns}};
  for (const Case& c : cases) {
    for (const bool portrait : {false, true}) {
      for (const LevelSource source : {LevelSource::kComponent, LevelSource::kGrey}) {
        for (const uint64_t seed : {1u, 5489u, 90210u}) {
          SCOPED_TRACE(testing::Message() << c.what << " portrait " << portrait << " grey "
                                          << (source == LevelSource::kGrey) << " seed " << seed);
          Side before(portrait, Picture::kNoise);
          for (int y = 0; y < before.height; ++y) {
            for (int x = 0; x < before.width; ++x) {
              const int k = c.pattern(x, y);
              uint8_t* p = &before.page[(static_cast<size_t>(y) * before.width + x) * 3];
              for (int b = 0; b < 3; ++b) p[b] = (k >> b) & 1 ? 0x88 : 0x80;
            }
          }
          Side after = before;
          DitherSource beforeRandom(seed);
          DitherSource afterRandom(seed);
          ASSERT_EQ(PrepareColourPage(before.Page(), PrivateDevmode{}, beforeRandom), 1);
          ASSERT_TRUE(PrepareColourPanels(after.Page(), PrivateDevmode{}, afterRandom, source, nullptr));
          for (int k = 0; k < 40; ++k) ASSERT_EQ(afterRandom.Nibble(), beforeRandom.Nibble());
          const int panels = source == LevelSource::kComponent ? 3 : 1;
          for (int panel = 0; panel < panels; ++panel) {
            const ColourScan scan{portrait, PanelForm::kPacked, source, panel, false};
            const Bytes expected =
                Encode([&](PanelOutput& o, RunLengthState& r) { return ScanColourPanel(before.Page(), scan, o, r); });
            const Bytes got =
                Encode([&](PanelOutput& o, RunLengthState& r) { return ScanPanelLevels(after.Page(), scan, o, r); });
            EXPECT_EQ(got, expected) << "panel " << panel;
          }
        }
      }
    }
  }
}

TEST(PrepareColourPanels, AShortOutputStopsWhereTheSeparateScanStops) {
  Side before(false, Picture::kPhoto);
  Side after(false, Picture::kPhoto);
  DitherSource beforeRandom;
  DitherSource afterRandom;
  ASSERT_EQ(PrepareColourPage(before.Page(), PrivateDevmode{}, beforeRandom), 1);
  ASSERT_TRUE(PrepareColourPanels(after.Page(), PrivateDevmode{}, afterRandom, LevelSource::kComponent, nullptr));
  for (const FormAndFlag& ff : kFormsAndFlags) {
    for (const uint32_t capacity : {1000u, 4321u}) {
      const ColourScan scan{false, ff.form, LevelSource::kComponent, 1, ff.rotate};
      bool expectedOverflow = false;
      bool gotOverflow = false;
      const Bytes expected =
          Encode([&](PanelOutput& o, RunLengthState& r) { return ScanColourPanel(before.Page(), scan, o, r); },
                 capacity, &expectedOverflow);
      const Bytes got =
          Encode([&](PanelOutput& o, RunLengthState& r) { return ScanPanelLevels(after.Page(), scan, o, r); }, capacity,
                 &gotOverflow);
      EXPECT_TRUE(gotOverflow);
      EXPECT_EQ(gotOverflow, expectedOverflow);
      EXPECT_EQ(got, expected) << "packed " << (ff.form == PanelForm::kPacked) << " capacity " << capacity;
    }
  }
}

TEST(PrepareColourPanels, RefusesPagesThatAreNoPanelPage) {
  Side side(true, Picture::kNoise);
  const Bytes page = side.page;
  const Bytes mono = side.mono;
  const MonoBitmap black = side.Mono();
  DitherSource random;
  const ColourPage cases[] = {
      {nullptr, 0, 1920, 640, 1024},                              // no bits
      {side.page.data(), side.page.size() - 1, 1920, 640, 1024},  // one byte short
      {side.page.data(), side.page.size(), 1920, 640, 1023},      // one row short of a panel
      {side.page.data(), side.page.size(), 2400, 800, 800},       // another size
  };
  for (const ColourPage& c : cases) {
    EXPECT_FALSE(PrepareColourPanels(c, PrivateDevmode{}, random, LevelSource::kComponent, &black));
    EXPECT_EQ(side.page, page);
    EXPECT_EQ(side.mono, mono);
  }

  // A bitmap of another size is no place for black: the levels are laid out, the bitmap is left alone.
  Bytes small(80 * 100, 0xFF);
  const MonoBitmap other{small.data(), small.size(), 80, 640, 100};
  EXPECT_TRUE(PrepareColourPanels(side.Page(), PrivateDevmode{}, random, LevelSource::kComponent, &other));
  EXPECT_EQ(small, Bytes(80 * 100, 0xFF));
  EXPECT_NE(side.page, page);

  // The scans refuse what ScanColourPanel refuses.
  Bytes buffer(kPanelBufferSize);
  PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
  RunLengthState rle;
  EXPECT_FALSE(ScanPanelLevels(side.Page(), {false, PanelForm::kPacked, LevelSource::kGrey, 0, true}, out, rle));
  EXPECT_FALSE(ScanPanelLevels(side.Page(), {true, PanelForm::kPacked, LevelSource::kComponent, 3, true}, out, rle));
  EXPECT_EQ(out.length, 0u);
}

}  // namespace
}  // namespace tolma
