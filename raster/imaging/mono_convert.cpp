// Monochrome conversion of the card page for the resin panel, bar-code thinning and the blank test.
#include "raster/imaging/mono_convert.h"

#include "raster/imaging/power.h"

#include <algorithm>

namespace tolma {
namespace {

// "Halftone Regular" thresholds, indexed by x mod 8, then y mod 8: two clustered dots per 8 x 8 cell.
constexpr uint8_t kHalftone[8][8] = {
    {151, 167, 159, 135, 111, 95, 103, 127},  //
    {223, 231, 239, 183, 39, 31, 23, 79},     //
    {215, 255, 247, 175, 47, 7, 15, 87},      //
    {191, 207, 199, 143, 71, 55, 63, 119},    //
    {111, 95, 103, 127, 151, 167, 159, 135},  //
    {39, 31, 23, 79, 223, 231, 239, 183},     //
    {47, 7, 15, 87, 215, 255, 247, 175},      //
    {71, 55, 63, 119, 191, 207, 199, 143},    //
};

constexpr uint8_t kWhite = 255;
constexpr uint8_t kBlack = 0;

// Collects the pixels of one bitmap row, leftmost in the top bit; bits past the width keep their value.
class RowPacker {
 public:
  RowPacker(uint8_t* row, uint8_t lastMask) : out_(row), lastMask_(lastMask) {}
  void Put(bool white) {
    acc_ = static_cast<uint8_t>(acc_ | (white ? (0x80u >> filled_) : 0u));
    if (++filled_ == 8) {
      *out_++ = acc_;
      acc_ = 0;
      filled_ = 0;
    }
  }
  void Finish() {
    if (filled_ != 0) *out_ = static_cast<uint8_t>((*out_ & ~lastMask_) | (acc_ & lastMask_));
  }

