// The 8-bit RGB picture the tools pass around, and the size limits of the picture readers.
#pragma once

#include <cstdint>
#include <vector>

namespace tolma::tools {

// An 8-bit RGB image, rows top to bottom, three bytes a pixel in the order red, green, blue.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Bounds on what a picture reader accepts, so that a small damaged or hostile file cannot ask for
// gigabytes of memory or minutes of work.
struct DecodeLimits {
  uint64_t maxPixels = 64'000'000;  // width x height; a 50-megapixel camera photo still fits
  int maxJpegScans = 500;           // progressive JPEG files rarely have more than 20
};

}  // namespace tolma::tools
