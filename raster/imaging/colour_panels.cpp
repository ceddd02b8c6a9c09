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

// One byte value's part in a pixel's levels: `value` when no random draw raises it, and the chance of a raise
// (0 when no draw is made). For the component source `value` is the panel level, which a raise by one grid step
// lowers by 2; for the grey source it is the grid index (the prepared byte / 16), which a raise increases by 1.
struct LevelStep {
  uint8_t value;
  uint8_t chance;
};
using LevelTable = std::array<LevelStep, 256>;

std::array<LevelTable, 3> BuildLevelTables(const PrivateDevmode& settings, LevelSource source) {
  const std::array<DitherTable, 3> dither = BuildDitherTables(settings);
  std::array<LevelTable, 3> tables{};
  for (size_t c = 0; c < 3; ++c) {
    for (size_t v = 0; v < 256; ++v) {
      const DitherStep step = dither[c][v];
      const uint8_t value = source == LevelSource::kComponent ? ComponentLevel(step.base) : step.base / 16;
      tables[c][v] = {value, step.chance};
    }
  }
  return tables;
}

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

// The levels of one row's pixels, written over the row: quantised with the same draws, in the same order, as
// PrepareColourPage makes them. `levels` is the row's work space, 3 x width bytes.
template <LevelSource kSource>
void LayOutRow(uint8_t* row, int width, const std::array<LevelTable, 3>& table, DitherSource& random,
               DitherSource::Pool& sourcePool, uint8_t* levels) {
  DitherSource::Pool pool = sourcePool;  // in locals, which the level writes cannot alias
  const uint8_t* p = row;
  for (int x = 0; x < width; ++x, p += 3) {
    const LevelStep b = table[0][p[0]];
    const LevelStep g = table[1][p[1]];
    const LevelStep r = table[2][p[2]];
    const int needB = b.chance != 0;
    const int needG = g.chance != 0;
    const int needR = r.chance != 0;
    const int need = needB + needG + needR;
    if (pool.left < need) pool = {random.Word(), 16};
    // A byte with no chance compares false whatever nibble it sees.
    const int upB = b.chance > (pool.bits & 15u);
    const int upG = g.chance > ((pool.bits >> (4 * needB)) & 15u);
    const int upR = r.chance > ((pool.bits >> (4 * (needB + needG))) & 15u);
    pool.bits >>= 4 * need;
    pool.left -= need;
    if constexpr (kSource == LevelSource::kComponent) {
      levels[x] = static_cast<uint8_t>(b.value - 2 * upB);
      levels[width + x] = static_cast<uint8_t>(g.value - 2 * upG);
      levels[2 * width + x] = static_cast<uint8_t>(r.value - 2 * upR);
    } else {
      levels[x] = kGreyLevels[static_cast<size_t>((b.value + upB) | (g.value + upG) << 4 | (r.value + upR) << 8)];
    }
  }
  sourcePool = pool;
  const int planes = kSource == LevelSource::kComponent ? 3 : 1;
  std::memcpy(row, levels, static_cast<size_t>(planes) * static_cast<size_t>(width));
}

// Transposes an 8 x 8 block of bytes: on return, byte i of word j is what byte j of word i was.
void TransposeBytes(std::array<uint64_t, 8>& w) {
  // Swap the off-diagonal halves of the 2 x 2, 4 x 4 and 8 x 8 blocks in turn.
  for (int i = 0; i < 8; i += 2) {
    const uint64_t t = ((w[i] >> 8) ^ w[i + 1]) & 0x00FF00FF00FF00FFull;
    w[i + 1] ^= t;
    w[i] ^= t << 8;
  }
  for (int i : {0, 1, 4, 5}) {
    const uint64_t t = ((w[i] >> 16) ^ w[i + 2]) & 0x0000FFFF0000FFFFull;
    w[i + 2] ^= t;
    w[i] ^= t << 16;
  }
  for (int i = 0; i < 4; ++i) {
    const uint64_t t = ((w[i] >> 32) ^ w[i + 4]) & 0x00000000FFFFFFFFull;
    w[i + 4] ^= t;
    w[i] ^= t << 32;
  }
}

constexpr int kColumnGroup = 8;  // landscape lines gathered at a time

// The 8 landscape lines `first` .. `first` + 7 (page columns) of one plane, each in its dot order, into `lines`
// (640 levels a line). The columns are read 8 rows at a time and turned with one block transpose.
void GatherColumnLines(const ColourPage& page, size_t plane, const ScanOrder& order, int first,
                       std::span<uint8_t, kColumnGroup * kPanelDots> lines) {
  // The group's columns are x0 .. x0 + 7; lines run along rising or falling columns.
  const int x0 = order.lineX > 0 ? first : kPanelLines - kColumnGroup - first;
  for (int y0 = 0; y0 < kPanelDots; y0 += 8) {
    // Rows in dot order, so that each transposed word holds 8 dots of one line in order.
    std::array<uint64_t, 8> block;
    for (int i = 0; i < 8; ++i) {
      const int y = order.alongY > 0 ? y0 + i : y0 + 7 - i;
      std::memcpy(&block[static_cast<size_t>(i)], page.Row(y) + plane + x0, sizeof(uint64_t));
    }
    TransposeBytes(block);
    const int dot = order.alongY > 0 ? y0 : kPanelDots - 8 - y0;
    for (int j = 0; j < 8; ++j) {
      const int line = order.lineX > 0 ? j : 7 - j;
      std::memcpy(&lines[static_cast<size_t>(line * kPanelDots + dot)], &block[static_cast<size_t>(j)], 8);
    }
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
  const std::array<LevelTable, 3> table = BuildLevelTables(settings, source);
  DitherSource::Pool pool = random.TakePool();
  std::array<uint8_t, 3 * kPanelLines> levels;
  for (int y = 0; y < page.height; ++y) {
    uint8_t* row = page.Row(y);
    if (extract) ExtractBlackRow(row, black->Row(y), page.width);
    if (source == LevelSource::kComponent) {
      LayOutRow<LevelSource::kComponent>(row, page.width, table, random, pool, levels.data());
    } else {
      LayOutRow<LevelSource::kGrey>(row, page.width, table, random, pool, levels.data());
    }
  }
  random.GiveBack(pool);
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
