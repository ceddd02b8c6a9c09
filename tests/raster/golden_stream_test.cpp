// Golden streams: varied cards printed through the driver must give, byte for byte, the streams recorded
// before the imaging code was reworked for speed (held here as sizes and hashes).
#include "tests/support/print_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tolma {
namespace {

using test::JobSettings;

// A small portable generator, so the pictures are the same with every standard library.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : s_(seed) {}
  uint32_t Next() {
    s_ = s_ * 1664525u + 1013904223u;
    return s_ >> 8;
  }

 private:
  uint32_t s_;
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (const uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
  return h;
}

// What is drawn on a page. Pictures go through DrvCopyBits, rectangles through DrvBitBlt and text through
// DrvTextOut, so the drawing hooks decide what lands on the card page and what on the monochrome bitmap.
enum class Page {
  kPhoto,      // gradients with noise, flat white areas, a pure-black band, black and coloured text
  kNoise,      // every byte random
  kText,       // a white card with black text and black and grey rectangles
  kBars,       // black bars of several widths across both directions (bar-code thinning)
  kDarkTones,  // a dark grey ramp with light stripes (the diffusion's stretch and edge rules)
  kMonoDrawn   // text on the card page, black shapes straight in the monochrome bitmap
};

void DrawPicture(host::EngineDevice& dev, const std::vector<uint8_t>& bgr) {
  ASSERT_TRUE(
      dev.DrawImage(bgr.data(), dev.width(), dev.height(), dev.width() * 3, RECTL{0, 0, dev.width(), dev.height()}));
}

void Draw(host::EngineDevice& dev, HSURF mono, Page page, uint32_t seed) {
  const LONG w = dev.width();
  const LONG h = dev.height();
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  Lcg random(seed);
  auto at = [&](LONG x, LONG y) { return &bgr[(static_cast<size_t>(y) * w + x) * 3]; };
  switch (page) {
    case Page::kPhoto:
      for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
          const int noise = static_cast<int>(random.Next() % 9) - 4;
          uint8_t* p = at(x, y);
          const bool flat = (x / 96 + y / 80) % 5 == 0;
          p[0] = flat ? 255 : static_cast<uint8_t>(std::clamp(x * 255 / w + noise, 0, 255));
          p[1] = flat ? 255 : static_cast<uint8_t>(std::clamp(y * 255 / h + noise, 0, 255));
          p[2] = flat ? 255 : static_cast<uint8_t>(std::clamp(255 - (x + y) / 7 + noise, 0, 255));
          if (y > 40 && y < 70 && x > 60 && x < w - 60) p[0] = p[1] = p[2] = 0;
        }
      }
      DrawPicture(dev, bgr);
      ASSERT_TRUE(dev.DrawText(u"CARD HOLDER 0123", {80, 200}, 0x000000));
      ASSERT_TRUE(dev.DrawText(u"Blue note", {80, 300}, 0x2040C0));
      ASSERT_TRUE(dev.FillRect({w - 200, h - 120, w - 40, h - 60}, 0x000000));
      break;
    case Page::kNoise:
      for (uint8_t& b : bgr) b = static_cast<uint8_t>(random.Next());
      DrawPicture(dev, bgr);
      break;
    case Page::kText:
      ASSERT_TRUE(dev.DrawText(u"ID 4711 TOLMA", {40, 60}, 0x000000));
      ASSERT_TRUE(dev.DrawText(u"[[ escape [ bytes ]]", {40, 140}, 0x000000, 20, 30));
      ASSERT_TRUE(dev.FillRect({300, 300, 420, 360}, 0x000000));
      ASSERT_TRUE(dev.FillRect({100, 400, 300, 420}, 0x808080));
      ASSERT_TRUE(dev.FillRect({500, 500, 501, 600}, 0x000000));
      break;
    case Page::kBars:
      std::fill(bgr.begin(), bgr.end(), uint8_t{255});
      for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
          const bool verticalBar = y > h / 8 && y < h / 2 && (x % 23) < 1 + (x / 23) % 6;
          const bool horizontalBar = y >= h / 2 && x > w / 8 && x < w - 40 && (y % 19) < 1 + (y / 19) % 5;
          if (verticalBar || horizontalBar)
            std::fill(at(x, y), at(x, y) + 3, static_cast<uint8_t>(random.Next() % 4 == 0 ? 6 : 0));
        }
      }
      DrawPicture(dev, bgr);
      break;
    case Page::kDarkTones:
      for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
          const bool stripe = (x / 40) % 4 == 3;
          const auto v = static_cast<uint8_t>(stripe ? 200 + random.Next() % 56 : 10 + x * 90 / w + y % 7);
          std::fill(at(x, y), at(x, y) + 3, v);
        }
      }
      DrawPicture(dev, bgr);
      break;
    case Page::kMonoDrawn:
      ASSERT_TRUE(dev.DrawText(u"ON THE CARD PAGE", {40, 60}, 0x000000));
      for (LONG y = 100; y < h - 100; ++y) {
        for (LONG x = 50; x < w - 50; ++x) {
          const bool ring = std::abs((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) - 150 * 150) < 1500;
          if (ring || (x % 37 == 0 && y % 3 != 0) || random.Next() % 97 == 0) host::WritePixel(mono, x, y, 0);
        }
      }
      break;
  }
}

