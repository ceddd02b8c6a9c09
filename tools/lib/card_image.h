// Fitting a picture onto the card page: the sizing arithmetic and the resampling it needs.
#pragma once

#include "tools/lib/png_io.h"
#include "tools/lib/print_options.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::tools {

inline constexpr int kCardLong = 1024;
inline constexpr int kCardShort = 640;

// The page orientation for an image: exactly 1024 x 640 is landscape and 640 x 1024 portrait; other sizes
// follow their longer side (a square image is landscape), unless the orientation is forced.
bool PortraitFor(int width, int height, Orientation requested);

// Where an image goes on the page: the part of the image that is used and the page rectangle it covers.
struct Placement {
  int pageWidth = 0;
  int pageHeight = 0;
  int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;  // part of the image used
  int x = 0, y = 0, width = 0, height = 0;              // its place on the page
  bool pixelForPixel = false;                           // the image is the page size: no scaling
};

// Plans the placement of a `width` x `height` image on a page of the given orientation. Returns false
// with a reason when the image is empty or `mode` is Exact and the image is not the page size.
bool PlanPlacement(int width, int height, bool portrait, SizeMode mode, Placement& out, std::string& error);

// One line for standard error: how the image was placed.
std::string DescribePlacement(int width, int height, const Placement& placement, SizeMode mode);

// Resamples the part (srcX, srcY, srcWidth, srcHeight) of an image to width x height: a triangle filter
// as wide as the scale needs (averaging when shrinking, linear interpolation when enlarging); 1:1 copies.
RgbImage Resample(const RgbImage& image, int srcX, int srcY, int srcWidth, int srcHeight, int width, int height);

// The placed picture as 24-bit engine pixels: blue, green, red, rows top to bottom, `stride` bytes apart.
struct PagePicture {
  int x = 0, y = 0, width = 0, height = 0;  // page rectangle
  int stride = 0;
  std::vector<uint8_t> bgr;
};
PagePicture PlaceImage(const RgbImage& image, const Placement& placement);

}  // namespace tolma::tools
