// The continuous-tone run-length form over whole runs: a sequence encodes as the concatenation of its
// maximal runs, each as pieces of 127 ("0xFF v") and a rest (a single byte, or 0x80 + n and v).
#include "raster/imaging/panel_encoding.h"

#include <array>
#include <bit>
#include <cstring>

namespace tolma {
namespace {

static_assert(std::endian::native == std::endian::little, "the run search reads bytes as little-endian words");

// The first position from `p` whose byte is not `v`.
const uint8_t* RunEnd(const uint8_t* p, const uint8_t* end, uint8_t v) {
  const uint64_t pattern = 0x0101010101010101ull * v;
  while (end - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if (const uint64_t diff = word ^ pattern) return p + (std::countr_zero(diff) >> 3);
    p += 8;
  }
  while (p < end && *p == v) ++p;
  return p;
}

// Sends the pieces of 127 of a run; returns what remains (below 127).
size_t PutFullPieces(uint8_t value, size_t length, PanelOutput& out) {
  for (; length >= 127; length -= 127) {
    out.Put(0xFF);
    out.Put(value);
  }
  return length;
}

// Sends a finished run of `length` equal levels.
void PutRun(uint8_t value, size_t length, PanelOutput& out) {
  length = PutFullPieces(value, length, out);
  if (length == 1) {
    out.Put(value);
  } else if (length >= 2) {
    out.Put(static_cast<uint8_t>(0x80 + length));
    out.Put(value);
  }
}

// The open run of the encoder: its level and how many of it have come and are not yet written.
struct OpenRun {
  uint8_t value;
  size_t pending;
};

// The runs of a stretch of levels, one run at a time, through the checked output. The run still open at the end
// is returned, its pieces of 127 written.
OpenRun PutRunsChecked(const uint8_t* p, const uint8_t* end, OpenRun run, PanelOutput& out) {
  while (p < end) {
    const uint8_t v = *p;
    // Most levels of a busy picture differ from the next one: those need no run search.
    const uint8_t* runEnd = (end - p > 1 && p[1] != v) ? p + 1 : RunEnd(p + 1, end, v);
    const auto length = static_cast<size_t>(runEnd - p);
    if (run.pending != 0 && v == run.value) {
      run.pending += length;
    } else {
      PutRun(run.value, run.pending, out);
      run = {v, length};
    }
    p = runEnd;
  }
  run.pending = PutFullPieces(run.value, run.pending, out);
  return run;
}

// Levels are taken 8 at a time: one 64-bit comparison of the block with itself shifted by a level marks where runs
// end, and a table made for each of the 256 patterns of run ends tells which bytes the block writes.
constexpr size_t kBlock = 8;
// Most bytes one block writes when a long open run ends in it: a piece of 127 of that run, and 2 bytes a run ending
// in the block.
constexpr ptrdiff_t kBlockOutput = 2 + 2 * kBlock;
// An open run this long goes to the run search. Shorter, even a block without a run end goes through its layout
// like the others: a busy picture has many of those, and a branch on them would be guessed wrong half the time.
constexpr size_t kLongRun = 32;
static_assert(kLongRun + kBlock <= 127, "a run ending in a block written through its layout takes one count byte");
// Most bytes one block writes through its layout: the first run's count byte and the 8 bytes of the layout.
constexpr ptrdiff_t kLayoutOutput = 1 + kBlock;

// Bit 8i + 7 is set where level i of the block differs from level i + 1 (reads the 9 levels from `p`).
uint64_t RunEnds(const uint8_t* p) {
  uint64_t here;
  uint64_t next;
  std::memcpy(&here, p, sizeof here);
  std::memcpy(&next, p + 1, sizeof next);
  const uint64_t diff = here ^ next;
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return (((diff & kLow7) + kLow7) | diff) & ~kLow7;  // the top bit of every nonzero byte
}

// The run ends of RunEnds as 8 bits, bit i for level i: the multiplication moves bit 8i + 7 (shifted down to 8i)
// to bit 56 + i; no two of its partial products meet, so nothing carries.
unsigned RunEndBits(uint64_t ends) { return static_cast<unsigned>(((ends >> 7) * 0x0102040810204080ull) >> 56); }

// Writes a run of `length` equal levels, 1 to 127 + kBlock of them, and returns the new end. A single level takes
// one byte, but two are written: the caller leaves room.
uint8_t* WriteRun(uint8_t* o, uint8_t value, size_t length) {
  if (length >= 127) {
    o[0] = 0xFF;
    o[1] = value;
    o += 2;
    length -= 127;
    if (length == 0) return o;
  }
  o[0] = length == 1 ? value : static_cast<uint8_t>(0x80 + length);
  o[1] = value;
  return o + 1 + (length != 1);
}

// What a block with a given pattern of run ends writes, apart from the count byte of its first run, whose length
// depends on the open run carried in. The block's 8 levels, masked by `values` and or-ed with `counts`, hold the
// bytes to write in their order, with zero bytes between them; the three `moves` close those up to the front.
struct alignas(64) BlockLayout {
  uint64_t values = 0;  // 0xFF at each run end: the level is written
  uint64_t counts = 0;  // 0x80 + n at the first level of each later run of n >= 2: its count byte
  // The bytes that move down by 1, 2 and 4 places, in turn. A kept byte's distance is the number of dropped bytes
  // before it, taken a binary digit at a time; the kept bytes keep their order all along, so none lands on another.
  std::array<uint64_t, 3> moves{};
  uint8_t written = 0;  // the bytes kept
  // The level on which the first run ends. Without a run end, -128: the first run then never counts 2 levels (the
  // open run carried in is shorter than kLongRun), so its count byte is not kept.
  int8_t firstEnd = -128;
  uint8_t after = kBlock;  // the levels after the last run end: the open run the block leaves
  // All ones (-1) without a run end: the open run carried in goes on through the block; else 0.
  int8_t carried = -1;
};

// The layouts of the 256 patterns of run ends, bit i set where level i ends a run; pattern 0 keeps the defaults.
constexpr std::array<BlockLayout, 256> MakeBlockLayouts() {
  std::array<BlockLayout, 256> layouts{};
  for (unsigned ends = 1; ends < 256; ++ends) {
    BlockLayout& layout = layouts[ends];
    layout.carried = 0;
    layout.firstEnd = static_cast<int8_t>(std::countr_zero(ends));
    layout.after = static_cast<uint8_t>(7 - (std::bit_width(ends) - 1));
    std::array<bool, kBlock> kept{};
    int start = layout.firstEnd + 1;  // the first level of the next run
    kept[layout.firstEnd] = true;
    layout.values |= uint64_t{0xFF} << (8 * layout.firstEnd);
    for (int i = start; i < static_cast<int>(kBlock); ++i) {
      if ((ends >> i & 1) == 0) continue;
      kept[i] = true;
      layout.values |= uint64_t{0xFF} << (8 * i);
      if (i > start) {
        kept[start] = true;
        layout.counts |= uint64_t{0x80u + static_cast<unsigned>(i + 1 - start)} << (8 * start);
      }
      start = i + 1;
    }
    int to = 0;
    for (int from = 0; from < static_cast<int>(kBlock); ++from) {
      if (!kept[from]) continue;
      const int distance = from - to++;
      int at = from;
      for (int step = 0; step < 3; ++step) {
        if ((distance >> step & 1) == 0) continue;
        layout.moves[step] |= uint64_t{0xFF} << (8 * at);
        at -= 1 << step;
      }
    }
    layout.written = static_cast<uint8_t>(to);
  }
  return layouts;
}

constexpr std::array<BlockLayout, 256> kBlockLayouts = MakeBlockLayouts();

// Spot checks of the table. No run end: nothing written, the open run carried on.
static_assert(kBlockLayouts[0].written == 0 && kBlockLayouts[0].values == 0 && kBlockLayouts[0].counts == 0);
static_assert(kBlockLayouts[0].after == kBlock && kBlockLayouts[0].carried == -1);
// Run ends on levels 2 and 3: the first run's level and a single level, both moving
// down by 2, and the open run goes on with the last 4 levels.
static_assert(kBlockLayouts[0x0C].values == 0x00000000FFFF0000ull && kBlockLayouts[0x0C].counts == 0);
static_assert(kBlockLayouts[0x0C].moves[0] == 0 && kBlockLayouts[0x0C].moves[1] == 0x00000000FFFF0000ull);
static_assert(kBlockLayouts[0x0C].written == 2 && kBlockLayouts[0x0C].after == 4);
// Run ends on levels 0 and 6: a run of 6 from level 1 ("0x86 v", its level moving down by 4), one level left open.
static_assert(kBlockLayouts[0x41].counts == 0x0000000000008600ull && kBlockLayouts[0x41].written == 3);
static_assert(kBlockLayouts[0x41].moves[2] == 0x00FF000000000000ull && kBlockLayouts[0x41].after == 1);

// The bytes of a block's 8 levels a layout keeps, closed up to the front.
uint64_t BlockBytes(uint64_t levels, const BlockLayout& layout) {
  uint64_t bytes = (levels & layout.values) | layout.counts;
  for (size_t step = 0; step < 3; ++step) {
    const uint64_t moving = bytes & layout.moves[step];
    bytes = (bytes ^ moving) | (moving >> (8 << step));
  }
  return bytes;
}

// Writes one block through its layout: the first run's count byte goes first, and stays only if that run (with
// the open run carried in) is longer than one level; the rest of the block's bytes come from the layout. Writes at
// most kLayoutOutput bytes, and returns the new end.
uint8_t* WriteBlock(const uint8_t* p, uint64_t ends, size_t& pending, uint8_t* o) {
  const BlockLayout& layout = kBlockLayouts[RunEndBits(ends)];
  const ptrdiff_t first = static_cast<ptrdiff_t>(pending) + layout.firstEnd + 1;
  o[0] = static_cast<uint8_t>(0x80 + first);
  o += first > 1;
  uint64_t levels;
  std::memcpy(&levels, p, sizeof levels);
  const uint64_t bytes = BlockBytes(levels, layout);
  std::memcpy(o, &bytes, sizeof bytes);
  // Without a run end the open run grows by the block (`carried` is all ones), else it is what the block leaves.
  pending = (pending & static_cast<size_t>(static_cast<ptrdiff_t>(layout.carried))) + layout.after;
  return o + layout.written;
}

// Whole blocks of levels from `p`, straight into the output, while a block's worst case fits and the level after
// the block can be read. The open run always continues with the block's first level: a run that ends on a block's
// last level is written with that block. Returns where it stopped; `openRun` and `out` are brought up to date.
const uint8_t* PutRunBlocks(const uint8_t* p, const uint8_t* end, OpenRun& openRun, PanelOutput& out) {
  uint8_t* o = out.data + out.length;
  uint8_t* const limit = out.data + out.capacity;
  size_t pending = openRun.pending;
  const uint8_t* const begin = p;
  while (end - p > static_cast<ptrdiff_t>(kBlock) && limit - o >= kBlockOutput) {
    // The blocks that surely fit go without checks while the open run is short: however many of them take
    // kLayoutOutput bytes each, kBlockOutput bytes, the worst case of any block, are left for the next.
    auto blocks =
        std::min((end - p - 1) / static_cast<ptrdiff_t>(kBlock), (limit - o - kBlockOutput) / kLayoutOutput + 1);
    for (; blocks != 0 && pending < kLongRun; --blocks, p += kBlock) o = WriteBlock(p, RunEnds(p), pending, o);
    if (blocks == 0) continue;
    const uint64_t ends = RunEnds(p);
    if (ends == 0) {
      // The open run goes on through the block and maybe far beyond: up to the level before the next change, so
      // that the run still continues with the next block's first level.
      const uint8_t* const next = RunEnd(p + kBlock, end - 1, *p) - 1;
      pending += static_cast<size_t>(next - p);
      while (pending >= 127 && limit - o >= kBlockOutput + 2) {
        o = WriteRun(o, *p, 127);
        pending -= 127;
      }
      p = next;
      if (pending >= 127) break;  // no room for its pieces: the checked path goes on
    } else {
      // A long open run ends in the block: it may need a piece of 127.
      ptrdiff_t start = -static_cast<ptrdiff_t>(pending);
      for (uint64_t rest = ends; rest != 0; rest &= rest - 1) {
        const ptrdiff_t last = std::countr_zero(rest) >> 3;
        o = WriteRun(o, p[last], static_cast<size_t>(last + 1 - start));
        start = last + 1;
      }
      pending = static_cast<size_t>(static_cast<ptrdiff_t>(kBlock) - start);
      p += kBlock;
    }
  }
  // An open run left by the blocks has the level of their last one.
  if (pending != 0 && p != begin) openRun.value = p[-1];
  out.length = static_cast<uint32_t>(o - out.data);
  openRun.pending = pending;
  return p;
}

}  // namespace

void PackLine(std::span<const uint8_t, kPanelDots> levels, PanelOutput& out) {
  constexpr uint32_t kLineBytes = (kPanelDots + 2) / 3 * 2 + 4;  // 214 words and the four zero bytes
  if (out.data == nullptr || out.capacity - out.length < kLineBytes || out.length > out.capacity) {
    // Not room for the whole line: level by level, as far as the output goes.
    PackedLineState pack;
    for (const uint8_t level : levels) PackLevel(pack, static_cast<uint8_t>(level << 3), out);
    EndPackedLine(pack, out);
    return;
  }
  uint8_t* o = out.data + out.length;
  const uint8_t* l = levels.data();
  for (int i = 0; i + 3 <= kPanelDots; i += 3, l += 3, o += 2) {
    const auto word = static_cast<uint16_t>((l[0] << 10) | (l[1] << 5) | l[2]);
    o[0] = static_cast<uint8_t>(word >> 8);
    o[1] = static_cast<uint8_t>(word);
  }
  // The last level starts a word of its own; the line ends with four zero bytes.
  static_assert(kPanelDots % 3 == 1);
  o[0] = static_cast<uint8_t>(l[0] << 2);
  std::memset(o + 1, 0, 5);
  out.length += kLineBytes;
}

void PutLevelsRle(RunLengthState& rle, std::span<const uint8_t> levels, PanelOutput& out) {
  // The run still open from earlier steps: none, one pending value, or a run of `count`.
  OpenRun run{rle.value, rle.state == 0 ? size_t{0} : rle.state == 1 ? size_t{1} : size_t{rle.count}};
  const uint8_t* p = levels.data();
  const uint8_t* const end = p + levels.size();
  if (run.pending != 0 && p != end && *p != run.value) {
    PutRun(run.value, run.pending, out);
    run.pending = 0;
  }
  if (out.data != nullptr) p = PutRunBlocks(p, end, run, out);
  run = PutRunsChecked(p, end, run, out);
  rle.value = run.value;
  rle.state = static_cast<uint8_t>(run.pending == 0 ? 0 : run.pending == 1 ? 1 : 2);
  rle.count = static_cast<uint8_t>(run.pending == 1 ? 0 : run.pending);
}

}  // namespace tolma
