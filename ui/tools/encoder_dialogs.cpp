// "Encoder settings" and "Advanced settings": working copies taken from the sheet's copy, the enabling rules of the
// encoder type and the printer model, and "Apply" sending the settings and storing them in the printer's DEVMODE.
#include "ui/tools/encoder_dialogs.h"

#include "common/ribbon.h"
#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/encoder_jobs.h"
#include "ui/ui_state.h"

#include <cstring>
#include <span>

namespace tolma::ui {
namespace {

constexpr int16_t kTypeJis2 = 1;
constexpr int16_t kTypeAamva = 2;
constexpr size_t kMarkerChars = 9;  // start and end texts: 9 characters and their terminating zero

constexpr UINT kStrFirstMode = 1631;     // "ISO1" .. "7 bit"
constexpr UINT kStrFirstDensity = 1640;  // "75 bpi", "210 bpi"
constexpr int kModes = 8;
constexpr int kDensities = 2;

// --- Controls shared by both dialogs ---

void EnableItem(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE); }

// Checks the radio button at position `value` of a group, and no other (none for a value outside the group).
void CheckRadioGroup(HWND dialog, std::span<const int> buttons, int value) {
  for (size_t i = 0; i < buttons.size(); ++i)
    CheckDlgButton(dialog, buttons[i], static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED);
}

// The position of a button in its group, or -1.
int PositionIn(std::span<const int> buttons, int id) {
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == id) return static_cast<int>(i);
  return -1;
}

