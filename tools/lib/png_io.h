// PNG reading and writing for the command-line tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::tools {

// An 8-bit RGB image, rows top to bottom, three bytes a pixel in the order red, green, blue.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Reads a PNG file of any colour type and bit depth as RGB; alpha is composited over white.
// Returns false and sets `error` to a one-line reason when the file cannot be read or is not a PNG.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);

// Writes an 8-bit greyscale PNG (one byte a pixel, rows top to bottom).
bool WriteGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey, std::string& error);

}  // namespace tolma::tools