// One printed job: the printer's ribbon code in the cache, the job's settings and what each page carries.
struct GoldenCase {
  const char* name;
  int ribbonCode;  // 2 YMCKO, 5 YMCKOK, 7 K resin, 16 KdO, 28 Kd
  void (*settings)(JobSettings&);
  std::vector<Page> pages;
};

// The stream of a case as printed before the rework: its size and its 64-bit FNV-1a hash.
struct Recorded {
  const char* name;
  size_t size;
  uint64_t hash;
};

void Portrait(JobSettings& job) { job.orientation = DMORIENT_PORTRAIT; }

const GoldenCase kCases[] = {
    // Colour ribbons: run-length and packed, both orientations, both rotations, black extraction.
    {"ymcko landscape extracted", 2, [](JobSettings& j) { j.priv.blackPanelUse = 1; }, {Page::kPhoto}},
    {"ymcko landscape text to resin", 2, [](JobSettings& j) { j.priv.blackPanelUse = 2; }, {Page::kPhoto}},
    {"ymcko landscape rotated packed",
     2,
     [](JobSettings& j) {
       j.priv.rotate180 = 1;
       j.priv.packedPanels = 1;
       j.priv.blackPanelUse = 1;
     },
     {Page::kPhoto}},
    {"ymcko landscape packed", 2, [](JobSettings& j) { j.priv.packedPanels = 1; }, {Page::kPhoto}},
    {"ymcko landscape rotated", 2, [](JobSettings& j) { j.priv.rotate180 = 1; }, {Page::kPhoto}},
    {"ymcko portrait extracted",
     2,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.blackPanelUse = 1;
     },
     {Page::kPhoto}},
    {"ymcko portrait rotated adjusted",
     2,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.rotate180 = 1;
       j.priv.ccIntensityR = 12;
       j.priv.ccContrastR = -35;
       j.priv.ccIntensityG = -20;
       j.priv.ccContrastG = 40;
       j.priv.ccContrastB = -100;
     },
     {Page::kPhoto}},
    {"ymcko portrait packed",
     2,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.packedPanels = 1;
       j.priv.ccIntensityB = 100;
       j.priv.ccContrastG = 100;
     },
     {Page::kPhoto}},
    {"ymcko portrait rotated packed",
     2,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.rotate180 = 3;
       j.priv.packedPanels = 1;
       j.priv.blackPanelUse = 1;
     },
     {Page::kNoise}},
    {"ymcko noise", 2, [](JobSettings& j) { j.priv.blackPanelUse = 1; }, {Page::kNoise}},
    {"ymcko text", 2, [](JobSettings& j) { j.priv.blackPanelUse = 2; }, {Page::kText}},
    {"ymcko text extracted packed",
     2,
     [](JobSettings& j) {
       j.priv.blackPanelUse = 1;
       j.priv.packedPanels = 1;
     },
     {Page::kText}},
    // Two-sided: colour on both sides, and a back converted for the resin panel.
    {"ymcko two-sided both colour",
     2,
     [](JobSettings& j) {
       j.priv.printBothSides = 1;
       j.priv.twoSidedMode = 1;
       j.priv.rotate180 = 2;
       j.priv.blackPanelUse = 1;
     },
     {Page::kPhoto, Page::kText}},
    {"ymcko two-sided back in black",
     2,
     [](JobSettings& j) {
       j.priv.printBothSides = 1;
       j.priv.twoSidedMode = 0;
       j.priv.monoConversion = 0;
     },
     {Page::kPhoto, Page::kPhoto}},
    {"ymckok two-sided mode 3 barcode back",
     5,
     [](JobSettings& j) {
       j.priv.printBothSides = 1;
       j.priv.twoSidedMode = 3;
       j.priv.monoConversion = 2;
       j.copies = 2;
     },
     {Page::kPhoto, Page::kBars}},
    // Resin ribbons: every monochrome conversion, both orientations, black adjustments.
    {"resin diffusion", 7, [](JobSettings&) {}, {Page::kPhoto}},
    {"resin diffusion rotated adjusted",
     7,
     [](JobSettings& j) {
       j.priv.rotate180 = 1;
       j.priv.ccIntensityK = -15;
       j.priv.ccContrastK = 30;
     },
     {Page::kPhoto}},
    {"resin diffusion portrait dark",
     7,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.ccContrastK = -40;
     },
     {Page::kDarkTones}},
    {"resin diffusion noise packed", 7, [](JobSettings& j) { j.priv.packedPanels = 1; }, {Page::kNoise}},
    {"resin halftone", 7, [](JobSettings& j) { j.priv.monoConversion = 1; }, {Page::kPhoto}},
    {"resin halftone portrait rotated",
     7,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.rotate180 = 1;
       j.priv.monoConversion = 1;
     },
     {Page::kDarkTones}},
    {"resin barcode", 7, [](JobSettings& j) { j.priv.monoConversion = 2; }, {Page::kBars}},
    {"resin barcode portrait",
     7,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.monoConversion = 2;
       j.priv.ccIntensityK = 2;  // the bars' dark grey (6) turns white, pure black stays
     },
     {Page::kBars}},
    {"resin enhanced packed",
     7,
     [](JobSettings& j) {
       j.priv.monoConversion = 3;
       j.priv.packedPanels = 1;
     },
     {Page::kBars}},
    {"resin no conversion", 7, [](JobSettings& j) { j.priv.monoConversion = 4; }, {Page::kMonoDrawn}},
    {"resin barcode portrait drawn",
     7,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.monoConversion = 2;
     },
     {Page::kMonoDrawn}},
    {"ymcko portrait drawn black",
     2,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.blackPanelUse = 1;
       j.priv.rotate180 = 1;
     },
     {Page::kMonoDrawn}},
    // Dye-black ribbons: the grey scans.
    {"kd landscape", 28, [](JobSettings&) {}, {Page::kPhoto}},
    {"kd landscape rotated packed",
     28,
     [](JobSettings& j) {
       j.priv.rotate180 = 1;
       j.priv.packedPanels = 1;
     },
     {Page::kNoise}},
    {"kdo portrait rotated",
     16,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.rotate180 = 1;
     },
     {Page::kPhoto}},
    {"kdo portrait packed",
     16,
     [](JobSettings& j) {
       Portrait(j);
       j.priv.packedPanels = 1;
     },
     {Page::kDarkTones}},
};

