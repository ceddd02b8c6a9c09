// Monochrome conversion of the card page for the resin panel, bar-code thinning and the blank test.
#include "raster/imaging/mono_convert.h"

#include "raster/imaging/power.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

// Packs a row's decisions, one byte each (nonzero white), into the bitmap row: 8 at a time, the first in the top
// bit; bits past the width keep their value.
void PackDecisions(const uint8_t* decisions, int width, uint8_t* out, uint8_t lastMask) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t eight;
    std::memcpy(&eight, decisions + x, sizeof eight);
    // The top bit of every byte (decisions are 0 or 255), gathered into one byte with the first pixel on top.
    *out++ = static_cast<uint8_t>((((eight >> 7) & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
  }
  if (x == width) return;
  RowPacker packer(out, lastMask);
  for (; x < width; ++x) packer.Put(decisions[x] != 0);
  packer.Finish();
}

// "Diffusion". The page's rows are the work storage: the first pass leaves each row's grey values (after the black
// adjustments) in its first `width` bytes, and the next `width` bytes and the `width` after them hold the positive
// and the negative error that the row above passed down (each summed, at most 255). Each row's decisions replace
// its grey values, are packed into the bitmap, and are then left in byte 0 of its pixels.

// One row being decided from left to right: its bytes, where its error goes down, and the error it carries.
class DiffusionRow {
 public:
  // `below` is the next row, or for the last row the row itself: its error bytes then take the shares passed
  // down, each after it was read, and nothing reads them again.
  DiffusionRow(uint8_t* row, uint8_t* below, int width)
      : decision_(row),
        posAbove_(row + width),
        negAbove_(row + 2 * static_cast<size_t>(width)),
        posBelow_(below + width),
        negBelow_(below + 2 * static_cast<size_t>(width)),
        width_(width) {}

  // Decides pixel x, replacing its grey value by the decision (0 black, 255 white), and passes its error on:
  // along the row to the next two pixels, and down to the pixels x - 2 .. x + 2 below, of which x - 2 then has
  // all its shares and is written.
  void Decide(int x, const std::array<uint8_t, 256>& stretch) {
    const int v = stretch[decision_[x]];
    const int pos = std::min(255, posAbove_[x] + carryPos1_);
    const int neg = std::min(255, negAbove_[x] + carryNeg1_);
    const int g = std::clamp(v + pos - neg, 0, 255);
    // A much lighter next pixel (its first-pass value) keeps the edge dark. (Past the last pixel the byte read is
    // the row's first error byte, and the test is off.)
    const bool edge = (x + 1 < width_) & (decision_[x + 1] > v + 64);
    const bool white = (v > 248) | ((v >= 7) & !edge & (g >= 128));
    decision_[x] = white ? kWhite : kBlack;

    // White passes 255 - g on as negative error. Black passes g and then 255 on as positive error, both in one
    // share, and fills the next pixel's positive error. Each share is truncated on its own, and every share is
    // non-negative, so one saturation of a sum equals saturating at every step.
    const int e = white ? 255 - g : g;
    const int extra = white ? 0 : 255;
    const int eighth = e * 8 / 32 + extra * 8 / 32;
    const int quarter = e * 4 / 32 + extra * 4 / 32;
    const int sixteenth = e * 2 / 32 + extra * 2 / 32;
    carryPos1_ = white ? carryPos2_ : 255;
    carryNeg1_ = carryNeg2_ + (white ? eighth : 0);
    carryPos2_ = white ? 0 : quarter;
    carryNeg2_ = white ? quarter : 0;

    // Down: 2/32, 4/32, 8/32, 4/32 and 2/32 to x - 2 .. x + 2.
    const uint32_t side = white ? 65536 : 1;
    down0_ += static_cast<uint32_t>(sixteenth) * side;
    down1_ += static_cast<uint32_t>(quarter) * side;
    down2_ += static_cast<uint32_t>(eighth) * side;
    down3_ += static_cast<uint32_t>(quarter) * side;
    if (x >= 2) PutDown(x - 2, down0_);
    down0_ = down1_;
    down1_ = down2_;
    down2_ = down3_;
    down3_ = static_cast<uint32_t>(sixteenth) * side;  // pixel x + 2's first share
  }

  // After the last pixel: writes the last two pixels below; shares past the row's end are dropped.
  void Finish() {
    if (width_ >= 2) PutDown(width_ - 2, down0_);
    PutDown(width_ - 1, down1_);
  }

 private:
  void PutDown(int x, uint32_t shares) {
    posBelow_[x] = static_cast<uint8_t>(std::min<uint32_t>(255, shares & 0xFFFF));
    negBelow_[x] = static_cast<uint8_t>(std::min<uint32_t>(255, shares >> 16));
  }

  uint8_t* decision_;
  const uint8_t* posAbove_;
  const uint8_t* negAbove_;
  uint8_t* posBelow_;
  uint8_t* negBelow_;
  int width_;
  // The shares for the next two pixels of the row.
  int carryPos1_ = 0;
  int carryNeg1_ = 0;
  int carryPos2_ = 0;
  int carryNeg2_ = 0;
  // The shares passed down to the pixels x - 2, x - 1, x and x + 1 below so far, positive in the low 16 bits and
  // negative in the high (a sum stays below 640, so the halves never meet).
  uint32_t down0_ = 0;
  uint32_t down1_ = 0;
  uint32_t down2_ = 0;
  uint32_t down3_ = 0;
};

class Diffusion {
 public:
  Diffusion(const ColourPage& page, const MonoBitmap& mono) : page_(page), mono_(mono) {}

  // The grey values first, for the side's lowest and highest; then the rows from the top, each passing its error
  // down to the next as it is decided.
  void Run(const std::array<uint8_t, 256>& curve) {
    const auto [lo, hi] = GreyRows(curve);
    const std::array<uint8_t, 256> stretch = BuildStretch(lo, hi);
    const int width = page_.width;
    const int height = page_.height;
    // The first row has no row above to take error from.
    std::memset(page_.Row(0) + width, 0, 2 * static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
      DiffusionRow row(page_.Row(y), page_.Row(std::min(y + 1, height - 1)), width);
      for (int x = 0; x < width; ++x) row.Decide(x, stretch);
      row.Finish();
      PackDecisions(page_.Row(y), width, mono_.Row(y), mono_.LastByteMask());
      LeaveDecisions(page_.Row(y));
    }
  }

 private:
  // Grey value and black adjustments of every pixel, into the first bytes of its row; returns the lowest and the
  // highest value of the side.
  std::pair<int, int> GreyRows(const std::array<uint8_t, 256>& curve) {
    int lo = 255;
    int hi = 0;
    for (int y = 0; y < page_.height; ++y) {
      uint8_t* row = page_.Row(y);
      const uint8_t* p = row;
      for (int x = 0; x < page_.width; ++x, p += 3) {
        const uint8_t v = curve[MonoGrey(p[0], p[1], p[2])];
        row[x] = v;  // behind the pixel being read
        lo = std::min<int>(lo, v);
        hi = std::max<int>(hi, v);
      }
    }
    return {lo, hi};
  }

  // Leaves each decision in byte 0 of its pixel, from the last pixel back so that none is overwritten unread.
  void LeaveDecisions(uint8_t* row) const {
    for (int x = page_.width - 1; x >= 0; --x) row[static_cast<size_t>(x) * 3] = row[x];
  }

  ColourPage page_;
  MonoBitmap mono_;
};

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
      Diffusion(page, mono).Run(BuildBlackCurve(black));
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
