// The information dialogs and "Single Feed Options": answer rules, the ribbon read and the dialog procedures.
#include "ui/tools/printer_info.h"

#include "common/bytes.h"
#include "common/commands.h"
#include "common/ribbon.h"
#include "ui/dialogs.h"
#include "ui/printer_queries.h"
#include "ui/resources/dialog_ids.h"
#include "ui/spooler_calls.h"
#include "ui/tools/tool_text.h"
#include "ui/tools/tools_rules.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <array>
#include <string>

namespace tolma::ui {
namespace {

constexpr const WCHAR* kYes = TOLMA_WIDE("Yes");
constexpr const WCHAR* kNo = TOLMA_WIDE("No");
constexpr const WCHAR* kCurrentStatus = TOLMA_WIDE("Current Status : ");

const LinkContext& Link() { return State().link; }

// A positive answer's text (up to its first zero byte) to a query through the printer link; false otherwise.
bool Ask(std::string_view command, std::string& text) {
  std::array<uint8_t, kDeviceReplyBytes> reply{};
  const ReplyRead read = QueryPrinter(Link(), command, reply);
  if (!read.ok || !IsPositiveReply(reply, read.length)) return false;
  text = ReplyText(reply, read.length - 1);
  return true;
}

// Fills a field with a positive answer's text, or empties it.
void AnswerInto(HWND dialog, int field, std::string_view command) {
  std::string text;
  SetItemBytes(dialog, field, Ask(command, text) ? text : std::string());
}

void FillDeviceInformation(HWND dialog) {
  if (ModeOf(Link()) == LinkMode::OneWay) return;
  ReadRibbonInfo(dialog, IDC_INFO_RIBBON_TYPE, IDC_INFO_RIBBON_COUNT);

  std::array<uint8_t, kDeviceReplyBytes> reply{};
  const ReplyRead encoder = QueryPrinter(Link(), cmd::kQueryEncoderFitted, reply);
  SetDlgItemTextW(dialog, IDC_INFO_ENCODER, EncoderFitted(reply, encoder) ? kYes : kNo);

  // The model text also tells whether a smart-card station is fitted (only a positive answer counts).
  std::string model;
  const bool answered = Ask(cmd::kQueryVersion, model);
  SetItemBytes(dialog, IDC_INFO_MODEL, model);
  SetDlgItemTextW(dialog, IDC_INFO_SMART_CARD, answered && HasSmartCard(model) ? kYes : kNo);

  AnswerInto(dialog, IDC_INFO_SERIAL, cmd::kQuerySerialNumber);
  AnswerInto(dialog, IDC_INFO_HEAD_RESISTANCE, cmd::kQueryHeadResistance);

  std::string panels;
  if (Ask(cmd::kQueryPanelCount, panels))
    SetItemBytes(dialog, IDC_INFO_PANELS, std::to_string(PanelCountFromAnswer(panels)));
  else
    SetDlgItemTextW(dialog, IDC_INFO_PANELS, TOLMA_WIDE(" "));
}

// The state read of "Single Feed Options" on a handle of its own; its value is deleted under the command text.
void ReadSingleFeedState(HWND dialog) {
  const LinkContext& link = Link();
  OpenedPrinter printer(link.printerInfo != nullptr ? link.printerInfo->pPrinterName : nullptr, PRINTER_ALL_ACCESS);
  if (!printer) return;
  std::array<uint8_t, kSingleFeedStateBytes> reply{};
  const ReplyRead read = ReadReplyValue(printer.get(), cmd::kQuerySingleFeed, reply);
  const UINT state = SingleFeedStateString(reply, read.length);
  if (IsPositiveReply(reply, read.length))
    DeleteReplyValue(printer.get(), CommandTextName(cmd::kQuerySingleFeed).c_str());
  WCHAR stateText[64] = {};
  LoadStringW(State().module, state, stateText, 64);
  SetItemText(dialog, IDC_SINGLE_FEED_STATUS, WString(kCurrentStatus) + stateText);
}

void ApplySingleFeed(HWND dialog) {
  const std::string_view command = cmd::SingleFeed(IsDlgButtonChecked(dialog, IDC_SINGLE_FEED_ENABLE) == BST_CHECKED);
  if (ModeOf(Link()) == LinkMode::OneWay) {
    const std::string_view writes[] = {command};
    SendRawJob(Link(), kJobSingleFeed, writes, {.stopIfStartDocFails = true});
    return;
  }
  std::array<uint8_t, kSingleFeedReplyBytes> ignored{};
  QueryPrinter(Link(), command, ignored);
}

// What the two information dialogs share: Close, Help and the close box.
INT_PTR InfoCommand(HWND dialog, UINT message, WPARAM wParam) {
  if (IsCloseCommand(message, wParam)) {
    EndDialog(dialog, kInfoClosed);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_CLOSE:
    case IDCANCEL:
      EndDialog(dialog, kInfoClosed);
      return TRUE;
    case IDC_HELP_BUTTON:
      OpenHelpContents(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

uint32_t PanelCountFromAnswer(std::string_view text) {
  text = text.substr(0, text.find(' '));
  if (!text.empty() && text[0] == '!') text.remove_prefix(1);
  uint64_t value = 0;
  for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(text[i] - '0'), 0xFFFFFFFF);
  return static_cast<uint32_t>(value);
}

bool HasSmartCard(std::string_view modelText) { return modelText.find('S') != std::string_view::npos; }

UINT SingleFeedStateString(std::span<const uint8_t> reply, size_t length) {
  if (!IsPositiveReply(reply, length) || length < 2) return kStrUnknown;
  if (reply[0] == '1') return kStrEnabled;
  if (reply[0] == '0') return kStrDisabled;
  return kStrUnknown;
}

bool ReadRibbonInfo(HWND dialog, int typeField, int countField) {
  SetItemString(dialog, typeField, kStrUnknown);
  SetItemString(dialog, countField, kStrUnknown);
  std::array<uint8_t, kRibbonReplyBytes> reply{};
  const ReplyRead read = QueryPrinter(Link(), cmd::kQueryRibbon, reply);
  if (read.length == 0 || reply[0] == 0) return false;
  std::string_view text;
  if (!TakePositiveReply(reply, read.length, text)) return true;
  const long code = BoundedAtoi(text);
  SetItemText(dialog, typeField, RibbonDisplayName(code, Link().sheetPrinter));

  std::array<uint8_t, kRibbonReplyBytes> remaining{};
  const ReplyRead count = QueryPrinter(Link(), cmd::kQueryRibbonRemaining, remaining);
  if (code != 1 && IsPositiveReply(remaining, count.length))
    SetItemBytes(dialog, countField, ReplyText(remaining, count.length - 1));
  return true;
}

INT_PTR CALLBACK RibbonInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    ReadRibbonInfo(dialog, IDC_INFO_RIBBON_TYPE, IDC_INFO_RIBBON_COUNT);
    return TRUE;
  }
  return InfoCommand(dialog, message, wParam);
}

INT_PTR CALLBACK DeviceInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    FillDeviceInformation(dialog);
    return TRUE;
  }
  return InfoCommand(dialog, message, wParam);
}

INT_PTR CALLBACK SingleFeedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CheckRadioButton(dialog, IDC_SINGLE_FEED_DISABLE, IDC_SINGLE_FEED_ENABLE, IDC_SINGLE_FEED_ENABLE);
      if (ModeOf(Link()) == LinkMode::TwoWay) ReadSingleFeedState(dialog);
      return TRUE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        ApplySingleFeed(dialog);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR RunRibbonInformation(HWND owner) { return RunDialog(owner, IDD_RIBBON_INFO, RibbonInfoProc); }
INT_PTR RunDeviceInformation(HWND owner) { return RunDialog(owner, IDD_DEVICE_INFO, DeviceInfoProc); }
INT_PTR RunSingleFeedOptions(HWND owner) { return RunDialog(owner, IDD_SINGLE_FEED, SingleFeedProc); }

}  // namespace tolma::ui
