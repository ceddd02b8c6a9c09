// Picture files for tolma-print: told apart by content, decoded by the PNG or the JPEG reader.
#include "tools/lib/image_file.h"

#include "tools/lib/jpeg_io.h"
#include "tools/lib/png_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tolma::tools {

ImageFormat SniffImageFormat(std::span<const uint8_t> bytes) {
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= sizeof kPng && std::memcmp(bytes.data(), kPng, sizeof kPng) == 0) return ImageFormat::Png;
  // Start of image, then the first marker.
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageFormat::Jpeg;
  return ImageFormat::Unknown;
}

bool DecodeImage(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
                 ImageNotes& notes, std::string& error) {
  ImageNotes found;
  found.format = SniffImageFormat(bytes);
  switch (found.format) {
    case ImageFormat::Png:
      if (!DecodePng(bytes, name, limits, image, error)) return false;
      break;
    case ImageFormat::Jpeg: {
      JpegDetails details;
      if (!DecodeJpeg(bytes, name, limits, image, details, error)) return false;
      if (details.orientation != 1)
        found.notes.push_back(OrientationWords(details.orientation) + ", as its EXIF orientation (" +
                              std::to_string(details.orientation) + ") asks");
      if (details.cmyk) found.notes.push_back("a CMYK JPEG file: its colours are made RGB without a colour profile");
      break;
    }
    case ImageFormat::Unknown:
      error = bytes.empty() ? name + " is empty: it holds no picture" : name + " is neither a PNG nor a JPEG file";
      return false;
  }
  notes = std::move(found);
  return true;
}

bool ReadPictureBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot open " + path + " (" + std::strerror(errno) + ")";
    return false;
  }
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  size_t n = 0;
  bool tooLarge = false;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (data.size() + n > kMaxPictureFileBytes) {
      tooLarge = true;
      break;
    }
    data.insert(data.end(), chunk, chunk + n);
  }
  const int readError = std::ferror(f) != 0 ? errno : 0;
  std::fclose(f);
  if (tooLarge) {
    error = path + " is larger than " + std::to_string(kMaxPictureFileBytes >> 20) + " MB: not a card picture";
    return false;
  }
  if (readError != 0) {
    error = "cannot read " + path + " (" + std::strerror(readError) + ")";
    return false;
  }
  bytes = std::move(data);
  return true;
}

bool ReadImageFile(const std::string& path, RgbImage& image, ImageNotes& notes, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadPictureBytes(path, bytes, error)) return false;
  return DecodeImage(bytes, path, DecodeLimits{}, image, notes, error);
}

std::string TooLargeMessage(const std::string& name, uint64_t width, uint64_t height, const DecodeLimits& limits) {
  const uint64_t most = limits.maxPixels;
  const std::string count =
      most % 1'000'000 == 0 ? std::to_string(most / 1'000'000) + " million" : std::to_string(most);
  return name + " is " + std::to_string(width) + " x " + std::to_string(height) + " pixels: more than the " + count +
         " pixels a picture may have";
}

}  // namespace tolma::tools
