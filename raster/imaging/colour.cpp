// Colour separation: adjustment and 16-level dithering of the card page, and the continuous-tone panel scans.
#include "raster/imaging/colour.h"

#include "raster/imaging/panel_encoding.h"
#include "raster/imaging/power.h"

#include <algorithm>

namespace tolma {
namespace {

constexpr uint8_t kPageMask = 0xF0;
constexpr uint8_t kPageKeep = 1;

DitherStep ClassifyLevel(uint8_t level, uint8_t mask, uint8_t keep) {
  const unsigned step = 256u - mask;
  const auto high = static_cast<uint8_t>(level & mask);
  const auto low = static_cast<uint8_t>(level & ~mask);
  if (high == mask) return {mask, 0};                                               // the top level never goes up
  if (low <= keep) return {high, 0};                                                // at (or next to) the grid point
  if (unsigned{low} + keep >= step) return {static_cast<uint8_t>(high + step), 0};  // next to the grid above
  return {high, low};
}

}  // namespace

DitherDraws DitherSource::StartPass() {
  const std::span<const uint64_t> ahead = engine_.Ahead();
  return {pool_, left_, ahead.data(), ahead.data(), ahead.data() + ahead.size()};
}

DitherDraws DitherSource::MoreDraws(DitherDraws draws) {
  EndPass(draws);
  return StartPass();
}

void DitherSource::EndPass(DitherDraws draws) {
  engine_.Took(static_cast<size_t>(draws.next - draws.first));
  pool_ = draws.pool;
  left_ = draws.left;
}

uint8_t AdjustLevel(int level, int intensity, int contrast) {
  int v = std::clamp(level, 0, 255);
  const int i = std::clamp(intensity, -100, 100);
  const int c = std::clamp(contrast, -100, 100);
  if (i == 0 && c == 0) return static_cast<uint8_t>(v);

  if (i != 0) v = std::clamp(v + i * 255 / 100, 0, 255);
  if (c == 0) return static_cast<uint8_t>(v);

  // Power curves over v / 255.5: positive contrast lifts the mid-tones, negative contrast darkens them.
  if (c > 0) {
    const int e = 255 - c * 180 / 100;
    return static_cast<uint8_t>(static_cast<int>(Power(v / 255.5, e / 255.0) * 255.0));
  }
  if (c == -100) return 0;
  const int e = c * 255 / 100 + 255;
  return static_cast<uint8_t>(static_cast<int>(Power(v / 255.5, 255.0 / e) * 255.0));
}

std::array<uint8_t, 256> BuildAdjustTable(int intensity, int contrast) {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) table[static_cast<size_t>(v)] = AdjustLevel(v, intensity, contrast);
  return table;
}

std::array<DitherTable, 3> BuildDitherTables(const PrivateDevmode& settings) {
  const std::array<uint8_t, 256> adjust[3] = {
      BuildAdjustTable(settings.ccIntensityB, settings.ccContrastB),
      BuildAdjustTable(settings.ccIntensityG, settings.ccContrastG),
      BuildAdjustTable(settings.ccIntensityR, settings.ccContrastR),
  };
  std::array<DitherTable, 3> tables{};
  for (size_t c = 0; c < 3; ++c) {
    for (size_t v = 0; v < 256; ++v) tables[c][v] = ClassifyLevel(adjust[c][v], kPageMask, kPageKeep);
  }
  return tables;
}

uint8_t QuantizeLevel(uint8_t level, uint8_t mask, uint8_t keep, DitherSource& random) {
  const DitherStep entry = ClassifyLevel(level, mask, keep);
  if (entry.chance == 0) return entry.base;
  const unsigned step = 256u - mask;
  return entry.chance > random.Below(step) ? static_cast<uint8_t>(entry.base + step) : entry.base;
}