const Recorded kRecorded[] = {
    {"ymcko landscape extracted", 818460, 0x15b63d0fbe5fb2cull},
    {"ymcko landscape text to resin", 802559, 0x1f938ae1e4b76d49ull},
    {"ymcko landscape rotated packed", 1409252, 0xd17107893599ae5full},
    {"ymcko landscape packed", 1409252, 0xa8b95fc5b7eafb80ull},
    {"ymcko landscape rotated", 802559, 0x11263b18cda4c0bbull},
    {"ymcko portrait extracted", 805761, 0x8e26bc24a2c369d5ull},
    {"ymcko portrait rotated adjusted", 633197, 0x1e4045d1002dfd2eull},
    {"ymcko portrait packed", 1409252, 0x6e4f3d768c861110ull},
    {"ymcko portrait rotated packed", 1327309, 0x533e8149dd533368ull},
    {"ymcko noise", 1916417, 0x2916134a7f069807ull},
    {"ymcko text", 38692, 0xadd2624a64b9dc6ull},
    {"ymcko text extracted packed", 1409252, 0xbf058cd3b7e10b96ull},
    {"ymcko two-sided both colour", 857091, 0x9c8938ddc0bfca72ull},
    {"ymcko two-sided back in black", 865682, 0xe26f61ec851ab7c8ull},
    {"ymckok two-sided mode 3 barcode back", 840907, 0x6de65ed72311f3f5ull},
    {"resin diffusion", 73242, 0x5e1b5ecf3fa9f66cull},
    {"resin diffusion rotated adjusted", 73485, 0x2a9098f311b151e9ull},
    {"resin diffusion portrait dark", 71268, 0xc122d61f65e76147ull},
    {"resin diffusion noise packed", 82024, 0x6067a4426aef88a9ull},
    {"resin halftone", 24990, 0xed8a0cdecc01912bull},
    {"resin halftone portrait rotated", 31594, 0x64fc49e15888c0f8ull},
    {"resin barcode", 38333, 0x7c7da03d57e7b356ull},
    {"resin barcode portrait", 40482, 0xc74eedcaffd0f197ull},
    {"resin enhanced packed", 81985, 0xec8fff75d4a0cbdcull},
    {"resin no conversion", 18382, 0xac3d78b683d3f37dull},
    {"resin barcode portrait drawn", 1419, 0xb4e61b9a4edb7173ull},
    {"ymcko portrait drawn black", 71629, 0xe4302f2d3ac54e25ull},
    {"kd landscape", 353969, 0xba1ceeef4a9e470ull},
    {"kd landscape rotated packed", 442445, 0x7b843e7d53db2753ull},
    {"kdo portrait rotated", 353617, 0xffcb1c4d8f9fd770ull},
    {"kdo portrait packed", 442463, 0x8021057ce5d02ad0ull},
};

