// The host's dialogs and scripted user: compiled templates, controls, notifications in Windows' order, focus,
// painting, nested dialogs, file dialogs and message boxes, and what a person cannot do.
#include "platform/host/draw_host.h"
#include "platform/host/user/dialog_host.h"
#include "platform/host/user/dialog_template.h"
#include "tests/host/resources/test_ids.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tolma::test {

std::span<const uint8_t> TestDialogResources();  // generated from tests/host/resources/test_dialogs.rc

namespace {

using host::ScriptedUser;
using Hook = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

// What the test dialog procedure saw, as readable lines, and what a test makes it do first.
struct Probe {
  std::vector<std::string> log;
  Hook hook;
};
Probe* g_probe = nullptr;

std::string Notification(UINT code) {
  switch (code) {
    case EN_SETFOCUS:
      return "EN_SETFOCUS";
    case EN_KILLFOCUS:
      return "EN_KILLFOCUS";
    case EN_CHANGE:
      return "EN_CHANGE";
    case EN_UPDATE:
      return "EN_UPDATE";
    case EN_MAXTEXT:
      return "EN_MAXTEXT";
    default:
      return std::to_string(code);
  }
}

std::string ComboNotification(UINT code) {
  switch (code) {
    case CBN_SELCHANGE:
      return "CBN_SELCHANGE";
    case CBN_SETFOCUS:
      return "CBN_SETFOCUS";
    case CBN_KILLFOCUS:
      return "CBN_KILLFOCUS";
    case CBN_DROPDOWN:
      return "CBN_DROPDOWN";
    case CBN_CLOSEUP:
      return "CBN_CLOSEUP";
    case CBN_SELENDOK:
      return "CBN_SELENDOK";
    default:
      return std::to_string(code);
  }
}

std::string ScrollCode(WORD code) {
  static const char* const names[] = {"LINEUP",     "LINEDOWN", "PAGEUP", "PAGEDOWN", "THUMBPOSITION",
                                      "THUMBTRACK", "TOP",      "BOTTOM", "ENDSCROLL"};
  return code < 9 ? names[code] : std::to_string(code);
}

std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return "INITDIALOG";
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      const std::string name = code == BN_CLICKED                   ? "BN_CLICKED"
                               : id == IDC_LIST || id == IDC_SORTED ? ComboNotification(code)
                                                                    : Notification(code);
      return "COMMAND " + std::to_string(id) + " " + name;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      std::string line = message == WM_HSCROLL ? "HSCROLL " : "VSCROLL ";
      line += ScrollCode(LOWORD(wParam));
      if (LOWORD(wParam) != SB_ENDSCROLL) line += " " + std::to_string(static_cast<SHORT>(HIWORD(wParam)));
      line += GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != 0 ? "" : " (no control)";
      return line;
    }
    case WM_NOTIFY: {
      const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
      return "NOTIFY " + std::to_string(wParam) + " UDN_DELTAPOS " + std::to_string(change->iPos) + " " +
             std::to_string(change->iDelta);
    }
    case WM_PAINT:
      return "PAINT";
    case WM_ERASEBKGND:
      return "ERASEBKGND";
    case WM_SYSCOMMAND:
      return (wParam & 0xFFF0) == SC_CLOSE ? "SYSCOMMAND SC_CLOSE" : "SYSCOMMAND";
    case WM_CLOSE:
      return "CLOSE";
    case WM_DESTROY:
      return "DESTROY";
    default:
      return {};
  }
}

// Logs, runs the test's hook, and ends on IDOK and IDCANCEL.
INT_PTR CALLBACK ProbeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::string line = Describe(message, wParam, lParam);
  if (!line.empty()) g_probe->log.push_back(line);
  if (g_probe->hook) {
    if (const INT_PTR handled = g_probe->hook(dialog, message, wParam, lParam)) return handled;
  }
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

bool IsCommand(UINT message, WPARAM wParam, int id, UINT code = BN_CLICKED) {
  return message == WM_COMMAND && LOWORD(wParam) == id && HIWORD(wParam) == code;
}

std::string TextOf(HWND dialog, int id) {
  WCHAR text[128] = {};
  GetDlgItemTextW(dialog, id, text, 128);
  return host::Utf8(text);
}

void SetText(HWND dialog, int id, const std::string& text) {
  const host::WideString wide = host::Wide(text);
  SetDlgItemTextW(dialog, id, wide.c_str());
}

class DialogHostTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    module_ = host::RegisterModule("C:\\tests\\dialogs.dll");
    ASSERT_TRUE(host::RegisterModuleResources(module_, TestDialogResources()));
    InitControls();
    g_probe = &probe_;
  }
  void TearDown() override {
    EXPECT_EQ(host::LiveWindowCount(), 0);
    g_probe = nullptr;
    HostTest::TearDown();
  }
  static void InitControls() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
  }
  INT_PTR Run(int id = IDD_EVERY_CONTROL, HWND owner = nullptr) {
    return DialogBoxParamW(module_, MAKEINTRESOURCEW(id), owner, ProbeProc, 42);
  }
  // The logged lines of one kind (a prefix such as "COMMAND 1013").
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : probe_.log)
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  // Scripted-user failures go into the returned list instead of failing the test.
  std::vector<std::string>& CaptureFailures() {
    host::SetUserFailureHandler([this](const std::string& m) { failures_.push_back(m); });
    return failures_;
  }

  HMODULE module_ = nullptr;
  Probe probe_;
  ScriptedUser user_;
  std::vector<std::string> failures_;
};

TEST_F(DialogHostTest, TemplatesBecomeDialogsWithTheirControlsPlacedByTheBaseUnits) {
  RECT mapped{10, 10, 90, 22};
  RECT screen{};
  POINT corner{};
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      EXPECT_EQ(l, 42);
      EXPECT_EQ(reinterpret_cast<HWND>(w), GetDlgItem(d, IDC_EDIT)) << "the first tab stop";
      MapDialogRect(d, &mapped);
      GetWindowRect(GetDlgItem(d, IDC_EDIT), &screen);
      corner = POINT{screen.left, screen.top};
      ScreenToClient(d, &corner);
    }
    return 0;
  };
  user_.PressEscape();
  EXPECT_EQ(Run(), IDCANCEL);

  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d.templateId, IDD_EVERY_CONTROL);
  EXPECT_EQ(d.title, "Every control");
  EXPECT_EQ(d.width, 450) << "300 dialog units at 6 pixels per 4";
  EXPECT_EQ(d.height, 325) << "200 dialog units at 13 pixels per 8";
  ASSERT_EQ(d.controls.size(), 22u);
  EXPECT_EQ(d[IDC_EDIT].rect.left, mapped.left);
  EXPECT_EQ(d[IDC_EDIT].rect.top, mapped.top);
  EXPECT_EQ(d[IDC_EDIT].rect.right, mapped.right);
  EXPECT_EQ(d[IDC_EDIT].rect.bottom, mapped.bottom);
  EXPECT_EQ(corner.x, mapped.left);
  EXPECT_EQ(corner.y, mapped.top);

  struct Expected {
    int id;
    host::ControlKind kind;
    bool enabled, visible;
  };
  for (const Expected& e : {Expected{IDC_PUSH, host::ControlKind::Button, true, true},
                            Expected{IDC_DISABLED, host::ControlKind::Button, false, true},
                            Expected{IDC_HIDDEN, host::ControlKind::Button, true, false},
                            Expected{IDC_LABEL, host::ControlKind::Static, true, true},
                            Expected{IDC_READ_ONLY, host::ControlKind::Edit, true, true},
                            Expected{IDC_LIST, host::ControlKind::ComboBox, true, true},
                            Expected{IDC_TRACKBAR, host::ControlKind::Trackbar, true, true},
                            Expected{IDC_SPIN, host::ControlKind::UpDown, true, true}}) {
    EXPECT_EQ(d[e.id].kind, e.kind) << e.id;
    EXPECT_EQ(d[e.id].enabled, e.enabled) << e.id;
    EXPECT_EQ(d[e.id].visible, e.visible) << e.id;
  }
  EXPECT_EQ(d[IDC_LABEL].text, "Label ä") << "the script is read as UTF-8";
  EXPECT_TRUE(d[IDC_READ_ONLY].readOnly());
  EXPECT_EQ(d[IDC_TRACKBAR].className, "MSCTLS_TRACKBAR32");
  // The up-down control found its buddy and took its width off it.
  EXPECT_EQ(d[IDC_SPIN].buddyId, IDC_BUDDY);
  EXPECT_EQ(d[IDC_BUDDY].rect.right, d[IDC_SPIN].rect.left);
  EXPECT_EQ(d[IDC_SPIN].rect.right, MulDiv(60, 6, 4));
}

