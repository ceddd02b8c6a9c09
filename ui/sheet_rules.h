// The property sheets' rules over the private settings: which items are enabled, the shape of the ribbon list,
// the ribbon-changed message. Plain functions of the settings and the printer's firmware-version text.
#pragma once

#include "common/devmode.h"

#include <string>
#include <string_view>

namespace tolma::ui {

// The document sheet's items, by position (which is also each item's user-item id).
enum DocumentItem : int {
  kDocPaperOutput,
  kDocOrientation,
  kDocRotation,
  kDocColourAdjustment,
  kDocRibbon,
  kDocBothSides,
  kDocFrontAndBack,
  kDocMonoConversion,
  kDocBlackPanel,
  kDocBlackBitmap,
  kDocFrontOverlay,
  kDocBackOverlay,
  kDocHologram,
  kDocHeadSettings,
  kDocPrintingMode,
  kDocCopies,
  kDocumentItemCount
};

// The device sheet's items, by position.
enum DeviceItem : int {
  kDevFirmware,
  kDevEncoderSettings,
  kDevTools,
  kDevFirmwareDownload,
  kDevDeviceInformation,
  kDevSingleFeed,
  kDevAbout,
  kDeviceItemCount
};

// The device's name, which stands for the firmware-version text when the printer does not give one.
inline constexpr std::string_view kDeviceNameText = "Tolma Q47x Card Printer";

inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 999;

// The model code for the printer's firmware-version text; a printer that gave none counts as the "RKA" model.
int SheetModelCode(bool answered, std::string_view version);

// Whether a document item is enabled for the settings and the printer's firmware-version text. Items 5 ("Print
// on both sides"), 7 to 12 follow the ribbon rules; the others are always enabled.
bool DocumentItemEnabled(int item, const PrivateDevmode& pd, std::string_view version);

// What the "Ribbon" item lists: the fixed ribbon list, the monochrome ribbon kinds (type 14), or the one ribbon
// the printer reported.
enum class RibbonList { Fixed, MonochromeKinds, Installed };
RibbonList RibbonListOf(const PrivateDevmode& pd);
// The fixed list's position for a fixedRibbon entry (entries outside 1..10 stand for "K Resin / Scratch Off",
// the ribbon they are printed with).
int FixedRibbonPosition(int fixedRibbon);
// Whether the "Ribbon" item carries the "Ribbon Info" button (not for types 14 and 1, nor with a fixed ribbon).
bool HasRibbonInfoButton(const PrivateDevmode& pd);

// Entries of the "180º Rotation" list: all four with both sides, else "[None]" and "Front".
int RotationEntryCount(const PrivateDevmode& pd);
// Whether "Encode Only" may be chosen (a fixed ribbon or an encoder); the KeepIfAllowed mask of printingMode.
bool EncodingPossible(const PrivateDevmode& pd);

// The ribbon-changed message for the printer's new ribbon type: no ribbon, a monochrome ribbon to choose, or the
// ribbon's name.
std::string RibbonChangedText(int ribbonType);

// Whether a device item is enabled: "Encoder Settings" with an encoder or a fixed ribbon; "F/W Download" when the
// printer answered the version question or a fixed ribbon is set; the others always.
bool DeviceItemEnabled(int item, const PrivateDevmode& pd, bool versionAnswered);

}  // namespace tolma::ui
