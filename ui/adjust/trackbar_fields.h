// Trackbars bound to 16-bit fields of the private DEVMODE, each with the label that shows its value: the part the
// head settings and colour correction dialogs share.
#pragma once

#include "common/devmode.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>

namespace tolma::ui {

struct TrackbarField {
  int trackbar;
  int label;
  int16_t PrivateDevmode::*field;
  int16_t fallback;  // the built-in default when the driver data file cannot be read
};

// The entry of a trackbar id (nullptr for another control).
const TrackbarField* FindTrackbarField(std::span<const TrackbarField> table, int trackbar);

// The default values of the fields: from the data file's image when there is one, else the fallbacks.
void TakeDefaults(std::span<const TrackbarField> table, const PrivateDevmode* image, PrivateDevmode& pd);

// Gives each trackbar its range, a tick mark at 1 and the field's position, and writes the field into its label.
void SetUpTrackbars(HWND dialog, std::span<const TrackbarField> table, const PrivateDevmode& pd, LONG minimum,
                    LONG maximum);

// Moves each trackbar to its field's value and writes the value into its label.
void ShowTrackbarValues(HWND dialog, std::span<const TrackbarField> table, const PrivateDevmode& pd);

// "Restore defaults": the default image through the strict reader of the data file (the fallbacks when it cannot
// be read), then the trackbars and labels.
void RestoreTrackbarDefaults(HWND dialog, std::span<const TrackbarField> table, PrivateDevmode& pd);

}  // namespace tolma::ui
