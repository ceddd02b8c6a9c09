// One-bit bitmap files for the overlay tests.
#include "tests/support/bitmap_files.h"

namespace tolma::test {

std::vector<uint8_t> OneBitCardBitmap(const RECTL& black) {
  constexpr uint32_t kStride = 128, kRows = 640, kBits = 62;
  std::vector<uint8_t> file(kBits + kStride * kRows, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, kBits);
  put32(14, 40);  // info header size
  put32(18, 1024);
  put32(22, kRows);
  file[26] = 1;           // planes
  file[28] = 1;           // bits a pixel
  put32(46, 2);           // colours used
  put32(58, 0x00FFFFFF);  // colour 1 white (colour 0 stays black)
  for (uint32_t fileRow = 0; fileRow < kRows; ++fileRow) {
    const LONG y = static_cast<LONG>(kRows - 1 - fileRow);
    for (LONG x = 0; x < 1024; ++x) {
      const bool isBlack = x >= black.left && x < black.right && y >= black.top && y < black.bottom;
      if (!isBlack) file[kBits + fileRow * kStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return file;
}

}  // namespace tolma::test
