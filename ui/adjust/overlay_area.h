// The overlay area dialogs "Front Overlay Varnish" (108), "Back Overlay Varnish" (117) and "Front Hologram Overlay
// Varnish" (111): one procedure over a table per dialog (record, control ids, area types, spin ranges).
#pragma once

#include "common/devmode.h"
#include "common/wide.h"
#include "platform/win32.h"
#include "ui/adjust/area_preview.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tolma::ui {

// String ids of the dialogs' messages.
inline constexpr UINT kStrInvalidCoordinates = 2132;   // "Invalid coordinates."
inline constexpr UINT kStrBitmapNotMonochrome = 2142;  // "The Bitmap must be a monochrome(1 bpp)."
inline constexpr UINT kStrBitmapPathTooLong = 2141;    // the chosen path does not fit the 256-unit field

// Units of the path fields (`bitmapPath`, `hologramBitmapPath`), the terminating NUL included.
inline constexpr size_t kAreaPathChars = 256;
// The file dialog's path buffer, in units.
inline constexpr DWORD kFileDialogChars = 260;

enum class AreaDialog : uint8_t { kFrontOverlay, kBackOverlay, kHologramArea };
enum class Edge : uint8_t { kLeft, kTop, kRight, kBottom };

// What one entry of an area list is: its preview, and for the fixed windows the window in card pixels.
struct AreaTypeInfo {
  PreviewKind kind;
  CardRect window;
};

// The table of one dialog.
struct AreaDialogTable {
  UINT templateId;
  int idShift;       // added to every area control id of the overlay dialogs (0, or 30 for the hologram area)
  UINT firstString;  // the area list's first string; entry n (its data n) is the stored value n
  std::span<const AreaTypeInfo> types;
  LONG spinMaxY;  // top of the Top and Bottom spin ranges: 640 (overlay) or 639 (hologram)
};
const AreaDialogTable& AreaDialogTableOf(AreaDialog dialog);

// The fields one dialog edits, inside a private part.
struct AreaRecord {
  int16_t* type;
  int16_t* rotate;
  int32_t* edges[4];  // left, top, right, bottom
  WCHAR* path;        // kAreaPathChars units
};
AreaRecord AreaRecordOf(AreaDialog dialog, PrivateDevmode& pd);

// The entry of a stored type, or nothing for a value outside the list.
const AreaTypeInfo* AreaTypeOf(const AreaDialogTable& table, int type);
// Types whose rectangle is edited (overlay 2 and 3, hologram 1 and 2), and the bitmap type (overlay 4, hologram 3).
bool IsSelectedAreaType(const AreaDialogTable& table, int type);
bool IsBitmapType(const AreaDialogTable& table, int type);

// The coordinate check of a new value for one edge against the stored rectangle (left, top, right, bottom):
// Left <= 1024 and < Right; Top < 640 and < Bottom; Right <= 1024 and > Left; Bottom < 640 and > Top.
bool CoordinateAccepted(Edge edge, uint32_t value, const int32_t (&stored)[4]);

// A typed coordinate: empty text is 0, otherwise one to four decimal digits; nothing for anything else.
std::optional<uint32_t> ParseCoordinateText(WStringView text);

// The dialog procedures of templates 108, 117 and 111. Each edits the private part of the DEVMODE being edited at
// once and ends with 1 when anything was changed, 0 otherwise.
INT_PTR CALLBACK FrontOverlayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BackOverlayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HologramAreaProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs one of the three dialogs for the DEVMODE being edited; returns 1 when it changed anything, 0 when not, -1
// when the dialog could not be made.
INT_PTR RunAreaDialog(HWND owner, AreaDialog dialog);

}  // namespace tolma::ui
