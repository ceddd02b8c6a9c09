// Continuous-tone panel data forms: packed (three 5-bit levels a word) and run-length.
#pragma once

#include "common/panel_data.h"

#include <cstdint>
#include <span>

namespace tolma {

// Packing word and level counter of the packed form, owned by the scan; zero at the start of a panel.
struct PackedLineState {
  uint32_t counter = 0;
  uint16_t word = 0;
};

// Adds the top five bits of `byte` to the packing word; appends the word, high byte first, when it holds three.
inline void PackLevel(PackedLineState& pack, uint8_t byte, PanelOutput& out) {
  const auto level = static_cast<uint16_t>(byte >> 3);
  switch (pack.counter % 3) {
    case 0:
      pack.word = static_cast<uint16_t>(level << 10);
      break;
    case 1:
      pack.word = static_cast<uint16_t>(pack.word | (level << 5));
      break;
    default:
      pack.word = static_cast<uint16_t>(pack.word | level);
      out.Put(static_cast<uint8_t>(pack.word >> 8));
      out.Put(static_cast<uint8_t>(pack.word));
      break;
  }
  ++pack.counter;
}

// Ends a line of 640 levels: appends the pending word and four zero bytes, then clears word and counter.
inline void EndPackedLine(PackedLineState& pack, PanelOutput& out) {
  out.Put(static_cast<uint8_t>(pack.word >> 8));
  out.Put(static_cast<uint8_t>(pack.word));
  for (int i = 0; i < 4; ++i) out.Put(0);
  pack = PackedLineState{};
}

// A whole panel line in the packed form: the 640 levels (0..31) as PackLevel takes them, then EndPackedLine.
void PackLine(std::span<const uint8_t, kPanelDots> levels, PanelOutput& out);

// One step of the continuous-tone run-length form: a byte below 0x80 is one level, 0x80 + n (n = 2..127)
// repeats the next byte n times. Runs cross line ends.
inline void PutLevelRle(RunLengthState& rle, uint8_t level, PanelOutput& out) {
  switch (rle.state) {
    case 0:
      rle.value = level;
      rle.count = 0;
      rle.state = 1;
      break;
    case 1:
      if (level == rle.value) {
        rle.count = 2;
        rle.state = 2;
      } else {
        out.Put(rle.value);
        rle.value = level;
      }
      break;
    default:
      if (level == rle.value) {
        if (++rle.count == 127) {
          out.Put(0xFF);
          out.Put(rle.value);
          rle.state = 0;
        }
      } else {
        out.Put(static_cast<uint8_t>(0x80 + rle.count));
        out.Put(rle.value);
        rle.value = level;
        rle.state = 1;
      }
      break;
  }
}

// Closing step of the continuous-tone run-length form: writes what is pending; the state is left as it is.
inline void FlushLevelRle(const RunLengthState& rle, PanelOutput& out) {
  if (rle.state == 1) {
    out.Put(rle.value);
  } else if (rle.state == 2) {
    out.Put(static_cast<uint8_t>(0x80 + rle.count));
    out.Put(rle.value);
  }
}

// The continuous-tone run-length steps of every level in `levels`, in order: the same bytes and the same
// final state as PutLevelRle called once per level, found a whole run at a time.
void PutLevelsRle(RunLengthState& rle, std::span<const uint8_t> levels, PanelOutput& out);

}  // namespace tolma
