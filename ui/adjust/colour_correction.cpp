// "Color correction": eight trackbars -100..100 bound to the colour-correction fields and the preview painting.
#include "ui/adjust/colour_correction.h"

#include "ui/adjust/colour_preview.h"
#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"
#include "ui/spooler_calls.h"
#include "ui/ui_state.h"

#include <cstring>

namespace tolma::ui {
namespace {

constexpr TrackbarField kFields[kColourCorrectionCount] = {
    {IDC_CC_INTENSITY_K, IDC_CC_INTENSITY_K_VALUE, &PrivateDevmode::ccIntensityK, 0},
    {IDC_CC_INTENSITY_R, IDC_CC_INTENSITY_R_VALUE, &PrivateDevmode::ccIntensityR, 0},
    {IDC_CC_INTENSITY_G, IDC_CC_INTENSITY_G_VALUE, &PrivateDevmode::ccIntensityG, 0},
    {IDC_CC_INTENSITY_B, IDC_CC_INTENSITY_B_VALUE, &PrivateDevmode::ccIntensityB, 0},
    {IDC_CC_CONTRAST_K, IDC_CC_CONTRAST_K_VALUE, &PrivateDevmode::ccContrastK, 0},
    {IDC_CC_CONTRAST_R, IDC_CC_CONTRAST_R_VALUE, &PrivateDevmode::ccContrastR, 0},
    {IDC_CC_CONTRAST_G, IDC_CC_CONTRAST_G_VALUE, &PrivateDevmode::ccContrastG, 0},
    {IDC_CC_CONTRAST_B, IDC_CC_CONTRAST_B_VALUE, &PrivateDevmode::ccContrastB, 0},
};
constexpr RECT kPreviewArea{kPreviewLeft, kPreviewTop, kPreviewLeft + kPreviewSide, kPreviewTop + kPreviewSide};

struct ColourCorrectionState {
  PrivateDevmode* pd = nullptr;
};

// The BITMAPINFO of the picture: its own 40-byte header (24 bits need no colour table).
BITMAPINFO InfoOf(const PreviewPicture& picture) {
  BITMAPINFO info{};
  std::memcpy(&info.bmiHeader, picture.infoHeader.data(), sizeof info.bmiHeader);
  return info;
}

// Reads the first bytes of the picture file; nothing when it cannot be opened or is shorter than a whole picture.
std::optional<PreviewPicture> ReadPreviewPicture(const WString& path) {
  if (path.empty()) return std::nullopt;
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<uint8_t> bytes(kPreviewFileBytes);
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read != bytes.size()) return std::nullopt;
  return ParsePreviewPicture(bytes);
}

// Paints the adjusted picture at (8, 8); paints nothing when the printer, its driver or the picture is missing.
void PaintPreview(HDC dc, const PrivateDevmode& pd) {
  std::optional<PreviewPicture> picture = ReadPreviewPicture(PreviewPicturePath(State().editedDevmode));
  if (!picture) return;
  const BITMAPINFO info = InfoOf(*picture);
  HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, picture->pixels.data(), &info, DIB_RGB_COLORS);
  HDC memory = bitmap != nullptr ? CreateCompatibleDC(dc) : nullptr;
  if (memory != nullptr) {
    AdjustPreviewPixels(picture->pixels, MakePreviewTables(pd));
    SetDIBits(dc, bitmap, 0, kPreviewSide, picture->pixels.data(), &info, DIB_RGB_COLORS);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (previous != nullptr) {
      BitBlt(dc, kPreviewLeft, kPreviewTop, kPreviewSide, kPreviewSide, memory, 0, 0, SRCCOPY);
      SelectObject(memory, previous);
    }
    DeleteDC(memory);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
}

void Initialise(HWND dialog, ColourCorrectionState& state) {
  if (state.pd == nullptr) {
    for (const TrackbarField& f : kFields) EnableWindow(GetDlgItem(dialog, f.trackbar), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_RESTORE_DEFAULTS), FALSE);
    return;
  }
  SetUpTrackbars(dialog, kFields, *state.pd, -100, 100);
  const ColourCorrectionEnabling enabled =
      ColourCorrectionEnabled(state.pd->ribbonType, state.pd->printBothSides != 0, state.pd->twoSidedMode);
  for (const TrackbarField& f : kFields) {
    const bool black = f.trackbar == IDC_CC_INTENSITY_K || f.trackbar == IDC_CC_CONTRAST_K;
    EnableWindow(GetDlgItem(dialog, f.trackbar), (black ? enabled.black : enabled.colour) ? TRUE : FALSE);
  }
}

void Repaint(HWND dialog) { InvalidateRect(dialog, &kPreviewArea, FALSE); }

// A trackbar moved: a new value goes into its field and label, and the preview follows.
void TrackbarMoved(HWND dialog, ColourCorrectionState& state, HWND trackbar) {
  const TrackbarField* f = trackbar != nullptr ? FindTrackbarField(kFields, GetDlgCtrlID(trackbar)) : nullptr;
  if (f == nullptr || state.pd == nullptr) return;
  const auto position = static_cast<int16_t>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
  if (position == state.pd->*f->field) return;
  state.pd->*f->field = position;
  SetItemNumber(dialog, f->label, position);
  Repaint(dialog);
}

}  // namespace

std::span<const TrackbarField, kColourCorrectionCount> ColourCorrectionFields() { return kFields; }

WString PreviewPicturePath(const DEVMODEW* devmode) {
  const LinkContext& link = State().link;
  WString name(link.printerName, WideLength(link.printerName, kPrinterNameChars));
  if (name.empty() && devmode != nullptr)
    name.assign(devmode->dmDeviceName, WideLength(devmode->dmDeviceName, CCHDEVICENAME));
  if (name.empty()) return {};
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
  path += TOLMA_WIDE("domacc.bmp");
  if (path.size() >= MAX_PATH) return {};
  return path;
}

INT_PTR CALLBACK ColourCorrectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = DialogState<ColourCorrectionState>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<ColourCorrectionState>(dialog);
      if (state == nullptr) return TRUE;
      state->pd = EditedPrivatePart();
      Initialise(dialog, *state);
      return TRUE;
    case WM_HSCROLL:
      if (state != nullptr) TrackbarMoved(dialog, *state, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      if (dc != nullptr && state != nullptr && state->pd != nullptr) PaintPreview(dc, *state->pd);
      if (dc != nullptr) EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
      return TRUE;
    case WM_COMMAND:
      if (state == nullptr) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_RESTORE_DEFAULTS:
          if (state->pd == nullptr) return TRUE;
          RestoreTrackbarDefaults(dialog, kFields, *state->pd);
          Repaint(dialog);
          return TRUE;
        case IDC_CLOSE:
        case IDCANCEL:
          EndDialog(dialog, kColourCorrectionClosed);
          return TRUE;
        case IDC_HELP_BUTTON:
          OpenHelpContents(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      DestroyDialogState<ColourCorrectionState>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunColourCorrection(HWND owner) { return RunDialog(owner, IDD_COLOR_CORRECTION, ColourCorrectionProc); }

}  // namespace tolma::ui
