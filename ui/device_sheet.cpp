// The device property sheet: opening (the printer's stored DEVMODE, its encoder and firmware questions, the 7
// items), the encoder block stored at apply, About.
#include "ui/device_sheet.h"

#include "common/commands.h"
#include "common/ribbon.h"
#include "ui/default_devmode.h"
#include "ui/devmode_merge.h"
#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/printer_queries.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/sheet_dialogs.h"
#include "ui/sheet_items.h"
#include "ui/sheet_rules.h"
#include "ui/spooler_calls.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

namespace tolma::ui {
namespace {

constexpr WORD kSheetVersion = 0x0400;
constexpr size_t kDeviceReplyBytes = 80;
constexpr ULONG_PTR kDllIconGroup = IDI_DOMA;  // the DLL's own icon
constexpr int kFirmwareTextChars = 64;

struct DeviceSheet {
  COMPROPSHEETUI page;
  OPTITEM items[kDeviceItemCount];
  ItemParts parts[kDeviceItemCount];
  WCHAR caption[kItemTextChars];
  HeapBlock printerInfo;  // the printer's PRINTER_INFO_2, the page's user data (empty when it could not be read)
  FullDevmode own;        // the DEVMODE shown when the stored one cannot be used where it is
  DEVMODEW* edited;
  PrivateDevmode* pd;
  bool versionAnswered;
};
static_assert(std::is_standard_layout_v<DeviceSheet>, "the page record starts the sheet");

DeviceSheet* NewSheet() {
  void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DeviceSheet));
  return memory != nullptr ? new (memory) DeviceSheet() : nullptr;
}

DeviceSheet* SheetOf(const PROPSHEETUI_INFO* info) {
  return info != nullptr ? reinterpret_cast<DeviceSheet*>(info->UserData) : nullptr;
}

// Frees a sheet and lets go of the process-wide pointers into it.
void DeleteSheet(DeviceSheet* s) {
  ProcessState& state = State();
  if (state.editedDevmode == s->edited) state.editedDevmode = nullptr;
  if (state.link.currentPrivate == s->pd) state.link.currentPrivate = nullptr;
  if (state.link.printerInfo == PrinterInfo2(s->printerInfo)) state.link.printerInfo = nullptr;
  s->~DeviceSheet();
  HeapFree(GetProcessHeap(), 0, s);
}

// The DEVMODE the sheet works on: the stored one where it is (this driver's layout, whole inside the block), else a
// whole copy of it; without printer information, the driver's default DEVMODE.
void ChooseDevmode(DeviceSheet& s, const DEVICEPROPERTYHEADER& header) {
  PRINTER_INFO_2W* pi = MutablePrinterInfo2(s.printerInfo);
  if (pi != nullptr && pi->pDevMode != nullptr) {
    const std::span<uint8_t> bytes = DevmodeInBlock(s.printerInfo, pi->pDevMode);
    if (bytes.size() == kFullDevmodeSize && pi->pDevMode->dmSize == kPublicDevmodeSize &&
        LocatePrivatePart(pi->pDevMode) != nullptr) {
      s.edited = pi->pDevMode;
    } else {
      s.own = FullImage(bytes);
      s.edited = reinterpret_cast<DEVMODEW*>(&s.own);
    }
  } else {
    BuildDefaultDevmode(header.pszPrinterName, {reinterpret_cast<uint8_t*>(&s.own), sizeof s.own});
    s.edited = reinterpret_cast<DEVMODEW*>(&s.own);
  }
  s.pd = LocatePrivatePart(s.edited);
}

void PushButton(DeviceSheet& s, int position, UINT nameId, UINT dialogId, ULONG_PTR icon, DWORD flags) {
  if (!DeviceItemEnabled(position, *s.pd, s.versionAnswered)) flags |= OPTIF_DISABLED;
  BeginItem(s.items[position], s.parts[position], position, nameId, 0, flags, reinterpret_cast<ULONG_PTR>(&s));
  SetPushButton(s.items[position], s.parts[position], dialogId, SheetDialogProc(dialogId), icon);
}

