// The card pictures tolma-print reads: PNG or JPEG files, the format told by the file's content.
#pragma once

#include "tools/lib/rgb_image.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::tools {

enum class ImageFormat { Unknown, Png, Jpeg };

// The format of a file from its first bytes: the PNG signature or a JPEG start-of-image marker.
ImageFormat SniffImageFormat(std::span<const uint8_t> bytes);

// What the reader did to a picture besides decoding it, one plain sentence each (for example the turn
// that an EXIF orientation asks for, or a CMYK to RGB conversion).
struct ImageNotes {
  ImageFormat format = ImageFormat::Unknown;
  std::vector<std::string> notes;
};

// Decodes a PNG or JPEG picture held in memory; `name` names it in messages. False with a one-line reason
// in plain words (naming the file) when the data are neither format, are cut short, damaged, of a kind
// that is not read or larger than `limits` allow.
bool DecodeImage(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
                 ImageNotes& notes, std::string& error);

// Reads a picture file (PNG or JPEG, whatever its name says) with the default limits.
bool ReadImageFile(const std::string& path, RgbImage& image, ImageNotes& notes, std::string& error);

// Largest picture file read.
inline constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;

// Reads a picture file's bytes; false with "cannot open PATH (...)" or a similar reason.
bool ReadPictureBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// "PATH is W x H pixels: more than the N million pixels a picture may have".
std::string TooLargeMessage(const std::string& name, uint64_t width, uint64_t height, const DecodeLimits& limits);

}  // namespace tolma::tools
