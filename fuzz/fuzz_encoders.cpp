// Differential fuzzing of the panel encoders: random panels through every form and back through the
// independent decoder must come out equal.
#include "common/mono_rle.h"
#include "raster/imaging/panel_encoding.h"
#include "tools/lib/panel_decoder.h"

#include <cstdlib>
#include <vector>

namespace {

using namespace tolma;

// A full panel from the input: the input repeated, so runs, literals and escape bytes all appear.
std::vector<uint8_t> Panel(const uint8_t* data, size_t size, size_t units, uint8_t mask) {
  std::vector<uint8_t> panel(units, 0);
  for (size_t i = 0; size > 0 && i < units; ++i) panel[i] = data[i % size] & mask;
  return panel;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> buffer(kPanelBufferSize);
  std::vector<uint8_t> work(kMonoWorkBufferSize);
  const uint8_t form = data[0] & 3;
  ++data;
  --size;

  PanelOutput out{buffer.data(), 0, kPanelBufferSize};
  RunLengthState rle;
  std::vector<uint8_t> decoded;
  if (form < 2) {  // continuous-tone: levels 0..31
    const std::vector<uint8_t> levels = Panel(data, size, 1024 * 640, 31);
    if (form == 0) {
      for (uint8_t l : levels) PutLevelRle(rle, l, out);
      FlushLevelRle(rle, out);
    } else {
      PackedLineState pack;
      for (size_t i = 0; i < levels.size(); ++i) {
        PackLevel(pack, static_cast<uint8_t>(levels[i] << 3), out);
        if (i % 640 == 639) EndPackedLine(pack, out);
      }
    }
    Check(!out.overflow);
    const auto r = DecodePanelData(form == 0 ? PanelDataForm::kContoneRle : PanelDataForm::kContonePacked,
                                   std::span<const uint8_t>(buffer.data(), out.length), levels.size(), decoded);
    Check(r.ok && r.consumed == out.length && decoded == levels);
  } else {  // one-bit
    const std::vector<uint8_t> bytes = Panel(data, size, 81920, 0xFF);
    const bool packed = form == 3;
    MonoPanelEncoder encoder(packed, rle, work, out);
    encoder.Put(bytes);
    encoder.Finish();
    Check(!out.overflow);
    const auto r = DecodePanelData(packed ? PanelDataForm::kMonoPlain : PanelDataForm::kMonoRle,
                                   std::span<const uint8_t>(buffer.data(), out.length), bytes.size(), decoded);
    Check(r.ok && r.consumed == out.length && decoded == bytes);
  }
  return 0;
}
