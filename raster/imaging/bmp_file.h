// Reading one-bit bitmap files (overlay and hologram areas) safely.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tolma {

// A one-bit bitmap file laid out as the overlay path reads it: a 14-byte file header, then a block of
// (file size - 14) bytes starting with a 40-byte BITMAPINFOHEADER and a two-entry colour table, the pixel
// rows following at offset 48 of the block.
struct MonoBitmapFile {
  std::span<const uint8_t> block;  // from the info header to the file size the header gives
  int32_t width = 0;
  int32_t height = 0;             // negative for a top-down file
  std::span<const uint8_t> bits;  // the pixel rows, (width + 31) / 32 * 4 bytes each, all inside the block
};

inline constexpr uint32_t kBitmapFileHeaderSize = 14;
inline constexpr uint32_t kMonoBitmapBitsOffset = 48;  // in the block: info header and two colours
inline constexpr int32_t kMaxBitmapSide = 32768;

// Checks a whole file's bytes and returns its parts; none when the header's file size is below the
// smallest bitmap or beyond the file, or when the bitmap is not an uncompressed one-bit image with a
// 40-byte header whose rows lie inside the block.
std::optional<MonoBitmapFile> ParseMonoBitmapFile(std::span<const uint8_t> file);

}  // namespace tolma
