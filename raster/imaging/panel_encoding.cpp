// The continuous-tone run-length form over whole runs: a sequence encodes as the concatenation of its
// maximal runs, each as pieces of 127 ("0xFF v") and a rest (a single byte, or 0x80 + n and v).
#include "raster/imaging/panel_encoding.h"

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
// end, and only those positions are visited.
constexpr size_t kBlock = 8;
// Most bytes one block writes: a piece of 127 of the run carried in, and 2 bytes a run ending in the block.
constexpr ptrdiff_t kBlockOutput = 2 + 2 * kBlock;
// The run ends of a block in which every level differs from the next.
constexpr uint64_t kEveryLevelEnds = 0x8080808080808080ull;

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

// The runs that end in one block, written one after another.
struct BlockRuns {
  const uint8_t* p;  // the block
  uint64_t rest;     // the run ends not yet written, as RunEnds gives them
  ptrdiff_t start;   // where the next run starts, from the block's first level (negative for the open run)
  uint8_t* o;        // where the next run goes

  // The run end of the block's last level, the highest there is: or-ed in, it changes nothing while a run end is
  // left, and it spares the count of trailing zeros a test for zero.
  static constexpr uint64_t kLastLevel = uint64_t{1} << 63;

  // Writes the next run, whose length must be below 127; when no run end is left, the bytes written are left to
  // be overwritten and nothing changes. Selections are made with masks: compilers would turn them into jumps,
  // whose guesses a busy picture defeats.
  void WriteNext() {
    const auto any = static_cast<ptrdiff_t>(0) - (rest != 0);         // all ones while a run end is left
    const ptrdiff_t last = std::countr_zero(rest | kLastLevel) >> 3;  // the last level when none is left
    const auto length = static_cast<size_t>(last + 1 - start);        // below 127
    const auto single = static_cast<uint8_t>(0) - (length == 1);      // 0xFF for a run of one
    const uint8_t v = p[last];
    const auto count = static_cast<uint8_t>(0x80 + length);
    o[0] = static_cast<uint8_t>(count ^ ((count ^ v) & single));  // the level itself, or the count
    o[1] = v;
    o += static_cast<ptrdiff_t>(2 - (length == 1)) & any;
    start += (last + 1 - start) & any;
    rest &= rest - 1;
  }
};

// Whole blocks of levels from `p`, straight into the output, while a block's worst case fits and the level after
// the block can be read. The open run always continues with the block's first level: a run that ends on a block's
// last level is written with that block. Returns where it stopped; `run` and `out` are brought up to date.
const uint8_t* PutRunBlocks(const uint8_t* p, const uint8_t* end, OpenRun& openRun, PanelOutput& out) {
  uint8_t* o = out.data + out.length;
  uint8_t* const limit = out.data + out.capacity;
  uint8_t value = openRun.value;
  size_t pending = openRun.pending;
  while (end - p > static_cast<ptrdiff_t>(kBlock) && limit - o >= kBlockOutput) {
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
      value = *p;
      p = next;
      if (pending >= 127) break;  // no room for its pieces: the checked path goes on
      continue;
    }
    if (ends == kEveryLevelEnds && pending == 0) {
      std::memcpy(o, p, kBlock);  // eight single levels, each its own byte
      o += kBlock;
    } else if (pending + kBlock >= 127) {
      // A long open run ends in the block: it may need a piece of 127.
      ptrdiff_t start = -static_cast<ptrdiff_t>(pending);
      for (uint64_t rest = ends; rest != 0; rest &= rest - 1) {
        const ptrdiff_t last = std::countr_zero(rest) >> 3;
        o = WriteRun(o, p[last], static_cast<size_t>(last + 1 - start));
        start = last + 1;
      }
      pending = static_cast<size_t>(static_cast<ptrdiff_t>(kBlock) - start);
    } else {
      // The first four runs that end in the block without a branch, as a picture's block rarely has more; the
      // block's share of the open run starts `pending` levels before the block.
      BlockRuns runs{p, ends, -static_cast<ptrdiff_t>(pending), o};
      runs.WriteNext();
      runs.WriteNext();
      runs.WriteNext();
      runs.WriteNext();
      while (runs.rest != 0) runs.WriteNext();
      o = runs.o;
      pending = static_cast<size_t>(static_cast<ptrdiff_t>(kBlock) - runs.start);
    }
    value = p[kBlock - 1];
    p += kBlock;
  }
  out.length = static_cast<uint32_t>(o - out.data);
  openRun = {value, pending};
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
