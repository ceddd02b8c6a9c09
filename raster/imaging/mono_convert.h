// Monochrome conversion of the card page for the resin panel, bar-code thinning and the blank test.
#pragma once

#include "common/devmode.h"
#include "raster/imaging/page_view.h"

#include <array>
#include <cstdint>

namespace tolma {

// Conversion methods, the values of `monoConversion`; any other value converts nothing.
enum MonoMethod : int {
  kMonoDiffusion = 0,
  kMonoHalftoneRegular = 1,
  kMonoBarcode = 2,
  kMonoEnhanced = 3,
};

// The black adjustment applied to the grey value by the diffusion, bar-code and enhanced methods.
struct BlackAdjustment {
  int intensity = 0;  // ccIntensityK, -100..100
  int contrast = 0;   // ccContrastK, -100..100
};

inline BlackAdjustment BlackAdjustmentOf(const PrivateDevmode& settings) {
  return {settings.ccIntensityK, settings.ccContrastK};
}

// True when the card page of this side is to be converted into the monochrome bitmap for its resin panel.
bool NeedsMonochromeConversion(int ribbonType, bool twoSided, int twoSidedMode, bool front);

// Grey value 0..255 of a pixel: 0.299 red + 0.587 green + 0.114 blue, truncated (computed exactly).
constexpr uint8_t MonoGrey(uint8_t blue, uint8_t green, uint8_t red) {
  return static_cast<uint8_t>((299 * red + 587 * green + 114 * blue) / 1000);
}

// Adds the black intensity (-100..100, limited to that range) to a grey value; returns it clamped to 0..255.
uint8_t BlackIntensity(int grey, int intensity);

// Applies the black contrast (-100..100, limited to that range) to a grey value; returns 0..255.
uint8_t MonoContrast(int grey, int contrast);

// MonoContrast(BlackIntensity(grey)) for every grey value.
std::array<uint8_t, 256> BuildBlackCurve(const BlackAdjustment& black);

// Converts the whole page into the monochrome bitmap (page and bitmap of the same size) by `method`: 0
// "Diffusion", 1 "Halftone Regular", 2 "Barcode", 3 "Enhanced". Methods 0, 2 and 3 use the card page as work
// storage and leave their decision (0 black, 255 white) in byte 0 of every pixel. Returns 1 after a conversion;
// 0, with page and bitmap unchanged, for any other method or when the views are missing, too small or of
// different sizes.
int ConvertToMonochrome(const ColourPage& page, const MonoBitmap& mono, int method, const BlackAdjustment& black);

// "Barcode" thinning: when the low two bits of `mode` are 2, every black run loses its last pixel along the feed
// direction (along rows when `mode` has 4, the landscape case; down the columns otherwise). Runs of one pixel
// stay. Other modes and invalid bitmaps are left alone.
void ThinBarcodeRuns(const MonoBitmap& mono, int mode);

// True when no pixel of the bitmap is black (every pixel bit set), or when there is no valid bitmap to print.
bool IsMonoPanelBlank(const MonoBitmap& mono);

}  // namespace tolma
