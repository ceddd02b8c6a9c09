// Ribbon and model tables and the option rules derived from them.
#include "common/ribbon.h"

#include "common/bytes.h"

#include <array>

namespace tolma {
namespace {

constexpr std::array<std::string_view, kRibbonTypeCount> kTypeNames = {
    "YMCKO",       "Kresin", "KdO",    "KrO", "Hologram",           "YMC",  "YMCK", "YMCKK", "YMCKOK", "Clear Varnish",
    "Scratch Off", "YMCKUv", "YMCUvK", "Kd",  "Unknown Monochrome", "None",
};

// Printer ribbon code -> ribbon type, for codes 0..28; every higher code is "None".
constexpr std::array<int8_t, 29> kTypeOfPrinterCode = {
    15,                         // 0
    14,                         // 1 unknown monochrome
    0,  6,  7,  8,  5,          // 2 YMCKO, 3 YMCK, 4 YMCKK, 5 YMCKOK, 6 YMC
    1,  1,  1,  1,  1,  1,  1,  // 7..13 resin
    0,  6,                      // 14 YMCKO, 15 YMCK
    2,  3,  10, 4,  4,  9,      // 16 KdO, 17 KrO, 18 scratch off, 19 and 20 hologram, 21 clear varnish
    11, 12, 12, 11, 12, 12,     // 22 YMCKUv, 23 and 24 YMCUvK, 25 YMCKUv, 26 and 27 YMCUvK
    13,                         // 28 Kd
};

// Fixed-list entry 1..10 -> ribbon type.
constexpr std::array<int8_t, kFixedRibbonCount> kTypeOfFixedEntry = {8, 7, 0, 12, 1, 6, 5, 2, 3, 4};

constexpr std::array<std::string_view, kFixedRibbonCount> kFixedList = {
    "YMCKOK", "YMCKK", "YMCKO", "YMCUvK", "K Resin / Scratch Off", "YMCK", "YMC", "KdO", "KrO", "Hologram/Varnish",
};

constexpr std::array<std::string_view, 4> kMonoKinds = {"K Resin", "Scratch Off", "Clear Varnish", "Hologram Varnish"};

// Printing modes of a ribbon: the one-sided text and the two-sided list.
struct ModeRow {
  std::array<std::string_view, 1> oneSide;
  std::array<std::string_view, 4> bothSides;
  int bothCount;
};

constexpr ModeRow kModesByType[kRibbonTypeCount] = {
    {{"Front YMCKO"}, {"Front YMCO, Back K", "Front YMCKO, Back YMCKO", "Front YMC, Back KO"}, 3},
    {{"Front K"}, {"Front and Back K"}, 1},
    {{"Front KdO"}, {"Front KdO, Back KdO"}, 1},
    {{"Front KrO"}, {"Front KrO, Back KrO"}, 1},
    {{"Front Hologram"}, {"Front and Back Hologram"}, 1},
    {{"Front YMC"}, {"Front YMC, Back YMC"}, 1},
    {{"Front YMCK"}, {"Front YMC, Back K", "Front YMCK, Back YMCK"}, 2},
    {{"Front YMCK"}, {"Front YMCK, Back K", "Front YMCK, Back YMCK"}, 2},
    {{"Front YMCKO"},
     {"Front YMCKO, Back K", "Front YMC, Back KO", "Front YMCKO, Back YMCKO", "Front YMCK, Back K"},
     4},
    {{"Front Clear Varnish"}, {"Front and Back Clear Varnish"}, 1},
    {{"Front Scratch Off"}, {"Front and Back Scratch Off"}, 1},
    {{"Print YMCKUv"}, {"Front YMCUv, Back K", "Front YMCKUv, Back YMCKUv", "Front YMC, Back KUv"}, 3},
    {{"Print YMCUvK"}, {"Front YMCUv, Back K", "Front YMCUv, Back YMCUv"}, 2},
    {{"Front Thermal"}, {"Front and Back Thermal"}, 1},
    {{"Front K"}, {"Front and Back K"}, 1},  // type 14: chosen by kind below
    {{"None"}, {"None"}, 1},
};

// Type 14 takes the row of the ribbon its monochrome kind stands for.
const ModeRow& ModeRowFor(int type, int kind) {
  if (type == kRibbonUnknownMonochrome) {
    switch (kind) {
      case 1:
        return kModesByType[10];  // scratch off
      case 2:
        return kModesByType[9];  // clear varnish
      case 3:
        return kModesByType[4];  // hologram
      default:
        return kModesByType[14];  // K
    }
  }
  return kModesByType[(type >= 0 && type < kRibbonTypeCount) ? type : kRibbonNone];
}

bool Holds(std::string_view version, std::string_view token) { return FindBytes(version, token).has_value(); }

}  // namespace

std::string_view RibbonTypeName(int type) {
  return (type >= 0 && type < kRibbonTypeCount) ? kTypeNames[type] : kTypeNames[kRibbonNone];
}

int RibbonTypeFromPrinterCode(int code) {
  const auto unsignedCode = static_cast<uint16_t>(code);
  return unsignedCode < kTypeOfPrinterCode.size() ? kTypeOfPrinterCode[unsignedCode] : kRibbonNone;
}

int RibbonTypeFromFixedList(int entry) {
  return (entry >= 1 && entry <= kFixedRibbonCount) ? kTypeOfFixedEntry[entry - 1] : 1;
}

std::span<const std::string_view> FixedRibbonList() { return kFixedList; }

std::span<const std::string_view> MonoRibbonKindNames() { return kMonoKinds; }

std::span<const std::string_view> PrintingModeList(int type, int kind, bool bothSides) {
  const ModeRow& row = ModeRowFor(type, kind);
  if (!bothSides) return row.oneSide;
  return std::span<const std::string_view>(row.bothSides.data(), static_cast<size_t>(row.bothCount));
}

int ModelCodeFromVersion(std::string_view version) {
  if (Holds(version, "RKA")) return 3;
  if (Holds(version, "RKB")) return 5;
  return 0;
}

bool IsTwoSidedModel(std::string_view version) { return Holds(version, "RKB"); }

bool IsTrackLimitedModel(std::string_view version) { return Holds(version, "RKC") || Holds(version, "RKD"); }

bool IsRestrictedModel(std::string_view version) { return Holds(version, "RKF"); }

bool OverlayAllowed(int type, int kind, bool bothSides, bool front, int mode, int printingMode) {
  if (printingMode == 1) return false;  // encode only
  switch (type) {
    case 0:
    case 11:
      if (!bothSides) return front;
      switch (mode) {
        case 0:
          return front;
        case 2:
          return !front;
        default:
          return true;
      }
    case 2:
    case 3:
    case 9:
      return front || bothSides;
    case 8:
      if (!bothSides) return front;
      switch (mode) {
        case 0:
          return front;
        case 1:
          return !front;
        case 2:
          return true;
        default:
          return false;
      }
    case 14:
      return kind == 2 && (front || bothSides);
    default:
      return false;
  }
}

bool BlackPanelAllowed(int type, bool bothSides, int mode) {
  switch (type) {
    case 0:
    case 11:
      return !bothSides || mode == 1;
    case 6:
      return !bothSides || mode != 0;
    case 7:
    case 12:
      return true;
    case 8:
      return !bothSides || mode != 1;
    default:
      return false;
  }
}

bool MonoConversionAllowed(int type, int kind, bool bothSides, int mode) {
  switch (type) {
    case 0:
    case 11:
      return bothSides && (mode == 0 || mode == 2);
    case 1:
    case 3:
      return true;
    case 6:
    case 7:
    case 12:
      return bothSides && mode == 0;
    case 8:
      return bothSides && (mode == 0 || mode == 1 || mode == 3);
    case 14:
      return kind == 0;
    default:
      return false;
  }
}

int NormaliseRotation(bool bothSides, int rotate) {
  if (bothSides || rotate == 0 || rotate == 1) return rotate;
  return rotate == 3 ? 1 : 0;
}

int KeepIfAllowed(int mask, int value) {
  if (mask < 1 || mask > 7) return 0;
  if (value >= 1 && value <= 3 && (mask & (1 << (value - 1))) != 0) return value;
  return 0;
}

}  // namespace tolma
