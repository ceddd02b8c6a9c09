// Ribbon types, printer ribbon codes, the fixed ribbon list, printing modes, model tests and option rules.
#pragma once

#include "platform/win32.h"
#include "common/wide.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tolma {

inline constexpr int kRibbonTypeCount = 16;
inline constexpr int kRibbonNone = 15;
inline constexpr int kRibbonUnknownMonochrome = 14;
inline constexpr int kFixedRibbonCount = 10;

// Name of a ribbon type; "None" for 15 and every value outside 0..14.
std::string_view RibbonTypeName(int type);

// Ribbon type of the printer's ribbon code (the code is taken as an unsigned 16-bit value).
int RibbonTypeFromPrinterCode(int code);

// Ribbon type of a fixed-list entry (1..10); any other entry gives type 1 "Kresin".
int RibbonTypeFromFixedList(int entry);

// The choices of the fixed ribbon list, in order (entry = position + 1).
std::span<const std::string_view> FixedRibbonList();

// Texts of the monochrome ribbon kinds 0..3.
std::span<const std::string_view> MonoRibbonKindNames();

// Printing-mode texts for a ribbon: one text one-sided, one to four with both sides.
std::span<const std::string_view> PrintingModeList(int type, int kind, bool bothSides);

// Model tests on the printer's firmware-version text (case-sensitive substring search).
int ModelCodeFromVersion(std::string_view version);  // 3 "RKA", 5 "RKB", else 0
bool IsTwoSidedModel(std::string_view version);      // "RKB"
bool IsTrackLimitedModel(std::string_view version);  // "RKC" or "RKD"
bool IsRestrictedModel(std::string_view version);    // "RKF"

// Option rules.
bool OverlayAllowed(int type, int kind, bool bothSides, bool front, int mode, int printingMode);
bool BlackPanelAllowed(int type, bool bothSides, int mode);
bool MonoConversionAllowed(int type, int kind, bool bothSides, int mode);
int NormaliseRotation(bool bothSides, int rotate);
int KeepIfAllowed(int mask, int value);

// Display name of the printer's raw ribbon code from "domaribbon.ini" beside the printer's driver, at most
// 31 characters; "None" when the file, the driver information or the key is missing.
WString RibbonDisplayName(long code, HANDLE printer);

}  // namespace tolma
