// "Head Settings": the print-head energy of each ribbon panel, eleven values of the private DEVMODE.
#pragma once

#include "platform/win32.h"
#include "ui/adjust/trackbar_fields.h"

#include <array>
#include <span>

namespace tolma::ui {

inline constexpr size_t kHeadSettingCount = 11;
inline constexpr INT_PTR kHeadSettingsClosed = 1605;

// The eleven trackbars (1800..1810) in order, with their labels, fields and fallback defaults.
std::span<const TrackbarField, kHeadSettingCount> HeadSettingFields();

// Which trackbars, in the order of HeadSettingFields, the installed ribbon uses (the others are disabled).
std::array<bool, kHeadSettingCount> HeadTrackbarsEnabled(int ribbonType, int monoRibbonKind);

// The dialog procedure of template 107; the dialog edits the private part of the DEVMODE being edited at once and
// ends with 1605.
INT_PTR CALLBACK HeadSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs "Head Settings" for the DEVMODE being edited.
INT_PTR RunHeadSettings(HWND owner);

}  // namespace tolma::ui