 private:
  uint8_t* out_;
  uint8_t lastMask_;
  uint8_t acc_ = 0;
  int filled_ = 0;
};

inline void AddSaturating(uint8_t& target, int amount) {
  target = static_cast<uint8_t>(std::min(255, target + amount));
}

// Adds the error shares of one decision to accumulator byte `slot` (1 positive, 2 negative) of the pixels
// x - 2 .. x + 2 of the next row (2/32, 4/32, 8/32, 4/32, 2/32), keeping to the pixels inside the page.
void SpreadBelow(uint8_t* next, int x, int width, int slot, int eighth, int quarter, int sixteenth) {
  uint8_t* q = next + static_cast<size_t>(x) * 3 + slot;
  if (x >= 2 && x + 2 < width) {
    AddSaturating(q[-6], sixteenth);
    AddSaturating(q[-3], quarter);
    AddSaturating(q[0], eighth);
    AddSaturating(q[3], quarter);
    AddSaturating(q[6], sixteenth);
    return;
  }
  if (x - 2 >= 0) AddSaturating(q[-6], sixteenth);
  if (x - 1 >= 0) AddSaturating(q[-3], quarter);
  AddSaturating(q[0], eighth);
  if (x + 1 < width) AddSaturating(q[3], quarter);
  if (x + 2 < width) AddSaturating(q[6], sixteenth);
}

// The contrast stretch of the diffusion between the side's darkest and lightest values, per value.
std::array<uint8_t, 256> BuildStretch(int lo, int hi) {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int out = v;
    if (hi != lo) {
      if (v > 248) {
        out = 255;
      } else if (v < 7) {
        out = 0;
      } else {
        const int f = (v - lo) * 255 / (hi - lo);
        const int t = (255 - f) * (255 - f) / 255;
        out = std::clamp((255 - t) / 2 + f / 2, 0, 255);
      }
    }
    table[static_cast<size_t>(v)] = static_cast<uint8_t>(out);
  }
  return table;
}

// The conversions take the views by value: the page writes cannot then alias their sizes.

// "Diffusion": the grey value and its adjustments in a first pass, then the stretch, the decision and the error
// spread row by row; each row is packed into the bitmap as soon as it is decided.
void ConvertDiffusion(const ColourPage page, const MonoBitmap mono, const std::array<uint8_t, 256>& curve) {
  int lo = 255;
  int hi = 0;
  for (int y = 0; y < page.height; ++y) {
    uint8_t* p = page.Row(y);
    for (int x = 0; x < page.width; ++x, p += 3) {
      const uint8_t v = curve[MonoGrey(p[0], p[1], p[2])];
      p[0] = v;
      p[1] = 0;
      p[2] = 0;
      lo = std::min<int>(lo, v);
      hi = std::max<int>(hi, v);
    }
  }
  const std::array<uint8_t, 256> stretch = BuildStretch(lo, hi);

  for (int y = 0; y < page.height; ++y) {
    uint8_t* row = page.Row(y);
    uint8_t* next = y + 1 < page.height ? page.Row(y + 1) : nullptr;
    RowPacker packer(mono.Row(y), mono.LastByteMask());
    const int width = page.width;
    // The shares for the next two pixels of the row are carried in locals and added to their accumulators (which
    // hold what the row above gave them) when those pixels come up. Every addition is non-negative, so one
    // saturation of the sum equals saturating at every step.
    int carryPos1 = 0;
    int carryNeg1 = 0;
    int carryPos2 = 0;
    int carryNeg2 = 0;
    for (int x = 0; x < width; ++x) {
      uint8_t* p = row + static_cast<size_t>(x) * 3;
      const int v = stretch[p[0]];
      const int pos = std::min(255, p[1] + carryPos1);
      const int neg = std::min(255, p[2] + carryNeg1);
      const int g = std::clamp(v + pos - neg, 0, 255);
      // A much lighter next pixel (its first-pass value) keeps the edge dark.
      const bool edge = x + 1 < width && p[3] > v + 64;
      const bool white = (v > 248) | ((v >= 7) & !edge & (g >= 128));
      p[0] = white ? kWhite : kBlack;
      p[1] = 0;
      p[2] = static_cast<uint8_t>(neg);

      // White spreads 255 - g into the negative accumulators. Black spreads g and then 255 into the positive
      // ones (both shares in one addition) and then fills the next pixel's positive accumulator.
      const int e = white ? 255 - g : g;
      const int extra = white ? 0 : 255;
      const int eighth = e * 8 / 32 + extra * 8 / 32;
      const int quarter = e * 4 / 32 + extra * 4 / 32;
      const int sixteenth = e * 2 / 32 + extra * 2 / 32;
      carryPos1 = white ? carryPos2 : 255;
      carryNeg1 = carryNeg2 + (white ? eighth : 0);
      carryPos2 = white ? 0 : quarter;
      carryNeg2 = white ? quarter : 0;
      if (next != nullptr) SpreadBelow(next, x, width, white ? 2 : 1, eighth, quarter, sixteenth);
      packer.Put(white);
    }
    packer.Finish();
  }
}

// "Halftone Regular": the darkness against the 8 x 8 threshold table, straight into the bitmap.
void ConvertHalftone(const ColourPage page, const MonoBitmap mono) {
  for (int y = 0; y < page.height; ++y) {
    const uint8_t* p = page.Row(y);
    RowPacker packer(mono.Row(y), mono.LastByteMask());
    for (int x = 0; x < page.width; ++x, p += 3) {
      const int d = (11 * (255 - p[0]) + 59 * (255 - p[1]) + 30 * (255 - p[2])) / 100;
      const bool white = d == 0 || (d != 255 && d < kHalftone[x & 7][y & 7]);
      packer.Put(white);
    }
    packer.Finish();
  }
}

// "Barcode" and "Enhanced": only very dark pixels print.
void ConvertThreshold(const ColourPage page, const MonoBitmap mono, const std::array<uint8_t, 256>& curve) {
  for (int y = 0; y < page.height; ++y) {
    uint8_t* p = page.Row(y);
    RowPacker packer(mono.Row(y), mono.LastByteMask());
    for (int x = 0; x < page.width; ++x, p += 3) {
      const bool white = curve[MonoGrey(p[0], p[1], p[2])] >= 7;
      p[0] = white ? kWhite : kBlack;
      packer.Put(white);
    }
    packer.Finish();
  }
}

}  // namespace

bool NeedsMonochromeConversion(int ribbonType, bool twoSided, int twoSidedMode, bool front) {
  const bool twoSidedBack = twoSided && !front;
  switch (ribbonType) {
    case 0:   // YMCKO
    case 11:  // YMCKUv
      return twoSidedBack && (twoSidedMode == 0 || twoSidedMode == 2);
    case 6:   // YMCK
    case 7:   // YMCKK
    case 12:  // YMCUvK
      return twoSidedBack && twoSidedMode == 0;
    case 8:  // YMCKOK
      return twoSidedBack && twoSidedMode != 2;
    case 1:  // K
    case 3:  // KrO
    case 4:  // H
    case 9:
    case 10:
    case 14:
      return true;
    default:  // KdO, YMC, 13 and unknown codes
      return false;
  }
}

uint8_t BlackIntensity(int grey, int intensity) {
  const int y = std::clamp(grey, 0, 255);
  const int i = std::clamp(intensity, -100, 100);
  if (i == 0) return static_cast<uint8_t>(y);
  return static_cast<uint8_t>(std::clamp(y + i * 255 / 100, 0, 255));
}

