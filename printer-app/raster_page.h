// Raster pages as the printer application receives them, line by line, collected into card pictures;
// the size limits every incoming picture is held to.
#pragma once

#include "tools/lib/png_io.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::printerapp {

using tools::RgbImage;

// Largest picture side and area the printer application takes (a card at 300 dpi is 1024 x 640).
inline constexpr int kMaxPictureSide = 8192;
inline constexpr int64_t kMaxPicturePixels = 16 * 1024 * 1024;
// Most pages (card sides) in one job.
inline constexpr int kMaxJobPages = 64;

// Checks a picture size against the limits; false with a reason.
bool CheckPictureSize(int64_t width, int64_t height, std::string& error);

// The pixel layout of raster lines.
enum class RasterColour {
  Rgb,    // 3 bytes a pixel, red, green, blue (sRGB, RGB, Adobe RGB)
  Grey,   // 1 byte a pixel, 0 black (sGray, W)
  Black,  // 1 byte a pixel, 0 white (K)
  Cmyk,   // 4 bytes a pixel, 0 no ink
};

struct RasterFormat {
  int64_t width = 0;
  int64_t height = 0;
  int64_t bytesPerLine = 0;
  RasterColour colour = RasterColour::Rgb;
};

// One page being received.
class RasterPage {
 public:
  // Starts a page; false with a reason when the format is out of limits or inconsistent.
  bool Start(const RasterFormat& format, std::string& error);
  // Takes line `y` (`bytes` of it); lines outside the page or too short are ignored and counted as missing.
  void WriteLine(uint64_t y, std::span<const uint8_t> bytes);
  // Every line arrived.
  bool Complete() const { return started_ && linesSeen_ == format_.height; }
  int64_t LinesSeen() const { return linesSeen_; }
  int64_t Height() const { return format_.height; }
  // The page as a picture; the page is empty afterwards.
  RgbImage Take();

 private:
  RasterFormat format_;
  RgbImage image_;
  std::vector<uint8_t> seen_;
  int64_t linesSeen_ = 0;
  bool started_ = false;
};

// Turns a picture into grey (the same value in red, green and blue), for monochrome jobs.
void MakeGrey(RgbImage& image);

// The width and height in a PNG file's header; false when the bytes do not start like a PNG file.
bool PngSize(std::span<const uint8_t> head, int64_t& width, int64_t& height);

}  // namespace tolma::printerapp
