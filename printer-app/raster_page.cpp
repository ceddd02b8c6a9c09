// Collecting raster lines into a picture, with every size checked before anything is allocated.
#include "printer-app/raster_page.h"

#include <algorithm>

namespace tolma::printerapp {
namespace {

int BytesPerPixel(RasterColour colour) {
  switch (colour) {
    case RasterColour::Rgb:
      return 3;
    case RasterColour::Cmyk:
      return 4;
    default:
      return 1;
  }
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

bool CheckPictureSize(int64_t width, int64_t height, std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "the picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    return false;
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    error = "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels, more than the printer takes (at most " + std::to_string(kMaxPictureSide) + " pixels a side and " +
            std::to_string(kMaxPicturePixels / (1024 * 1024)) + " megapixels; a card is 1024 x 640)";
    return false;
  }
  return true;
}

bool RasterPage::Start(const RasterFormat& format, std::string& error) {
  started_ = false;
  image_ = {};
  seen_.clear();
  linesSeen_ = 0;
  if (!CheckPictureSize(format.width, format.height, error)) return false;
  if (format.bytesPerLine != format.width * BytesPerPixel(format.colour)) {
    error = "the raster lines hold " + std::to_string(format.bytesPerLine) + " bytes, not the " +
            std::to_string(format.width * BytesPerPixel(format.colour)) + " their width needs";
    return false;
  }
  format_ = format;
  image_.width = static_cast<int>(format.width);
  image_.height = static_cast<int>(format.height);
  image_.pixels.assign(static_cast<size_t>(format.width * format.height * 3), 255);
  seen_.assign(static_cast<size_t>(format.height), 0);
  started_ = true;
  return true;
}

void RasterPage::WriteLine(uint64_t y, std::span<const uint8_t> bytes) {
  if (!started_ || y >= static_cast<uint64_t>(format_.height) ||
      bytes.size() < static_cast<size_t>(format_.bytesPerLine) || seen_[y])
    return;
  seen_[y] = 1;
  ++linesSeen_;
  uint8_t* out = image_.pixels.data() + y * static_cast<size_t>(format_.width) * 3;
  const uint8_t* in = bytes.data();
  for (int64_t x = 0; x < format_.width; ++x, out += 3) {
    switch (format_.colour) {
      case RasterColour::Rgb:
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        in += 3;
        break;
      case RasterColour::Grey:
        out[0] = out[1] = out[2] = *in++;
        break;
      case RasterColour::Black:
        out[0] = out[1] = out[2] = static_cast<uint8_t>(255 - *in++);
        break;
      case RasterColour::Cmyk:
        // Device CMYK without a profile: each ink and black take their share of the light.
        out[0] = Clamp(255 - in[0] - in[3]);
        out[1] = Clamp(255 - in[1] - in[3]);
        out[2] = Clamp(255 - in[2] - in[3]);
        in += 4;
        break;
    }
  }
}

RgbImage RasterPage::Take() {
  started_ = false;
  seen_.clear();
  return std::move(image_);
}

void MakeGrey(RgbImage& image) {
  // Luminance with the weights of the sRGB primaries, in 1/32768.
  for (size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    const uint32_t y =
        (6968u * image.pixels[i] + 23434u * image.pixels[i + 1] + 2366u * image.pixels[i + 2] + 16384u) >> 15;
    image.pixels[i] = image.pixels[i + 1] = image.pixels[i + 2] = static_cast<uint8_t>(std::min(y, 255u));
  }
}

bool PngSize(std::span<const uint8_t> head, int64_t& width, int64_t& height) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (head.size() < 24 || !std::equal(kSignature, kSignature + 8, head.begin()) || head[12] != 'I' || head[13] != 'H' ||
      head[14] != 'D' || head[15] != 'R')
    return false;
  auto u32 = [&](size_t at) {
    return int64_t{head[at]} << 24 | int64_t{head[at + 1]} << 16 | int64_t{head[at + 2]} << 8 | int64_t{head[at + 3]};
  };
  width = u32(16);
  height = u32(20);
  return true;
}

}  // namespace tolma::printerapp