TEST_F(DialogHostTest, TypingNotifiesEachCharacterAndTheFocusMovesWithTheClicks) {
  user_.Type(IDC_NUMBER, "4a2").Click(IDC_PUSH).Type(IDC_UPPER, "ok").Click(IDCANCEL);
  EXPECT_EQ(Run(), IDCANCEL);
  const std::vector<std::string> expected = {
      "COMMAND 1012 EN_SETFOCUS",                               // the first tab stop, at the start
      "COMMAND 1012 EN_KILLFOCUS", "COMMAND 1013 EN_SETFOCUS",  // clicking into the number edit
      "COMMAND 1013 EN_UPDATE",    "COMMAND 1013 EN_CHANGE",    // "4"; "a" is refused by ES_NUMBER
      "COMMAND 1013 EN_UPDATE",    "COMMAND 1013 EN_CHANGE",    // "2"
      "COMMAND 1013 EN_KILLFOCUS", "COMMAND 1001 BN_CLICKED",   // the push button takes the focus
      "COMMAND 1015 EN_SETFOCUS",  "COMMAND 1015 EN_UPDATE",    "COMMAND 1015 EN_CHANGE", "COMMAND 1015 EN_UPDATE",
      "COMMAND 1015 EN_CHANGE",    "COMMAND 1015 EN_KILLFOCUS", "COMMAND 2 BN_CLICKED",
  };
  EXPECT_EQ(Lines("COMMAND"), expected);
  EXPECT_EQ(host::LastDialog()[IDC_NUMBER].text, "42");
  EXPECT_EQ(host::LastDialog()[IDC_UPPER].text, "OK");
  EXPECT_EQ(probe_.log.back(), "DESTROY");
}

TEST_F(DialogHostTest, RetypeReplacesEraseEmptiesAndTheLimitHoldsTyping) {
  probe_.hook = [&](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      SetText(d, IDC_EDIT, "old");
      SendDlgItemMessageW(d, IDC_NUMBER, EM_LIMITTEXT, 2, 0);
    }
    return 0;
  };
  user_.Retype(IDC_EDIT, "new")
      .Type(IDC_NUMBER, "123")
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_EDIT].text, "new");
        EXPECT_EQ(d[IDC_NUMBER].text, "12");
        EXPECT_TRUE(d[IDC_NUMBER].focused);
      })
      .Erase(IDC_EDIT)
      .Click(IDCANCEL);
  Run();
  EXPECT_EQ(host::LastDialog()[IDC_EDIT].text, "");
  const std::vector<std::string> number = Lines("COMMAND 1013");
  EXPECT_NE(std::find(number.begin(), number.end(), "COMMAND 1013 EN_MAXTEXT"), number.end());
}

TEST_F(DialogHostTest, SettingTextNotifiesSingleLineEditsOnly) {
  probe_.hook = [&](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      probe_.log.clear();
      SetText(d, IDC_EDIT, "x");
      SetText(d, IDC_EDIT, "");
      SetText(d, IDC_EDIT, "");  // empty to empty: nothing to say
      SetText(d, IDC_LABEL, "y");
      EXPECT_EQ(TextOf(d, IDC_LABEL), "y");
      EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(d, IDC_LABEL)), 1);
    }
    return 0;
  };
  user_.PressEscape();
  Run();
  const std::vector<std::string> expected = {"COMMAND 1012 EN_UPDATE", "COMMAND 1012 EN_CHANGE",
                                             "COMMAND 1012 EN_UPDATE", "COMMAND 1012 EN_CHANGE"};
  std::vector<std::string> lines = Lines("COMMAND 1012");
  lines.resize(std::min<size_t>(lines.size(), 4));
  EXPECT_EQ(lines, expected);
}

TEST_F(DialogHostTest, WhatAPersonCannotDoIsReportedAndSkipped) {
  std::vector<std::string>& failures = CaptureFailures();
  user_.Click(IDC_DISABLED)
      .Click(IDC_HIDDEN)
      .Type(IDC_READ_ONLY, "x")
      .Click(9999)
      .Click(IDC_GROUP)
      .MoveTrackbar(IDC_TRACKBAR, 101)
      .Select(IDC_LIST, "nothing")
      .Untick(IDC_RADIO_A)
      .Type(IDC_PUSH, "x")
      .AnswerMessageBox(IDOK)
      .ChooseFile("/tmp/a.bmp")
      .Click(IDCANCEL);
  EXPECT_EQ(Run(), IDCANCEL);
  ASSERT_EQ(failures.size(), 11u);
  EXPECT_NE(failures[0].find("control 1003: it is disabled"), std::string::npos) << failures[0];
  EXPECT_NE(failures[1].find("hidden"), std::string::npos) << failures[1];
  EXPECT_NE(failures[2].find("read-only"), std::string::npos) << failures[2];
  EXPECT_NE(failures[3].find("no such control"), std::string::npos) << failures[3];
  EXPECT_NE(failures[4].find("group box"), std::string::npos) << failures[4];
  EXPECT_NE(failures[5].find("range 0..100"), std::string::npos) << failures[5];
  EXPECT_NE(failures[6].find("no entry \"nothing\""), std::string::npos) << failures[6];
  EXPECT_NE(failures[7].find("cannot be unticked"), std::string::npos) << failures[7];
  EXPECT_NE(failures[8].find("not a edit"), std::string::npos) << failures[8];
  EXPECT_NE(failures[9].find("no message box is open"), std::string::npos) << failures[9];
  EXPECT_NE(failures[10].find("no file dialog is open"), std::string::npos) << failures[10];
  EXPECT_TRUE(Lines("COMMAND 1003").empty()) << "a disabled button is never clicked";
}

