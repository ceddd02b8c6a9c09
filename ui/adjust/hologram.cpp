// "Hologram Overlay Varnish": the Enable switch, the hologram area dialog, the copies, head settings and printing.
#include "ui/adjust/hologram.h"

#include "ui/adjust/head_settings.h"
#include "ui/adjust/hologram_job.h"
#include "ui/adjust/overlay_area.h"
#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tolma::ui {
namespace {

constexpr int kCopiesDigits = 5;

struct HologramState {
  PrivateDevmode* pd = nullptr;
  bool changed = false;
};

void Initialise(HWND dialog, HologramState& s) {
  if (s.pd == nullptr) {
    for (int id : {IDC_HOLOGRAM_ENABLE, IDC_HOLOGRAM_AREA_BUTTON, IDC_HOLOGRAM_COPIES, IDC_HOLOGRAM_PRINT,
                   IDC_HOLOGRAM_HEAD_SETTINGS})
      EnableWindow(GetDlgItem(dialog, id), FALSE);
    return;
  }
  const bool enabled = s.pd->hologramEnabled != 0;
  CheckDlgButton(dialog, IDC_HOLOGRAM_ENABLE, enabled ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_HOLOGRAM_AREA_BUTTON), enabled);
  SendDlgItemMessageW(dialog, IDC_HOLOGRAM_COPIES, EM_LIMITTEXT, kCopiesDigits, 0);
  SetItemNumber(dialog, IDC_HOLOGRAM_COPIES, s.pd->hologramCopies);
}

void CopiesEdited(HWND dialog, HologramState& s) {
  WCHAR text[16] = {};
  GetDlgItemTextW(dialog, IDC_HOLOGRAM_COPIES, text, static_cast<int>(std::size(text)));
  if (const std::optional<uint16_t> copies = ParseCopiesText(WStringView(text, WideLength(text, std::size(text)))))
    s.pd->hologramCopies = *copies;
}

void PrintClicked(HWND dialog, const HologramState& s) {
  if (s.pd->hologramCopies > kMaxHologramCopies) {
    ShowStringMessage(kStrProductName, kStrTooManyCopies, MB_OK | MB_ICONERROR);
    return;
  }
  HWND button = GetDlgItem(dialog, IDC_HOLOGRAM_PRINT);
  EnableWindow(button, FALSE);
  if (LaminateHologram(dialog, State().link, *s.pd) == LaminationResult::kSystemError)
    ShowStringMessage(kStrProductName, kStrSystemError, MB_OK);
  EnableWindow(button, TRUE);
  InvalidateRect(dialog, nullptr, TRUE);
}

// The commands of the dialog's controls that edit or use the private part.
void Command(HWND dialog, HologramState& s, int id, int code) {
  switch (id) {
    case IDC_HOLOGRAM_ENABLE:
      if (code != BN_CLICKED) return;
      s.pd->hologramEnabled = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
      EnableWindow(GetDlgItem(dialog, IDC_HOLOGRAM_AREA_BUTTON), s.pd->hologramEnabled != 0);
      return;
    case IDC_HOLOGRAM_AREA_BUTTON:
      if (code == BN_CLICKED && RunAreaDialog(dialog, AreaDialog::kHologramArea) == 1) s.changed = true;
      return;
    case IDC_HOLOGRAM_COPIES:
      CopiesEdited(dialog, s);
      return;
    case IDC_HOLOGRAM_PRINT:
      if (code == BN_CLICKED) PrintClicked(dialog, s);
      return;
    case IDC_HOLOGRAM_HEAD_SETTINGS:
      if (code == BN_CLICKED) RunHeadSettings(dialog);
      return;
    default:
      return;
  }
}

}  // namespace

std::optional<uint16_t> ParseCopiesText(WStringView text) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (WCHAR c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(c - u'0'), 0xFFFF);
  }
  return static_cast<uint16_t>(value);
}

INT_PTR CALLBACK HologramProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  auto* state = DialogState<HologramState>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<HologramState>(dialog);
      if (state == nullptr) return TRUE;
      state->pd = EditedPrivatePart();
      Initialise(dialog, *state);
      return TRUE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
      return TRUE;
    case WM_COMMAND: {
      if (state == nullptr) return FALSE;
      const int id = LOWORD(wParam);
      if (id == IDC_CLOSE || id == IDCANCEL) {
        EndDialog(dialog, state->changed ? 1 : 0);
        return TRUE;
      }
      if (id == IDC_HELP_BUTTON) {
        OpenHelpContents(dialog);
        return TRUE;
      }
      if (state->pd == nullptr) return FALSE;
      // Any change of the private part (the switch, the copies, the area, the head settings) marks the dialog.
      PrivateDevmode before;
      std::memcpy(&before, state->pd, sizeof before);
      Command(dialog, *state, id, HIWORD(wParam));
      if (std::memcmp(&before, state->pd, sizeof before) != 0) state->changed = true;
      return TRUE;
    }
    case WM_DESTROY:
      DestroyDialogState<HologramState>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunHologram(HWND owner) { return RunDialog(owner, IDD_HOLOGRAM, HologramProc); }

}  // namespace tolma::ui