void BuildItems(DeviceSheet& s, WStringView firmware) {
  OPTITEM& version = s.items[kDevFirmware];
  BeginItem(version, s.parts[kDevFirmware], kDevFirmware, 2000, 0, OPTIF_CALLBACK, reinterpret_cast<ULONG_PTR>(&s));
  SetOptionType(version, s.parts[kDevFirmware], TVOT_LISTBOX, 1, 0);
  SetOption(s.parts[kDevFirmware], 0, firmware, IDI_CPSUI_DEVICE_FEATURE);
  version.Sel = 0;
  PushButton(s, kDevEncoderSettings, 2003, sheet_dialog::kEncoderSettings, kDllIconGroup, OPTIF_CALLBACK);
  PushButton(s, kDevTools, 2004, sheet_dialog::kTools, kDllIconGroup, 0);
  PushButton(s, kDevFirmwareDownload, 2078, sheet_dialog::kFirmwareDownload, IDI_CPSUI_EMPTY, OPTIF_CALLBACK);
  PushButton(s, kDevDeviceInformation, 2106, sheet_dialog::kDeviceInformation, IDI_CPSUI_DEVICE_FEATURE,
             OPTIF_CALLBACK);
  PushButton(s, kDevSingleFeed, 1325, sheet_dialog::kSingleFeed, IDI_CPSUI_EMPTY, OPTIF_CALLBACK);
  PushButton(s, kDevAbout, 2069, sheet_dialog::kAbout, IDI_CPSUI_EMPTY, 0);

  COMPROPSHEETUI& page = s.page;
  LoadItemText(s.caption, kStrProductName);
  page.cbSize = sizeof(COMPROPSHEETUI);
  page.Flags = CPSUIF_UPDATE_PERMISSION | CPSUIF_ABOUT_CALLBACK;
  page.hInstCaller = State().module;
  page.pCallerName = s.caption;
  page.UserData = reinterpret_cast<ULONG_PTR>(PrinterInfo2(s.printerInfo));
  page.pHelpFile = nullptr;
  page.pfnCallBack = DeviceSheetCallback;
  page.pOptItem = s.items;
  page.pDlgPage = CPSUI_PDLGPAGE_PRINTERPROP;
  page.cOptItem = kDeviceItemCount;
  page.pOptItemName = s.caption;
  page.CallerVersion = kSheetVersion;
  page.OptItemVersion = kSheetVersion;
}

// The firmware-version answer to "\eV\r": kept as the process-wide firmware text (ANSI) and shown widened, at
// most 63 characters of it. Without an answer the text is emptied and false is returned.
bool ReadFirmwareText(const LinkContext& link, WCHAR (&shown)[kFirmwareTextChars]) {
  char* firmware = State().firmwareVersion;
  firmware[0] = 0;
  uint8_t reply[kDeviceReplyBytes];
  const ReplyRead read = QuerySheetPrinter(link, cmd::kQueryVersion, reply);
  std::string_view text;
  if (!TakePositiveReply(reply, read.length, text)) return false;
  text = text.substr(0, std::min(text.find('\0'), kFirmwareTextBytes - 1));
  std::memcpy(firmware, text.data(), text.size());
  firmware[text.size()] = 0;
  const int bytes = static_cast<int>(std::min<size_t>(text.size(), kFirmwareTextChars - 1));
  const int chars = bytes > 0 ? MultiByteToWideChar(CP_ACP, 0, firmware, bytes, shown, kFirmwareTextChars - 1) : 0;
  shown[chars > 0 ? chars : 0] = 0;
  return true;
}

