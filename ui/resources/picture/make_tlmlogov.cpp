// Draws "tlmlogov.bmp", the logo of the About box: 78 x 54 pixels at 24 bits, a plastic card with rounded corners
// in a blue-to-teal gradient, a contact chip, a white "T" and the four dye panels of a ribbon.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "ui/resources/picture/bmp_writer.h"

namespace {

constexpr int kWidth = 78;
constexpr int kHeight = 54;

using tolma::picture::Rgb;

constexpr Rgb kFace{0xF0, 0xF0, 0xF0};  // the dialog colour around the card's corners
constexpr Rgb kEdge{0x14, 0x2B, 0x5C};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kGold{0xD9, 0xB2, 0x4C};
constexpr Rgb kGoldLine{0x8C, 0x6D, 0x1F};

bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// Inside a rectangle with corners rounded to `radius`.
bool InRoundedRect(int x, int y, int left, int top, int right, int bottom, int radius) {
  if (!Inside(x, y, left, top, right, bottom)) return false;
  const int cx = x < left + radius ? left + radius : (x >= right - radius ? right - radius - 1 : x);
  const int cy = y < top + radius ? top + radius : (y >= bottom - radius ? bottom - radius - 1 : y);
  const int dx = x - cx;
  const int dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto channel = [t](uint8_t u, uint8_t v) { return static_cast<uint8_t>(std::lround(u + (v - u) * t)); };
  return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// The logo's pixel at column x, row y (row 0 at the top).
Rgb PixelAt(int x, int y) {
  if (!InRoundedRect(x, y, 1, 1, kWidth - 1, kHeight - 1, 7)) return kFace;
  if (!InRoundedRect(x, y, 2, 2, kWidth - 2, kHeight - 2, 6)) return kEdge;
  // The chip, with its contact lines.
  if (Inside(x, y, 9, 17, 24, 29)) {
    if (x == 16 || y == 21 || y == 25) return kGoldLine;
    return kGold;
  }
  // The "T": a bar and a stem.
  if (Inside(x, y, 38, 9, 68, 15) || Inside(x, y, 50, 15, 56, 37)) return kWhite;
  // The ribbon's dye panels Y, M, C and K along the bottom.
  constexpr Rgb kPanels[4] = {{0xFF, 0xE0, 0x00}, {0xE6, 0x00, 0x7E}, {0x00, 0xA0, 0xE3}, {0x10, 0x10, 0x10}};
  for (int i = 0; i < 4; ++i)
    if (Inside(x, y, 9 + 8 * i, 40, 15 + 8 * i, 46)) return kPanels[i];
  // The card's face: a diagonal gradient from deep blue to teal.
  const double t = (x + y) / double(kWidth + kHeight - 2);
  return Mix({0x1E, 0x3C, 0x8C}, {0x16, 0xA0, 0x96}, t);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
    return 2;
  }
  return tolma::picture::WriteBmp24(argv[1], kWidth, kHeight, 3780, PixelAt);
}