TEST_F(DialogHostTest, AScriptThatRunsOutClosesTheDialogWithMinusOne) {
  std::vector<std::string>& failures = CaptureFailures();
  EXPECT_EQ(Run(), -1);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("dialog 500 \"Every control\" is still open"), std::string::npos) << failures[0];
}

TEST_F(DialogHostTest, CheckBoxesThreeStatesAndRadioGroups) {
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      CheckDlgButton(d, IDC_AFTER_RADIOS, BST_CHECKED);
      CheckRadioButton(d, IDC_RADIO_A, IDC_RADIO_C, IDC_RADIO_C);
      EXPECT_EQ(IsDlgButtonChecked(d, IDC_RADIO_C), UINT(BST_CHECKED));
      EXPECT_EQ(IsDlgButtonChecked(d, IDC_RADIO_A), UINT(BST_UNCHECKED));
    }
    if (IsCommand(m, w, IDC_CHECK) && probe_.log.size() < 8) {
      EXPECT_EQ(IsDlgButtonChecked(d, IDC_CHECK), UINT(BST_CHECKED)) << "toggled before BN_CLICKED";
    }
    return 0;
  };
  user_.Click(IDC_CHECK)
      .Tick(IDC_CHECK)  // already ticked: no click
      .Click(IDC_THREE_STATE)
      .Click(IDC_THREE_STATE)
      .Click(IDC_RADIO_B)
      .Tick(IDC_RADIO_B)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_CHECK].checked, BST_CHECKED);
        EXPECT_EQ(d[IDC_THREE_STATE].checked, BST_INDETERMINATE);
        EXPECT_EQ(d[IDC_RADIO_A].checked, BST_UNCHECKED);
        EXPECT_EQ(d[IDC_RADIO_B].checked, BST_CHECKED);
        EXPECT_EQ(d[IDC_RADIO_C].checked, BST_UNCHECKED);
        EXPECT_EQ(d[IDC_AFTER_RADIOS].checked, BST_CHECKED) << "outside the radio group";
      })
      .Untick(IDC_CHECK)
      .Click(IDCANCEL);
  Run();
  EXPECT_EQ(Lines("COMMAND 1004").size(), 2u) << "one click, one untick";
  EXPECT_EQ(Lines("COMMAND 1007").size(), 1u);
  EXPECT_EQ(host::LastDialog()[IDC_CHECK].checked, BST_UNCHECKED);
}

TEST_F(DialogHostTest, DropDownListsKeepEntriesWithItemDataAndNotifyAChoice) {
  LRESULT chosenData = -1;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      for (const char16_t* text : {u"Standard", u"Printer Parameters", u"Encoder Parameters"}) {
        const LRESULT at = SendDlgItemMessageW(d, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageW(d, IDC_LIST, CB_SETITEMDATA, static_cast<WPARAM>(at), at * 10);
      }
      SendDlgItemMessageW(d, IDC_LIST, CB_SETCURSEL, 0, 0);
      for (const char16_t* text : {u"b", u"A", u"c"})
        SendDlgItemMessageW(d, IDC_SORTED, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(u"printer parameters")),
                1);
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_LIST, CB_SETCURSEL, 7, 0), CB_ERR);
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_LIST, CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";
      SendDlgItemMessageW(d, IDC_LIST, CB_SETCURSEL, 0, 0);
    }
    if (IsCommand(m, w, IDC_LIST, CBN_SELCHANGE)) {
      const LRESULT at = SendDlgItemMessageW(d, IDC_LIST, CB_GETCURSEL, 0, 0);
      chosenData = SendDlgItemMessageW(d, IDC_LIST, CB_GETITEMDATA, static_cast<WPARAM>(at), 0);
      WCHAR text[64] = {};
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_LIST, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text)),
                18);
    }
    return 0;
  };
  user_.Select(IDC_LIST, "Encoder Parameters").Select(IDC_LIST, "Encoder Parameters").Click(IDCANCEL);
  Run();
  EXPECT_EQ(chosenData, 20);
  const std::vector<std::string> expected = {
      "COMMAND 1016 CBN_SETFOCUS", "COMMAND 1016 CBN_DROPDOWN", "COMMAND 1016 CBN_SELCHANGE",
      "COMMAND 1016 CBN_SELENDOK", "COMMAND 1016 CBN_CLOSEUP",  "COMMAND 1016 CBN_DROPDOWN",
      "COMMAND 1016 CBN_SELENDOK", "COMMAND 1016 CBN_CLOSEUP",  "COMMAND 1016 CBN_KILLFOCUS",
  };
  EXPECT_EQ(Lines("COMMAND 1016"), expected) << "choosing the chosen entry again changes nothing";
  const host::DialogView d = host::LastDialog();
  const std::vector<host::ListEntry> entries = {
      {"Standard", 0}, {"Printer Parameters", 10}, {"Encoder Parameters", 20}};
  EXPECT_EQ(d[IDC_LIST].entries, entries);
  EXPECT_EQ(d[IDC_LIST].text, "Encoder Parameters");
  const std::vector<host::ListEntry> sorted = {{"A", 0}, {"b", 0}, {"c", 0}};
  EXPECT_EQ(d[IDC_SORTED].entries, sorted);
}

