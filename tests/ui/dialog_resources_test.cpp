// DomaUI's compiled resource script as the host reads it: the dialog templates with their controls, the string
// table as the resource compiler wrote it, and every template made into a dialog.
#include "platform/host/user/dialog_host.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tolma::test {
namespace {

class DialogResourcesTest : public UiTest {};

INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) EndDialog(dialog, 77);
  return message == WM_INITDIALOG;
}

TEST_F(DialogResourcesTest, TheCompiledStringTableIsTheCodesTable) {
  std::vector<std::pair<UINT, std::string>> expected;
  for (const ui::StringResource& s : ui::StringTable()) expected.emplace_back(s.id, host::Utf8(s.text));
  EXPECT_EQ(host::CompiledStrings(module_), expected) << "escapes and UTF-8 read alike by both compilers";
}

// Every template of DomaUI can be made into a dialog (its classes exist, its bytes parse).
TEST_F(DialogResourcesTest, EveryTemplateMakesADialog) {
  const std::vector<int> ids = host::DialogTemplateIds(module_);
  for (int id : {IDD_HEAD_SETTINGS, IDD_COLOR_CORRECTION})
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  for (int id : ids) {
    EXPECT_EQ(ui::RunDialog(nullptr, static_cast<UINT>(id), EndAtOnce), 77) << id;
    EXPECT_EQ(host::LastDialog().templateId, id);
    EXPECT_FALSE(host::LastDialog().controls.empty()) << id;
  }
}

TEST_F(DialogResourcesTest, TheAdjustmentDialogsHaveTheirControls) {
  struct Expected {
    int dialog;
    const char* title;
    int firstTrackbar, trackbars, firstLabel;
  };
  for (const Expected& e : {Expected{IDD_HEAD_SETTINGS, "Head Settings", 1800, 11, 1811},
                            Expected{IDD_COLOR_CORRECTION, "Color correction", 1901, 8, 1910}}) {
    SCOPED_TRACE(e.title);
    ui::RunDialog(nullptr, static_cast<UINT>(e.dialog), EndAtOnce);
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d.title, e.title);
    for (int i = 0; i < e.trackbars; ++i) {
      EXPECT_EQ(d[e.firstTrackbar + i].kind, host::ControlKind::Trackbar);
      EXPECT_TRUE(d[e.firstTrackbar + i].style & WS_TABSTOP);
      EXPECT_EQ(d[e.firstLabel + i].kind, host::ControlKind::Static);
    }
    EXPECT_EQ(d[IDC_RESTORE_DEFAULTS].text, "Restore defaults");
    EXPECT_EQ(d[IDC_CLOSE].text, "Close");
    EXPECT_EQ(d[IDC_CLOSE].style & BS_TYPEMASK, DWORD{BS_DEFPUSHBUTTON});
    EXPECT_EQ(d[IDC_HELP_BUTTON].text, "Help");
  }
  // The colour preview's corner (100 pixels from 8, 8) is left free of controls.
  const host::DialogView d = host::LastDialog();
  for (const host::ControlView& c : d.controls)
    EXPECT_TRUE(c.rect.left >= 108 || c.rect.top >= 108 || c.rect.right <= 8 || c.rect.bottom <= 8) << c.id;
}

}  // namespace
}  // namespace tolma::test
