// The colour correction dialog's preview: its picture file, its own intensity and contrast curves as 256-entry
// tables, and the adjustment of the picture's pixels. Plain code over bytes.
#pragma once

#include "common/devmode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tolma::ui {

inline constexpr int kPreviewSide = 100;
inline constexpr size_t kPreviewFileHeaderBytes = 14;
inline constexpr size_t kPreviewInfoHeaderBytes = 40;
inline constexpr size_t kPreviewPixelBytes = kPreviewSide * kPreviewSide * 3;  // rows of 300 bytes: blue, green, red
inline constexpr size_t kPreviewFileBytes = kPreviewFileHeaderBytes + kPreviewInfoHeaderBytes + kPreviewPixelBytes;

// The picture as the dialog reads it: the 40-byte information header and the pixel rows that follow it.
struct PreviewPicture {
  std::array<uint8_t, kPreviewInfoHeaderBytes> infoHeader{};
  std::vector<uint8_t> pixels;  // kPreviewPixelBytes
  int height = kPreviewSide;    // as the header says: positive bottom-up, negative top-down
};

// Reads the first bytes of "domacc.bmp": a 14-byte file header, a 40-byte information header and 30,000 bytes of
// pixels. Only an uncompressed 100 x 100 picture of 24 bits a pixel whose pixels are all there is taken.
std::optional<PreviewPicture> ParsePreviewPicture(std::span<const uint8_t> file);

// The preview's intensity: v + trunc(i x 256 / 100), clamped to 0..255.
int PreviewIntensity(int v, int intensity);
// The preview's contrast curve: c = 0 keeps v; c > 0 lifts the middle (a power below 1 of v / 255.5); c = -100
// gives 0; other c < 0 darken (a power above 1 of v / 255.1, scaled to 230). Values outside -100..100 are taken
// as the nearest end of that range.
int PreviewContrast(int v, int contrast);

// The 256-entry tables of one repaint: per channel (or for grey) the contrast of the intensity of each value.
struct PreviewTables {
  bool colour = true;  // the ribbon prints colours; otherwise the picture is shown in grey through `grey`
  std::array<uint8_t, 256> red{};
  std::array<uint8_t, 256> green{};
  std::array<uint8_t, 256> blue{};
  std::array<uint8_t, 256> grey{};
};
// The ribbon types whose preview is in colour: 0, 2, 5, 6, 7, 8, 11, 12 and 13.
bool PreviewInColour(int ribbonType);
// The tables for the colour-correction values and ribbon of a private part.
PreviewTables MakePreviewTables(const PrivateDevmode& pd);

// Adjusts pixels (blue, green, red triples): each channel through its table, or, for grey, the grey value
// (2 x blue + 9 x green + 5 x red) / 16 through the grey table into all three.
void AdjustPreviewPixels(std::span<uint8_t> bgr, const PreviewTables& tables);

// Which trackbars of the dialog a ribbon and two-sidedness allow.
struct ColourCorrectionEnabling {
  bool colour = false;  // the six red, green and blue trackbars
  bool black = false;   // the black intensity and contrast
};
ColourCorrectionEnabling ColourCorrectionEnabled(int ribbonType, bool printBothSides, int twoSidedMode);

}  // namespace tolma::ui
