// The job settings record: public DEVMODE template, PrivateDevmode layout, defaults and the private-part rule.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma {

inline constexpr uint16_t kPrivateSignature = 0x514D;
inline constexpr uint16_t kPublicDevmodeSize = 212;  // DEVMODEW up to and including dmReserved2
inline constexpr uint16_t kPrivateDevmodeSize = 2224;
inline constexpr size_t kFullDevmodeSize = kPublicDevmodeSize + kPrivateDevmodeSize;  // 2436

// Settings of one magnetic track.
struct TrackSettings {
  int16_t mode;           // 0 ISO1, 1 ISO2, 2 ISO3, 3..7 bit modes
  int16_t density;        // 0 75 bpi, 1 210 bpi
  int16_t startChar;      // 0..255
  int16_t stopChar;       // 0..255
  int16_t startPosition;  // millimetres, 0..255
  int16_t charParity;     // 0 none, 1 even, 2 odd
  int16_t lrcParity;      // 0 none, 1 even, 2 odd
  uint8_t reserved[2];
};

// The magnetic encoder block.
struct EncoderSettings {
  int16_t hasEncoder;
  int16_t macroProcessing;
  char startOfData[10];
  char endOfData[10];
  int16_t coercivity;       // 0 high, 1 low, 2 no change
  int16_t encoderPosition;  // 0 reversed, 1 normal
  int16_t encoderType;      // 0 ISO/JIS, 1 JIS2, 2 AAMVA
  int16_t selectedTrack;    // 0..2
  TrackSettings trackSettings[3];
};

// An overlay-varnish area of one side.
struct OverlayArea {
  int16_t areaType;  // 0 full, 1 none, 2 area varnish, 3 area blank, 4 bitmap, 5 ISO chip, 6 AFNOR chip, 7 stripe
  int16_t areaRotate180;
  int32_t areaLeft;
  int32_t areaTop;
  int32_t areaRight;
  int32_t areaBottom;
  uint8_t reserved[4];
  WCHAR bitmapPath[256];
};

// The hologram area: an OverlayArea without the reserved bytes and the path.
struct HologramArea {
  int16_t areaType;
  int16_t areaRotate180;
  int32_t areaLeft;
  int32_t areaTop;
  int32_t areaRight;
  int32_t areaBottom;
};

// The driver-private part of the DEVMODE, 2224 bytes, shared byte for byte by both libraries.
struct PrivateDevmode {
  uint16_t signature;
  int16_t rotate180;  // 0 none, 1 front, 2 back, 3 both
  int16_t printBothSides;
  int16_t ribbonType;
  int16_t monoRibbonKind;
  int16_t twoSidedMode;
  int16_t blackBitmap;
  int16_t monoConversion;  // 0 diffusion, 1 halftone, 2 barcode, 3 enhanced
  int16_t blackPanelUse;   // 0 never, 1 always, 2 text only, 3 except in colour pictures
  int16_t printingMode;    // 0 print, 1 encode only
  int16_t fixedRibbon;     // 0 ask the printer, 1..10 fixed list entry
  int16_t printerModel;
  int16_t packedPanels;
  uint8_t reserved1[6];
  EncoderSettings encoder;
  OverlayArea frontOverlay;
  OverlayArea backOverlay;
  int16_t hologramEnabled;
  uint16_t hologramCopies;
  HologramArea hologramArea;
  WCHAR hologramBitmapPath[256];
  int16_t headContrastO;
  int16_t headContrastKr;
  int16_t headContrastH;
  int16_t headIntensityY;
  int16_t headIntensityM;
  int16_t headIntensityC;
  int16_t headIntensityKd;
  int16_t headContrastY;
  int16_t headContrastM;
  int16_t headContrastC;
  int16_t headContrastKd;
  uint8_t reserved2[2];
  int16_t ccIntensityK;
  int16_t ccIntensityR;
  int16_t ccIntensityG;
  int16_t ccIntensityB;
  int16_t ccContrastK;
  int16_t ccContrastR;
  int16_t ccContrastG;
  int16_t ccContrastB;
  // Job-state area: used by the rendering side in its own copy during a job.
  uint8_t jobState1[4];
  int16_t track1Present;
  int16_t track2Present;
  int16_t track3Present;
  uint8_t jobState2[160];
  char track1Text[80];
  char track2Text[40];
  char track3Text[108];
  uint16_t track3Tail;  // cleared together with track3Text
  uint8_t jobState3[64];
};

