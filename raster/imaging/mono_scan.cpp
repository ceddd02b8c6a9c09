// The one-bit panel scans over a monochrome bitmap, rows (portrait) and columns (landscape).
#include "raster/imaging/mono_scan.h"

#include <array>

namespace tolma {

namespace {

constexpr uint8_t ReverseBits(uint8_t v) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | (((v >> i) & 1) << (7 - i)));
  return r;
}

// A byte as the printer wants it: inverted (set bit = dot), and bit-reversed for the turned panel.
struct ByteTables {
  std::array<uint8_t, 256> inverted{};
  std::array<uint8_t, 256> reversedInverted{};
};
constexpr ByteTables MakeByteTables() {
  ByteTables t;
  for (int v = 0; v < 256; ++v) {
    t.inverted[v] = static_cast<uint8_t>(~v);
    t.reversedInverted[v] = static_cast<uint8_t>(~ReverseBits(static_cast<uint8_t>(v)));
  }
  return t;
}
constexpr ByteTables kTables = MakeByteTables();

// True when `bytes` holds `rows` rows of `rowBytes` bytes spaced `stride` apart.
bool Covers(const MonoBitmapView& bitmap, size_t rows, size_t rowBytes) {
  if (bitmap.stride < rowBytes || bitmap.bytes.data() == nullptr) return false;
  return bitmap.bytes.size() >= (rows - 1) * bitmap.stride + rowBytes;
}

// Transposes an 8 x 8 bit block: byte i of the result (from the top byte) holds, top bit first, bit 7 - i
// of each input byte, input byte 0 first.
inline uint64_t Transpose8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
  x = x ^ t ^ (t << 28);
  return x;
}

}  // namespace

bool ScanMonoRows(const MonoBitmapView& bitmap, bool rotationFlag, MonoPanelEncoder& encoder) {
  if (!Covers(bitmap, kMonoPortraitRows, kMonoPortraitRowBytes)) return false;
  std::array<uint8_t, kMonoPortraitRowBytes> line;
  const uint8_t* const base = bitmap.bytes.data();
  for (int n = 0; n < kMonoPortraitRows; ++n) {
    if (rotationFlag) {
      const uint8_t* row = base + static_cast<size_t>(n) * bitmap.stride;
      for (size_t k = 0; k < line.size(); ++k) line[k] = kTables.inverted[row[k]];
    } else {
      // From the last byte of row 1023 backward, each byte mirrored.
      const uint8_t* row = base + static_cast<size_t>(kMonoPortraitRows - 1 - n) * bitmap.stride;
      for (size_t k = 0; k < line.size(); ++k) line[k] = kTables.reversedInverted[row[line.size() - 1 - k]];
    }
    encoder.Put(line);
  }
  return true;
}

bool ScanMonoColumns(const MonoBitmapView& bitmap, bool rotationFlag, MonoPanelEncoder& encoder) {
  if (!Covers(bitmap, kMonoLandscapeRows, kMonoLandscapeRowBytes)) return false;
  // The 640 bytes of one byte column in reading order, prepared (inverted, mirrored for the flag clear
  // scan, so that its bit positions always run from the top bit), and the 8 lines they make.
  constexpr size_t kLineBytes = kMonoLandscapeRows / 8;  // 80
  std::array<uint8_t, kMonoLandscapeRows> gathered;
  std::array<uint8_t, 8 * kLineBytes> lines;
  const uint8_t* const base = bitmap.bytes.data();
  const auto& table = rotationFlag ? kTables.inverted : kTables.reversedInverted;

  for (size_t c = 0; c < kMonoLandscapeRowBytes; ++c) {
    // Flag set: byte columns from the left, read from row 639 up; clear: from the right, row 0 down.
    const size_t column = rotationFlag ? c : kMonoLandscapeRowBytes - 1 - c;
    for (size_t i = 0; i < gathered.size(); ++i) {
      const size_t row = rotationFlag ? kMonoLandscapeRows - 1 - i : i;
      gathered[i] = table[base[row * bitmap.stride + column]];
    }
    // Each 8 gathered bytes give one byte of each of the 8 lines.
    for (size_t k = 0; k < kLineBytes; ++k) {
      uint64_t block = 0;
      for (size_t i = 0; i < 8; ++i) block = (block << 8) | gathered[8 * k + i];
      block = Transpose8(block);
      for (size_t p = 0; p < 8; ++p) lines[p * kLineBytes + k] = static_cast<uint8_t>(block >> (56 - 8 * p));
    }
    encoder.Put(std::span<const uint8_t>(lines.data(), 8 * kLineBytes));
  }
  return true;
}

bool ScanMonoColumnsPacked(std::span<const uint8_t> bitmap, bool rotationFlag, MonoPanelEncoder& encoder) {
  return ScanMonoColumns(MonoBitmapView{bitmap, kMonoLandscapeRowBytes}, rotationFlag, encoder);
}

}  // namespace tolma