WString ItemText(HWND dialog, int id) {
  WCHAR text[64] = {};
  const int n = GetDlgItemTextW(dialog, id, text, 64);
  return WString(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// --- "Encoder settings" ---

constexpr int kCoercivityButtons[] = {IDC_ENC_HIGH_COERCIVITY, IDC_ENC_LOW_COERCIVITY, IDC_ENC_NO_CHANGE};
constexpr int kPositionButtons[] = {IDC_ENC_REVERSED, IDC_ENC_NORMAL};
constexpr int kTypeButtons[] = {IDC_ENC_ISO_JIS, IDC_ENC_JIS2, IDC_ENC_AAMVA};

// A radio group and the field its position goes into.
struct EncoderRadioGroup {
  std::span<const int> buttons;
  int16_t EncoderSettings::*field;
};
const EncoderRadioGroup kEncoderGroups[] = {
    {kCoercivityButtons, &EncoderSettings::coercivity},
    {kPositionButtons, &EncoderSettings::encoderPosition},
    {kTypeButtons, &EncoderSettings::encoderType},
};

// What "Encoder settings" keeps while it is open: its working copy, and whether it is filling its controls (their
// notifications are then not the user's).
struct EncoderDialogState {
  EncoderSettings* working = nullptr;
  bool showing = false;
};

bool RestrictedModel() { return IsRestrictedModel(FirmwareVersionText()); }

void EnableEncoderButtons(HWND dialog, const EncoderSettings& working) {
  const EncoderButtons enabled = EncoderButtonsEnabled(working.encoderType, RestrictedModel());
  EnableItem(dialog, IDC_ENC_REVERSED, enabled.reversed);
  EnableItem(dialog, IDC_ENC_NORMAL, enabled.normal);
  EnableItem(dialog, IDC_ENC_ADVANCED, enabled.advanced);
}

void ShowEncoderCopy(HWND dialog, EncoderDialogState& state) {
  EncoderSettings& w = *state.working;
  if (RestrictedModel()) w.encoderPosition = 1;  // "Reversed" cannot be chosen on this model
  w.startOfData[kMarkerChars] = 0;
  w.endOfData[kMarkerChars] = 0;
  state.showing = true;
  SetDlgItemTextW(dialog, IDC_ENC_START_OF_DATA, DataMarkerText(w.startOfData).c_str());
  SetDlgItemTextW(dialog, IDC_ENC_END_OF_DATA, DataMarkerText(w.endOfData).c_str());
  CheckDlgButton(dialog, IDC_ENC_MACRO, w.macroProcessing != 0 ? BST_CHECKED : BST_UNCHECKED);
  for (const EncoderRadioGroup& group : kEncoderGroups) CheckRadioGroup(dialog, group.buttons, w.*group.field);
  state.showing = false;
  EnableEncoderButtons(dialog, w);
}

void InitEncoderDialog(HWND dialog, EncoderDialogState& state) {
  state.working = &EncoderDialogCopy();
  *state.working = SheetEncoderCopy();
  SendDlgItemMessageW(dialog, IDC_ENC_START_OF_DATA, EM_LIMITTEXT, kMarkerChars, 0);
  SendDlgItemMessageW(dialog, IDC_ENC_END_OF_DATA, EM_LIMITTEXT, kMarkerChars, 0);
  ShowEncoderCopy(dialog, state);
}

void ApplyEncoderDialog(HWND dialog, const EncoderDialogState& state) {
  EncoderSettings& sheet = SheetEncoderCopy();
  CopyEncoderHalf(EncoderHalf::Encoder, *state.working, sheet);
  SendEncoderSettings(State().link, sheet);
  StoreEncoderSettings(State().link, sheet);
  EndDialog(dialog, IDOK);
}

bool EncoderCommand(HWND dialog, EncoderDialogState& state, int id, int code) {
  EncoderSettings& w = *state.working;
  switch (id) {
    case IDC_ENC_START_OF_DATA:
    case IDC_ENC_END_OF_DATA:
      if (code == EN_CHANGE && !state.showing)
        TakeDataMarker(ItemText(dialog, id), id == IDC_ENC_START_OF_DATA ? w.startOfData : w.endOfData);
      return true;
    case IDC_ENC_MACRO:
      w.macroProcessing = IsDlgButtonChecked(dialog, IDC_ENC_MACRO) == BST_CHECKED ? 1 : 0;
      return true;
    case IDC_ENC_ADVANCED:
      RunAdvancedSettings(dialog);
      return true;
    case IDC_RESTORE_DEFAULTS:
      RestoreEncoderDefaults(EncoderHalf::Encoder, w);
      ShowEncoderCopy(dialog, state);
      return true;
    case IDC_ENCODER_APPLY:
      ApplyEncoderDialog(dialog, state);
      return true;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return true;
    case IDC_HELP_BUTTON:
      OpenHelpContents(dialog);
      return true;
    default:
      break;
  }
  for (const EncoderRadioGroup& group : kEncoderGroups) {
    const int position = PositionIn(group.buttons, id);
    if (position < 0 || code != BN_CLICKED) continue;
    w.*group.field = static_cast<int16_t>(position);
    if (group.field == &EncoderSettings::encoderType && position == kTypeJis2) w.selectedTrack = 0;
    EnableEncoderButtons(dialog, w);
    return true;
  }
  return false;
}

// --- "Advanced settings" ---

constexpr int kTrackButtons[] = {IDC_ADV_TRACK1, IDC_ADV_TRACK2, IDC_ADV_TRACK3};
constexpr int kCharParityButtons[] = {IDC_ADV_CHAR_PARITY_NONE, IDC_ADV_CHAR_PARITY_EVEN, IDC_ADV_CHAR_PARITY_ODD};
constexpr int kLrcParityButtons[] = {IDC_ADV_LRC_PARITY_NONE, IDC_ADV_LRC_PARITY_EVEN, IDC_ADV_LRC_PARITY_ODD};
// The start/stop, start position and parity groups with their labels and controls.
constexpr int kBitModeControls[] = {
    IDC_ADV_START_STOP_GROUP, IDC_ADV_START_CHAR_LABEL,  IDC_ADV_START_CHAR,       IDC_ADV_STOP_CHAR_LABEL,
    IDC_ADV_STOP_CHAR,        IDC_ADV_POSITION_GROUP,    IDC_ADV_POSITION_LABEL,   IDC_ADV_START_POSITION,
    IDC_ADV_MM_LABEL,         IDC_ADV_CHAR_PARITY_GROUP, IDC_ADV_CHAR_PARITY_NONE, IDC_ADV_CHAR_PARITY_EVEN,
    IDC_ADV_CHAR_PARITY_ODD,  IDC_ADV_LRC_PARITY_GROUP,  IDC_ADV_LRC_PARITY_NONE,  IDC_ADV_LRC_PARITY_EVEN,
    IDC_ADV_LRC_PARITY_ODD,
};

// The number edits and the fields of the shown track they fill.
struct NumberEdit {
  int id;
  int16_t TrackSettings::*field;
};
constexpr NumberEdit kNumberEdits[] = {
    {IDC_ADV_START_CHAR, &TrackSettings::startChar},
    {IDC_ADV_STOP_CHAR, &TrackSettings::stopChar},
    {IDC_ADV_START_POSITION, &TrackSettings::startPosition},
};

struct AdvancedDialogState {
  EncoderSettings* working = nullptr;
  bool showing = false;
};

TrackSettings& ShownTrack(EncoderSettings& w) {
  return w.trackSettings[w.selectedTrack >= 0 && w.selectedTrack < 3 ? w.selectedTrack : 0];
}

// Fills a list with consecutive strings, each entry carrying its position as its data.
void FillList(HWND dialog, int id, UINT firstString, int count) {
  for (int i = 0; i < count; ++i) {
    WCHAR text[32] = {};
    LoadStringW(State().module, firstString + static_cast<UINT>(i), text, 32);
    const LRESULT at = SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0) SendDlgItemMessageW(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
  }
}

// Selects the entry whose data is `value` (none when no entry has it).
void SelectByData(HWND dialog, int id, int value) {
  const LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  WPARAM found = static_cast<WPARAM>(-1);
  for (LRESULT i = 0; i < count; ++i)
    if (SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value)
      found = static_cast<WPARAM>(i);
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, found, 0);
}

// The data of the selected entry, or -1.
int SelectedData(HWND dialog, int id) {
  const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  if (at < 0) return -1;
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

void EnableBitModeGroups(HWND dialog, bool enable) {
  for (int id : kBitModeControls) EnableItem(dialog, id, enable);
}

void ShowAdvancedCopy(HWND dialog, AdvancedDialogState& state) {
  EncoderSettings& w = *state.working;
  const TrackButtons buttons = SettleShownTrack(w, IsTrackLimitedModel(FirmwareVersionText()));
  const TrackSettings& track = ShownTrack(w);
  state.showing = true;
  CheckRadioGroup(dialog, kTrackButtons, w.selectedTrack);
  SelectByData(dialog, IDC_ADV_MODE, track.mode);
  SelectByData(dialog, IDC_ADV_DENSITY, track.density);
  for (const NumberEdit& edit : kNumberEdits) SetItemNumber(dialog, edit.id, static_cast<uint16_t>(track.*edit.field));
  CheckRadioGroup(dialog, kCharParityButtons, track.charParity);
  CheckRadioGroup(dialog, kLrcParityButtons, track.lrcParity);
  state.showing = false;
  EnableItem(dialog, IDC_ADV_TRACK2, buttons.track2);
  EnableItem(dialog, IDC_ADV_TRACK3, buttons.track3);
  EnableBitModeGroups(dialog, BitModeGroupsEnabled(track.mode));
}

void InitAdvancedDialog(HWND dialog, AdvancedDialogState& state) {
  state.working = &AdvancedDialogCopy();
  *state.working = SheetEncoderCopy();
  FillList(dialog, IDC_ADV_MODE, kStrFirstMode, kModes);
  FillList(dialog, IDC_ADV_DENSITY, kStrFirstDensity, kDensities);
  ShowAdvancedCopy(dialog, state);
}

void ApplyAdvancedDialog(HWND dialog, const AdvancedDialogState& state) {
  EncoderSettings& sheet = SheetEncoderCopy();
  CopyEncoderHalf(EncoderHalf::Advanced, *state.working, sheet);
  SendTrackSettings(State().link, sheet);
  StoreEncoderSettings(State().link, sheet);
  EndDialog(dialog, IDOK);
}

bool AdvancedCommand(HWND dialog, AdvancedDialogState& state, int id, int code) {
  EncoderSettings& w = *state.working;
  TrackSettings& track = ShownTrack(w);
  switch (id) {
    case IDC_ADV_MODE:
      if (code != CBN_SELCHANGE) return true;
      if (const int mode = SelectedData(dialog, id); mode >= 0) {
        track.mode = static_cast<int16_t>(mode);
        EnableBitModeGroups(dialog, BitModeGroupsEnabled(mode));
      }
      return true;
    case IDC_ADV_DENSITY:
      if (code != CBN_SELCHANGE) return true;
      if (const int density = SelectedData(dialog, id); density >= 0) track.density = static_cast<int16_t>(density);
      return true;
    case IDC_RESTORE_DEFAULTS:
      RestoreEncoderDefaults(EncoderHalf::Advanced, w);
      ShowAdvancedCopy(dialog, state);
      return true;
    case IDC_ENCODER_APPLY:
      ApplyAdvancedDialog(dialog, state);
      return true;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return true;
    case IDC_HELP_BUTTON:
      OpenHelpContents(dialog);
      return true;
    default:
      break;
  }
  for (const NumberEdit& edit : kNumberEdits) {
    if (edit.id != id) continue;
    if (code == EN_CHANGE && !state.showing)
      if (const std::optional<int16_t> value = Low8BitsOfNumber(ItemText(dialog, id))) track.*edit.field = *value;
    return true;
  }
  if (code != BN_CLICKED) return false;
  if (const int position = PositionIn(kTrackButtons, id); position >= 0) {
    w.selectedTrack = static_cast<int16_t>(position);
    ShowAdvancedCopy(dialog, state);
    return true;
  }
  if (const int position = PositionIn(kCharParityButtons, id); position >= 0) {
    track.charParity = static_cast<int16_t>(position);
    return true;
  }
  if (const int position = PositionIn(kLrcParityButtons, id); position >= 0) {
    track.lrcParity = static_cast<int16_t>(position);
    return true;
  }
  return false;
}

// The procedure shared by both dialogs: state made at WM_INITDIALOG and freed at WM_DESTROY, the close box as
// "Cancel", commands to the dialog's own handler.
template <typename State, void (*Init)(HWND, State&), bool (*Command)(HWND, State&, int, int)>
INT_PTR EncoderDialogProc(HWND dialog, UINT message, WPARAM wParam) {
  auto* state = DialogState<State>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<State>(dialog);
      if (state == nullptr) return TRUE;
      Init(dialog, *state);
      return TRUE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      if (state == nullptr) return FALSE;
      return Command(dialog, *state, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_DESTROY:
      DestroyDialogState<State>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::string_view FirmwareVersionText() {
  const char* text = State().firmwareVersion;
  const void* zero = std::memchr(text, 0, kFirmwareTextBytes);
  return std::string_view(
      text, zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - text) : kFirmwareTextBytes);
}

EncoderButtons EncoderButtonsEnabled(int encoderType, bool restrictedModel) {
  EncoderButtons enabled;
  enabled.normal = encoderType != kTypeJis2;
  enabled.reversed = enabled.normal && !restrictedModel;
  enabled.advanced = encoderType != kTypeAamva;
  return enabled;
}

WString DataMarkerText(const char (&field)[10]) {
  WString text;
  for (size_t i = 0; i < kMarkerChars && field[i] != 0; ++i) text.push_back(static_cast<uint8_t>(field[i]));
  return text;
}

void TakeDataMarker(WStringView text, char (&field)[10]) {
  std::memset(field, 0, sizeof field);
  for (size_t i = 0; i < kMarkerChars && i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(static_cast<uint16_t>(text[i]) & 0xFF);
    if (byte == 0) break;  // a character whose low byte is zero ends the text
    field[i] = static_cast<char>(byte);
  }
}

TrackButtons SettleShownTrack(EncoderSettings& working, bool trackLimitedModel) {
  TrackButtons enabled;
  enabled.track2 = working.encoderType != kTypeJis2;
  enabled.track3 = enabled.track2 && !trackLimitedModel;
  const int16_t track = working.selectedTrack;
  if (track < 0 || track > 2 || (track == 1 && !enabled.track2) || (track == 2 && !enabled.track3))
    working.selectedTrack = 0;
  return enabled;
}

bool BitModeGroupsEnabled(int mode) { return mode >= 3 && mode <= 7; }

std::optional<int16_t> Low8BitsOfNumber(WStringView text) {
  bool negative = false;
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  unsigned low = 0;  // the number modulo 256, digit by digit, so that no length of text overflows
  for (WCHAR c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    low = (low * 10 + static_cast<unsigned>(c - u'0')) & 0xFF;
  }
  if (negative) low = (256 - low) & 0xFF;
  return static_cast<int16_t>(low);
}

INT_PTR CALLBACK EncoderSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  return EncoderDialogProc<EncoderDialogState, InitEncoderDialog, EncoderCommand>(dialog, message, wParam);
}

INT_PTR RunEncoderSettings(HWND owner) { return RunDialog(owner, IDD_ENCODER_SETTINGS, EncoderSettingsProc); }

INT_PTR CALLBACK AdvancedSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  return EncoderDialogProc<AdvancedDialogState, InitAdvancedDialog, AdvancedCommand>(dialog, message, wParam);
}

INT_PTR RunAdvancedSettings(HWND owner) { return RunDialog(owner, IDD_ADVANCED_SETTINGS, AdvancedSettingsProc); }

}  // namespace tolma::ui