TEST_F(DialogHostTest, TrackbarsKeepTheirRangeAndReportADragInOrder) {
  LRESULT positionSeen = 0;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_SETRANGEMIN, FALSE, -100);
      SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_SETRANGEMAX, TRUE, 100);
      EXPECT_TRUE(SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_SETTIC, 0, 1));
      EXPECT_FALSE(SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_SETTIC, 0, 300));
      SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_SETPOS, TRUE, 500);
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_GETPOS, 0, 0), 100) << "clamped to the range";
      EXPECT_EQ(SendDlgItemMessageW(d, IDC_TRACKBAR, TBM_GETNUMTICS, 0, 0), 3);
    }
    if (m == WM_HSCROLL) {
      EXPECT_EQ(reinterpret_cast<HWND>(l), GetDlgItem(d, IDC_TRACKBAR));
      positionSeen = SendMessageW(reinterpret_cast<HWND>(l), TBM_GETPOS, 0, 0);
    }
    (void)w;
    return 0;
  };
  user_.MoveTrackbar(IDC_TRACKBAR, -40).Click(IDCANCEL);
  Run();
  const std::vector<std::string> expected = {"HSCROLL THUMBTRACK -40", "HSCROLL THUMBPOSITION -40",
                                             "HSCROLL ENDSCROLL"};
  EXPECT_EQ(Lines("HSCROLL"), expected);
  EXPECT_EQ(positionSeen, -40);
  const host::ControlView t = host::LastDialog()[IDC_TRACKBAR];
  EXPECT_EQ(t.minimum, -100);
  EXPECT_EQ(t.maximum, 100);
  EXPECT_EQ(t.position, -40);
  EXPECT_EQ(t.ticks, std::vector<LONG>{1});
}

TEST_F(DialogHostTest, UpDownControlsSpinTheirBuddyFromItsText) {
  probe_.hook = [&](HWND d, UINT m, WPARAM, LPARAM l) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      SendDlgItemMessageW(d, IDC_SPIN, UDM_SETRANGE32, 0, 1023);
      SendDlgItemMessageW(d, IDC_SPIN, UDM_SETPOS32, 0, 998);
      EXPECT_EQ(TextOf(d, IDC_BUDDY), "998");
    }
    // The dialog refuses to go past 1001.
    if (m == WM_NOTIFY) {
      const auto* change = reinterpret_cast<const NMUPDOWN*>(l);
      if (change->hdr.code == UDN_DELTAPOS && change->iPos + change->iDelta > 1001) {
        SetWindowLongPtrW(d, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
    }
    return 0;
  };
  user_.Spin(IDC_SPIN, 4)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_SPIN].position, 1001);
        EXPECT_EQ(d[IDC_BUDDY].text, "1,001") << "thousands separators without UDS_NOTHOUSANDS";
      })
      .Retype(IDC_BUDDY, "5")
      .Spin(IDC_SPIN, -1)
      .Click(IDCANCEL);
  Run();
  const std::vector<std::string> expected = {
      "VSCROLL THUMBPOSITION 999",  "VSCROLL ENDSCROLL", "VSCROLL THUMBPOSITION 1000", "VSCROLL ENDSCROLL",
      "VSCROLL THUMBPOSITION 1001", "VSCROLL ENDSCROLL", "VSCROLL THUMBPOSITION 4",    "VSCROLL ENDSCROLL",
  };
  EXPECT_EQ(Lines("VSCROLL"), expected);
  EXPECT_EQ(Lines("NOTIFY").size(), 5u) << "the refused click was asked about too";
  EXPECT_EQ(Lines("NOTIFY")[4], "NOTIFY 1020 UDN_DELTAPOS 5 -1") << "the typed text is where the spin starts";
  EXPECT_EQ(host::LastDialog()[IDC_BUDDY].text, "4");
}

