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

}  // namespace

void PutLevelsRle(RunLengthState& rle, std::span<const uint8_t> levels, PanelOutput& out) {
  // The run still open from earlier steps: none, one pending value, or a run of `count`.
  uint8_t value = rle.value;
  size_t pending = rle.state == 0 ? 0 : rle.state == 1 ? 1 : rle.count;
  const uint8_t* p = levels.data();
  const uint8_t* const end = p + levels.size();
  while (p < end) {
    const uint8_t v = *p;
    // Most levels of a busy picture differ from the next one: those need no run search.
    const uint8_t* runEnd = (end - p > 1 && p[1] != v) ? p + 1 : RunEnd(p + 1, end, v);
    const auto length = static_cast<size_t>(runEnd - p);
    if (pending != 0 && v == value) {
      pending += length;
    } else {
      if (pending == 1) {
        out.Put(value);
      } else {
        PutRun(value, pending, out);
      }
      value = v;
      pending = length;
    }
    p = runEnd;
  }
  // Pieces of 127 go out as soon as they are complete; what remains stays open.
  pending = PutFullPieces(value, pending, out);
  rle.value = value;
  rle.state = static_cast<uint8_t>(pending == 0 ? 0 : pending == 1 ? 1 : 2);
  rle.count = static_cast<uint8_t>(pending == 1 ? 0 : pending);
}

}  // namespace tolma
