// The overlay area dialogs: the area list, the coordinate edits and spins, the bitmap choice, "Rotate 180º" and the
// card preview, one procedure for the three dialogs.
#include "ui/adjust/overlay_area.h"

#include "common/bitmap_file.h"
#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace tolma::ui {
namespace {

// Area types of the overlay varnish dialogs (strings 1231..1238) and of the hologram area (1261..1264).
constexpr AreaTypeInfo kOverlayTypes[] = {
    {PreviewKind::kFull, {}},
    {PreviewKind::kNone, {}},
    {PreviewKind::kArea, {}},
    {PreviewKind::kAreaBlank, {}},
    {PreviewKind::kBitmap, {}},
    {PreviewKind::kWindow, {85, 197, 279, 356}},  // "Smartcard ISO"
    {PreviewKind::kWindow, {85, 97, 243, 257}},   // "Smartcard AFNOR"
    {PreviewKind::kWindow, {0, 25, 1024, 196}},   // "Magnetic Stripe"
};
constexpr AreaTypeInfo kHologramTypes[] = {
    {PreviewKind::kFull, {}},
    {PreviewKind::kArea, {}},
    {PreviewKind::kAreaBlank, {}},
    {PreviewKind::kBitmap, {}},
};

constexpr AreaDialogTable kSpecs[] = {
    {IDD_FRONT_OVERLAY, 0, 1231, kOverlayTypes, 640},
    {IDD_BACK_OVERLAY, 0, 1231, kOverlayTypes, 640},
    {IDD_HOLOGRAM_AREA, IDC_HOLOGRAM_AREA_SHIFT, 1261, kHologramTypes, 639},
};

constexpr int kEditIds[4] = {IDC_AREA_LEFT, IDC_AREA_TOP, IDC_AREA_RIGHT, IDC_AREA_BOTTOM};
constexpr int kSpinIds[4] = {IDC_AREA_LEFT_SPIN, IDC_AREA_TOP_SPIN, IDC_AREA_RIGHT_SPIN, IDC_AREA_BOTTOM_SPIN};
constexpr int kLabelIds[4] = {IDC_AREA_LEFT_LABEL, IDC_AREA_TOP_LABEL, IDC_AREA_RIGHT_LABEL, IDC_AREA_BOTTOM_LABEL};
constexpr LONG kSpinMaxX = 1023;
constexpr int kTypedDigits = 4;

// The record's values, to tell whether an action changed anything.
struct AreaValues {
  int16_t type;
  int16_t rotate;
  int32_t edges[4];
  WCHAR path[kAreaPathChars];
  bool operator==(const AreaValues&) const = default;
};

// What the dialog keeps while it is open.
struct AreaDialogState {
  const AreaDialogTable* table = nullptr;
  PrivateDevmode* pd = nullptr;
  AreaRecord record{};
  PreviewFrame frame;
  RECT previewArea{};  // the frame's pixels, for repainting
  bool changed = false;
};

AreaValues ValuesOf(const AreaRecord& r) {
  AreaValues v{*r.type, *r.rotate, {*r.edges[0], *r.edges[1], *r.edges[2], *r.edges[3]}, {}};
  std::copy_n(r.path, kAreaPathChars, v.path);
  return v;
}

int Id(const AreaDialogState& s, int overlayId) { return overlayId + s.table->idShift; }
HWND Item(HWND dialog, const AreaDialogState& s, int overlayId) { return GetDlgItem(dialog, Id(s, overlayId)); }

void ShowError(UINT textId) { ShowStringMessage(kStrProductName, textId, MB_OK | MB_ICONERROR); }

// The stored value of an edge as the edit shows it (unsigned decimal).
void ShowEdge(HWND dialog, const AreaDialogState& s, int edge) {
  const WString text = WideFromAscii(std::to_string(static_cast<uint32_t>(*s.record.edges[edge])));
  SetDlgItemTextW(dialog, Id(s, kEditIds[edge]), text.c_str());
}
void MoveSpin(HWND dialog, const AreaDialogState& s, int edge, int64_t position) {
  SendMessageW(Item(dialog, s, kSpinIds[edge]), UDM_SETPOS32, 0,
               static_cast<LPARAM>(std::clamp<int64_t>(position, 0, 0x7FFFFFFF)));
}

void EnableCoordinates(HWND dialog, const AreaDialogState& s, bool enable) {
  for (int edge = 0; edge < 4; ++edge)
    for (int id : {kLabelIds[edge], kEditIds[edge], kSpinIds[edge]}) EnableWindow(Item(dialog, s, id), enable);
}
void EnableBitmapGroup(HWND dialog, const AreaDialogState& s, bool enable) {
  for (int id : {IDC_AREA_BITMAP_GROUP, IDC_AREA_BROWSE, IDC_AREA_PATH}) EnableWindow(Item(dialog, s, id), enable);
}
// The groups a type uses: the coordinates for the selected-area types, the bitmap group for the bitmap type.
void EnableGroupsFor(HWND dialog, const AreaDialogState& s, int type) {
  EnableCoordinates(dialog, s, IsSelectedAreaType(*s.table, type));
  EnableBitmapGroup(dialog, s, IsBitmapType(*s.table, type));
}

void Repaint(HWND dialog, const AreaDialogState& s) { InvalidateRect(dialog, &s.previewArea, TRUE); }

bool HasPath(const AreaRecord& r) { return r.path[0] != 0; }

// Runs the file dialog until a one-bit bitmap whose path fits the record is chosen (stored and shown: true), or
// until it is cancelled or the chosen file cannot be opened (false). A path too long for the record or a file that
// is not a sound one-bit bitmap is refused with a message, and the file dialog opens again.
bool ChooseBitmap(HWND dialog, AreaDialogState& s) {
  for (;;) {
    WCHAR file[kFileDialogChars] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = TOLMA_WIDE("Bitmap FIles(*.bmp)\0*.bmp\0");
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileDialogChars;
    ofn.lpstrDefExt = TOLMA_WIDE("bmp");
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&ofn)) {
      if (CommDlgExtendedError() != FNERR_BUFFERTOOSMALL) return false;
      ShowError(kStrBitmapPathTooLong);
      continue;
    }
    const WString path(file, WideLength(file, kFileDialogChars));
    if (path.size() >= kAreaPathChars) {
      ShowError(kStrBitmapPathTooLong);
      continue;
    }
    bool opened = false;
    const std::vector<uint8_t> bytes = ReadBitmapFileBytes(path, &opened);
    if (!opened) return false;
    if (!ParseMonoBitmapFile(bytes)) {
      ShowError(kStrBitmapNotMonochrome);
      continue;
    }
    CopyToField(s.record.path, kAreaPathChars, path);
    SetDlgItemTextW(dialog, Id(s, IDC_AREA_PATH), path.c_str());
    return true;
  }
}

