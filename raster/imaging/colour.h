// Colour separation: adjustment and 16-level dithering of the card page, and the continuous-tone panel scans.
#pragma once

#include "common/devmode.h"
#include "common/panel_data.h"
#include "raster/imaging/page_view.h"
#include "raster/imaging/twister.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma {

// The dither's draws as a page pass holds them, in locals that its page writes cannot alias: the pool (what is
// left of the last draw, its next nibble lowest, `left` nibbles of it) and the draws read ahead.
struct DitherDraws {
  uint64_t pool = 0;
  int left = 0;
  const uint64_t* first = nullptr;  // the draws read ahead; those before `next` are taken
  const uint64_t* next = nullptr;
  const uint64_t* end = nullptr;
};

// The random source of the 16-level dither. One per call or per rendering context, never shared between
// threads; seeded, so a page renders the same way every time. A 64-bit draw serves sixteen 4-bit values.
class DitherSource {
 public:
  static constexpr uint64_t kDefaultSeed = 0x7D0A5EEDu;

  explicit DitherSource(uint64_t seed = kDefaultSeed) : engine_(seed) {}

  // A uniform value 0..15.
  uint32_t Nibble() {
    if (left_ == 0) {
      pool_ = engine_();
      left_ = 16;
    }
    const auto r = static_cast<uint32_t>(pool_ & 15u);
    pool_ >>= 4;
    --left_;
    return r;
  }

  // A value 0..n-1 (0 when n is 0 or 1): the remainder of a fresh draw, or a pooled nibble when n is 16.
  uint32_t Below(uint32_t n) {
    if (n == 16) return Nibble();
    if (n <= 1) return 0;
    return static_cast<uint32_t>(engine_() % n);
  }

  // A page pass takes the pool and the draws ahead, reads further when it has used those (MoreDraws), and gives
  // back what it did not use (EndPass).
  DitherDraws StartPass();
  DitherDraws MoreDraws(DitherDraws draws);
  void EndPass(DitherDraws draws);

 private:
  Twister64 engine_;  // the numbers of std::mt19937_64
  uint64_t pool_ = 0;
  int left_ = 0;
};

// TakeNibbles for a caller that knows a draw is ahead (`draws.next` before `draws.end`). The draw is read whether
// it is taken or not, so that the choices can be made without a jump, which a busy picture would make a poor
// guess.
inline uint32_t TakeNibblesAhead(DitherDraws& draws, int need) {
  const bool fresh = draws.left < need;
  const uint64_t drawn = *draws.next;
  draws.pool = fresh ? drawn : draws.pool;
  draws.left = fresh ? 16 : draws.left;
  draws.next = fresh ? draws.next + 1 : draws.next;
  const auto nibbles = static_cast<uint32_t>(draws.pool) & 0xFFF;  // a used-up pool only when need is 0
  draws.pool >>= 4 * need;
  draws.left -= need;
  return nibbles;
}

// Takes the pool's next `need` nibbles (0..3), after a fresh draw when fewer are left (those are dropped), and
// returns them in 12 bits, the first lowest (bits past `need` nibbles are of no use).
inline uint32_t TakeNibbles(DitherDraws& draws, int need, DitherSource& source) {
  if (draws.next == draws.end) draws = source.MoreDraws(draws);
  return TakeNibblesAhead(draws, need);
}

// Adjusts one colour byte by an intensity and a contrast, each -100..100 (values beyond are limited to that
// range). Returns the adjusted byte 0..255; both 0 leave the byte as it is.
uint8_t AdjustLevel(int level, int intensity, int contrast);

// AdjustLevel for one fixed intensity and contrast, for every byte value.
std::array<uint8_t, 256> BuildAdjustTable(int intensity, int contrast);

// How one byte value comes out of the page preparation: `base` when no random draw raises it, `base` + 16 when a
// draw below `chance` does. `chance` is 0 when the value needs no draw.
struct DitherStep {
  uint8_t base;
  uint8_t chance;
};
using DitherTable = std::array<DitherStep, 256>;

// The steps of every byte value of blue, green and red (in that order) for the adjustments of `settings`: the
// adjustment, then the reduction to 16 levels (mask 240, keep 1).
std::array<DitherTable, 3> BuildDitherTables(const PrivateDevmode& settings);

// Reduces a byte to the grid of `mask` (240 in page preparation) with an unordered random dither that keeps
// the mean: the low part d rounds up with probability d / step. Values within `keep` of a grid point snap to it
// without a draw; the top grid value never rounds up. Returns the grid value.
uint8_t QuantizeLevel(uint8_t level, uint8_t mask, uint8_t keep, DitherSource& random);

