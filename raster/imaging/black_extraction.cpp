// Black extraction between the card page and the monochrome bitmap.
#include "raster/imaging/black_extraction.h"

#include <cstring>

namespace tolma {

bool BlackExtractionApplies(int ribbonType, bool twoSided, int twoSidedMode, bool front) {
  switch (ribbonType) {
    case 0:
    case 11:
      return !twoSided || twoSidedMode == 1;
    case 6:
      return !twoSided || twoSidedMode != 0;
    case 7:
    case 12:
      if (!twoSided) return true;
      if (twoSidedMode == 0) return front;
      return twoSidedMode == 1;
    case 8:
      if (!twoSided) return true;
      return front ? twoSidedMode != 1 : twoSidedMode == 2;
    default:
      return false;
  }
}

namespace {

// Bit 3i (i = 0..7) set when pixel i of the 8 at `p` (24 bytes, BGR) is pure black.
uint32_t BlackPixels(const uint8_t* p) {
  // The zero bytes of the 24, one bit each, then the pixels whose three bytes are all zero.
  uint32_t zero = 0;
  for (int w = 0; w < 3; ++w) {
    uint64_t bytes;
    std::memcpy(&bytes, p + 8 * w, sizeof bytes);
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t zeroTops = ~(((bytes & kLow7) + kLow7) | bytes | kLow7);  // top bit of every zero byte
    zero |= static_cast<uint32_t>((((zeroTops >> 7) * 0x0102040810204080ull) >> 56) << (8 * w));
  }
  return zero & (zero >> 1) & (zero >> 2) & 0x249249u;
}

}  // namespace

void ExtractBlackRow(uint8_t* page, uint8_t* mono, int width) {
  uint8_t* pixel = page;
  const uint8_t* last = nullptr;  // the last pixel that was not black; white before the first
  static constexpr uint8_t kWhite[3] = {255, 255, 255};
  for (int x = 0; x < width; x += 8, pixel += 24) {
    // Most groups of 8 have no pure black: nothing to change but the last colour.
    if (BlackPixels(pixel) == 0) {
      last = pixel + 21;
      continue;
    }
    uint8_t keep = 0;
    uint8_t* p = pixel;
    for (int bit = 0; bit < 8; ++bit, p += 3) {
      const bool black = (p[0] | p[1] | p[2]) == 0;
      if (black) {
        const uint8_t* from = last != nullptr ? last : kWhite;
        p[0] = from[0];
        p[1] = from[1];
        p[2] = from[2];
      } else {
        last = p;
      }
      keep = static_cast<uint8_t>((keep << 1) | !black);
    }
    mono[x / 8] &= keep;
  }
}

void ExtractBlack(uint8_t* page, ptrdiff_t pageStride, uint8_t* mono, ptrdiff_t monoStride, int width, int height) {
  for (int y = 0; y < height; ++y) ExtractBlackRow(page + y * pageStride, mono + y * monoStride, width);
}

}  // namespace tolma