// Falls back to the whole card: type 0 stored and selected, both groups disabled.
void FallBackToWholeCard(HWND dialog, AreaDialogState& s) {
  *s.record.type = 0;
  SendMessageW(Item(dialog, s, IDC_AREA_LIST), CB_SETCURSEL, 0, 0);
  EnableGroupsFor(dialog, s, 0);
}

void AreaTypeChosen(HWND dialog, AreaDialogState& s) {
  HWND list = Item(dialog, s, IDC_AREA_LIST);
  const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const auto type = static_cast<int>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  if (IsBitmapType(*s.table, type) && !HasPath(s.record) && !ChooseBitmap(dialog, s)) {
    FallBackToWholeCard(dialog, s);
  } else {
    EnableGroupsFor(dialog, s, type);
    *s.record.type = static_cast<int16_t>(type);
  }
  Repaint(dialog, s);
}

void BrowseClicked(HWND dialog, AreaDialogState& s) {
  if (ChooseBitmap(dialog, s) || HasPath(s.record)) {
    EnableCoordinates(dialog, s, false);
    EnableBitmapGroup(dialog, s, true);
  } else {
    FallBackToWholeCard(dialog, s);
  }
  Repaint(dialog, s);
}

// A new value for an edge, typed or spun: stored when the check accepts it, else refused with a message and the
// edit and spin set back to the stored value.
void NewEdgeValue(HWND dialog, AreaDialogState& s, int edge, std::optional<uint32_t> value) {
  int32_t stored[4];
  for (int i = 0; i < 4; ++i) stored[i] = *s.record.edges[i];
  if (!value || !CoordinateAccepted(static_cast<Edge>(edge), *value, stored)) {
    ShowError(kStrInvalidCoordinates);
    ShowEdge(dialog, s, edge);
    MoveSpin(dialog, s, edge, *s.record.edges[edge]);
    return;
  }
  *s.record.edges[edge] = static_cast<int32_t>(*value);
  ShowEdge(dialog, s, edge);
  MoveSpin(dialog, s, edge, *value);
  Repaint(dialog, s);
}

