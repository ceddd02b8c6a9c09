// PNG reading and writing for the command-line tools.
#pragma once

#include "tools/lib/rgb_image.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::tools {

// Decodes PNG data of any colour type and bit depth (interlaced too) as RGB; alpha is composited over
// white. `name` names the file in messages. Returns false and sets `error` to a one-line reason in plain
// words when the data are not a PNG, are cut short, damaged or larger than `limits` allow.
bool DecodePng(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
               std::string& error);

// Reads a PNG file as DecodePng does; false with a reason when it cannot be opened or decoded.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);

// Writes an 8-bit greyscale PNG (one byte a pixel, rows top to bottom).
bool WriteGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey, std::string& error);

// Writes an 8-bit RGB PNG (red, green, blue a pixel, rows top to bottom).
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, std::string& error);

}  // namespace tolma::tools
