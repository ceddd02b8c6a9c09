// The colour pass of a side: preparation and level layout in one pass over the page, and the panel scans over the
// laid-out levels.
#include "raster/imaging/colour_panels.h"

#include "raster/imaging/black_extraction.h"
#include "raster/imaging/panel_encoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>

namespace tolma {
namespace {

static_assert(std::endian::native == std::endian::little, "the column gather reads level bytes as words");

// A pixel's three colours are worked on together in one 64-bit word, a lane of 16 bits for each (blue from bit 0,
// green from bit 16, red from bit 32): its chance of a raise plus 15 in lane bits 0..4 (the chance is 0 when the
// byte needs no random draw) and its value when not raised in bits 8..12. For the component source the value is
// the panel level, which a raise by one grid step lowers by 2; for the grey source it is the grid index (the
// prepared byte / 16), which a raise increases by 1. The top lane says how many colours need a draw (bits 48..49)
// and which (bit 56 blue, 57 green, 58 red). The three tables' words are added, and no field can carry into the
// next: each lane field is set by one table only, and the count is at most 3.
constexpr int kLaneBits = 16;
constexpr uint64_t kLanes = 1 | uint64_t{1} << kLaneBits | uint64_t{1} << (2 * kLaneBits);  // bit 0 of each lane
constexpr int kCountShift = 48;
constexpr int kNeedShift = 56;

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
      tables[c][v] =
          ((value << 8 | (step.chance + 15u)) << (kLaneBits * c)) | need << kCountShift | need << (kNeedShift + c);
    }
  }
  return tables;
}

// Per pattern of the colours that need a draw (bit 0 blue, 1 green, 2 red): the multiplier that copies the
// pool's next nibbles into the lanes of the colours in turn (blue takes the first, green the one after blue's, red
// the one after those of blue and green). A colour without a draw gets a nibble too, which its chance 0 makes
// harmless.
constexpr std::array<uint64_t, 8> MakeNibbleSpreads() {
  std::array<uint64_t, 8> spreads{};
  for (int k = 0; k < 8; ++k) {
    const int blue = k & 1;
    const int green = (k >> 1) & 1;
    // The 12-bit window times the multiplier: copies at 0, 16 - 4 x blue and 32 - 4 x (blue + green), at least
    // 12 bits apart, so they do not overlap; nibble `blue` lands in lane 1 and nibble `blue + green` in lane 2.
    spreads[static_cast<size_t>(k)] =
        1 | uint64_t{1} << (kLaneBits - 4 * blue) | uint64_t{1} << (2 * kLaneBits - 4 * (blue + green));
  }
  return spreads;
}
constexpr std::array<uint64_t, 8> kNibbleSpreads = MakeNibbleSpreads();

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

// A row's pixels between the two passes over it: each pixel's lane word less its random nibbles, spread into the
// lanes. The subtraction never borrows from one lane field into the next, as chance + 15 is at least the nibble:
// the values are left as they are, and bit 4 of a lane is set when its byte is raised (the chance + 15 - nibble
// reaches 16 when the chance is above the nibble).
using RowWork = std::array<uint64_t, kPanelLines>;

// The first pass over a row's pixels from `first` to `last`: the lane words less the nibbles taken with the same
// draws, in the same order, as PrepareColourPage takes them. Only this pass follows the chain of the pool. With
// kAhead the caller knows that the draws ahead are enough for every pixel.
template <bool kAhead>
void DrawPixels(const uint8_t* row, size_t first, size_t last, const std::array<PixelTable, 3>& table,
                DitherSource& random, DitherDraws& draws, RowWork& work) {
  const uint8_t* p = row + 3 * first;
  for (size_t x = first; x < last; ++x, p += 3) {
    const uint64_t pixel = table[0][p[0]] + table[1][p[1]] + table[2][p[2]];
    const auto need = static_cast<int>((pixel >> kCountShift) & 3);
    const uint32_t window = kAhead ? TakeNibblesAhead(draws, need) : TakeNibbles(draws, need, random);
    work[x] = pixel - ((window * kNibbleSpreads[pixel >> kNeedShift]) & (15 * kLanes));
  }
}