LONG OpenSheet(PPROPSHEETUI_INFO info, const DEVICEPROPERTYHEADER* header) {
  if (header == nullptr || header->cbSize < sizeof(DEVICEPROPERTYHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  DeviceSheet* sheet = NewSheet();
  if (sheet == nullptr) {
    ShowStringMessage(kStrProductName, kStrSystemError, MB_OK);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return -1;
  }
  DeviceSheet& s = *sheet;
  ProcessState& state = State();
  info->UserData = reinterpret_cast<ULONG_PTR>(&s.page);
  state.link.sheetPrinter = header->hPrinter;

  // The printer's information names the printer and holds the stored DEVMODE the sheet works on.
  s.printerInfo = FetchPrinterInfo2(header->hPrinter);
  const PRINTER_INFO_2W* pi = PrinterInfo2(s.printerInfo);
  if (pi == nullptr) ShowStringMessage(kStrProductName, kStrSystemError, MB_OK);
  const WCHAR* name = pi != nullptr ? pi->pPrinterName : header->pszPrinterName;
  if (name != nullptr && name[0] != 0) CopyToField(state.link.printerName, kPrinterNameChars, WStringView(name));
  ChooseDevmode(s, *header);
  PrivateDevmode& pd = *s.pd;
  state.link.printerInfo = pi;
  state.link.currentPrivate = s.pd;
  state.editedDevmode = s.edited;
  SheetEncoderCopy() = pd.encoder;

  // Encoder and firmware: asked of the printer unless a fixed ribbon is configured.
  WCHAR firmware[kFirmwareTextChars] = {};
  CopyToField(firmware, kFirmwareTextChars, WideFromAscii(kDeviceNameText));
  if (pd.fixedRibbon != 0) {
    pd.encoder.hasEncoder = state.cache.encoder.hasEncoder = 1;
    state.firmwareVersion[0] = 0;
  } else {
    uint8_t reply[kDeviceReplyBytes];
    const ReplyRead read = QuerySheetPrinter(state.link, cmd::kQueryEncoderFitted, reply);
    pd.encoder.hasEncoder = EncoderFitted(reply, read) ? 1 : 0;
    WCHAR answered[kFirmwareTextChars] = {};
    s.versionAnswered = ReadFirmwareText(state.link, answered);
    if (s.versionAnswered) {
      std::memcpy(firmware, answered, sizeof firmware);
      pd.printerModel = state.cache.printerModel = static_cast<int16_t>(ModelCodeFromVersion(state.firmwareVersion));
    }
  }

  BuildItems(s, WStringView(firmware, WideLength(firmware, kFirmwareTextChars)));
  DWORD added = 0;
  const LONG_PTR handle =
      info->pfnComPropSheet != nullptr
          ? info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PCOMPROPSHEETUIW, reinterpret_cast<LPARAM>(&s.page),
                                  reinterpret_cast<LPARAM>(&added))
          : 0;
  if (handle <= 0) {
    // Without its page the sheet is gone: nothing is left for DESTROY.
    info->Result = static_cast<ULONG_PTR>(-1);
    DeleteSheet(sheet);
    info->UserData = 0;
    return -1;
  }
  info->Result = 0;
  return 1;
}

// Apply: the working copy of the encoder block goes into a freshly read stored DEVMODE, and nothing else.
void StoreEncoderBlock(const PRINTER_INFO_2W* info) {
  if (info == nullptr || info->pPrinterName == nullptr || info->pPrinterName[0] == 0) return;
  OpenedPrinter printer(info->pPrinterName, PRINTER_ALL_ACCESS);
  if (!printer) return;
  HeapBlock fresh = FetchPrinterInfo2(printer.get());
  PRINTER_INFO_2W* pi = MutablePrinterInfo2(fresh);
  if (pi == nullptr) return;
  const std::span<uint8_t> devmode = DevmodeInBlock(fresh, pi->pDevMode);
  if (devmode.empty()) return;
  const size_t offset = size_t{pi->pDevMode->dmSize} + offsetof(PrivateDevmode, encoder);
  if (offset + sizeof(EncoderSettings) > devmode.size()) return;
  std::memcpy(devmode.data() + offset, &SheetEncoderCopy(), sizeof(EncoderSettings));
  SetPrinterW(printer.get(), 2, fresh.data(), 0);
}

}  // namespace

LONG DeviceSheetCall(PPROPSHEETUI_INFO info, LPARAM parameter) {
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return OpenSheet(info, reinterpret_cast<const DEVICEPROPERTYHEADER*>(parameter));
    case PROPSHEETUI_REASON_DESTROY:
      if (DeviceSheet* s = SheetOf(info)) {
        DeleteSheet(s);
        info->UserData = 0;
      }
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      info->Result = static_cast<ULONG_PTR>(-1);
      return -1;
    default:
      return 0;
  }
}

LONG APIENTRY DeviceSheetCallback(PCPSUICBPARAM param) {
  if (param == nullptr) return CPSUICB_ACTION_NONE;
  switch (param->Reason) {
    case CPSUICB_REASON_SEL_CHANGED:
    case CPSUICB_REASON_DLGPROC:
      return CPSUICB_ACTION_OPTIF_CHANGED;
    case CPSUICB_REASON_APPLYNOW:
      StoreEncoderBlock(reinterpret_cast<const PRINTER_INFO_2W*>(param->UserData));
      return CPSUICB_ACTION_ITEMS_APPLIED;
    case CPSUICB_REASON_ABOUT:
      RunSheetDialog(GetActiveWindow(), sheet_dialog::kAbout);
      return CPSUICB_ACTION_ITEMS_APPLIED;
    default:
      return CPSUICB_ACTION_NONE;
  }
}

}  // namespace tolma::ui
