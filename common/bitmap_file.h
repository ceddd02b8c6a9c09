// Reading one-bit bitmap files (overlay and hologram areas) safely, for both libraries.
#pragma once

#include "common/wide.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tolma {

// A one-bit bitmap file laid out as the overlay and hologram paths read it: a 14-byte file header, then a block of
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
// Bitmap files larger than this are not read at all.
inline constexpr uint32_t kMaxBitmapFileSize = 16u << 20;

// Checks a whole file's bytes and returns its parts; none when the header's file size is below the
// smallest bitmap or beyond the file, or when the bitmap is not an uncompressed one-bit image with a
// 40-byte header whose rows lie inside the block.
std::optional<MonoBitmapFile> ParseMonoBitmapFile(std::span<const uint8_t> file);

// Reads a whole file through the platform's file calls; empty when it cannot be opened or read, or is larger
// than kMaxBitmapFileSize. A short read gives the bytes that were read. `opened`, when given, tells whether the
// file could be opened at all.
std::vector<uint8_t> ReadBitmapFileBytes(const WString& path, bool* opened = nullptr);

}  // namespace tolma