uint8_t MonoContrast(int grey, int contrast) {
  const int y = std::clamp(grey, 0, 255);
  const int c = std::clamp(contrast, -100, 100);
  if (c == 0) return static_cast<uint8_t>(y);
  if (c > 0) {
    const int e = 255 - c * 180 / 100;
    return static_cast<uint8_t>(static_cast<int>(Power(y / 255.5, e / 255.0) * 255.0));
  }
  if (c == -100) return 0;
  // The darkening branch of the black curve: divisor 255.1 and scale 230, so it stays below 230.
  const int e = c * 255 / 100 + 255;
  return static_cast<uint8_t>(static_cast<int>(Power(y / 255.1, 255.0 / e) * 230.0));
}

std::array<uint8_t, 256> BuildBlackCurve(const BlackAdjustment& black) {
  std::array<uint8_t, 256> table{};
  for (int y = 0; y < 256; ++y) {
    table[static_cast<size_t>(y)] = MonoContrast(BlackIntensity(y, black.intensity), black.contrast);
  }
  return table;
}

int ConvertToMonochrome(const ColourPage& page, const MonoBitmap& mono, int method, const BlackAdjustment& black) {
  if (method < kMonoDiffusion || method > kMonoEnhanced) return 0;
  if (!page.IsValid() || !mono.IsValid() || page.width != mono.width || page.height != mono.height) return 0;

  switch (method) {
    case kMonoDiffusion:
      ConvertDiffusion(page, mono, BuildBlackCurve(black));
      break;
    case kMonoHalftoneRegular:
      ConvertHalftone(page, mono);
      break;
    default:  // kMonoBarcode, kMonoEnhanced
      ConvertThreshold(page, mono, BuildBlackCurve(black));
      break;
  }
  return 1;
}

void ThinBarcodeRuns(const MonoBitmap& mono, int mode) {
  if ((mode & 3) != kMonoBarcode || !mono.IsValid()) return;
  const size_t bytes = mono.RowBytes();

  // In each step a pixel turns white when it is black, its predecessor is black and its successor white. A
  // pixel that turned white has a white successor, whose own test then fails whatever its predecessor holds,
  // so the eight pixels of a byte can be tested together from the values before the step.
  if ((mode & 4) != 0) {
    // Landscape: along each row, x = 1 .. width - 2. Pixel 0 sees a white predecessor and the last pixel a black
    // successor, so neither changes; the mask keeps the last pixel and the bits past the width as they are.
    const int lastPixels = mono.width - 1 - static_cast<int>(bytes - 1) * 8;
    const auto lastMask = static_cast<uint8_t>(0xFF00u >> lastPixels);
    for (int y = 0; y < mono.height; ++y) {
      uint8_t* row = mono.Row(y);
      uint8_t before = 0xFF;
      for (size_t i = 0; i < bytes; ++i) {
        const uint8_t cur = row[i];
        const uint8_t after = i + 1 < bytes ? row[i + 1] : 0x00;
        const auto left = static_cast<uint8_t>((cur >> 1) | ((before & 1u) << 7));
        const auto right = static_cast<uint8_t>((cur << 1) | (after >> 7));
        auto turn = static_cast<uint8_t>(right & ~cur & ~left);
        if (i + 1 == bytes) turn &= lastMask;
        row[i] = static_cast<uint8_t>(cur | turn);
        before = row[i];
      }
    }
    return;
  }

  // Portrait: down each column, y = 1 .. height - 2, seeing the rows above as already thinned.
  const uint8_t lastMask = mono.LastByteMask();
  for (int y = 1; y + 1 < mono.height; ++y) {
    const uint8_t* above = mono.Row(y - 1);
    uint8_t* row = mono.Row(y);
    const uint8_t* below = mono.Row(y + 1);
    for (size_t i = 0; i < bytes; ++i) {
      auto turn = static_cast<uint8_t>(below[i] & ~row[i] & ~above[i]);
      if (i + 1 == bytes) turn &= lastMask;
      row[i] = static_cast<uint8_t>(row[i] | turn);
    }
  }
}

bool IsMonoPanelBlank(const MonoBitmap& mono) {
  if (!mono.IsValid()) return true;
  const size_t bytes = mono.RowBytes();
  const uint8_t lastMask = mono.LastByteMask();
  for (int y = 0; y < mono.height; ++y) {
    const uint8_t* row = mono.Row(y);
    for (size_t i = 0; i + 1 < bytes; ++i) {
      if (row[i] != 0xFF) return false;
    }
    if ((row[bytes - 1] & lastMask) != lastMask) return false;
  }
  return true;
}

}  // namespace tolma