TEST_F(DialogHostTest, TheCloseBoxBecomesCancelWhenTheDialogLeavesItAlone) {
  user_.CloseBox();
  EXPECT_EQ(Run(), IDCANCEL);
  EXPECT_EQ(Lines("SYSCOMMAND"), std::vector<std::string>{"SYSCOMMAND SC_CLOSE"});
  EXPECT_EQ(Lines("CLOSE"), std::vector<std::string>{"CLOSE"});
  EXPECT_EQ(Lines("COMMAND 2"), std::vector<std::string>{"COMMAND 2 BN_CLICKED"});

  std::vector<std::string>& failures = CaptureFailures();
  user_.CloseBox().PressEnter();
  EXPECT_EQ(Run(IDD_NO_CLOSE_BOX), IDOK);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("has no close box"), std::string::npos);
}

TEST_F(DialogHostTest, EnterClicksTheFocusedOrTheDefaultButton) {
  user_.PressEnter().Focus(IDC_PUSH).PressEnter().PressEscape();
  Run();
  const std::vector<std::string> expected = {"COMMAND 1002 BN_CLICKED", "COMMAND 1001 BN_CLICKED",
                                             "COMMAND 2 BN_CLICKED"};
  std::vector<std::string> clicks;
  for (const std::string& line : Lines("COMMAND"))
    if (line.find("BN_CLICKED") != std::string::npos) clicks.push_back(line);
  EXPECT_EQ(clicks, expected);
}

TEST_F(DialogHostTest, DisablingTheFocusedEditAndEndingTheDialogTakeItsFocus) {
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (IsCommand(m, w, IDC_EDIT, EN_CHANGE)) EnableWindow(GetDlgItem(d, IDC_EDIT), FALSE);
    return 0;
  };
  user_.Type(IDC_EDIT, "ab").Focus(IDC_NUMBER).CloseBox();
  Run();
  const std::vector<std::string> edit = {"COMMAND 1012 EN_SETFOCUS", "COMMAND 1012 EN_UPDATE", "COMMAND 1012 EN_CHANGE",
                                         "COMMAND 1012 EN_KILLFOCUS"};
  EXPECT_EQ(Lines("COMMAND 1012"), edit) << "typing stops when the edit is disabled";
  EXPECT_EQ(host::LastDialog()[IDC_EDIT].text, "a");
  const std::vector<std::string> number = Lines("COMMAND 1013");
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(number.back(), "COMMAND 1013 EN_KILLFOCUS") << "the dialog ending takes the focus";
}

TEST_F(DialogHostTest, NestedDialogsTakeTheActionsWhileTheyRun) {
  HWND outer = nullptr;
  INT_PTR innerResult = 0;
  bool outerEnabledDuringInner = true;
  HWND activeDuringInner = nullptr;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG && GetDlgItem(d, IDC_OPEN_INNER) != nullptr) outer = d;
    if (m == WM_INITDIALOG && GetDlgItem(d, IDC_INNER_EDIT) != nullptr) {
      outerEnabledDuringInner = IsWindowEnabled(outer) != FALSE;
      activeDuringInner = GetActiveWindow();
      EXPECT_EQ(GetParent(d), outer);
    }
    if (IsCommand(m, w, IDC_OPEN_INNER)) {
      innerResult = DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_INNER), d, ProbeProc, 0);
      return TRUE;
    }
    return 0;
  };
  user_.Click(IDC_OPEN_INNER).Type(IDC_INNER_EDIT, "abc").PressEnter().Look([&](const host::DialogView& d) {
    EXPECT_EQ(d.templateId, IDD_OUTER);
    EXPECT_EQ(host::CurrentDialog(), outer);
  });
  user_.Click(IDOK);  // Enter would click "Open" again: the clicked button has the focus
  EXPECT_EQ(Run(IDD_OUTER), IDOK);
  EXPECT_EQ(innerResult, IDOK);
  EXPECT_FALSE(outerEnabledDuringInner);
  EXPECT_NE(activeDuringInner, outer);
  const std::vector<host::DialogView> closed = host::ClosedDialogs();
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[0].templateId, IDD_INNER);
  EXPECT_EQ(closed[0][IDC_INNER_EDIT].text, "abc");
  EXPECT_EQ(closed[1].templateId, IDD_OUTER);
  EXPECT_EQ(closed[1].width, MulDiv(120, 7, 4)) << "a 9-point font has base units of 7 x 15";
  EXPECT_EQ(closed[1].height, MulDiv(60, 15, 8));
  EXPECT_EQ(host::CurrentDialog(), nullptr);
}

