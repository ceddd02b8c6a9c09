// Writes the 24-bit Windows bitmap files of the pictures the build draws (the colour preview, the logo).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace tolma::picture {

struct Rgb {
  uint8_t r, g, b;
};

// A file header, a 40-byte information header (uncompressed, `pixelsPerMetre` both ways), then the rows bottom-up,
// each padded to four bytes; `pixelAt(x, y)` gives the colour of a pixel, y counted from the top. Returns the
// program's exit status: 0, or 1 after saying why on standard error.
template <typename PixelAt>
int WriteBmp24(const char* path, int width, int height, uint32_t pixelsPerMetre, PixelAt pixelAt) {
  const auto rowBytes = static_cast<uint32_t>((width * 3 + 3) / 4 * 4);
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  auto put16 = [&](uint32_t v) {
    file.push_back(static_cast<uint8_t>(v));
    file.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  file.push_back('B');
  file.push_back('M');
  for (uint32_t v :
       {14 + 40 + pixelBytes, 0u, 14u + 40u, 40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
    put32(v);
  put16(1);   // planes
  put16(24);  // bits a pixel
  for (uint32_t v : {0u, pixelBytes, pixelsPerMetre, pixelsPerMetre, 0u, 0u}) put32(v);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixelAt(x, y);
      file.push_back(c.b);
      file.push_back(c.g);
      file.push_back(c.r);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) file.push_back(0);
  }
  std::FILE* out = std::fopen(path, "wb");
  const bool written = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (out != nullptr && std::fclose(out) != 0) return std::perror(path), 1;
  if (!written) return std::perror(path), 1;
  return 0;
}

}  // namespace tolma::picture
