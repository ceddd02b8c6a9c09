// dialog_check.exe: the real DomaUI.dll's property sheets and dialogs under Wine. Its spooler and registry imports go
// to the host layer compiled in (a printer with its driver data file, whose printer never answers); the window
// manager is Wine's. Collects both sheets' option trees through its own pfnComPropSheet and checks their item names,
// then opens every dialog a push button, the ribbon item's extended button or About offers, exactly as the common
// property-sheet UI does, captures each into a PNG and closes it.
#include "common/devmode.h"
#include "platform/host/host.h"
#include "tests/windows/control_watch.h"
#include "tests/windows/dialog_shots.h"
#include "tests/windows/dll_imports.h"
#include "tests/windows/ui_calls.h"
#include "tests/windows/ui_routes.h"
#include "ui/resources/dialog_ids.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using tolma::wincheck::Export;

// The item names each sheet must offer, in order, for the printer of the generated data file and default settings.
const std::vector<std::string> kDocumentItems = {
    "Paper / Output",   "Orientation",         "180\u00ba Rotation",    "Color Adjustment",
    "Ribbon",           "Print on both sides", "Front and Back",        "Monochrome Conversion",
    "Black Panel",      "Black Bitmap",        "Front Overlay Varnish", "Back Overlay Varnish",
    "Hologram Varnish", "Head Settings",       "Printing Mode",         "Copies"};
const std::vector<std::string> kDeviceItems = {"Printer Model/Firmware Version",
                                               "Encoder Settings",
                                               "Tools",
                                               "F/W Download",
                                               "Device Information",
                                               "Single Feed",
                                               "About"};

constexpr int kDialogTimeoutMs = 20000;

