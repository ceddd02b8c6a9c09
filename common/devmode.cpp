// Default DEVMODE images and the rule that finds the private part of an incoming DEVMODE.
#include "common/devmode.h"

#include <algorithm>
#include <cstring>

namespace tolma {

namespace {

void CopyWide(WCHAR* out, size_t capacity, const char* text) {
  size_t i = 0;
  for (; text[i] != '\0' && i + 1 < capacity; ++i) out[i] = static_cast<WCHAR>(text[i]);
  for (; i < capacity; ++i) out[i] = 0;
}

}  // namespace

void WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize> out) {
  DEVMODEW dm{};
  CopyWide(dm.dmDeviceName, CCHDEVICENAME, "Tolma Q47x Card Printer");
  dm.dmSpecVersion = 0x0401;
  dm.dmDriverVersion = 1;
  dm.dmSize = kPublicDevmodeSize;
  dm.dmDriverExtra = kPrivateDevmodeSize;
  dm.dmFields = 0x07805F03;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  dm.dmPaperSize = 258;
  dm.dmPaperLength = 541;
  dm.dmPaperWidth = 866;
  dm.dmScale = 100;
  dm.dmCopies = 1;
  dm.dmDefaultSource = 256;
  dm.dmPrintQuality = 300;
  dm.dmColor = DMCOLOR_COLOR;
  dm.dmDuplex = DMDUP_SIMPLEX;
  dm.dmYResolution = 300;
  dm.dmTTOption = 1;
  dm.dmCollate = 1;
  CopyWide(dm.dmFormName, CCHFORMNAME, "86mmx54mm Card");
  dm.dmLogPixels = 300;
  dm.dmBitsPerPel = 24;
  dm.dmPelsWidth = 640;
  dm.dmPelsHeight = 1024;
  dm.dmICMMethod = 1;
  dm.dmICMIntent = 2;
  dm.dmMediaType = 3;
  std::memcpy(out.data(), &dm, kPublicDevmodeSize);
}

void ApplyBuiltInHeadSettings(PrivateDevmode& pd) {
  pd.headContrastO = 3;
  pd.headContrastKr = 3;
  pd.headContrastH = 5;
  pd.headIntensityY = 4;
  pd.headIntensityM = 7;
  pd.headIntensityC = 7;
  pd.headIntensityKd = 5;
  pd.headContrastY = 5;
  pd.headContrastM = 5;
  pd.headContrastC = 5;
  pd.headContrastKd = 5;
}

void ApplyBuiltInColourCorrection(PrivateDevmode& pd) {
  pd.ccIntensityK = pd.ccIntensityR = pd.ccIntensityG = pd.ccIntensityB = 0;
  pd.ccContrastK = pd.ccContrastR = pd.ccContrastG = pd.ccContrastB = 0;
}

void ApplyBuiltInEncoderSettings(EncoderSettings& enc) {
  // Per track: mode, density, start, stop, start position, parities.
  static constexpr TrackSettings kTracks[3] = {
      {0, 1, 65, 90, 7, 0, 0, {}},
      {1, 0, 65, 90, 7, 0, 0, {}},
      {2, 1, 65, 90, 7, 0, 0, {}},
  };
  const int16_t hasEncoder = enc.hasEncoder;
  enc = EncoderSettings{};
  enc.hasEncoder = hasEncoder;
  enc.macroProcessing = 1;
  std::memcpy(enc.startOfData, "${", 3);
  std::memcpy(enc.endOfData, "}$", 3);
  enc.coercivity = 2;
  enc.encoderPosition = 1;
  enc.encoderType = 0;
  enc.selectedTrack = 0;
  for (int t = 0; t < 3; ++t) enc.trackSettings[t] = kTracks[t];
}

PrivateDevmode DefaultPrivateDevmode() {
  PrivateDevmode pd{};
  pd.signature = kPrivateSignature;
  pd.ribbonType = 0;     // YMCKO
  pd.blackPanelUse = 2;  // black text on the resin panel, pictures in colour
  pd.fixedRibbon = 0;    // ask the printer
  ApplyBuiltInEncoderSettings(pd.encoder);
  for (OverlayArea* area : {&pd.frontOverlay, &pd.backOverlay}) {
    area->areaType = 0;  // full overlay varnish
    area->areaRight = 1023;
    area->areaBottom = 639;
  }
  pd.hologramCopies = 1;
  pd.hologramArea.areaRight = 1023;
  pd.hologramArea.areaBottom = 639;
  ApplyBuiltInHeadSettings(pd);
  ApplyBuiltInColourCorrection(pd);
  return pd;
}

PrivatePartLocation LocateRasterPrivatePart(std::span<const uint8_t> devmode) {
  constexpr size_t kExtraField = offsetof(DEVMODEW, dmDriverExtra);
  if (devmode.size() < kExtraField + 2) return {kPublicDevmodeSize, 0, false};
  const uint16_t dmSize = ReadU16(devmode.data() + offsetof(DEVMODEW, dmSize));
  const uint16_t dmExtra = ReadU16(devmode.data() + kExtraField);

  PrivatePartLocation where{kPublicDevmodeSize, 0, false};
  if (dmSize != kPublicDevmodeSize) {
    where.rewriteDmSize = true;
    if (size_t{dmSize} + 2 <= devmode.size() && ReadU16(devmode.data() + dmSize) == kPrivateSignature)
      where.offset = dmSize;
  }
  const size_t available = devmode.size() > where.offset ? devmode.size() - where.offset : 0;
  where.length = std::min({size_t{dmExtra}, size_t{kPrivateDevmodeSize}, available});
  return where;
}

}  // namespace tolma
