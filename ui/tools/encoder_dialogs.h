// "Encoder settings" and its sub-dialog "Advanced settings": the rules that enable their controls and take what the
// user types, and the dialog procedures over the process's encoder copies.
#pragma once

#include "common/devmode.h"
#include "common/wide.h"
#include "platform/win32.h"

#include <optional>
#include <string_view>

namespace tolma::ui {

// The printer's firmware-version text as the device sheet read it (empty when the printer did not answer).
std::string_view FirmwareVersionText();

// --- "Encoder settings" rules ---

struct EncoderButtons {
  bool reversed = false;
  bool normal = false;
  bool advanced = false;
};
// Which buttons a type allows: no position under JIS2, no "Reversed" on a restricted model, no "Advanced settings"
// under AAMVA.
EncoderButtons EncoderButtonsEnabled(int encoderType, bool restrictedModel);

// The text of a start- or end-of-data field as the edit shows it: its characters up to the first zero, at most 9.
WString DataMarkerText(const char (&field)[10]);
// Takes an edit's text into a start- or end-of-data field: the low byte of each character (the rule by which the
// rendering side compares printed text with it), at most 9 characters, always followed by a zero.
void TakeDataMarker(WStringView text, char (&field)[10]);

// --- "Advanced settings" rules ---

struct TrackButtons {
  bool track2 = false;
  bool track3 = false;
};
// Makes the working copy's selectedTrack one that can be shown (0 unless 1 or 2 is allowed: no third track on a
// track-limited model, only track 1 under JIS2) and says which track buttons are enabled.
TrackButtons SettleShownTrack(EncoderSettings& working, bool trackLimitedModel);

// The start/stop, start position and parity groups serve the bit modes (3 to 7) only.
bool BitModeGroupsEnabled(int mode);

// The low 8 bits (0..255) of a decimal number typed into a number edit ("300" gives 44); nothing when the text is
// not a number (an optional sign followed by digits, and nothing else).
std::optional<int16_t> Low8BitsOfNumber(WStringView text);

// --- Dialogs ---

// "Encoder settings" (template 104): ends with IDOK after "Apply", IDCANCEL after "Cancel" or the close box.
INT_PTR CALLBACK EncoderSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR RunEncoderSettings(HWND owner);

// "Advanced settings" (template 105): ends like "Encoder settings".
INT_PTR CALLBACK AdvancedSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR RunAdvancedSettings(HWND owner);

}  // namespace tolma::ui
