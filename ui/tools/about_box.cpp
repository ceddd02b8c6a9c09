// The About box: its version line and the logo painted from the driver directory on every paint.
#include "ui/tools/about_box.h"

#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"
#include "ui/spooler_calls.h"
#include "ui/tools/tool_text.h"
#include "ui/ui_state.h"

namespace tolma::ui {
namespace {

// Draws the whole logo stretched into its area; nothing when there is none.
void PaintLogo(HDC dc) {
  HBITMAP logo = LoadLogo();
  if (logo == nullptr) return;
  BITMAP size{};
  HDC memory = GetObjectW(logo, sizeof size, &size) != 0 ? CreateCompatibleDC(dc) : nullptr;
  if (memory != nullptr) {
    HGDIOBJ previous = SelectObject(memory, logo);
    if (previous != nullptr) {
      StretchBlt(dc, kLogoArea.left, kLogoArea.top, kLogoArea.right - kLogoArea.left, kLogoArea.bottom - kLogoArea.top,
                 memory, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
      SelectObject(memory, previous);
    }
    DeleteDC(memory);
  }
  DeleteObject(logo);
}

}  // namespace

WString LogoPath() {
  const LinkContext& link = State().link;
  WString name;
  if (link.printerInfo != nullptr && link.printerInfo->pPrinterName != nullptr) name = link.printerInfo->pPrinterName;
  if (name.empty()) name.assign(link.printerName, WideLength(link.printerName, kPrinterNameChars));
  HeapBlock driver;
  {
    OpenedPrinter printer(name.c_str(), 0);
    if (!printer) return {};
    driver = FetchDriverInfo2(printer.get());
  }
  const DRIVER_INFO_2W* info = DriverInfo2(driver);
  if (info == nullptr || info->pDriverPath == nullptr) return {};
  WString path(info->pDriverPath, WideLength(info->pDriverPath, MAX_PATH));
  const size_t slash = path.find_last_of(u'\\');
  path.erase(slash == WString::npos ? 0 : slash + 1);
  WCHAR file[MAX_PATH] = {};
  if (LoadStringW(State().module, kStrLogoFile, file, MAX_PATH) == 0) return {};
  path += file;
  if (path.size() >= MAX_PATH) return {};
  return path;
}

HBITMAP LoadLogo() {
  const WString path = LogoPath();
  if (path.empty()) return nullptr;
  return static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE | LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetItemText(dialog, IDC_ABOUT_VERSION, ItemText(dialog, IDC_ABOUT_VERSION) + kDriverVersion);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      if (dc != nullptr) {
        PaintLogo(dc);
        EndPaint(dialog, &paint);
      }
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR RunAboutBox(HWND owner) { return RunDialog(owner, IDD_ABOUT, AboutProc); }

}  // namespace tolma::ui