TEST_F(DialogHostTest, TrackbarsAndUpDownsNeedTheCommonControls) {
  host::Reset();  // forgets InitCommonControlsEx
  std::vector<std::string>& failures = CaptureFailures();
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_CANNOT_FIND_WND_CLASS});
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("trackbar class is not registered"), std::string::npos) << failures[0];
  EXPECT_TRUE(probe_.log.empty());

  EXPECT_EQ(Run(IDD_OLD_STYLE), -1);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[1].find("no extended dialog template"), std::string::npos) << failures[1];
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(999), nullptr, ProbeProc, 0), -1);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_NAME_NOT_FOUND});
}

TEST_F(DialogHostTest, GetDlgItemIntReadsDecimalNumbersOnly) {
  struct Case {
    const char* text;
    BOOL isSigned;
    BOOL translated;
    UINT value;
  };
  const Case cases[] = {
      {"42", FALSE, TRUE, 42},
      {" 7 ", FALSE, TRUE, 7},
      {"-5", TRUE, TRUE, static_cast<UINT>(-5)},
      {"-5", FALSE, FALSE, 0},
      {"12a", FALSE, FALSE, 0},
      {"", FALSE, FALSE, 0},
      {"4294967295", FALSE, TRUE, 4294967295u},
      {"4294967296", FALSE, FALSE, 0},
      {"2147483648", TRUE, FALSE, 0},
      {"1,023", FALSE, FALSE, 0},
  };
  probe_.hook = [&](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m != WM_INITDIALOG) return 0;
    for (const Case& c : cases) {
      SetText(d, IDC_EDIT, c.text);
      BOOL translated = 2;
      EXPECT_EQ(GetDlgItemInt(d, IDC_EDIT, &translated, c.isSigned), c.value) << c.text;
      EXPECT_EQ(translated, c.translated) << c.text;
    }
    SetDlgItemInt(d, IDC_EDIT, static_cast<UINT>(-3), TRUE);
    EXPECT_EQ(TextOf(d, IDC_EDIT), "-3");
    SetDlgItemInt(d, IDC_EDIT, static_cast<UINT>(-3), FALSE);
    EXPECT_EQ(TextOf(d, IDC_EDIT), "4294967293");
    return 0;
  };
  user_.PressEscape();
  Run();
}

TEST_F(DialogHostTest, TheFileOpenDialogIsAnsweredByTheScript) {
  struct Answer {
    BOOL result;
    std::string path;
    DWORD error;
    WORD offset, extension;
  };
  std::vector<Answer> answers;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (!IsCommand(m, w, IDC_PUSH)) return 0;
    const DWORD sizes[] = {MAX_PATH, MAX_PATH, 8, MAX_PATH};
    for (DWORD size : sizes) {
      WCHAR file[MAX_PATH] = {};
      OPENFILENAMEW ofn{};
      ofn.lStructSize = sizeof ofn;
      ofn.hwndOwner = d;
      ofn.lpstrFilter = u"Bitmap FIles(*.bmp)\0*.bmp\0\0";
      ofn.lpstrFile = file;
      ofn.nMaxFile = size;
      ofn.lpstrDefExt = u"bmp";
      ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
      const BOOL result = GetOpenFileNameW(&ofn);
      answers.push_back({result, host::Utf8(file), CommDlgExtendedError(), ofn.nFileOffset, ofn.nFileExtension});
    }
    return TRUE;
  };
  std::vector<std::string>& failures = CaptureFailures();
  user_.Click(IDC_PUSH).ChooseFile("/cards/front").CancelFileDialog().ChooseFile("/cards/long.bmp").PressEscape();
  Run();
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_TRUE(answers[0].result);
  EXPECT_EQ(answers[0].path, "/cards/front.bmp") << "the default extension is added";
  EXPECT_EQ(answers[0].offset, 7);
  EXPECT_EQ(answers[0].extension, 13);
  EXPECT_FALSE(answers[1].result);
  EXPECT_EQ(answers[1].error, 0u) << "cancelled";
  EXPECT_FALSE(answers[2].result);
  EXPECT_EQ(answers[2].error, DWORD{FNERR_BUFFERTOOSMALL});
  EXPECT_FALSE(answers[3].result) << "nobody answered";
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("does not answer"), std::string::npos);
  const std::vector<host::FileDialogCall> calls = host::FileDialogCalls();
  ASSERT_EQ(calls.size(), 4u);
  const std::vector<std::pair<std::string, std::string>> filter = {{"Bitmap FIles(*.bmp)", "*.bmp"}};
  EXPECT_EQ(calls[0].filter, filter);
  EXPECT_EQ(calls[0].defaultExtension, "bmp");
  EXPECT_EQ(calls[0].bufferChars, DWORD{MAX_PATH});
  EXPECT_TRUE(calls[0].chosen);
}