// Pixels of a row whose draws are checked at once: a pixel takes at most 3 nibbles and a fresh draw follows
// only a pool of at most 2 left, so each draw but the last serves at least 14 nibbles, and a chunk takes at most
// 3 x kChunk / 14 + 1 fresh draws.
constexpr size_t kChunk = 64;
constexpr ptrdiff_t kChunkDraws = 3 * kChunk / 14 + 2;

void DrawRow(const uint8_t* row, int width, const std::array<PixelTable, 3>& table, DitherSource& random,
             DitherDraws& rowDraws, RowWork& work) {
  DitherDraws draws = rowDraws;  // in locals, which the work writes cannot alias
  const auto n = static_cast<size_t>(width);
  for (size_t x = 0; x < n; x += kChunk) {
    const size_t last = std::min(n, x + kChunk);
    if (draws.end - draws.next >= kChunkDraws) {
      DrawPixels<true>(row, x, last, table, random, draws, work);
    } else {
      DrawPixels<false>(row, x, last, table, random, draws, work);
    }
  }
  rowDraws = draws;
}

// Bit 0 of each colour's lane set when its byte is raised.
inline uint64_t Raised(uint64_t drawn) { return (drawn >> 4) & kLanes; }

// The second pass: the levels of the row's pixels, written over the row, whose pixels the first pass has read. For
// the component source the Y, M and C levels, each `width` bytes; for the grey source the Kd levels. Without a
// chain from one pixel to the next, so that the compiler may work on several at a time.
template <LevelSource kSource>
void LayOutRow(const RowWork& work, int width, uint8_t* row) {
  // A block at a time, made in locals that the row writes cannot alias and then copied into the row: a loop of
  // fixed length over locals, which the compiler turns into vector instructions.
  constexpr size_t kBlock = 16;  // the widths, 640 and 1024, are multiples of it
  const auto n = static_cast<size_t>(width);
  for (size_t x = 0; x < n; x += kBlock) {
    const uint64_t* const drawn = &work[x];
    if constexpr (kSource == LevelSource::kComponent) {
      std::array<uint8_t, kBlock> yellow, magenta, cyan;
      for (size_t i = 0; i < kBlock; ++i) {
        // The values in lane bits 0..4 after the shift; a raised one is at least 3, so lowering it by 2 never
        // borrows, and each level is the low byte of its lane.
        const uint64_t levels = (drawn[i] >> 8) - 2 * Raised(drawn[i]);
        yellow[i] = static_cast<uint8_t>(levels);
        magenta[i] = static_cast<uint8_t>(levels >> kLaneBits);
        cyan[i] = static_cast<uint8_t>(levels >> (2 * kLaneBits));
      }
      std::memcpy(row + x, yellow.data(), kBlock);
      std::memcpy(row + n + x, magenta.data(), kBlock);
      std::memcpy(row + 2 * n + x, cyan.data(), kBlock);
    } else {
      std::array<uint8_t, kBlock> grey;
      for (size_t i = 0; i < kBlock; ++i) {
        // Grid indexes 0..15: a raised one is at most 14, so it stays within its lane's low 4 bits.
        const uint64_t grid = (drawn[i] >> 8) + Raised(drawn[i]);
        grey[i] =
            kGreyLevels[(grid & 15) | ((grid >> (kLaneBits - 4)) & 0xF0) | ((grid >> (2 * kLaneBits - 8)) & 0xF00)];
      }
      std::memcpy(row + x, grey.data(), kBlock);
    }
  }
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
  RowWork work;
  for (int y = 0; y < page.height; ++y) {
    uint8_t* row = page.Row(y);
    if (extract) ExtractBlackRow(row, black->Row(y), page.width);
    DrawRow(row, page.width, tables, random, draws, work);
    if (source == LevelSource::kComponent) {
      LayOutRow<LevelSource::kComponent>(work, page.width, row);
    } else {
      LayOutRow<LevelSource::kGrey>(work, page.width, row);
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
