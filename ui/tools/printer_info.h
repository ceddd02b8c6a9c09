// "Ribbon Information", "Device Information" and "Single Feed Options": what the printer reports about its ribbon
// and itself, and the single-card feeding switch. The answer rules are plain functions.
#pragma once

#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tolma::ui {

inline constexpr size_t kRibbonReplyBytes = 105;
inline constexpr size_t kDeviceReplyBytes = 128;
inline constexpr size_t kSingleFeedStateBytes = 256;
inline constexpr size_t kSingleFeedReplyBytes = 64;
inline constexpr INT_PTR kInfoClosed = 1605;

inline constexpr UINT kStrEnabled = 1329;
inline constexpr UINT kStrDisabled = 1330;
inline constexpr UINT kStrUnknown = 2135;

// --- Answer rules ---

// The panel counter of a positive "\e!NL\r" answer: the text up to its first space, without a leading "!", read
// as decimal digits (0 without any; values over 32 bits give 0xFFFFFFFF).
uint32_t PanelCountFromAnswer(std::string_view text);

// A smart-card station is fitted when the model text holds a capital S.
bool HasSmartCard(std::string_view modelText);

// The state text (1329 "Enabled", 1330 "Disabled", 2135 "Unknown") of an "\eATM 1 1\r" reply.
UINT SingleFeedStateString(std::span<const uint8_t> reply, size_t length);

// --- Dialogs ---

// Reads the ribbon into two fields: the name of the printer's ribbon code and the remaining count (not for ribbon
// code 1), each "Unknown" when the printer does not tell. False when the printer gave no answer at all.
bool ReadRibbonInfo(HWND dialog, int typeField, int countField);

// The dialog procedures of templates 113, 124 and 123. The information dialogs end with 1605, "Single Feed
// Options" with IDOK (applied) or IDCANCEL.
INT_PTR CALLBACK RibbonInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeviceInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SingleFeedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR RunRibbonInformation(HWND owner);
INT_PTR RunDeviceInformation(HWND owner);
INT_PTR RunSingleFeedOptions(HWND owner);

}  // namespace tolma::ui
