// Draws "doma.ico", DomaUI's icon group 1002 (the device sheet's encoder and tools buttons): the About logo's card
// at 16 x 16 and 32 x 32 pixels, 32-bit with alpha, smoothed by sampling each pixel 4 x 4 times. The file is kept
// in the tree beside the resource script (the Windows build cannot run this program); a test checks that it is
// what this program draws. After changing the drawing: tolma-mkicon ui/resources/doma.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba {
  double r, g, b, a;
};

bool Inside(double x, double y, double left, double top, double right, double bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// Inside a rectangle with corners rounded to `radius`.
bool InRoundedRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (!Inside(x, y, left, top, right, bottom)) return false;
  const double cx = x < left + radius ? left + radius : (x > right - radius ? right - radius : x);
  const double cy = y < top + radius ? top + radius : (y > bottom - radius ? bottom - radius : y);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

Rgba Colour(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1.0}; }

// The icon at a point of the unit square (0, 0 top left): a card with a chip and a white "T".
Rgba Sample(double x, double y) {
  constexpr double kLeft = 0.02, kTop = 0.17, kRight = 0.98, kBottom = 0.83;
  if (!InRoundedRect(x, y, kLeft, kTop, kRight, kBottom, 0.12)) return {0, 0, 0, 0};
  if (!InRoundedRect(x, y, kLeft + 0.04, kTop + 0.04, kRight - 0.04, kBottom - 0.04, 0.09))
    return Colour(0x14, 0x2B, 0x5C);
  if (Inside(x, y, 0.13, 0.36, 0.36, 0.58)) return Colour(0xD9, 0xB2, 0x4C);  // the chip
  if (Inside(x, y, 0.46, 0.27, 0.88, 0.39) || Inside(x, y, 0.61, 0.39, 0.73, 0.75))
    return Colour(0xFF, 0xFF, 0xFF);  // "T"
  const double t = (x + y) / 2.0;     // the face: deep blue to teal
  return {(0x1E + (0x16 - 0x1E) * t) / 255.0, (0x3C + (0xA0 - 0x3C) * t) / 255.0, (0x8C + (0x96 - 0x8C) * t) / 255.0,
          1.0};
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One image of the icon: an information header of twice the height (colour rows and mask rows), the BGRA rows
// bottom-up, then the one-bit mask (set where the icon is fully transparent), rows padded to four bytes.
std::vector<uint8_t> DrawImage(int size) {
  std::vector<uint8_t> image;
  for (uint32_t v : {40u, static_cast<uint32_t>(size), static_cast<uint32_t>(2 * size)}) Put32(image, v);
  Put16(image, 1);
  Put16(image, 32);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  const size_t maskRow = static_cast<size_t>((size + 31) / 32 * 4);
  std::vector<uint8_t> mask(maskRow * static_cast<size_t>(size), 0);
  for (int row = size - 1; row >= 0; --row) {
    for (int column = 0; column < size; ++column) {
      // The average of 4 x 4 samples, the colours weighted by their cover.
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const Rgba s = Sample((column + (sx + 0.5) / 4) / size, (row + (sy + 0.5) / 4) / size);
          r += s.r * s.a;
          g += s.g * s.a;
          b += s.b * s.a;
          a += s.a;
        }
      }
      auto byte = [](double v) { return static_cast<uint8_t>(std::lround(v * 255.0)); };
      const double cover = a / 16;
      image.push_back(a > 0 ? byte(b / a) : 0);
      image.push_back(a > 0 ? byte(g / a) : 0);
      image.push_back(a > 0 ? byte(r / a) : 0);
      image.push_back(byte(cover));
      if (a == 0) {
        const size_t bottomUp = static_cast<size_t>(size - 1 - row);
        mask[bottomUp * maskRow + static_cast<size_t>(column / 8)] |= static_cast<uint8_t>(0x80 >> (column % 8));
      }
    }
  }
  image.insert(image.end(), mask.begin(), mask.end());
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
    return 2;
  }
  constexpr int kSizes[] = {16, 32};
  std::vector<std::vector<uint8_t>> images;
  for (int size : kSizes) images.push_back(DrawImage(size));
  // The directory: reserved, type 1 (icon), the count; an entry per image; then the images.
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<uint32_t>(images.size()));
  auto offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<uint8_t>(kSizes[i]));  // width
    file.push_back(static_cast<uint8_t>(kSizes[i]));  // height
    file.push_back(0);                                // no palette
    file.push_back(0);
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits a pixel
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  std::FILE* out = std::fopen(argv[1], "wb");
  const bool written = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (out != nullptr && std::fclose(out) != 0) return std::perror(argv[1]), 1;
  if (!written) return std::perror(argv[1]), 1;
  return 0;
}