const Recorded* RecordedFor(const char* name) {
  for (const Recorded& r : kRecorded) {
    if (std::string_view(r.name) == name) return &r;
  }
  return nullptr;
}

class GoldenStreamTest : public test::PrintTest {};

TEST_F(GoldenStreamTest, VariedCardsGiveTheRecordedStreams) {
  for (const GoldenCase& c : kCases) {
    SCOPED_TRACE(c.name);
    host::ClearWritten(printer_);
    SetCache(c.ribbonCode);
    JobSettings job;
    c.settings(job);
    host::EngineDevice& dev = Open(job);
    ASSERT_TRUE(dev.StartDoc(u"Golden"));
    uint32_t seed = 1;
    for (const Page page : c.pages) {
      ASSERT_TRUE(dev.StartPage());
      Draw(dev, MonoSurface(), page, seed++);
      ASSERT_TRUE(dev.SendPage());
    }
    ASSERT_TRUE(dev.EndDoc());

    const std::vector<uint8_t> stream = Stream();
    EXPECT_TRUE(Parsed().errors.empty());
    const uint64_t hash = Fnv1a(stream);
    const Recorded* recorded = RecordedFor(c.name);
    EXPECT_TRUE(recorded != nullptr && stream.size() == recorded->size && hash == recorded->hash)
        << "now: {\"" << c.name << "\", " << stream.size() << ", 0x" << std::hex << hash << "ull},";
  }
}

}  // namespace
}  // namespace tolma
