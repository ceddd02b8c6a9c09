// The colour pass of a side: preparation and level layout in one pass over the page, and the panel scans over the
// laid-out levels.
#include "raster/imaging/colour_panels.h"

#include "raster/imaging/black_extraction.h"
#include "raster/imaging/panel_encoding.h"

#include <array>
#include <bit>
#include <cstring>
#include <span>

namespace tolma {
namespace {

static_assert(std::endian::native == std::endian::little, "the column gather reads level bytes as words");

// A pixel's three colours are worked on together in one 64-bit word, a lane of 20 bits for each (blue from bit 0,
// green from bit 20, red from bit 40): its chance of a raise in lane bits 0..3 (0 when the byte needs no random
// draw) and its value when not raised in bits 8..12. For the component source the value is the panel level, which
// a raise by one grid step lowers by 2; for the grey source it is the grid index (the prepared byte / 16), which a
// raise increases by 1. Bits 60, 61 and 62 say which colours need a draw. The lanes are wide enough that lane
// arithmetic never carries from one into the next.
constexpr int kLaneBits = 20;
constexpr uint64_t kLanes = 1 | uint64_t{1} << kLaneBits | uint64_t{1} << (2 * kLaneBits);  // bit 0 of each lane
constexpr int kNeedShift = 60;

using PixelTable = std::array<uint64_t, 256>;

// The lane word of every byte value of each colour, for the settings' adjustments and the level source.
std::array<PixelTable, 3> BuildPixelTables(const PrivateDevmode& settings, LevelSource source) {
  const std::array<DitherTable, 3> dither = BuildDitherTables(settings);
  std::array<PixelTable, 3> tables{};
  for (size_t c = 0; c < 3; ++c) {
    for (size_t v = 0; v < 256; ++v) {
      const DitherStep step = dither[c][v];
      const uint64_t value = source == LevelSource::kComponent ? ComponentLevel(step.base) : step.base / 16;
      const uint64_t need = step.chance != 0 ? 1 : 0;
      tables[c][v] = ((value << 8 | step.chance) << (kLaneBits * c)) | need << (kNeedShift + c);
    }
  }
  return tables;
}

// Per pattern of the colours that need a draw (bit 0 blue, 1 green, 2 red): how many nibbles the pixel takes, and
// the multiplier that copies the pool's next nibbles into the lanes of the colours in turn (blue takes the first,
// green the one after blue's, red the one after those of blue and green). A colour without a draw gets a nibble
// too, which its chance 0 makes harmless.
struct NibblePlan {
  int need;
  uint64_t spread;
};
constexpr std::array<NibblePlan, 8> MakeNibblePlans() {
  std::array<NibblePlan, 8> plans{};
  for (int k = 0; k < 8; ++k) {
    const int blue = k & 1;
    const int green = (k >> 1) & 1;
    const int red = (k >> 2) & 1;
    // The 12-bit window times the multiplier: copies at 0, 20 - 4 x blue and 40 - 4 x (blue + green), which do
    // not overlap, so nibble `blue` lands in lane 1 and nibble `blue + green` in lane 2.
    plans[static_cast<size_t>(k)] = {blue + green + red, 1 | uint64_t{1} << (kLaneBits - 4 * blue) |
                                                             uint64_t{1} << (2 * kLaneBits - 4 * (blue + green))};
  }
  return plans;
}
constexpr std::array<NibblePlan, 8> kNibblePlans = MakeNibblePlans();

// Dye-black levels of the prepared colours, indexed by the grid indexes: blue + 16 x green + 256 x red.
constexpr std::array<uint8_t, 4096> MakeGreyLevels() {
  std::array<uint8_t, 4096> levels{};
  for (int i = 0; i < 4096; ++i) {
    levels[static_cast<size_t>(i)] =
        GreyLevel(static_cast<uint8_t>((i & 15) * 16), static_cast<uint8_t>(((i >> 4) & 15) * 16),
                  static_cast<uint8_t>((i >> 8) * 16));
  }
  return levels;
}
constexpr std::array<uint8_t, 4096> kGreyLevels = MakeGreyLevels();

bool IsPanelPage(const ColourPage& page) {
  return page.IsValid() && ((page.width == kPanelDots && page.height == kPanelLines) ||
                            (page.width == kPanelLines && page.height == kPanelDots));
}

// The row buffer of a pixel's levels: the Y, M and C levels (or the Kd levels) of a row, each at this distance.
constexpr size_t kPlaneStride = kPanelLines;

// The levels of one row's pixels, quantised with the same draws, in the same order, as PrepareColourPage makes
// them: into `planes`, the Y, M and C levels kPlaneStride apart for the component source, the Kd levels for the
// grey source.
template <LevelSource kSource>
void LevelsOfRow(const uint8_t* row, int width, const std::array<PixelTable, 3>& table, DitherSource& random,
                 DitherDraws& rowDraws, uint8_t* planes) {
  DitherDraws draws = rowDraws;  // in locals, which the level writes cannot alias
  const uint8_t* p = row;
  for (int x = 0; x < width; ++x, p += 3) {
    const uint64_t pixel = table[0][p[0]] + table[1][p[1]] + table[2][p[2]];
    const NibblePlan plan = kNibblePlans[pixel >> kNeedShift];
    // Each colour's nibble into its lane; a lane's chance + 15 - nibble reaches 16 (bit 4) when the chance is
    // above the nibble: the byte is raised.
    const uint64_t nibbles = (TakeNibbles(draws, plan.need, random) * plan.spread) & (15 * kLanes);
    const uint64_t raised = (((pixel & (15 * kLanes)) + 15 * kLanes - nibbles) >> 4) & kLanes;
    const uint64_t values = (pixel >> 8) & (31 * kLanes);
    if constexpr (kSource == LevelSource::kComponent) {
      const uint64_t levels = values - 2 * raised;
      planes[x] = static_cast<uint8_t>(levels);
      planes[kPlaneStride + x] = static_cast<uint8_t>(levels >> kLaneBits);
      planes[2 * kPlaneStride + x] = static_cast<uint8_t>(levels >> (2 * kLaneBits));
    } else {
      const uint64_t grid = values + raised;
      planes[x] =
          kGreyLevels[(grid & 15) | ((grid >> (kLaneBits - 4)) & 0xF0) | ((grid >> (2 * kLaneBits - 8)) & 0xF00)];
    }
  }
  rowDraws = draws;
}

// Swaps, between words a and b, the `bits`-wide fields that `keep` does not select in a and selects in b: one step
// of a block transpose.
inline void SwapFields(uint64_t& a, uint64_t& b, int bits, uint64_t keep) {
  const uint64_t t = ((a >> bits) ^ b) & keep;
  b ^= t;
  a ^= t << bits;
}

// Transposes an 8 x 8 block of bytes: on return, byte i of word j is what byte j of word i was. The off-diagonal
// halves of the 2 x 2, 4 x 4 and 8 x 8 blocks are swapped in turn.
void TransposeBytes(std::array<uint64_t, 8>& w) {
  constexpr uint64_t kBytes = 0x00FF00FF00FF00FFull;
  constexpr uint64_t kPairs = 0x0000FFFF0000FFFFull;
  constexpr uint64_t kQuads = 0x00000000FFFFFFFFull;
  SwapFields(w[0], w[1], 8, kBytes);
  SwapFields(w[2], w[3], 8, kBytes);
  SwapFields(w[4], w[5], 8, kBytes);
  SwapFields(w[6], w[7], 8, kBytes);
  SwapFields(w[0], w[2], 16, kPairs);
  SwapFields(w[1], w[3], 16, kPairs);
  SwapFields(w[4], w[6], 16, kPairs);
  SwapFields(w[5], w[7], 16, kPairs);
  SwapFields(w[0], w[4], 32, kQuads);
  SwapFields(w[1], w[5], 32, kQuads);
  SwapFields(w[2], w[6], 32, kQuads);
  SwapFields(w[3], w[7], 32, kQuads);
}

constexpr int kColumnGroup = 8;  // landscape lines gathered at a time

// The 8 landscape lines `first` .. `first` + 7 (page columns) of one plane, each in its dot order, into `lines`
// (640 levels a line). The columns are read 8 rows at a time and turned with one block transpose.
void GatherColumnLines(const ColourPage& page, size_t plane, const ScanOrder& order, int first,
                       std::span<uint8_t, kColumnGroup * kPanelDots> lines) {
  // The group's columns are x0 .. x0 + 7, lines running along rising or falling columns; the rows are read in dot
  // order, so that each transposed word holds 8 dots of one line in order.
  const int x0 = order.lineX > 0 ? first : kPanelLines - kColumnGroup - first;
  const auto stride = static_cast<ptrdiff_t>(page.stride);
  const ptrdiff_t rowStep = order.alongY > 0 ? stride : -stride;
  const uint8_t* const firstDot = page.Row(order.alongY > 0 ? 0 : kPanelDots - 1) + plane + x0;
  uint8_t* const line0 = lines.data() + (order.lineX > 0 ? 0 : 7 * kPanelDots);
  const ptrdiff_t lineStep = order.lineX > 0 ? kPanelDots : -kPanelDots;
  for (int dot = 0; dot < kPanelDots; dot += 8) {
    std::array<uint64_t, 8> block;
    const uint8_t* row = firstDot + dot * rowStep;
    for (size_t i = 0; i < 8; ++i, row += rowStep) std::memcpy(&block[i], row, sizeof(uint64_t));
    TransposeBytes(block);
    uint8_t* line = line0 + dot;
    for (size_t j = 0; j < 8; ++j, line += lineStep) std::memcpy(line, &block[j], sizeof(uint64_t));
  }
}

// Encodes whole lines of levels in the scan's form.
void EncodeLines(PanelForm form, std::span<const uint8_t> lines, PanelOutput& out, RunLengthState& rle) {
  if (form == PanelForm::kRunLength) {
    PutLevelsRle(rle, lines, out);
    return;
  }
  for (size_t at = 0; at < lines.size(); at += kPanelDots) PackLine(lines.subspan(at).first<kPanelDots>(), out);
}

}  // namespace

bool PrepareColourPanels(const ColourPage& page, const PrivateDevmode& settings, DitherSource& random,
                         LevelSource source, const MonoBitmap* black) {
  if (!IsPanelPage(page)) return false;
  const bool extract =
      black != nullptr && black->IsValid() && black->width == page.width && black->height == page.height;
  const std::array<PixelTable, 3> tables = BuildPixelTables(settings, source);
  DitherDraws draws = random.StartPass();
  // A row's levels are made aside and then written over the row, whose pixels they replace.
  std::array<uint8_t, 3 * kPlaneStride> levels;
  const auto width = static_cast<size_t>(page.width);
  for (int y = 0; y < page.height; ++y) {
    uint8_t* row = page.Row(y);
    if (extract) ExtractBlackRow(row, black->Row(y), page.width);
    if (source == LevelSource::kComponent) {
      LevelsOfRow<LevelSource::kComponent>(row, page.width, tables, random, draws, levels.data());
      for (size_t plane = 0; plane < 3; ++plane) {
        std::memcpy(row + plane * width, levels.data() + plane * kPlaneStride, width);
      }
    } else {
      LevelsOfRow<LevelSource::kGrey>(row, page.width, tables, random, draws, levels.data());
      std::memcpy(row, levels.data(), width);
    }
  }
  random.EndPass(draws);
  return true;
}

bool ScanPanelLevels(const ColourPage& page, const ColourScan& scan, PanelOutput& sink, RunLengthState& sinkRle) {
  if (!ScanFitsPage(page, scan)) return false;
  const ScanOrder& order = ScanOrderOf(scan);
  const size_t plane = scan.source == LevelSource::kComponent
                           ? static_cast<size_t>(scan.component) * static_cast<size_t>(page.width)
                           : 0;
  // The encoder states are worked on in locals, which the output bytes cannot alias, and stored back at the end.
  PanelOutput out = sink;
  RunLengthState rle = sinkRle;
  if (scan.portrait) {
    // Lines are rows, read forward or backward.
    std::array<uint8_t, kPanelDots> reversed;
    for (int n = 0; n < kPanelLines; ++n) {
      const int y = order.lineY > 0 ? n : kPanelLines - 1 - n;
      const uint8_t* levels = page.Row(y) + plane;
      if (order.alongX < 0) {
        for (int i = 0; i < kPanelDots; ++i) reversed[static_cast<size_t>(i)] = levels[kPanelDots - 1 - i];
        levels = reversed.data();
      }
      EncodeLines(scan.form, std::span<const uint8_t>(levels, kPanelDots), out, rle);
    }
  } else {
    // Lines are columns, gathered a group at a time.
    std::array<uint8_t, kColumnGroup * kPanelDots> lines;
    for (int first = 0; first < kPanelLines; first += kColumnGroup) {
      GatherColumnLines(page, plane, order, first, lines);
      EncodeLines(scan.form, lines, out, rle);
    }
  }
  sink = out;
  sinkRle = rle;
  return true;
}

}  // namespace tolma
