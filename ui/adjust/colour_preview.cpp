// The colour correction preview: picture file, curves, tables, pixel adjustment and the enabling rules.
#include "ui/adjust/colour_preview.h"

#include <algorithm>
#include <cmath>

namespace tolma::ui {
namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::optional<PreviewPicture> ParsePreviewPicture(std::span<const uint8_t> file) {
  if (file.size() < kPreviewFileBytes) return std::nullopt;
  const uint8_t* h = file.data() + kPreviewFileHeaderBytes;
  const auto width = static_cast<int32_t>(U32(h + 4));
  const auto height = static_cast<int32_t>(U32(h + 8));
  if (U32(h) != kPreviewInfoHeaderBytes || width != kPreviewSide ||
      (height != kPreviewSide && height != -kPreviewSide) || U16(h + 12) != 1 || U16(h + 14) != 24 || U32(h + 16) != 0)
    return std::nullopt;
  PreviewPicture picture;
  std::copy_n(h, kPreviewInfoHeaderBytes, picture.infoHeader.begin());
  const uint8_t* pixels = h + kPreviewInfoHeaderBytes;
  picture.pixels.assign(pixels, pixels + kPreviewPixelBytes);
  picture.height = height;
  return picture;
}

int PreviewIntensity(int v, int intensity) { return std::clamp(v + intensity * 256 / 100, 0, 255); }

int PreviewContrast(int v, int contrast) {
  const int c = std::clamp(contrast, -100, 100);
  if (c == 0) return v;
  if (c > 0) return static_cast<int>(std::pow(v / 255.5, (255 - c * 180 / 100) / 255.0) * 255.0);
  if (c == -100) return 0;
  return static_cast<int>(std::pow(v / 255.1, 255.0 / (c * 255 / 100 + 255)) * 230.0);
}

bool PreviewInColour(int ribbonType) {
  switch (ribbonType) {
    case 0:
    case 2:
    case 5:
    case 6:
    case 7:
    case 8:
    case 11:
    case 12:
    case 13:
      return true;
    default:
      return false;
  }
}

PreviewTables MakePreviewTables(const PrivateDevmode& pd) {
  PreviewTables t;
  t.colour = PreviewInColour(pd.ribbonType);
  auto fill = [](std::array<uint8_t, 256>& table, int intensity, int contrast) {
    intensity = std::clamp(intensity, -100, 100);
    for (int v = 0; v < 256; ++v)
      table[v] = static_cast<uint8_t>(PreviewContrast(PreviewIntensity(v, intensity), contrast));
  };
  if (t.colour) {
    fill(t.red, pd.ccIntensityR, pd.ccContrastR);
    fill(t.green, pd.ccIntensityG, pd.ccContrastG);
    fill(t.blue, pd.ccIntensityB, pd.ccContrastB);
  } else {
    fill(t.grey, pd.ccIntensityK, pd.ccContrastK);
  }
  return t;
}

void AdjustPreviewPixels(std::span<uint8_t> bgr, const PreviewTables& tables) {
  for (size_t i = 0; i + 3 <= bgr.size(); i += 3) {
    uint8_t* p = bgr.data() + i;
    if (tables.colour) {
      p[0] = tables.blue[p[0]];
      p[1] = tables.green[p[1]];
      p[2] = tables.red[p[2]];
    } else {
      const uint8_t g = tables.grey[(2 * p[0] + 9 * p[1] + 5 * p[2]) >> 4];
      p[0] = p[1] = p[2] = g;
    }
  }
}

ColourCorrectionEnabling ColourCorrectionEnabled(int ribbonType, bool printBothSides, int twoSidedMode) {
  switch (ribbonType) {
    case 1:   // K
    case 3:   // KrO
    case 14:  // monochrome resin ribbons
      return {false, true};
    case 2:  // KdO
    case 5:  // YMC
    case 13:
      return {true, false};
    case 0:  // YMCKO
    case 6:  // YMCK
    case 7:  // YMCKK
    case 11:
    case 12:
      return {true, printBothSides && twoSidedMode != 1};
    case 8:  // YMCKOK
      return {true, printBothSides && twoSidedMode != 2};
    default:
      return {true, true};
  }
}

}  // namespace tolma::ui
