// The printer tool templates as the resource compiler made them: every control the code uses, of its kind, with
// its text and the styles that matter, and the About box's logo area inside its frame and free of other controls.
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/about_box.h"

#include <gtest/gtest.h>

namespace tolma::test {
namespace {

class ToolTemplatesTest : public UiTest {};

INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) EndDialog(dialog, 1);
  return message == WM_INITDIALOG;
}

host::DialogView Template(int id) {
  ui::RunDialog(nullptr, static_cast<UINT>(id), EndAtOnce);
  return host::LastDialog();
}

TEST_F(ToolTemplatesTest, EveryControlTheCodeUses) {
  using K = host::ControlKind;
  struct Control {
    int id;
    K kind;
    const char* text;  // nullptr: not checked
    DWORD style = 0;   // bits that must be set
  };
  struct Dialog {
    int id;
    const char* title;
    std::vector<Control> controls;
  };
  const Dialog dialogs[] = {
      {IDD_ABOUT, "About", {{IDC_ABOUT_VERSION, K::Static, "Version "}, {IDOK, K::Button, "OK", BS_DEFPUSHBUTTON}}},
      {IDD_TOOLS,
       "Tools",
       {{IDC_TOOLS_COMMAND, K::Edit, "", ES_AUTOHSCROLL},
        {IDC_TOOLS_EXECUTE, K::Button, "Execute", BS_DEFPUSHBUTTON},
        {IDC_TOOLS_STATUS, K::Edit, "", ES_MULTILINE | ES_READONLY},
        {IDC_TOOLS_TEST_CARD, K::ComboBox, nullptr, CBS_DROPDOWNLIST},
        {IDC_TOOLS_PRINT, K::Button, "Print"},
        {IDC_TOOLS_CLEANING, K::ComboBox, nullptr, CBS_DROPDOWNLIST},
        {IDC_TOOLS_CLEAN, K::Button, "Clean"},
        {IDC_TOOLS_OFFSET_X, K::Edit, "", ES_NUMBER},
        {IDC_TOOLS_OFFSET_Y, K::Edit, "", ES_NUMBER},
        {IDC_TOOLS_SET_OFFSET, K::Button, "Set Offset"},
        {IDC_TOOLS_USE_TRACK1, K::Button, "Track 1", BS_AUTOCHECKBOX},
        {IDC_TOOLS_USE_TRACK2, K::Button, "Track 2", BS_AUTOCHECKBOX},
        {IDC_TOOLS_USE_TRACK3, K::Button, "Track 3", BS_AUTOCHECKBOX},
        {IDC_TOOLS_TRACK1, K::Edit, "", ES_AUTOHSCROLL},
        {IDC_TOOLS_TRACK2, K::Edit, "", ES_AUTOHSCROLL},
        {IDC_TOOLS_TRACK3, K::Edit, "", ES_AUTOHSCROLL},
        {IDC_TOOLS_ENCODE, K::Button, "Encode"},
        {IDC_TOOLS_READ, K::Button, "Read"},
        {IDC_TOOLS_EJECT, K::Button, "Eject Card"},
        {IDC_TOOLS_SEND_FILE, K::Button, "Send File"},
        {IDC_CLOSE, K::Button, "Close"},
        {IDC_HELP_BUTTON, K::Button, "Help"}}},
      {IDD_RIBBON_INFO,
       "Ribbon Information",
       {{IDC_INFO_RIBBON_TYPE, K::Static, ""},
        {IDC_INFO_RIBBON_COUNT, K::Static, ""},
        {IDC_CLOSE, K::Button, "Close", BS_DEFPUSHBUTTON},
        {IDC_HELP_BUTTON, K::Button, "Help"}}},
      {IDD_DEVICE_INFO,
       "Device Information",
       {{IDC_INFO_RIBBON_TYPE, K::Static, ""},
        {IDC_INFO_RIBBON_COUNT, K::Static, ""},
        {IDC_INFO_MODEL, K::Static, ""},
        {IDC_INFO_SERIAL, K::Static, ""},
        {IDC_INFO_ENCODER, K::Static, ""},
        {IDC_INFO_SMART_CARD, K::Static, ""},
        {IDC_INFO_PANELS, K::Static, ""},
        {IDC_INFO_HEAD_RESISTANCE, K::Static, ""},
        {IDC_CLOSE, K::Button, "Close"},
        {IDC_HELP_BUTTON, K::Button, "Help"}}},
      {IDD_SINGLE_FEED,
       "Single Feed Options",
       {{IDC_SINGLE_FEED_DISABLE, K::Button, "Disable Single Feed Support", BS_AUTORADIOBUTTON},
        {IDC_SINGLE_FEED_ENABLE, K::Button, "Enable Single Feed Support", BS_AUTORADIOBUTTON},
        {IDC_SINGLE_FEED_STATUS, K::Static, "Current Status : "},
        {IDOK, K::Button, "Apply"},
        {IDCANCEL, K::Button, "Cancel"}}},
      {IDD_SEND_FILE,
       "Send File",
       {{IDC_SEND_PATH, K::Edit, ""},
        {IDC_SEND_SELECT, K::Button, "Select File"},
        {IDC_SEND_PRN, K::Button, "PRN File", BS_AUTORADIOBUTTON},
        {IDC_SEND_TEXT, K::Button, "Text File", BS_AUTORADIOBUTTON},
        {IDC_SEND_STATUS, K::Static, "Status: "},
        {IDC_SEND_START, K::Button, "Send File", BS_DEFPUSHBUTTON},
        {IDCANCEL, K::Button, "Close"}}},
  };
  for (const Dialog& dialog : dialogs) {
    SCOPED_TRACE(dialog.title);
    const host::DialogView d = Template(dialog.id);
    EXPECT_EQ(d.title, dialog.title);
    for (const Control& c : dialog.controls) {
      ASSERT_TRUE(d.Has(c.id)) << c.id;
      EXPECT_EQ(d[c.id].kind, c.kind) << c.id;
      if (c.text != nullptr) {
        EXPECT_EQ(d[c.id].text, c.text) << c.id;
      }
      if (c.kind == K::Button && (c.style & BS_TYPEMASK) != 0) {
        EXPECT_EQ(d[c.id].style & BS_TYPEMASK, c.style & BS_TYPEMASK) << c.id;
      } else {
        EXPECT_EQ(d[c.id].style & c.style, c.style) << c.id;
      }
    }
  }
}

TEST_F(ToolTemplatesTest, TheLogoAreaLiesInItsFrameAndIsFreeOfOtherControls) {
  const host::DialogView d = Template(IDD_ABOUT);
  const RECT logo = ui::kLogoArea;
  int frames = 0;
  for (const host::ControlView& c : d.controls) {
    const bool encloses = c.rect.left <= logo.left && c.rect.top <= logo.top && c.rect.right >= logo.right &&
                          c.rect.bottom >= logo.bottom;
    const bool apart = c.rect.left >= logo.right || c.rect.top >= logo.bottom || c.rect.right <= logo.left ||
                       c.rect.bottom <= logo.top;
    if (encloses && c.text.empty()) ++frames;
    EXPECT_TRUE(apart || (encloses && c.text.empty())) << "control " << c.id << " over the logo";
  }
  EXPECT_EQ(frames, 1);
}

}  // namespace
}  // namespace tolma::test
