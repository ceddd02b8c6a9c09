// Decoder of the four panel data forms, written apart from the encoders: it reads a panel's data as the
// printer would and reports the first structural fault with its offset instead of reading past the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma {

// The panel data forms, by their format codes.
enum class PanelDataForm : uint8_t {
  kMonoPlain = 10,      // one-bit bytes, 0x5B doubled
  kMonoRle = 12,        // one-bit runs and literal blocks, then 0x5B doubled
  kContoneRle = 30,     // continuous-tone levels and runs
  kContonePacked = 32,  // three 5-bit levels a 16-bit word, 432 bytes a line of 640 levels
};

// Values of a full panel: 655,360 levels (continuous-tone) or 81,920 bytes (one-bit).
size_t FullPanelUnits(PanelDataForm form);

struct PanelDecodeResult {
  bool ok = false;
  size_t consumed = 0;     // input bytes read for the values decoded
  size_t errorOffset = 0;  // offset in the input of the fault, when not ok
  std::string error;       // what was wrong, when not ok
};

// Decodes data of `form` from the start of `input` until `units` values have come out, appending them to
// `values`: levels (0..31; a run-length level above 31 is a fault) or one-bit bytes as sent (a set bit is a dot). For
// the packed form `units` must be a multiple of 640. Bytes after the data (the closing CR) are not read.
PanelDecodeResult DecodePanelData(PanelDataForm form, std::span<const uint8_t> input, size_t units,
                                  std::vector<uint8_t>& values);

}  // namespace tolma