// Adjusts every colour byte of the page with the red, green and blue intensity and contrast of `settings`,
// then reduces it to 16 levels (mask 240, keep 1), in place. Returns 0 when the page bits are missing or do
// not cover the page, else 1.
int PrepareColourPage(const ColourPage& page, const PrivateDevmode& settings, DitherSource& random);

// Panel level 0..31 of a colour byte (255 is white, level 1 for a prepared white byte).
constexpr uint8_t ComponentLevel(uint8_t byte) { return static_cast<uint8_t>((255 - byte) >> 3); }

// Weighted darkness 0..255 of a pixel for the dye-black panel (0 for white).
constexpr int GreyDarkness(uint8_t blue, uint8_t green, uint8_t red) {
  return (59 * (255 - green) + 11 * (255 - blue) + 30 * (255 - red)) / 100;
}

// Dye-black panel level 0..31 of a pixel.
constexpr uint8_t GreyLevel(uint8_t blue, uint8_t green, uint8_t red) {
  return static_cast<uint8_t>(GreyDarkness(blue, green, red) >> 3);
}

// What a panel scan encodes, and in which order it walks the page.
enum class PanelForm : uint8_t { kPacked, kRunLength };
enum class LevelSource : uint8_t { kComponent, kGrey };

struct ColourScan {
  bool portrait = false;  // lines are page rows (640 x 1024 page) or page columns (1024 x 640 page)
  PanelForm form = PanelForm::kRunLength;
  LevelSource source = LevelSource::kComponent;
  int component = 0;    // 0 blue (Y panel), 1 green (M), 2 red (C); the grey source reads the whole pixel
  bool rotate = false;  // the side's rotation flag
};

// How a scan walks the page: where the panel starts and the steps between pixels. A line has 640 pixels: a row in
// portrait, a column in landscape.
struct ScanOrder {
  bool portrait;
  PanelForm form;
  bool rotate;
  bool startAtLastColumn;
  bool startAtLastRow;
  int alongX, alongY;  // step from one pixel of a line to the next
  int lineX, lineY;    // step from one line to the next
};

// The line order of a scan's orientation, form and flag.
const ScanOrder& ScanOrderOf(const ColourScan& scan);

// True when the scan can read the page: a valid 640 x 1024 page for a portrait scan, 1024 x 640 for a landscape
// one, and a component 0..2 for the component source.
bool ScanFitsPage(const ColourPage& page, const ColourScan& scan);

// Byte offset, from the first byte of the page, of the first byte a scan reads: the row of its first pixel times
// the stride, plus 3 bytes a column, plus the component (0 for grey). 0 for a page without pixels.
size_t ColourScanStartOffset(const ColourPage& page, const ColourScan& scan);

// Walks the page in the printer's line order (1024 lines of 640 levels) and hands one level a pixel to the
// encoder of the scan's form: packed lines end with the line-end step, run-length levels go on across lines
// and are left pending for the caller's closing step. Returns false, with nothing encoded, when the page is
// not a valid 640 x 1024 (portrait) or 1024 x 640 (landscape) page or the component is not 0..2.
bool ScanColourPanel(const ColourPage& page, const ColourScan& scan, PanelOutput& out, RunLengthState& rle);

// The eight scans by name: portrait pages by rows, landscape pages by columns; one colour byte (Y, M, C) or
// the grey of the pixel (Kd); packed or run-length. Each returns what ScanColourPanel returns.
bool ScanComponentRowsPacked(const ColourPage& page, int component, bool rotate, PanelOutput& out);
bool ScanComponentRowsRle(const ColourPage& page, int component, bool rotate, PanelOutput& out, RunLengthState& rle);
bool ScanGrayRowsPacked(const ColourPage& page, bool rotate, PanelOutput& out);
bool ScanGrayRowsRle(const ColourPage& page, bool rotate, PanelOutput& out, RunLengthState& rle);
bool ScanComponentColumnsPacked(const ColourPage& page, int component, bool rotate, PanelOutput& out);
bool ScanComponentColumnsRle(const ColourPage& page, int component, bool rotate, PanelOutput& out, RunLengthState& rle);
bool ScanGrayColumnsPacked(const ColourPage& page, bool rotate, PanelOutput& out);
bool ScanGrayColumnsRle(const ColourPage& page, bool rotate, PanelOutput& out, RunLengthState& rle);

}  // namespace tolma
