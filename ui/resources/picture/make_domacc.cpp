// Draws "domacc.bmp", the colour correction dialog's preview picture: 100 x 100 pixels at 24 bits, hue bands
// fading to dark, primary, secondary and skin and sky colour patches, and a grey ramp.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "ui/resources/picture/bmp_writer.h"

namespace {

constexpr int kSide = 100;

using tolma::picture::Rgb;

// A colour of hue `h` (0..360) at full saturation and value `v` (0..1).
Rgb Hue(double h, double v) {
  const double c = v;
  const double x = c * (1 - std::fabs(std::fmod(h / 60.0, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(h / 60.0) % 6) {
    case 0:
      r = c, g = x;
      break;
    case 1:
      r = x, g = c;
      break;
    case 2:
      g = c, b = x;
      break;
    case 3:
      g = x, b = c;
      break;
    case 4:
      r = x, b = c;
      break;
    default:
      r = c, b = x;
      break;
  }
  auto byte = [](double u) { return static_cast<uint8_t>(std::lround(u * 255.0)); };
  return {byte(r), byte(g), byte(b)};
}

// The picture's pixel at column x, row y (row 0 at the top).
Rgb PixelAt(int x, int y) {
  if (y < 60) return Hue(x * 360.0 / kSide, 1.0 - 0.6 * y / 59.0);
  if (y < 80) {
    static const Rgb patches[8] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {0, 255, 255},
                                   {255, 0, 255}, {255, 255, 0}, {232, 190, 160}, {120, 170, 220}};
    return patches[x * 8 / kSide];
  }
  const auto grey = static_cast<uint8_t>(x * 255 / (kSide - 1));
  return {grey, grey, grey};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
    return 2;
  }
  return tolma::picture::WriteBmp24(argv[1], kSide, kSide, 11811, PixelAt);
}