int PrepareColourPage(const ColourPage& page, const PrivateDevmode& settings, DitherSource& random) {
  if (!page.IsValid()) return 0;

  // Adjustment and quantisation of each byte value, per colour: blue, green, red as they lie in a pixel.
  const std::array<DitherTable, 3> table = BuildDitherTables(settings);

  // One pass in memory order. Random nibbles are taken from the source's pool only for bytes between two grid
  // points, and a new pool is drawn only when a pixel needs more nibbles than are left (the few left over are
  // dropped).
  DitherDraws draws = random.StartPass();
  for (int y = 0; y < page.height; ++y) {
    uint8_t* p = page.Row(y);
    uint8_t* const end = p + static_cast<size_t>(page.width) * 3;
    for (; p != end; p += 3) {
      const DitherStep b = table[0][p[0]];
      const DitherStep g = table[1][p[1]];
      const DitherStep r = table[2][p[2]];
      const int needB = b.chance != 0;
      const int needG = g.chance != 0;
      const int needR = r.chance != 0;
      const int need = needB + needG + needR;
      const uint32_t nibbles = TakeNibbles(draws, need, random);
      // A byte with no chance compares false whatever nibble it sees.
      const auto nibbleG = static_cast<uint8_t>((nibbles >> (4 * needB)) & 15u);
      const auto nibbleR = static_cast<uint8_t>((nibbles >> (4 * (needB + needG))) & 15u);
      p[0] = static_cast<uint8_t>(b.base + ((b.chance > (nibbles & 15u)) << 4));
      p[1] = static_cast<uint8_t>(g.base + ((g.chance > nibbleG) << 4));
      p[2] = static_cast<uint8_t>(r.base + ((r.chance > nibbleR) << 4));
    }
  }
  random.EndPass(draws);
  return 1;
}

namespace {

// The printer's line orders, per orientation, form and flag.
constexpr ScanOrder kScanOrders[] = {
    // portrait: rows of 640
    {true, PanelForm::kRunLength, true, false, false, +1, 0, 0, +1},
    {true, PanelForm::kRunLength, false, true, true, -1, 0, 0, -1},
    {true, PanelForm::kPacked, true, false, true, +1, 0, 0, -1},
    {true, PanelForm::kPacked, false, true, false, -1, 0, 0, +1},
    // landscape: columns of 640
    {false, PanelForm::kRunLength, true, false, true, 0, -1, +1, 0},
    {false, PanelForm::kRunLength, false, true, false, 0, +1, -1, 0},
    {false, PanelForm::kPacked, true, true, true, 0, -1, -1, 0},
    {false, PanelForm::kPacked, false, false, false, 0, +1, +1, 0},
};

// The walk itself, one instance per level source and form; it reads only the 640 x 1024 pixels of the page.
template <LevelSource kSource, PanelForm kForm>
void WalkPanel(const uint8_t* bits, size_t start, ptrdiff_t along, ptrdiff_t nextLine, PanelOutput& sink,
               RunLengthState& sinkRle) {
  // The encoder states are worked on in locals, which the output bytes cannot alias, and stored back at the end.
  PanelOutput out = sink;
  RunLengthState rle = sinkRle;
  auto lineStart = static_cast<ptrdiff_t>(start);
  PackedLineState pack;
  uint8_t levels[kPanelDots];  // one line of run-length levels, encoded a whole run at a time
  for (int line = 0; line < kPanelLines; ++line, lineStart += nextLine) {
    ptrdiff_t at = lineStart;
    for (int dot = 0; dot < kPanelDots; ++dot, at += along) {
      const uint8_t* p = bits + at;
      if constexpr (kSource == LevelSource::kComponent) {
        if constexpr (kForm == PanelForm::kPacked) {
          PackLevel(pack, static_cast<uint8_t>(255 - *p), out);
        } else {
          levels[dot] = static_cast<uint8_t>((*p >> 3) ^ 31);
        }
      } else {
        const int darkness = GreyDarkness(p[0], p[1], p[2]);
        if constexpr (kForm == PanelForm::kPacked) {
          PackLevel(pack, static_cast<uint8_t>(darkness), out);
        } else {
          levels[dot] = static_cast<uint8_t>(darkness >> 3);
        }
      }
    }
    if constexpr (kForm == PanelForm::kPacked) {
      EndPackedLine(pack, out);
    } else {
      PutLevelsRle(rle, levels, out);
    }
  }
  sink = out;
  sinkRle = rle;
}

}  // namespace

const ScanOrder& ScanOrderOf(const ColourScan& scan) {
  for (const ScanOrder& order : kScanOrders) {
    if (order.portrait == scan.portrait && order.form == scan.form && order.rotate == scan.rotate) return order;
  }
  return kScanOrders[0];  // not reached: the table covers every combination
}