// An edit lost the focus: its text is the new value (for the selected-area types only). Leaving a value as it is
// stored changes nothing and asks nothing.
void EdgeTyped(HWND dialog, AreaDialogState& s, int edge) {
  if (!IsSelectedAreaType(*s.table, *s.record.type)) return;
  WCHAR text[16] = {};
  GetDlgItemTextW(dialog, Id(s, kEditIds[edge]), text, static_cast<int>(std::size(text)));
  const std::optional<uint32_t> value = ParseCoordinateText(WStringView(text, WideLength(text, std::size(text))));
  if (value && static_cast<int64_t>(*value) == *s.record.edges[edge]) return;
  NewEdgeValue(dialog, s, edge, value);
}

void EdgeSpun(HWND dialog, AreaDialogState& s, HWND spin) {
  for (int edge = 0; edge < 4; ++edge) {
    if (spin == nullptr || spin != Item(dialog, s, kSpinIds[edge])) continue;
    const auto position = static_cast<LONG>(SendMessageW(spin, UDM_GETPOS32, 0, 0));
    NewEdgeValue(dialog, s, edge, position < 0 ? std::nullopt : std::optional<uint32_t>(position));
  }
}

// The frame inside the preview group box, a few dialog units in from its edges and below its title.
void PlacePreview(HWND dialog, AreaDialogState& s) {
  RECT box{};
  GetWindowRect(GetDlgItem(dialog, IDC_AREA_PREVIEW), &box);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
  RECT margins{6, 12, 6, 6};
  MapDialogRect(dialog, &margins);
  s.frame = FitPreviewFrame(
      RECT{box.left + margins.left, box.top + margins.top, box.right - margins.right, box.bottom - margins.bottom});
  s.previewArea = PreviewRectangle(s.frame, 0, 0, 1024, 640, false);
}

void PaintPreview(HDC dc, const AreaDialogState& s) {
  const AreaRecord& r = s.record;
  const bool rotated = *r.rotate != 0;
  const AreaTypeInfo* info = AreaTypeOf(*s.table, *r.type);
  if (info == nullptr) {
    PaintAreaPreview(dc, s.frame, PreviewKind::kNone, {}, rotated);
  } else if (info->kind == PreviewKind::kBitmap) {
    // A missing or unsound file draws nothing.
    const std::vector<uint8_t> bytes = ReadBitmapFileBytes(WString(r.path, WideLength(r.path, kAreaPathChars)));
    if (const std::optional<MonoBitmapFile> bitmap = ParseMonoBitmapFile(bytes))
      PaintBitmapPreview(dc, s.frame, *bitmap, rotated);
  } else {
    const CardRect area = info->kind == PreviewKind::kWindow
                              ? info->window
                              : CardRect{*r.edges[0], *r.edges[1], *r.edges[2], *r.edges[3]};
    PaintAreaPreview(dc, s.frame, info->kind, area, rotated);
  }
}

