// The table of the dialogs behind the property sheets' push buttons.
#include "ui/sheet_dialogs.h"

#include "ui/adjust/colour_correction.h"
#include "ui/adjust/head_settings.h"
#include "ui/adjust/hologram.h"
#include "ui/adjust/overlay_area.h"
#include "ui/dialogs.h"
#include "ui/tools/about_box.h"
#include "ui/tools/encoder_dialogs.h"
#include "ui/tools/firmware_download.h"
#include "ui/tools/printer_info.h"
#include "ui/tools/tools_dialog.h"

namespace tolma::ui {
namespace {

constexpr SheetDialog kSheetDialogs[] = {
    {sheet_dialog::kAbout, AboutProc},
    {sheet_dialog::kEncoderSettings, EncoderSettingsProc},
    {sheet_dialog::kHeadSettings, HeadSettingsProc},
    {sheet_dialog::kFrontOverlay, FrontOverlayProc},
    {sheet_dialog::kColourCorrection, ColourCorrectionProc},
    {sheet_dialog::kHologramOverlay, HologramProc},
    {sheet_dialog::kTools, ToolsProc},
    {sheet_dialog::kRibbonInformation, RibbonInfoProc},
    {sheet_dialog::kFirmwareDownload, FirmwareDownloadProc},
    {sheet_dialog::kBackOverlay, BackOverlayProc},
    {sheet_dialog::kSingleFeed, SingleFeedProc},
    {sheet_dialog::kDeviceInformation, DeviceInfoProc},
};

}  // namespace

std::span<const SheetDialog> SheetDialogs() { return kSheetDialogs; }

DLGPROC SheetDialogProc(UINT templateId) {
  for (const SheetDialog& d : kSheetDialogs)
    if (d.templateId == templateId) return d.proc;
  return nullptr;
}

INT_PTR RunSheetDialog(HWND owner, UINT templateId) {
  const DLGPROC proc = SheetDialogProc(templateId);
  if (proc == nullptr) return -1;
  return RunDialog(owner, templateId, proc);
}

}  // namespace tolma::ui