bool ScanFitsPage(const ColourPage& page, const ColourScan& scan) {
  if (!page.IsValid()) return false;
  if (scan.source == LevelSource::kComponent && (scan.component < 0 || scan.component > 2)) return false;
  return scan.portrait ? (page.width == kPanelDots && page.height == kPanelLines)
                       : (page.width == kPanelLines && page.height == kPanelDots);
}

size_t ColourScanStartOffset(const ColourPage& page, const ColourScan& scan) {
  if (page.width <= 0 || page.height <= 0) return 0;
  const ScanOrder& order = ScanOrderOf(scan);
  const size_t x = order.startAtLastColumn ? static_cast<size_t>(page.width - 1) : 0;
  const size_t y = order.startAtLastRow ? static_cast<size_t>(page.height - 1) : 0;
  const size_t c = scan.source == LevelSource::kComponent ? static_cast<size_t>(scan.component) : 0;
  return y * page.stride + x * 3 + c;
}

bool ScanColourPanel(const ColourPage& page, const ColourScan& scan, PanelOutput& out, RunLengthState& rle) {
  if (!ScanFitsPage(page, scan)) return false;
  const ScanOrder& order = ScanOrderOf(scan);
  const auto stride = static_cast<ptrdiff_t>(page.stride);
  const ptrdiff_t along = order.alongX * 3 + order.alongY * stride;
  const ptrdiff_t nextLine = order.lineX * 3 + order.lineY * stride;
  const size_t start = ColourScanStartOffset(page, scan);

  const bool grey = scan.source == LevelSource::kGrey;
  if (scan.form == PanelForm::kPacked) {
    if (grey) {
      WalkPanel<LevelSource::kGrey, PanelForm::kPacked>(page.bits, start, along, nextLine, out, rle);
    } else {
      WalkPanel<LevelSource::kComponent, PanelForm::kPacked>(page.bits, start, along, nextLine, out, rle);
    }
  } else {
    if (grey) {
      WalkPanel<LevelSource::kGrey, PanelForm::kRunLength>(page.bits, start, along, nextLine, out, rle);
    } else {
      WalkPanel<LevelSource::kComponent, PanelForm::kRunLength>(page.bits, start, along, nextLine, out, rle);
    }
  }
  return true;
}

bool ScanComponentRowsPacked(const ColourPage& page, int component, bool rotate, PanelOutput& out) {
  RunLengthState unused;
  return ScanColourPanel(page, {true, PanelForm::kPacked, LevelSource::kComponent, component, rotate}, out, unused);
}

bool ScanComponentRowsRle(const ColourPage& page, int component, bool rotate, PanelOutput& out, RunLengthState& rle) {
  return ScanColourPanel(page, {true, PanelForm::kRunLength, LevelSource::kComponent, component, rotate}, out, rle);
}

bool ScanGrayRowsPacked(const ColourPage& page, bool rotate, PanelOutput& out) {
  RunLengthState unused;
  return ScanColourPanel(page, {true, PanelForm::kPacked, LevelSource::kGrey, 0, rotate}, out, unused);
}

bool ScanGrayRowsRle(const ColourPage& page, bool rotate, PanelOutput& out, RunLengthState& rle) {
  return ScanColourPanel(page, {true, PanelForm::kRunLength, LevelSource::kGrey, 0, rotate}, out, rle);
}

bool ScanComponentColumnsPacked(const ColourPage& page, int component, bool rotate, PanelOutput& out) {
  RunLengthState unused;
  return ScanColourPanel(page, {false, PanelForm::kPacked, LevelSource::kComponent, component, rotate}, out, unused);
}

bool ScanComponentColumnsRle(const ColourPage& page, int component, bool rotate, PanelOutput& out,
                             RunLengthState& rle) {
  return ScanColourPanel(page, {false, PanelForm::kRunLength, LevelSource::kComponent, component, rotate}, out, rle);
}

bool ScanGrayColumnsPacked(const ColourPage& page, bool rotate, PanelOutput& out) {
  RunLengthState unused;
  return ScanColourPanel(page, {false, PanelForm::kPacked, LevelSource::kGrey, 0, rotate}, out, unused);
}

bool ScanGrayColumnsRle(const ColourPage& page, bool rotate, PanelOutput& out, RunLengthState& rle) {
  return ScanColourPanel(page, {false, PanelForm::kRunLength, LevelSource::kGrey, 0, rotate}, out, rle);
}

}  // namespace tolma