TEST_F(DialogHostTest, MessageBoxesTakeTheScriptedAnswersAndBelongToTheDialog) {
  std::vector<int> results;
  HWND dialog = nullptr;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (!IsCommand(m, w, IDC_PUSH)) return 0;
    dialog = d;
    results.push_back(MessageBoxW(GetActiveWindow(), u"Continue?", u"Tolma", MB_YESNO));
    results.push_back(MessageBoxW(GetActiveWindow(), u"Again?", u"Tolma", MB_YESNO));
    results.push_back(MessageBoxW(GetActiveWindow(), u"Unscripted", u"Tolma", MB_OK));
    return TRUE;
  };
  std::vector<std::string>& failures = CaptureFailures();
  user_.Click(IDC_PUSH).AnswerMessageBox(IDNO).AnswerMessageBox(IDOK).PressEscape();
  Run();
  EXPECT_EQ(results, (std::vector<int>{IDNO, IDYES, IDOK})) << "a button the box lacks gives its first one";
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("has no button 1"), std::string::npos) << failures[0];
  const std::vector<host::MessageBoxCall> boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].owner, dialog);
}

TEST_F(DialogHostTest, PaintingFollowsTheInvalidRectangle) {
  std::vector<RECT> painted;
  ULONG colour = 0xFF0000;
  probe_.hook = [&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(d, &paint);
      painted.push_back(paint.rcPaint);
      HBRUSH brush = CreateSolidBrush(RGB(colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF));
      RECT all{0, 0, 450, 325};
      FillRect(dc, &all, brush);
      DeleteObject(brush);
      EndPaint(d, &paint);
      return TRUE;
    }
    if (IsCommand(m, w, IDC_PUSH)) {
      colour = 0x0000FF;
      const RECT part{10, 10, 20, 20};
      InvalidateRect(d, &part, FALSE);
    }
    return 0;
  };
  user_.Look([](const host::DialogView& d) { EXPECT_EQ(d.Pixel(15, 15), 0xFF0000u); })
      .Click(IDC_PUSH)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d.Pixel(10, 10), 0x0000FFu);
        EXPECT_EQ(d.Pixel(19, 19), 0x0000FFu);
        EXPECT_EQ(d.Pixel(20, 20), 0xFF0000u) << "painting is clipped to the invalid rectangle";
        EXPECT_EQ(d.Pixel(9, 15), 0xFF0000u);
      })
      .PressEscape();
  Run();
  ASSERT_EQ(painted.size(), 2u);
  EXPECT_EQ(painted[0].right, 450);
  EXPECT_EQ(painted[0].bottom, 325);
  EXPECT_EQ(painted[1].left, 10);
  EXPECT_EQ(painted[1].bottom, 20);
  EXPECT_EQ(host::LiveBrushAndPenCount(), 0);
  EXPECT_EQ(host::OpenPaintCount(), 0);
}

TEST_F(DialogHostTest, ADialogThatDoesNotPaintShowsTheDialogColour) {
  user_.PressEscape();
  Run();
  const std::vector<std::string> paint = {"PAINT", "ERASEBKGND"};
  EXPECT_EQ(std::vector<std::string>(probe_.log.begin() + 2, probe_.log.begin() + 4), paint);
  EXPECT_EQ(host::LastDialog().Pixel(0, 0), 0xF0F0F0u);
  EXPECT_EQ(host::LastDialog().Pixel(449, 324), 0xF0F0F0u);
}

// Every prefix of a compiled resource file and of a dialog template is refused without reading past it.
TEST(DialogTemplateParsing, TruncatedResourcesAndTemplatesAreRefused) {
  const std::span<const uint8_t> res = TestDialogResources();
  const auto entries = host::detail::ParseResFile(res);
  ASSERT_TRUE(entries.has_value());
  const host::detail::ResourceEntry* every = nullptr;
  for (const auto& e : *entries)
    if (e.type.isNumber && e.type.number == 5 && e.name.isNumber && e.name.number == IDD_EVERY_CONTROL) every = &e;
  ASSERT_NE(every, nullptr);
  const std::vector<uint8_t>& bytes = every->data;
  const auto parsed = host::detail::ParseDialogTemplate(bytes);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->controls.size(), 22u);
  EXPECT_EQ(parsed->pointSize, 8);
  for (size_t n = 0; n + 1 < bytes.size(); ++n) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
    // A cut inside the padding after the last control's data can still be whole.
    const auto partial = host::detail::ParseDialogTemplate(cut);
    if (partial) {
      EXPECT_EQ(partial->controls.size(), 22u) << n;
    }
  }
  for (size_t n = 1; n < res.size(); n += 7) {
    const auto cut = host::detail::ParseResFile(res.first(n));
    if (cut) {
      EXPECT_LE(cut->size(), entries->size());
    }
  }
}

}  // namespace
}  // namespace tolma::test
