// "Tools": the dialog procedure over the rules of tools_rules.h; every button opens and closes its own printer handle.
#include "ui/tools/tools_dialog.h"

#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/spooler_calls.h"
#include "ui/tools/send_file.h"
#include "ui/tools/tool_text.h"
#include "ui/tools/tools_rules.h"
#include "ui/ui_state.h"

#include <array>

namespace tolma::ui {
namespace {

constexpr int kTrackEdits[3] = {IDC_TOOLS_TRACK1, IDC_TOOLS_TRACK2, IDC_TOOLS_TRACK3};
constexpr int kTrackBoxes[3] = {IDC_TOOLS_USE_TRACK1, IDC_TOOLS_USE_TRACK2, IDC_TOOLS_USE_TRACK3};

struct ToolsState {
  std::array<bool, 3> tracks{};  // the track's box is checked
  std::string status;            // the text last shown in the status field (single-byte code page)
};

const WCHAR* PrinterNameOf(const LinkContext& link) {
  return link.printerInfo != nullptr ? link.printerInfo->pPrinterName : nullptr;
}

bool HasEncoder(const LinkContext& link) {
  return link.currentPrivate != nullptr && link.currentPrivate->encoder.hasEncoder != 0;
}

void Enable(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE); }

int Ask(UINT textId, UINT type) { return ShowStringMessage(kStrProductName, textId, type); }

void ShowStatus(HWND dialog, const std::string& text) { SetItemBytes(dialog, IDC_TOOLS_STATUS, text); }

void FillList(HWND dialog, int id, const std::vector<ListItem>& items) {
  for (const ListItem& item : items) {
    WCHAR text[64] = {};
    LoadStringW(State().module, item.stringId, text, 64);
    const LRESULT at = SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0) SendDlgItemMessageW(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(at), item.data);
  }
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, 0, 0);
}

// The item data of a list's selection; false without a selection.
bool SelectedData(HWND dialog, int id, long& data) {
  const LRESULT selected = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  if (selected < 0) return false;
  data = static_cast<long>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
  return true;
}

// Reads one offset for its edit: a positive reply fills and enables it (and its value is deleted under the command
// text), any other answer disables it. True for a positive reply.
bool ReadOffset(HWND dialog, HANDLE printer, std::string_view command, int edit) {
  std::array<uint8_t, kOffsetReplyBytes> reply{};
  const ReplyRead read = ReadReplyValue(printer, command, reply);
  const std::optional<std::string> offset = OffsetFromReply(reply, read.length);
  Enable(dialog, edit, offset.has_value());
  if (!offset) return false;
  SetItemBytes(dialog, edit, *offset);
  DeleteReplyValue(printer, CommandTextName(command).c_str());
  return true;
}

// The offsets at opening and after a declined change: nothing to read in one-way mode; otherwise the printer is
// woken with "\eSLAVE\r" and both offsets are read, and "Set Offset" needs both.
void ReadOffsets(HWND dialog, HANDLE printer) {
  if (ModeOf(State().link) == LinkMode::OneWay) {
    Enable(dialog, IDC_TOOLS_SET_OFFSET, true);
    return;
  }
  std::array<uint8_t, kOffsetReplyBytes> ignored{};
  ReadReplyValue(printer, cmd::kSlave, ignored);
  const bool x = ReadOffset(dialog, printer, cmd::kQueryOffsetX, IDC_TOOLS_OFFSET_X);
  const bool y = ReadOffset(dialog, printer, cmd::kQueryOffsetY, IDC_TOOLS_OFFSET_Y);
  Enable(dialog, IDC_TOOLS_SET_OFFSET, x && y);
}

void Initialise(HWND dialog) {
  const LinkContext& link = State().link;
  OpenedPrinter printer(PrinterNameOf(link), PRINTER_ALL_ACCESS);
  if (!printer) return;  // the dialog stays as its template made it
  ReadOffsets(dialog, printer.get());
  const LinkMode mode = ModeOf(link);
  const DirectEncodingEnabling enabled = DirectEncodingEnabled(mode, HasEncoder(link));
  for (int i = 0; i < 3; ++i) {
    Enable(dialog, kTrackEdits[i], false);
    Enable(dialog, kTrackBoxes[i], enabled.checkBoxes);
  }
  Enable(dialog, IDC_TOOLS_ENCODE, enabled.encode);
  Enable(dialog, IDC_TOOLS_READ, enabled.read);
  FillList(dialog, IDC_TOOLS_TEST_CARD, TestCardItems(mode, HasEncoder(link)));
  FillList(dialog, IDC_TOOLS_CLEANING, CleaningItems());
}

