// Internal: pixel access and the 1:1 / stretched copy shared by the host's engine drawing routines and GDI.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolma::host::detail {

constexpr ULONG kWhiteColour = 0xFFFFFF;

// A view of 1-bit or 24-bit pixel rows. Values are stored values: the bit (1 white, 0 black) for 1 bit a
// pixel, 0xRRGGBB for 24 bits a pixel (bytes blue, green, red in memory).
struct PixelPlane {
  uint8_t* scan0 = nullptr;  // first (top) row
  ptrdiff_t delta = 0;       // bytes from one row to the next one down
  LONG width = 0;
  LONG height = 0;
  int bpp = 0;  // 1 or 24

  ULONG Get(LONG x, LONG y) const {
    const uint8_t* row = scan0 + delta * y;
    if (bpp == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
    return p[0] | (static_cast<ULONG>(p[1]) << 8) | (static_cast<ULONG>(p[2]) << 16);
  }
  void Set(LONG x, LONG y, ULONG value) const {
    uint8_t* row = scan0 + delta * y;
    if (bpp == 1) {
      const auto bit = static_cast<uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1u) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
      return;
    }
    uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
  }
  RECTL Bounds() const { return RECTL{0, 0, width, height}; }
};

// A solid colour (0xRRGGBB) as stored in a plane of `bpp` bits a pixel: on 1 bit, white is 1 and
// every other colour 0.
inline ULONG ColourToStored(ULONG colour, int bpp) {
  if (bpp == 1) return (colour & 0xFFFFFF) == kWhiteColour ? 1u : 0u;
  return colour & 0xFFFFFF;
}

// Maps a source plane's stored values to a target plane's: a 1-bit source goes through its two
// colours (black and white unless a table says otherwise), then to the target's format.
struct ColourMap {
  int sourceBpp = 24;
  int targetBpp = 24;
  ULONG colours[2] = {0, kWhiteColour};

  ULONG operator()(ULONG value) const {
    const ULONG colour = sourceBpp == 1 ? colours[value & 1u] : value;
    return ColourToStored(colour, targetBpp);
  }
};

// Intersection of two rectangles (empty when right <= left or bottom <= top).
inline RECTL Intersect(const RECTL& a, const RECTL& b) {
  RECTL r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
          a.bottom < b.bottom ? a.bottom : b.bottom};
  return r;
}
inline bool IsEmpty(const RECTL& r) { return r.right <= r.left || r.bottom <= r.top; }

// How a stretched copy combines the source pixels that fall on one target pixel when shrinking.
enum class Combine {
  First,  // the block's first pixel
  And,    // black wins (BLACKONWHITE)
  Or,     // white wins (WHITEONBLACK)
};

// Copies `sourceRect` of `source` onto `targetRect` of `target` (both well ordered, non-empty),
// scaling by whole pixels, mirrored along x and/or y when asked, only inside the `clips` rectangles
// (already within the target), through `map`. Each target pixel takes the block of source pixels that
// falls on it (at least one), combined by `combine`. Source pixels outside `source` are never read.
void StretchPixels(const PixelPlane& target, const RECTL& targetRect, bool flipX, bool flipY, const PixelPlane& source,
                   const RECTL& sourceRect, const std::vector<RECTL>& clips, const ColourMap& map, Combine combine);

}  // namespace tolma::host::detail
