// "Color correction": intensity and contrast of black, red, green and blue, with a preview picture that follows them.
#pragma once

#include "common/wide.h"
#include "platform/win32.h"
#include "ui/adjust/trackbar_fields.h"

#include <span>

namespace tolma::ui {

inline constexpr size_t kColourCorrectionCount = 8;
inline constexpr INT_PTR kColourCorrectionClosed = 1605;
// Where the preview is painted, in client pixels.
inline constexpr int kPreviewLeft = 8;
inline constexpr int kPreviewTop = 8;

// The eight trackbars (1901..1908) with their labels and fields (fallback 0).
std::span<const TrackbarField, kColourCorrectionCount> ColourCorrectionFields();

// The preview picture's path: "domacc.bmp" in the directory of the printer driver's main file, for the printer of
// the open sheet (the current printer name, else the DEVMODE's device name). Empty when it cannot be found.
WString PreviewPicturePath(const DEVMODEW* devmode);

// The dialog procedure of template 109; the dialog edits the private part of the DEVMODE being edited at once and
// ends with 1605.
INT_PTR CALLBACK ColourCorrectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs "Color correction" for the DEVMODE being edited.
INT_PTR RunColourCorrection(HWND owner);

}  // namespace tolma::ui
