// One-bit panel scans: walk a monochrome bitmap in the printer's line order (1024 lines of 640 dots) and
// hand its bytes, inverted so that a set bit is a dot to print, to the one-bit encoder.
#pragma once

#include "common/mono_rle.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma {

// A top-down monochrome bitmap: row r starts at bytes[r * stride]; the first pixel of a byte is its top
// bit and a set bit is white.
struct MonoBitmapView {
  std::span<const uint8_t> bytes;
  size_t stride = 0;
};

inline constexpr size_t kMonoPortraitRowBytes = 80;    // 640 pixels
inline constexpr size_t kMonoLandscapeRowBytes = 128;  // 1024 pixels
inline constexpr int kMonoPortraitRows = 1024;
inline constexpr int kMonoLandscapeRows = 640;

// Portrait scan of a 640 x 1024 bitmap. Flag set: rows 0..1023, each in memory order. Flag clear: rows
// 1023..0, each from its last byte backward with every byte bit-reversed (the panel turned by 180 degrees).
// Returns false and encodes nothing when the bitmap is too small for its stride.
bool ScanMonoRows(const MonoBitmapView& bitmap, bool rotationFlag, MonoPanelEncoder& encoder);

// Landscape scan of a 1024 x 640 bitmap: one line per pixel column. Flag set: columns 0..1023, each read
// from row 639 up to row 0. Flag clear: columns 1023..0, each read from row 0 down to row 639.
// Returns false and encodes nothing when the bitmap is too small for its stride.
bool ScanMonoColumns(const MonoBitmapView& bitmap, bool rotationFlag, MonoPanelEncoder& encoder);

// The landscape scan over a plain bitmap of 640 rows lying 128 bytes apart (overlay and hologram images).
// Returns false and encodes nothing when `bitmap` holds fewer than 81,920 bytes.
bool ScanMonoColumnsPacked(std::span<const uint8_t> bitmap, bool rotationFlag, MonoPanelEncoder& encoder);

}  // namespace tolma
