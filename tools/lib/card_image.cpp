// Image placement and resampling for the card page.
#include "tools/lib/card_image.h"

#include <algorithm>
#include <cmath>

namespace tolma::tools {
namespace {

// a * b / c rounded to the nearest integer, for positive values.
int MulDivRound(int64_t a, int64_t b, int64_t c) { return static_cast<int>((2 * a * b + c) / (2 * c)); }

// Filter taps of one axis: output index i takes weights[i][k] of source index first[i] + k.
struct Taps {
  std::vector<int> first;
  std::vector<std::vector<float>> weights;
};

Taps AxisTaps(int srcStart, int srcLength, int outLength) {
  Taps taps;
  taps.first.resize(outLength);
  taps.weights.resize(outLength);
  const double scale = static_cast<double>(outLength) / srcLength;
  const double radius = scale < 1.0 ? 1.0 / scale : 1.0;  // in source pixels
  const int last = srcStart + srcLength - 1;
  for (int i = 0; i < outLength; ++i) {
    const double centre = srcStart + (i + 0.5) / scale - 0.5;
    const int lo = static_cast<int>(std::floor(centre - radius)) + 1;
    const int hi = static_cast<int>(std::ceil(centre + radius)) - 1;
    const int from = std::clamp(lo, srcStart, last);
    const int to = std::clamp(hi, srcStart, last);
    std::vector<float> w(static_cast<size_t>(to - from + 1), 0.0f);
    double sum = 0;
    for (int s = lo; s <= hi; ++s) {
      const double weight = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
      // Beyond the edges the edge pixel repeats.
      w[static_cast<size_t>(std::clamp(s, srcStart, last) - from)] += static_cast<float>(weight);
      sum += weight;
    }
    if (sum <= 0) {  // cannot happen for radius >= 1, kept for safety: nearest pixel
      std::fill(w.begin(), w.end(), 0.0f);
      w[static_cast<size_t>(std::clamp(static_cast<int>(std::lround(centre)), from, to) - from)] = 1.0f;
      sum = 1;
    }
    for (float& x : w) x = static_cast<float>(x / sum);
    taps.first[i] = from;
    taps.weights[i] = std::move(w);
  }
  return taps;
}

}  // namespace

bool PortraitFor(int width, int height, Orientation requested) {
  if (requested != Orientation::Auto) return requested == Orientation::Portrait;
  return height > width;
}

bool PlanPlacement(int width, int height, bool portrait, SizeMode mode, Placement& out, std::string& error) {
  Placement p;
  p.pageWidth = portrait ? kCardShort : kCardLong;
  p.pageHeight = portrait ? kCardLong : kCardShort;
  if (width <= 0 || height <= 0) {
    error = "the image is empty";
    return false;
  }
  const int64_t w = width, h = height, pw = p.pageWidth, ph = p.pageHeight;
  p.srcWidth = width;
  p.srcHeight = height;
  p.width = p.pageWidth;
  p.height = p.pageHeight;
  if (width == p.pageWidth && height == p.pageHeight) {
    p.pixelForPixel = true;
  } else {
    switch (mode) {
      case SizeMode::Exact:
        error = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels; --size exact " +
                "needs exactly " + std::to_string(p.pageWidth) + " x " + std::to_string(p.pageHeight) +
                (portrait ? " (portrait)" : " (landscape)");
        return false;
      case SizeMode::Stretch:
        break;
      case SizeMode::Fit:
        // The side that limits the scale fills the page; the other is scaled alike and centred.
        if (w * ph <= h * pw) {
          p.width = std::clamp(MulDivRound(w, ph, h), 1, p.pageWidth);
        } else {
          p.height = std::clamp(MulDivRound(h, pw, w), 1, p.pageHeight);
        }
        p.x = (p.pageWidth - p.width) / 2;
        p.y = (p.pageHeight - p.height) / 2;
        break;
      case SizeMode::Fill:
        // The image covers the page; the part that sticks out is cut off evenly on both sides.
        if (w * ph >= h * pw) {
          p.srcWidth = std::clamp(MulDivRound(pw, h, ph), 1, width);
        } else {
          p.srcHeight = std::clamp(MulDivRound(ph, w, pw), 1, height);
        }
        p.srcX = (width - p.srcWidth) / 2;
        p.srcY = (height - p.srcHeight) / 2;
        break;
    }
  }
  out = p;
  return true;
}

std::string DescribePlacement(int width, int height, const Placement& p, SizeMode mode) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  const std::string page = p.pageWidth > p.pageHeight ? "landscape page" : "portrait page";
  if (p.pixelForPixel) return size + ", used pixel for pixel (" + page + ")";
  switch (mode) {
    case SizeMode::Fill:
      return size + ", scaled to cover the " + page + " with its aspect kept: its middle " +
             std::to_string(p.srcWidth) + " x " + std::to_string(p.srcHeight) + " is used";
    case SizeMode::Stretch:
      return size + ", stretched to " + std::to_string(p.width) + " x " + std::to_string(p.height) + " (" + page +
             ", aspect not kept)";
    default:
      return size + ", scaled to " + std::to_string(p.width) + " x " + std::to_string(p.height) + " to fit the " +
             page + " with its aspect kept, centred on white at (" + std::to_string(p.x) + ", " + std::to_string(p.y) +
             ")";
  }
}

