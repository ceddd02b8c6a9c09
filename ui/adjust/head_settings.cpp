// "Head Settings": eleven trackbars 0..10 bound to the head energy fields, enabled by the installed ribbon.
#include "ui/adjust/head_settings.h"

#include "common/ribbon.h"
#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"

namespace tolma::ui {
namespace {

constexpr TrackbarField kFields[kHeadSettingCount] = {
    {IDC_HEAD_CONTRAST_O, IDC_HEAD_CONTRAST_O_VALUE, &PrivateDevmode::headContrastO, 3},
    {IDC_HEAD_CONTRAST_KR, IDC_HEAD_CONTRAST_KR_VALUE, &PrivateDevmode::headContrastKr, 3},
    {IDC_HEAD_CONTRAST_H, IDC_HEAD_CONTRAST_H_VALUE, &PrivateDevmode::headContrastH, 5},
    {IDC_HEAD_INTENSITY_Y, IDC_HEAD_INTENSITY_Y_VALUE, &PrivateDevmode::headIntensityY, 4},
    {IDC_HEAD_INTENSITY_M, IDC_HEAD_INTENSITY_M_VALUE, &PrivateDevmode::headIntensityM, 7},
    {IDC_HEAD_INTENSITY_C, IDC_HEAD_INTENSITY_C_VALUE, &PrivateDevmode::headIntensityC, 7},
    {IDC_HEAD_INTENSITY_KD, IDC_HEAD_INTENSITY_KD_VALUE, &PrivateDevmode::headIntensityKd, 5},
    {IDC_HEAD_CONTRAST_Y, IDC_HEAD_CONTRAST_Y_VALUE, &PrivateDevmode::headContrastY, 5},
    {IDC_HEAD_CONTRAST_M, IDC_HEAD_CONTRAST_M_VALUE, &PrivateDevmode::headContrastM, 5},
    {IDC_HEAD_CONTRAST_C, IDC_HEAD_CONTRAST_C_VALUE, &PrivateDevmode::headContrastC, 5},
    {IDC_HEAD_CONTRAST_KD, IDC_HEAD_CONTRAST_KD_VALUE, &PrivateDevmode::headContrastKd, 5},
};

// Trackbar sets as bits: bit n is trackbar 1800 + n.
constexpr unsigned Bits(std::initializer_list<int> trackbars) {
  unsigned mask = 0;
  for (int id : trackbars) mask |= 1u << (id - IDC_HEAD_CONTRAST_O);
  return mask;
}
constexpr unsigned kFullColour = Bits({1801, 1803, 1804, 1805, 1807, 1808, 1809});

// The trackbars each ribbon type uses (type 14 goes by its monochrome kind).
constexpr unsigned kByRibbon[16] = {
    kFullColour | Bits({1800}),                  // 0 YMCKO
    Bits({1801}),                                // 1 K
    Bits({1800, 1806, 1810}),                    // 2 KdO
    Bits({1800, 1801}),                          // 3 KrO
    Bits({1802}),                                // 4 H
    Bits({1803, 1804, 1805, 1807, 1808, 1809}),  // 5 YMC
    kFullColour,                                 // 6 YMCK
    kFullColour,                                 // 7 YMCKK
    kFullColour | Bits({1800}),                  // 8 YMCKOK
    0,                                           // 9
    0,                                           // 10
    kFullColour | Bits({1800}),                  // 11 YMCKUv
    kFullColour,                                 // 12 YMCUvK
    Bits({1806, 1810}),                          // 13
    0,                                           // 14: by monochrome kind
    0,                                           // 15 none
};
constexpr unsigned kByMonoKind[4] = {
    Bits({1801}),  // K resin
    0,             // scratch off
    Bits({1800}),  // clear varnish
    Bits({1802}),  // hologram varnish
};

// What the dialog keeps while it is open: the private part it edits and the handles of its trackbars.
struct HeadSettingsState {
  PrivateDevmode* pd = nullptr;
  HWND trackbars[kHeadSettingCount] = {};
};

void Initialise(HWND dialog, HeadSettingsState& state) {
  for (size_t i = 0; i < kHeadSettingCount; ++i) state.trackbars[i] = GetDlgItem(dialog, kFields[i].trackbar);
  if (state.pd != nullptr) SetUpTrackbars(dialog, kFields, *state.pd, 0, 10);
  for (HWND trackbar : state.trackbars) EnableWindow(trackbar, FALSE);
  if (state.pd == nullptr) {
    EnableWindow(GetDlgItem(dialog, IDC_RESTORE_DEFAULTS), FALSE);
    return;
  }
  const std::array<bool, kHeadSettingCount> enabled =
      HeadTrackbarsEnabled(state.pd->ribbonType, state.pd->monoRibbonKind);
  for (size_t i = 0; i < kHeadSettingCount; ++i)
    if (enabled[i]) EnableWindow(state.trackbars[i], TRUE);
}

// A stored trackbar moved: its position goes into its field and its label at once.
void TrackbarMoved(HWND dialog, HeadSettingsState& state, HWND trackbar) {
  for (size_t i = 0; i < kHeadSettingCount; ++i) {
    if (trackbar == nullptr || state.trackbars[i] != trackbar || state.pd == nullptr) continue;
    const auto position = static_cast<int16_t>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    state.pd->*kFields[i].field = position;
    SetItemNumber(dialog, kFields[i].label, position);
  }
}

void Close(HWND dialog, HeadSettingsState& state) {
  EndDialog(dialog, kHeadSettingsClosed);
  for (HWND& trackbar : state.trackbars) trackbar = nullptr;
}

}  // namespace

std::span<const TrackbarField, kHeadSettingCount> HeadSettingFields() { return kFields; }

std::array<bool, kHeadSettingCount> HeadTrackbarsEnabled(int ribbonType, int monoRibbonKind) {
  unsigned mask = 0;
  if (ribbonType == kRibbonUnknownMonochrome)
    mask = monoRibbonKind >= 0 && monoRibbonKind < 4 ? kByMonoKind[monoRibbonKind] : 0;
  else if (ribbonType >= 0 && ribbonType < 16)
    mask = kByRibbon[ribbonType];
  std::array<bool, kHeadSettingCount> enabled{};
  for (size_t i = 0; i < kHeadSettingCount; ++i) enabled[i] = (mask >> i) & 1u;
  return enabled;
}

INT_PTR CALLBACK HeadSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = DialogState<HeadSettingsState>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<HeadSettingsState>(dialog);
      if (state == nullptr) return TRUE;
      state->pd = EditedPrivatePart();
      Initialise(dialog, *state);
      return TRUE;
    case WM_HSCROLL:
      if (state != nullptr) TrackbarMoved(dialog, *state, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
      return TRUE;
    case WM_COMMAND:
      if (state == nullptr) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_RESTORE_DEFAULTS:
          if (state->pd != nullptr) RestoreTrackbarDefaults(dialog, kFields, *state->pd);
          return TRUE;
        case IDC_CLOSE:
        case IDCANCEL:
          Close(dialog, *state);
          return TRUE;
        case IDC_HELP_BUTTON:
          OpenHelpContents(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      DestroyDialogState<HeadSettingsState>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunHeadSettings(HWND owner) { return RunDialog(owner, IDD_HEAD_SETTINGS, HeadSettingsProc); }

}  // namespace tolma::ui
