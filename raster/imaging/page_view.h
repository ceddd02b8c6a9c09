// Views of the card page (24-bit BGR) and the monochrome bitmap (1 bit a pixel) over locked bitmap bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolma {

// Largest side the imaging code accepts; keeps every offset computation far from overflow.
inline constexpr int kMaxImagingSide = 1 << 15;

// The 24-bit card page: 3 bytes a pixel (blue, green, red), rows `stride` bytes apart, row 0 first.
struct ColourPage {
  uint8_t* bits = nullptr;
  size_t size = 0;    // bytes reachable from `bits`
  size_t stride = 0;  // bytes from one row to the next
  int width = 0;      // pixels a row
  int height = 0;     // rows

  // True when the bits are present and every pixel of every row lies inside `size`.
  bool IsValid() const {
    if (bits == nullptr || width <= 0 || height <= 0 || width > kMaxImagingSide || height > kMaxImagingSide) {
      return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (stride < rowBytes || size < rowBytes) return false;
    return (size - rowBytes) / stride >= static_cast<size_t>(height - 1);
  }
  uint8_t* Row(int y) const { return bits + static_cast<size_t>(y) * stride; }
};

// The monochrome bitmap: 1 bit a pixel, the leftmost pixel in the top bit, a set bit is white.
struct MonoBitmap {
  uint8_t* bits = nullptr;
  size_t size = 0;
  size_t stride = 0;
  int width = 0;
  int height = 0;

  size_t RowBytes() const { return (static_cast<size_t>(width) + 7) / 8; }
  // True when the bits are present and every pixel of every row lies inside `size`.
  bool IsValid() const {
    if (bits == nullptr || width <= 0 || height <= 0 || width > kMaxImagingSide || height > kMaxImagingSide) {
      return false;
    }
    if (stride < RowBytes() || size < RowBytes()) return false;
    return (size - RowBytes()) / stride >= static_cast<size_t>(height - 1);
  }
  uint8_t* Row(int y) const { return bits + static_cast<size_t>(y) * stride; }
  // Mask of the bits of the last byte of a row that hold pixels (0xFF when the width is a multiple of 8).
  uint8_t LastByteMask() const {
    const int tail = width % 8;
    return tail == 0 ? uint8_t{0xFF} : static_cast<uint8_t>(0xFF00u >> tail);
  }
};

}  // namespace tolma
