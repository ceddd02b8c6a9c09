// Bitmap files for the overlay and hologram tests.
#include "tests/support/bitmap_files.h"

#include <algorithm>

namespace tolma::test {
namespace {

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The 14-byte file header and the 40-byte information header of a bitmap whose pixels start at `bits`.
void PutHeaders(std::vector<uint8_t>& file, uint32_t bits, int width, int height, int bitCount) {
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  Put32(file, 10, bits);
  Put32(file, 14, 40);  // info header size
  Put32(file, 18, static_cast<uint32_t>(width));
  Put32(file, 22, static_cast<uint32_t>(height));
  file[26] = 1;  // planes
  file[28] = static_cast<uint8_t>(bitCount);
}

}  // namespace

std::vector<uint8_t> OneBitBitmap(int width, int height, const std::function<bool(int, int)>& white, bool topDown) {
  constexpr uint32_t kBits = 62;
  const uint32_t stride = (static_cast<uint32_t>(width) + 31) / 32 * 4;
  std::vector<uint8_t> file(kBits + static_cast<size_t>(stride) * static_cast<uint32_t>(height), 0);
  PutHeaders(file, kBits, width, topDown ? -height : height, 1);
  Put32(file, 46, 2);           // colours used
  Put32(file, 58, 0x00FFFFFF);  // colour 1 white (colour 0 stays black)
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = topDown ? fileRow : height - 1 - fileRow;
    for (int x = 0; x < width; ++x)
      if (white(x, y))
        file[kBits + static_cast<size_t>(fileRow) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
  return file;
}

std::vector<uint8_t> OneBitCardBitmap(const RECTL& black) {
  return OneBitBitmap(1024, 640, [&](int x, int y) {
    return !(x >= black.left && x < black.right && y >= black.top && y < black.bottom);
  });
}

std::vector<uint8_t> TrueColourBitmap(int width, int height) {
  constexpr uint32_t kBits = 54;
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> file(kBits + static_cast<size_t>(stride) * static_cast<uint32_t>(height), 0xFF);
  std::fill(file.begin(), file.begin() + kBits, 0);
  PutHeaders(file, kBits, width, height, 24);
  return file;
}

}  // namespace tolma::test