// The tracks as the user set them: their boxes and their texts in the single-byte code page.
std::array<TrackInput, 3> TrackInputs(HWND dialog, const ToolsState& state) {
  std::array<TrackInput, 3> tracks;
  for (int i = 0; i < 3; ++i) {
    tracks[i].selected = state.tracks[i];
    if (tracks[i].selected) tracks[i].text = SystemCodePageText(ItemText(dialog, kTrackEdits[i]));
  }
  return tracks;
}

enum class Built { Send, Nothing, OffsetsDeclined };

// Builds the command bytes of a button, after its confirmation.
Built BuildCommand(HWND dialog, const ToolsState& state, int button, HANDLE printer, CommandBuilder& out) {
  long data = 0;
  switch (button) {
    case IDC_TOOLS_EXECUTE:
      BuildFreeCommand(out, SystemCodePageText(ItemText(dialog, IDC_TOOLS_COMMAND)));
      return Built::Send;
    case IDC_TOOLS_EJECT:
      out.Add(cmd::kCardOut);
      return Built::Send;
    case IDC_TOOLS_PRINT:
      if (SelectedData(dialog, IDC_TOOLS_TEST_CARD, data)) BuildTestCard(out, data);
      return Built::Send;
    case IDC_TOOLS_CLEAN:
      if (Ask(kStrCleaningPrompt, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return Built::Nothing;
      if (SelectedData(dialog, IDC_TOOLS_CLEANING, data)) BuildCleaning(out, data);
      return Built::Send;
    case IDC_TOOLS_SET_OFFSET:
      if (Ask(kStrOffsetWarning, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        ReadOffsets(dialog, printer);
        return Built::OffsetsDeclined;
      }
      BuildOffsets(out, UnsignedTextValue(ItemText(dialog, IDC_TOOLS_OFFSET_X)),
                   UnsignedTextValue(ItemText(dialog, IDC_TOOLS_OFFSET_Y)));
      return Built::Send;
    case IDC_TOOLS_ENCODE: {
      const std::array<TrackInput, 3> tracks = TrackInputs(dialog, state);
      if (!HasDataToEncode(tracks)) {
        Ask(kStrNoDataToEncode, MB_OK | MB_ICONERROR);
        return Built::Nothing;
      }
      if (Ask(kStrPutCardInFeeder, MB_YESNO) != IDYES) return Built::Nothing;
      BuildEncode(out, tracks);
      return Built::Send;
    }
    default:
      return Built::Nothing;
  }
}

// Sends a button's bytes: a raw job in one-way mode (no status), else a reply-value read whose reply becomes the
// status, followed by "\e.\r" on the handle and the deletion of the value.
void Send(HWND dialog, ToolsState& state, HANDLE printer, std::string_view bytes) {
  if (ModeOf(State().link) == LinkMode::OneWay) {
    const std::string_view writes[] = {bytes};
    SendRawJob(State().link, kJobTools, writes, {.allAccess = true});
    state.status.clear();
    return;
  }
  std::vector<uint8_t> reply(kToolsReplyBytes);
  const ReplyRead read = ReadReplyValue(printer, bytes, reply);
  state.status = ToolsStatusText(reply, read);
  ShowStatus(dialog, state.status);
  DWORD written = 0;
  WritePrinter(printer, const_cast<char*>(cmd::kAfterReplyRead.data()), static_cast<DWORD>(cmd::kAfterReplyRead.size()),
               &written);
  ReplyValueName name(bytes);
  DeleteReplyValue(printer, name.get());
}

void CommandButton(HWND dialog, ToolsState& state, int button) {
  ShowStatus(dialog, {});
  OpenedPrinter printer(PrinterNameOf(State().link), PRINTER_ALL_ACCESS);
  if (!printer) {
    ShowStatus(dialog, state.status);
    return;
  }
  CommandBuffer<kToolsCommandBytes> out;
  const Built built = BuildCommand(dialog, state, button, printer.get(), out);
  if (built == Built::OffsetsDeclined) {
    state.status.clear();
    ShowStatus(dialog, state.status);
    return;
  }
  if (built == Built::Send && out.size() > 2) {
    HWND control = GetDlgItem(dialog, button);
    const bool focused = GetFocus() == control;
    EnableWindow(control, FALSE);
    Send(dialog, state, printer.get(), out.text());
    EnableWindow(control, TRUE);
    if (focused) SetFocus(control);
  }
  ShowStatus(dialog, state.status);
}

// "Read": the selected tracks of the card in the feeder, into their edits; a refusal goes to the status field.
// One-way mode asks for no reply (the button is disabled there unless the dialog opened without its printer).
void ReadTracks(HWND dialog, ToolsState& state) {
  if (ModeOf(State().link) == LinkMode::OneWay) return;
  OpenedPrinter printer(PrinterNameOf(State().link), PRINTER_ALL_ACCESS);
  if (!printer) return;
  for (int id : kTrackEdits) SetItemText(dialog, id, {});
  if (Ask(kStrPutCardInFeeder, MB_YESNO) != IDYES) return;
  Enable(dialog, IDC_TOOLS_READ, false);
  for (int i = 0; i < 3; ++i) {
    if (!state.tracks[i]) continue;
    SetItemText(dialog, kTrackEdits[i], {});
    const std::string_view command = cmd::ReadTrack(i + 1);
    std::array<uint8_t, kTrackReplyBytes> reply{};
    const ReplyRead read = ReadReplyValue(printer.get(), command, reply);
    if (!read.ok) continue;
    std::string_view text;
    if (!TakePositiveReply(reply, read.length, text)) {
      state.status = ReplyText(reply, read.length);
      ShowStatus(dialog, state.status);
      break;
    }
    SetItemBytes(dialog, kTrackEdits[i], text);
    DeleteReplyValue(printer.get(), CommandTextName(command).c_str());
  }
  Enable(dialog, IDC_TOOLS_READ, true);
}

// Applies an input check to an edit: the message first, then the text cut to what the check keeps, with the caret
// after it.
void ApplyCheck(HWND dialog, int id, const WString& text, const TextCheck& check) {
  if (check.message == 0) return;
  ShowStringMessage(kStrProductName, check.message, MB_OK);
  SetItemText(dialog, id, WStringView(text).substr(0, check.keep));
  SendDlgItemMessageW(dialog, id, EM_SETSEL, check.keep, static_cast<LPARAM>(check.keep));
}

void EditChanged(HWND dialog, ToolsState& state, int id) {
  switch (id) {
    case IDC_TOOLS_COMMAND:
      state.status.clear();
      ShowStatus(dialog, state.status);
      return;
    case IDC_TOOLS_OFFSET_X:
    case IDC_TOOLS_OFFSET_Y: {
      const WString text = ItemText(dialog, id);
      ApplyCheck(dialog, id, text, CheckOffsetText(text));
      return;
    }
    case IDC_TOOLS_TRACK1:
    case IDC_TOOLS_TRACK2:
    case IDC_TOOLS_TRACK3: {
      const WString text = ItemText(dialog, id);
      ApplyCheck(dialog, id, text, CheckTrackText(id - IDC_TOOLS_TRACK1 + 1, text));
      return;
    }
    default:
      return;
  }
}

void TrackBoxClicked(HWND dialog, ToolsState& state, int box) {
  const int i = box - IDC_TOOLS_USE_TRACK1;
  state.tracks[i] = IsDlgButtonChecked(dialog, box) == BST_CHECKED;
  Enable(dialog, kTrackEdits[i], state.tracks[i]);
}

INT_PTR Command(HWND dialog, ToolsState& state, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code == EN_CHANGE) {
    EditChanged(dialog, state, id);
    return TRUE;
  }
  if (code != BN_CLICKED) return FALSE;
  switch (id) {
    case IDC_TOOLS_EXECUTE:
    case IDC_TOOLS_EJECT:
    case IDC_TOOLS_PRINT:
    case IDC_TOOLS_CLEAN:
    case IDC_TOOLS_SET_OFFSET:
    case IDC_TOOLS_ENCODE:
      CommandButton(dialog, state, id);
      return TRUE;
    case IDC_TOOLS_READ:
      ReadTracks(dialog, state);
      return TRUE;
    case IDC_TOOLS_USE_TRACK1:
    case IDC_TOOLS_USE_TRACK2:
    case IDC_TOOLS_USE_TRACK3:
      TrackBoxClicked(dialog, state, id);
      return TRUE;
    case IDC_TOOLS_SEND_FILE:
      RunSendFile(dialog);
      return TRUE;
    case IDC_HELP_BUTTON:
      OpenHelpContents(dialog);
      return TRUE;
    case IDC_CLOSE:
    case IDCANCEL:
      EndDialog(dialog, kToolsClosed);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK ToolsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  auto* state = DialogState<ToolsState>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      state = CreateDialogState<ToolsState>(dialog);
      if (state == nullptr) return TRUE;
      Initialise(dialog);
      return TRUE;
    case WM_COMMAND:
      return state != nullptr ? Command(dialog, *state, wParam) : FALSE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, kToolsClosed);
      return TRUE;
    case WM_DESTROY:
      DestroyDialogState<ToolsState>(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunToolsDialog(HWND owner) { return RunDialog(owner, IDD_TOOLS, ToolsProc); }

}  // namespace tolma::ui