std::string Utf8(const WCHAR* text) {
  if (text == nullptr) return "(none)";
  if (reinterpret_cast<uintptr_t>(text) < 0x10000)
    return std::string("#").append(std::to_string(reinterpret_cast<uintptr_t>(text)));
  std::string out;
  for (size_t i = 0; text[i] != 0 && i < 4096; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The common property-sheet UI as far as the driver uses it: keeps every page of option items it is handed.
struct Sheet {
  std::vector<COMPROPSHEETUI*> pages;
  std::vector<std::string> otherCalls;
};

LONG_PTR CALLBACK ComPropSheet(HANDLE handle, UINT function, LPARAM param1, LPARAM param2) {
  auto* sheet = static_cast<Sheet*>(handle);
  if (function == CPSFUNC_ADD_PCOMPROPSHEETUIW && param1 != 0) {
    sheet->pages.push_back(reinterpret_cast<COMPROPSHEETUI*>(param1));
    if (param2 != 0) *reinterpret_cast<DWORD*>(param2) = 1;  // pages added
    return static_cast<LONG_PTR>(sheet->pages.size());       // the page's handle
  }
  sheet->otherCalls.push_back(std::to_string(function));
  return 0;
}

int failures = 0;

void Fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  ++failures;
}

// Prints a page's items and checks their names; returns them.
void CheckItems(const char* which, const COMPROPSHEETUI& page, const std::vector<std::string>& expected) {
  std::vector<std::string> names;
  std::printf("%s sheet: %u items (tree \"%s\")\n", which, page.cOptItem, Utf8(page.pOptItemName).c_str());
  for (WORD i = 0; i < page.cOptItem; ++i) {
    const OPTITEM& item = page.pOptItem[i];
    names.push_back(Utf8(item.pName));
    std::printf("  %2u %s", i, names.back().c_str());
    if (item.pOptType != nullptr && item.pOptType->Type == TVOT_PUSHBUTTON && item.pOptType->pOptParam != nullptr)
      std::printf("  [push button, dialog %lld]", static_cast<long long>(item.pOptType->pOptParam[0].lParam));
    if ((item.Flags & OPTIF_EXT_IS_EXTPUSH) != 0 && item.pExtPush != nullptr)
      std::printf("  [extended button \"%s\", dialog %u]", Utf8(item.pExtPush->pTitle).c_str(),
                  item.pExtPush->DlgTemplateID);
    std::printf("\n");
  }
  if (names != expected) Fail(std::string(which) + " sheet: the items differ from the expected list");
}

// Shows one dialog through `open`, reports it and counts a failure.
void Shoot(const std::string& name, const std::string& folder, const std::function<intptr_t()>& open) {
  // The dialogs that open dialogs of their own: the buttons that open them (after the check box that enables one).
  std::vector<tolma::wincheck::Press> presses;
  const std::string base = folder + "\\" + name;
  if (name == "device-104") presses = {{IDC_ENC_ADVANCED, base + "-105"}};
  if (name == "device-112") presses = {{IDC_TOOLS_SEND_FILE, base + "-129"}};
  if (name == "document-110") presses = {{IDC_HOLOGRAM_ENABLE, ""}, {IDC_HOLOGRAM_AREA_BUTTON, base + "-111"}};
  const tolma::wincheck::DialogShot shot = tolma::wincheck::ShowAndCapture(open, base, kDialogTimeoutMs, presses);
  std::printf("dialog %s: result %lld,", name.c_str(), static_cast<long long>(shot.result));
  for (const std::string& image : shot.images) std::printf(" %s", image.substr(folder.size() + 1).c_str());
  std::printf("\n");
  if (shot.result == -1) Fail(name + ": the dialog did not open (-1)");
  if (!shot.error.empty()) Fail(name + ": " + shot.error);
}

// Every dialog a page offers: push buttons, extended buttons, About.
void ShootPage(const char* which, COMPROPSHEETUI& page, const std::string& folder) {
  for (WORD i = 0; i < page.cOptItem; ++i) {
    OPTITEM& item = page.pOptItem[i];
    CPSUICBPARAM param{};
    param.cbSize = sizeof param;
    param.pOptItem = page.pOptItem;
    param.cOptItem = page.cOptItem;
    param.pCurItem = &item;
    param.OldSel = item.Sel;
    param.UserData = page.UserData;
    if (item.pOptType != nullptr && item.pOptType->Type == TVOT_PUSHBUTTON && item.pOptType->pOptParam != nullptr &&
        item.pOptType->pOptParam[0].Style == PUSHBUTTON_TYPE_DLGPROC) {
      const OPTPARAM& p = item.pOptType->pOptParam[0];
      const auto id = static_cast<unsigned>(p.lParam);
      param.Reason = CPSUICB_REASON_DLGPROC;
      Shoot(std::string(which) + "-" + std::to_string(id), folder, [&] {
        return tolma::wincheck::OpenDialog(page.hInstCaller, id, reinterpret_cast<void*>(p.pData),
                                           reinterpret_cast<LPARAM>(&param));
      });
      if ((item.Flags & OPTIF_CALLBACK) != 0 && page.pfnCallBack != nullptr) page.pfnCallBack(&param);
    }
    if ((item.Flags & OPTIF_EXT_IS_EXTPUSH) != 0 && item.pExtPush != nullptr &&
        (item.pExtPush->Flags & EPF_PUSH_TYPE_DLGPROC) != 0) {
      const EXTPUSH& push = *item.pExtPush;
      param.Reason = CPSUICB_REASON_EXTPUSH;
      Shoot(std::string(which) + "-" + std::to_string(push.DlgTemplateID), folder, [&] {
        return tolma::wincheck::OpenDialog(page.hInstCaller, push.DlgTemplateID,
                                           tolma::wincheck::FunctionAddress(push.DlgProc),
                                           reinterpret_cast<LPARAM>(&param));
      });
      if ((item.Flags & OPTIF_CALLBACK) != 0 && page.pfnCallBack != nullptr) page.pfnCallBack(&param);
    }
  }
  if ((page.Flags & CPSUIF_ABOUT_CALLBACK) != 0 && page.pfnCallBack != nullptr) {
    CPSUICBPARAM param{};
    param.cbSize = sizeof param;
    param.Reason = CPSUICB_REASON_ABOUT;
    param.pOptItem = page.pOptItem;
    param.cOptItem = page.cOptItem;
    param.UserData = page.UserData;
    Shoot(std::string(which) + "-about", folder, [&] { return page.pfnCallBack(&param); });
  } else {
    Fail(std::string(which) + " sheet offers no About");
  }
}

// Every control id the DLL's dialog procedures asked of a dialog must be a control of its template.
void CheckControlUses() {
  for (const tolma::wincheck::ControlUse& use : tolma::wincheck::ControlUses()) {
    std::printf("dialog \"%s\": %zu control id%s used", use.dialog.c_str(), use.used.size(),
                use.used.size() == 1 ? "" : "s");
    if (use.lacking.empty()) {
      std::printf(", every one in its template\n");
      continue;
    }
    std::string lacking;
    for (int id : use.lacking) lacking.append(" ").append(std::to_string(id));
    std::printf(", lacking:%s\n", lacking.c_str());
    Fail("dialog \"" + use.dialog + "\" has no control" + lacking + " its procedure uses");
  }
  if (tolma::wincheck::ControlUses().empty()) Fail("the control watch saw no dialog use a control");
}

// Opens a sheet as the spooler does, checks its items, shows its dialogs and closes it.
void RunSheet(const char* which, PFNPROPSHEETUI function, LPARAM header, const std::vector<std::string>& expected,
              const std::string& folder) {
  Sheet sheet;
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  info.Version = PROPSHEETUI_INFO_VERSION;
  info.Flags = PSUIINFO_UNICODE;
  info.Reason = PROPSHEETUI_REASON_INIT;
  info.hComPropSheet = &sheet;
  info.pfnComPropSheet = &ComPropSheet;
  info.lParamInit = header;
  const LONG result = function(&info, header);
  std::printf("%s sheet: PROPSHEETUI_REASON_INIT = %ld, %zu pages\n", which, static_cast<long>(result),
              sheet.pages.size());
  if (result <= 0 || sheet.pages.size() != 1) {
    Fail(std::string(which) + " sheet: not one page of items");
  } else {
    CheckItems(which, *sheet.pages[0], expected);
    ShootPage(which, *sheet.pages[0], folder);
  }
  info.Reason = PROPSHEETUI_REASON_DESTROY;
  function(&info, 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: dialog_check.exe DomaUI.dll DATA_FILE SCREENSHOT_FOLDER\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  // The spooler and registry go to the host; the id-taking user functions through the control watch.
  std::vector<tolma::wincheck::Redirect> routes(tolma::wincheck::UiHostRoutes().begin(),
                                                tolma::wincheck::UiHostRoutes().end());
  routes.insert(routes.end(), tolma::wincheck::ControlWatchRedirects().begin(),
                tolma::wincheck::ControlWatchRedirects().end());
  const tolma::wincheck::LoadedDll dll =
      tolma::wincheck::LoadWithRedirects(argv[1], routes, tolma::wincheck::UiHostDlls());
  if (dll.module == nullptr || !dll.error.empty()) {
    std::fprintf(stderr, "dialog_check: %s\n", dll.error.c_str());
    return 1;
  }
  auto document = Export<PFNPROPSHEETUI>(dll.module, "DrvDocumentPropertySheets");
  auto device = Export<PFNPROPSHEETUI>(dll.module, "DrvDevicePropertySheets");
  auto convert = Export<decltype(&DrvConvertDevMode)>(dll.module, "DrvConvertDevMode");
  if (!document || !device || !convert) {
    std::fprintf(stderr, "dialog_check: an export is missing\n");
    return 1;
  }
  tolma::host::PrinterSetup setup;
  setup.name = tolma::wincheck::kUiPrinter;
  // The driver's files are those beside the data file (the Linux build's folder: logo, preview picture).
  const std::string dataFile = tolma::wincheck::WindowsPath(argv[2]);
  setup.driverDirectory = dataFile.substr(0, dataFile.find_last_of('\\'));
  setup.driverFile = "DomaRaster.dll";
  setup.dataFile = dataFile;
  tolma::host::AddPrinter(setup);
  std::basic_string<WCHAR> name = tolma::host::Wide(tolma::wincheck::kUiPrinter);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) {
    std::fprintf(stderr, "dialog_check: OpenPrinterW failed\n");
    return 1;
  }
  // The DEVMODE the document sheet edits: the driver's defaults.
  std::vector<uint8_t> input(tolma::kFullDevmodeSize), output(tolma::kFullDevmodeSize);
  LONG size = static_cast<LONG>(input.size());
  if (!convert(name.data(), nullptr, reinterpret_cast<DEVMODEW*>(input.data()), &size, CDM_DRIVER_DEFAULT)) {
    std::fprintf(stderr, "dialog_check: no default DEVMODE\n");
    return 1;
  }
  const std::string folder = tolma::wincheck::WindowsPath(argv[3]);

  DOCUMENTPROPERTYHEADER documentHeader{};
  documentHeader.cbSize = sizeof documentHeader;
  documentHeader.hPrinter = printer;
  documentHeader.pszPrinterName = name.data();
  documentHeader.pdmIn = reinterpret_cast<DEVMODEW*>(input.data());
  documentHeader.pdmOut = reinterpret_cast<DEVMODEW*>(output.data());
  documentHeader.cbOut = tolma::kFullDevmodeSize;
  documentHeader.fMode = DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT;
  RunSheet("document", document, reinterpret_cast<LPARAM>(&documentHeader), kDocumentItems, folder);

  DEVICEPROPERTYHEADER deviceHeader{};
  deviceHeader.cbSize = sizeof deviceHeader;
  deviceHeader.hPrinter = printer;
  deviceHeader.pszPrinterName = name.data();
  RunSheet("device", device, reinterpret_cast<LPARAM>(&deviceHeader), kDeviceItems, folder);

  ClosePrinter(printer);
  CheckControlUses();
  // The device sheet's encoder and tools buttons show the DLL's icon group.
  for (int size : {16, 32}) {
    const std::string png = folder + "\\icon-" + std::to_string(IDI_DOMA) + "-" + std::to_string(size) + ".png";
    const std::string error = tolma::wincheck::CaptureIcon(dll.module, IDI_DOMA, size, png);
    std::printf("icon %d at %d x %d: %s\n", IDI_DOMA, size, size, error.empty() ? png.c_str() : error.c_str());
    if (!error.empty()) Fail("icon " + std::to_string(IDI_DOMA) + ": " + error);
  }
  std::printf("dialog_check: %s\n", failures == 0 ? "passed" : (std::to_string(failures) + " failures").c_str());
  return failures == 0 ? 0 : 1;
}
