// One-bit panel data forms: the plain form (escape byte doubled) and the run-length form (runs and
// literal blocks collected in a work buffer, then the escape byte doubled).
#pragma once

#include "common/panel_data.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma {

// The byte "[" that the printer reads as an escape: it is always sent twice.
inline constexpr uint8_t kPanelEscapeByte = 0x5B;
// The run-length encoder moves its work buffer to the output after a run once this many bytes gathered.
inline constexpr uint16_t kMonoWorkMoveThreshold = 2000;
// The most the run-length encoder ever holds in its work buffer is a little over 2,030 bytes; a work
// buffer of at least this size never drops a byte.
inline constexpr size_t kMonoWorkMinimum = 2048;

// Appends bytes to the output, doubling every byte 0x5B.
void AppendEscaped(std::span<const uint8_t> bytes, PanelOutput& out);

// One step of the plain form: the byte, escaped.
inline void PutMonoPlain(uint8_t byte, PanelOutput& out) {
  out.Put(byte);
  if (byte == kPanelEscapeByte) out.Put(byte);
}

// Steps of the run-length form for each of `bytes`, in order. Groups are a count byte 1..31 followed by
// that many literal bytes, or 0x80 + n (n = 2..127) followed by one byte repeated n times; they gather in
// `work` and are moved to `out` escaped. The state lives in `rle` between calls, so bytes may come one by
// one or in pieces. A work write that would fall outside `work` is dropped and marks `out` as overflowed.
void PutMonoRle(RunLengthState& rle, std::span<uint8_t> work, std::span<const uint8_t> bytes, PanelOutput& out);
inline void PutMonoRle(RunLengthState& rle, std::span<uint8_t> work, uint8_t byte, PanelOutput& out) {
  PutMonoRle(rle, work, std::span<const uint8_t>(&byte, 1), out);
}

// Closing step of the run-length form: writes the pending group and moves the work buffer. The state is
// left empty, so a second closing step adds nothing.
void FlushMonoRle(RunLengthState& rle, std::span<uint8_t> work, PanelOutput& out);

// One step of the one-bit encoder in the form `packedPanels` selects (nonzero: plain, 0: run-length), or
// its closing step when `flush` is set (the byte is then ignored).
void PutMonoByte(bool packedPanels, RunLengthState& rle, std::span<uint8_t> work, uint8_t byte, bool flush,
                 PanelOutput& out);

// The one-bit encoder bound to its state, work buffer and output, for scans that hand over whole lines.
class MonoPanelEncoder {
 public:
  MonoPanelEncoder(bool packedPanels, RunLengthState& rle, std::span<uint8_t> work, PanelOutput& out)
      : packed_(packedPanels), rle_(rle), work_(work), out_(out) {}

  // Encodes bytes in line order; the run-length form carries its groups on across calls.
  void Put(std::span<const uint8_t> bytes) {
    if (packed_) {
      AppendEscaped(bytes, out_);
    } else {
      PutMonoRle(rle_, work_, bytes, out_);
    }
  }
  // The closing step.
  void Finish() {
    if (!packed_) FlushMonoRle(rle_, work_, out_);
  }

 private:
  bool packed_;
  RunLengthState& rle_;
  std::span<uint8_t> work_;
  PanelOutput& out_;
};

}  // namespace tolma