RgbImage Resample(const RgbImage& image, int srcX, int srcY, int srcWidth, int srcHeight, int width, int height) {
  RgbImage out;
  if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0 || srcX < 0 || srcY < 0 ||
      srcX + srcWidth > image.width || srcY + srcHeight > image.height)
    return out;
  out.width = width;
  out.height = height;
  out.pixels.resize(size_t(width) * height * 3);
  const Taps across = AxisTaps(srcX, srcWidth, width);
  const Taps down = AxisTaps(srcY, srcHeight, height);

  // Rows first into a float buffer of the source rows in use, then columns.
  std::vector<float> rows(size_t(srcHeight) * width * 3);
  for (int sy = 0; sy < srcHeight; ++sy) {
    const uint8_t* src = image.pixels.data() + (size_t(srcY + sy) * image.width) * 3;
    float* dst = rows.data() + size_t(sy) * width * 3;
    for (int x = 0; x < width; ++x) {
      float acc[3] = {0, 0, 0};
      const uint8_t* p = src + size_t(across.first[x]) * 3;
      for (float w : across.weights[x]) {
        acc[0] += w * p[0];
        acc[1] += w * p[1];
        acc[2] += w * p[2];
        p += 3;
      }
      dst[x * 3] = acc[0];
      dst[x * 3 + 1] = acc[1];
      dst[x * 3 + 2] = acc[2];
    }
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = out.pixels.data() + size_t(y) * width * 3;
    const auto& weights = down.weights[y];
    const size_t first = size_t(down.first[y] - srcY);
    for (int i = 0; i < width * 3; ++i) {
      float acc = 0;
      for (size_t k = 0; k < weights.size(); ++k) acc += weights[k] * rows[(first + k) * width * 3 + i];
      dst[i] = static_cast<uint8_t>(std::clamp(std::lround(acc), 0L, 255L));
    }
  }
  return out;
}

PagePicture PlaceImage(const RgbImage& image, const Placement& p) {
  const RgbImage scaled =
      p.pixelForPixel || (p.srcX == 0 && p.srcY == 0 && p.srcWidth == image.width && p.srcHeight == image.height &&
                          p.width == image.width && p.height == image.height)
          ? image
          : Resample(image, p.srcX, p.srcY, p.srcWidth, p.srcHeight, p.width, p.height);
  PagePicture out;
  out.x = p.x;
  out.y = p.y;
  out.width = scaled.width;
  out.height = scaled.height;
  out.stride = (scaled.width * 3 + 3) & ~3;
  out.bgr.assign(size_t(out.stride) * scaled.height, 0);
  for (int y = 0; y < scaled.height; ++y) {
    const uint8_t* src = scaled.pixels.data() + size_t(y) * scaled.width * 3;
    uint8_t* dst = out.bgr.data() + size_t(y) * out.stride;
    for (int x = 0; x < scaled.width; ++x) {
      dst[x * 3] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3];
    }
  }
  return out;
}

}  // namespace tolma::tools