void Initialise(HWND dialog, AreaDialogState& s) {
  PlacePreview(dialog, s);
  if (s.pd == nullptr) {
    // Nothing to edit: only Close and Help work.
    EnableCoordinates(dialog, s, false);
    EnableBitmapGroup(dialog, s, false);
    for (int id : {IDC_AREA_LIST, IDC_AREA_ROTATE}) EnableWindow(Item(dialog, s, id), FALSE);
    return;
  }
  const AreaRecord& r = s.record;
  for (int edge = 0; edge < 4; ++edge) {
    SendMessageW(Item(dialog, s, kEditIds[edge]), EM_LIMITTEXT, kTypedDigits, 0);
    ShowEdge(dialog, s, edge);
    const LONG maximum = edge == 0 || edge == 2 ? kSpinMaxX : s.table->spinMaxY;
    SendMessageW(Item(dialog, s, kSpinIds[edge]), UDM_SETRANGE32, 0, maximum);
    MoveSpin(dialog, s, edge, *r.edges[edge]);
  }
  HWND list = Item(dialog, s, IDC_AREA_LIST);
  for (size_t i = 0; i < s.table->types.size(); ++i) {
    WCHAR text[128] = {};
    LoadStringW(State().module, s.table->firstString + static_cast<UINT>(i), text, static_cast<int>(std::size(text)));
    const LRESULT at = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
  }
  if (AreaTypeOf(*s.table, *r.type) != nullptr) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(*r.type), 0);
  EnableGroupsFor(dialog, s, *r.type);
  CheckDlgButton(dialog, Id(s, IDC_AREA_ROTATE), *r.rotate != 0 ? BST_CHECKED : BST_UNCHECKED);
  const WString path(r.path, WideLength(r.path, kAreaPathChars));
  SetDlgItemTextW(dialog, Id(s, IDC_AREA_PATH), path.c_str());
}

// The commands of the dialog's controls; true when the command was the dialog's.
bool Command(HWND dialog, AreaDialogState& s, int id, int code) {
  if (s.pd != nullptr) {
    for (int edge = 0; edge < 4; ++edge)
      if (id == Id(s, kEditIds[edge])) {
        if (code == EN_KILLFOCUS) EdgeTyped(dialog, s, edge);
        return true;
      }
    if (id == Id(s, IDC_AREA_LIST)) {
      if (code == CBN_SELCHANGE) AreaTypeChosen(dialog, s);
      return true;
    }
    if (id == Id(s, IDC_AREA_BROWSE)) {
      if (code == BN_CLICKED) BrowseClicked(dialog, s);
      return true;
    }
    if (id == Id(s, IDC_AREA_ROTATE)) {
      if (code == BN_CLICKED) {
        *s.record.rotate = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
        Repaint(dialog, s);
      }
      return true;
    }
  }
  switch (id) {
    case IDC_CLOSE:
    case IDCANCEL:
      EndDialog(dialog, s.changed ? 1 : 0);
      return true;
    case IDC_HELP_BUTTON:
      OpenHelpContents(dialog);
      return true;
    default:
      return false;
  }
}

