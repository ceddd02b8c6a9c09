// The dialogs that the property sheets' push buttons open: one table from dialog resource number to dialog
// procedure.
#pragma once

#include "platform/win32.h"

#include <span>

namespace tolma::ui {

// Resource numbers of the dialogs the sheets open.
namespace sheet_dialog {
inline constexpr UINT kAbout = 102;              // about box (both sheets)
inline constexpr UINT kEncoderSettings = 104;    // device sheet, "Encoder Settings"
inline constexpr UINT kHeadSettings = 107;       // document sheet, "Head Settings"
inline constexpr UINT kFrontOverlay = 108;       // document sheet, "Front Overlay Varnish"
inline constexpr UINT kColourCorrection = 109;   // document sheet, "Color Adjustment"
inline constexpr UINT kHologramOverlay = 110;    // document sheet, "Hologram Varnish"
inline constexpr UINT kTools = 112;              // device sheet, "Tools"
inline constexpr UINT kRibbonInformation = 113;  // document sheet, the ribbon item's "Ribbon Info"
inline constexpr UINT kFirmwareDownload = 116;   // device sheet, "F/W Download"
inline constexpr UINT kBackOverlay = 117;        // document sheet, "Back Overlay Varnish"
inline constexpr UINT kSingleFeed = 123;         // device sheet, "Single Feed"
inline constexpr UINT kDeviceInformation = 124;  // device sheet, "Device Information"
}  // namespace sheet_dialog

// One row of the table: a dialog's resource number and its procedure.
struct SheetDialog {
  UINT templateId;
  DLGPROC proc;
};

// Every dialog the sheets open, in resource-number order.
std::span<const SheetDialog> SheetDialogs();

// The procedure of a dialog the sheets open; nullptr when the table has none for that number.
DLGPROC SheetDialogProc(UINT templateId);

// Runs a dialog of the table modally (the About box of the sheets' About callback); does nothing and returns -1
// when the table has no procedure for it.
INT_PTR RunSheetDialog(HWND owner, UINT templateId);

}  // namespace tolma::ui
