// Black extraction between the card page and the monochrome bitmap.
#include "raster/imaging/black_extraction.h"

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

void ExtractBlackRow(uint8_t* page, uint8_t* mono, int width) {
  uint8_t* pixel = page;
  const uint8_t* last = nullptr;  // the last pixel that was not black; white before the first
  static constexpr uint8_t kWhite[3] = {255, 255, 255};
  for (int x = 0; x < width; x += 8) {
    uint8_t keep = 0;
    for (int bit = 0; bit < 8; ++bit, pixel += 3) {
      const bool black = (pixel[0] | pixel[1] | pixel[2]) == 0;
      if (black) {
        const uint8_t* from = last != nullptr ? last : kWhite;
        pixel[0] = from[0];
        pixel[1] = from[1];
        pixel[2] = from[2];
      } else {
        last = pixel;
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