static_assert(sizeof(TrackSettings) == 16);
static_assert(sizeof(EncoderSettings) == 80);
static_assert(offsetof(EncoderSettings, startOfData) == 4 && offsetof(EncoderSettings, endOfData) == 14);
static_assert(offsetof(EncoderSettings, coercivity) == 24 && offsetof(EncoderSettings, trackSettings) == 32);
static_assert(sizeof(OverlayArea) == 536 && offsetof(OverlayArea, bitmapPath) == 24);
static_assert(sizeof(HologramArea) == 20);
static_assert(sizeof(PrivateDevmode) == kPrivateDevmodeSize);
static_assert(offsetof(PrivateDevmode, rotate180) == 2);
static_assert(offsetof(PrivateDevmode, ribbonType) == 6);
static_assert(offsetof(PrivateDevmode, twoSidedMode) == 10);
static_assert(offsetof(PrivateDevmode, printingMode) == 18);
static_assert(offsetof(PrivateDevmode, fixedRibbon) == 20);
static_assert(offsetof(PrivateDevmode, packedPanels) == 24);
static_assert(offsetof(PrivateDevmode, encoder) == 32);
static_assert(offsetof(PrivateDevmode, frontOverlay) == 112);
static_assert(offsetof(PrivateDevmode, backOverlay) == 648);
static_assert(offsetof(PrivateDevmode, hologramEnabled) == 1184);
static_assert(offsetof(PrivateDevmode, hologramCopies) == 1186);
static_assert(offsetof(PrivateDevmode, hologramArea) == 1188);
static_assert(offsetof(PrivateDevmode, hologramBitmapPath) == 1208);
static_assert(offsetof(PrivateDevmode, headContrastO) == 1720);
static_assert(offsetof(PrivateDevmode, headContrastKd) == 1740);
static_assert(offsetof(PrivateDevmode, ccIntensityK) == 1744);
static_assert(offsetof(PrivateDevmode, ccContrastB) == 1758);
static_assert(offsetof(PrivateDevmode, track1Present) == 1764);
static_assert(offsetof(PrivateDevmode, track3Present) == 1768);
static_assert(offsetof(PrivateDevmode, track1Text) == 1930);
static_assert(offsetof(PrivateDevmode, track2Text) == 2010);
static_assert(offsetof(PrivateDevmode, track3Text) == 2050);
static_assert(offsetof(PrivateDevmode, track3Tail) == 2158);

// The public DEVMODE part as the driver keeps it (the first 212 bytes of a DEVMODEW).
struct PublicDevmode {
  uint8_t bytes[kPublicDevmodeSize];
};

// Fills a 212-byte public part with the driver's default template.
void WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize> out);

// The default private settings (the content of the driver data file).
PrivateDevmode DefaultPrivateDevmode();

// Built-in head settings, colour correction and encoder values used when the data file cannot be read.
void ApplyBuiltInHeadSettings(PrivateDevmode& pd);
void ApplyBuiltInColourCorrection(PrivateDevmode& pd);
void ApplyBuiltInEncoderSettings(EncoderSettings& enc);

// Where the rendering side finds the private part of an incoming DEVMODE.
struct PrivatePartLocation {
  size_t offset;       // start of the private part in the DEVMODE
  size_t length;       // bytes to copy (never more than 2224, never past the declared DEVMODE)
  bool rewriteDmSize;  // the caller's dmSize is to be set to 212
};

// Applies the signature rule to a DEVMODE whose bytes are `devmode` (dmSize + dmDriverExtra of them,
// as the DEVMODE declares). Reads nothing outside `devmode`.
PrivatePartLocation LocateRasterPrivatePart(std::span<const uint8_t> devmode);

// Little-endian field access over raw bytes (bounds are the caller's).
inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace tolma