INT_PTR AreaDialogProc(AreaDialog which, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = DialogState<AreaDialogState>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<AreaDialogState>(dialog);
      if (state == nullptr) return TRUE;
      state->table = &AreaDialogTableOf(which);
      state->pd = EditedPrivatePart();
      if (state->pd != nullptr) state->record = AreaRecordOf(which, *state->pd);
      Initialise(dialog, *state);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      if (dc != nullptr && state != nullptr && state->pd != nullptr) PaintPreview(dc, *state);
      if (dc != nullptr) EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
      return TRUE;
    case WM_VSCROLL:
    case WM_COMMAND: {
      if (state == nullptr) return FALSE;
      // Every change of the record, whatever its cause, marks the dialog changed.
      const bool editing = state->pd != nullptr;
      const AreaValues before = editing ? ValuesOf(state->record) : AreaValues{};
      bool handled = true;
      if (message == WM_COMMAND)
        handled = Command(dialog, *state, LOWORD(wParam), HIWORD(wParam));
      else if (editing && LOWORD(wParam) == SB_THUMBPOSITION)
        EdgeSpun(dialog, *state, reinterpret_cast<HWND>(lParam));
      // The dialog may have ended; its state lives until WM_DESTROY.
      if (editing && !(ValuesOf(state->record) == before)) state->changed = true;
      return handled ? TRUE : FALSE;
    }
    case WM_DESTROY:
      DestroyDialogState<AreaDialogState>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

const AreaDialogTable& AreaDialogTableOf(AreaDialog dialog) { return kSpecs[static_cast<size_t>(dialog)]; }

AreaRecord AreaRecordOf(AreaDialog dialog, PrivateDevmode& pd) {
  if (dialog == AreaDialog::kHologramArea) {
    HologramArea& a = pd.hologramArea;
    return {
        &a.areaType, &a.areaRotate180, {&a.areaLeft, &a.areaTop, &a.areaRight, &a.areaBottom}, pd.hologramBitmapPath};
  }
  OverlayArea& a = dialog == AreaDialog::kFrontOverlay ? pd.frontOverlay : pd.backOverlay;
  return {&a.areaType, &a.areaRotate180, {&a.areaLeft, &a.areaTop, &a.areaRight, &a.areaBottom}, a.bitmapPath};
}

const AreaTypeInfo* AreaTypeOf(const AreaDialogTable& table, int type) {
  return type >= 0 && static_cast<size_t>(type) < table.types.size() ? &table.types[static_cast<size_t>(type)]
                                                                     : nullptr;
}

bool IsSelectedAreaType(const AreaDialogTable& table, int type) {
  const AreaTypeInfo* info = AreaTypeOf(table, type);
  return info != nullptr && (info->kind == PreviewKind::kArea || info->kind == PreviewKind::kAreaBlank);
}

bool IsBitmapType(const AreaDialogTable& table, int type) {
  const AreaTypeInfo* info = AreaTypeOf(table, type);
  return info != nullptr && info->kind == PreviewKind::kBitmap;
}

bool CoordinateAccepted(Edge edge, uint32_t value, const int32_t (&stored)[4]) {
  const int64_t v = value;
  switch (edge) {
    case Edge::kLeft:
      return v <= 1024 && v < stored[2];
    case Edge::kTop:
      return v < 640 && v < stored[3];
    case Edge::kRight:
      return v <= 1024 && v > stored[0];
    case Edge::kBottom:
      return v < 640 && v > stored[1];
  }
  return false;
}

std::optional<uint32_t> ParseCoordinateText(WStringView text) {
  if (text.size() > static_cast<size_t>(kTypedDigits)) return std::nullopt;
  uint32_t value = 0;
  for (WCHAR c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - u'0');
  }
  return value;
}

INT_PTR CALLBACK FrontOverlayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return AreaDialogProc(AreaDialog::kFrontOverlay, dialog, message, wParam, lParam);
}
INT_PTR CALLBACK BackOverlayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return AreaDialogProc(AreaDialog::kBackOverlay, dialog, message, wParam, lParam);
}
INT_PTR CALLBACK HologramAreaProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return AreaDialogProc(AreaDialog::kHologramArea, dialog, message, wParam, lParam);
}

INT_PTR RunAreaDialog(HWND owner, AreaDialog dialog) {
  static constexpr DLGPROC kProcs[] = {FrontOverlayProc, BackOverlayProc, HologramAreaProc};
  return RunDialog(owner, AreaDialogTableOf(dialog).templateId, kProcs[static_cast<size_t>(dialog)]);
}

}  // namespace tolma::ui
