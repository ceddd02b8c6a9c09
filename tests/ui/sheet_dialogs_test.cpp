// The dialogs behind the sheets' push buttons: every button opens its dialog from the table (closed with its close
// box by the scripted user), and the table holds exactly the dialogs the sheets' buttons name.
#include "tests/ui/sheet_test_support.h"
#include "ui/adjust/colour_correction.h"
#include "ui/adjust/head_settings.h"
#include "ui/resources/dialog_ids.h"
#include "ui/sheet_dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace tolma {
namespace {

enum class Sheet { Document, Device };
enum class Press { Button, Extended, About };

struct ButtonCase {
  const char* name;
  Sheet sheet;
  Press press;
  int item;
  UINT dialog;
};

class SheetButtonTest : public test::SheetTest, public ::testing::WithParamInterface<ButtonCase> {
 protected:
  // Opens the sheet with every button of the case's item enabled.
  void OpenFor(const ButtonCase& c) {
    if (c.sheet == Sheet::Device) {
      Answers("1", std::nullopt, "Q47x RKB 2.1");
      OpenDevice();
      return;
    }
    PrivateDevmode pd = DefaultPrivateDevmode();
    if (c.dialog == ui::sheet_dialog::kHologramOverlay) {
      Answers("1", "19", "Q47x RKB 1.0");  // a hologram ribbon
      pd.ribbonType = 4;
    } else {
      Answers("1", "2", "Q47x RKB 1.0");  // YMCKO both sides, mode 1: both overlays
      pd.printBothSides = 1;
      pd.twoSidedMode = 1;
    }
    OpenDocumentWith(pd);
  }

  // What the common UI does for the case's button; the callback's answer.
  LONG Push(const ButtonCase& c, INT_PTR* result) {
    switch (c.press) {
      case Press::Button:
        return sheet_->Press(c.item, result);
      case Press::Extended:
        return sheet_->PressExtended(c.item, result);
      case Press::About:
        return sheet_->About();
    }
    return -1;
  }
};

TEST_P(SheetButtonTest, OpensItsDialogWhichClosesWithItsCloseBox) {
  const ButtonCase c = GetParam();
  ASSERT_NE(ui::SheetDialogProc(c.dialog), nullptr) << "dialog " << c.dialog << " (" << c.name << ")";
  OpenFor(c);
  ASSERT_EQ(sheet_->initResult(), 1);
  if (c.press != Press::About) {
    const host::ItemView item = sheet_->Item(c.item);
    ASSERT_TRUE(c.press == Press::Button ? item.enabled : item.extPushEnabled);
    EXPECT_EQ(c.press == Press::Button ? item.dialogProc : item.extPushProc, ui::SheetDialogProc(c.dialog));
  }
  user_.CloseBox();
  INT_PTR result = 0;
  const LONG action = Push(c, &result);
  const std::vector<host::DialogView> closed = host::ClosedDialogs();
  ASSERT_FALSE(closed.empty()) << "the dialog ran";
  EXPECT_EQ(closed.front().templateId, static_cast<int>(c.dialog));
  EXPECT_EQ(host::PendingUserActions(), 0);
  // The callback answers for the buttons that call it back.
  LONG expected = -1;  // no callback
  if (c.press == Press::About)
    expected = CPSUICB_ACTION_ITEMS_APPLIED;
  else if (c.press == Press::Extended)
    expected = CPSUICB_ACTION_NONE;
  else if (sheet_->Item(c.item).callback)
    expected = CPSUICB_ACTION_OPTIF_CHANGED;
  EXPECT_EQ(action, expected);
}

const ButtonCase kButtons[] = {
    {"ColourAdjustment", Sheet::Document, Press::Button, 3, ui::sheet_dialog::kColourCorrection},
    {"RibbonInfo", Sheet::Document, Press::Extended, 4, ui::sheet_dialog::kRibbonInformation},
    {"FrontOverlay", Sheet::Document, Press::Button, 10, ui::sheet_dialog::kFrontOverlay},
    {"BackOverlay", Sheet::Document, Press::Button, 11, ui::sheet_dialog::kBackOverlay},
    {"HologramVarnish", Sheet::Document, Press::Button, 12, ui::sheet_dialog::kHologramOverlay},
    {"HeadSettings", Sheet::Document, Press::Button, 13, ui::sheet_dialog::kHeadSettings},
    {"DocumentAbout", Sheet::Document, Press::About, 0, ui::sheet_dialog::kAbout},
    {"EncoderSettings", Sheet::Device, Press::Button, 1, ui::sheet_dialog::kEncoderSettings},
    {"Tools", Sheet::Device, Press::Button, 2, ui::sheet_dialog::kTools},
    {"FirmwareDownload", Sheet::Device, Press::Button, 3, ui::sheet_dialog::kFirmwareDownload},
    {"DeviceInformation", Sheet::Device, Press::Button, 4, ui::sheet_dialog::kDeviceInformation},
    {"SingleFeed", Sheet::Device, Press::Button, 5, ui::sheet_dialog::kSingleFeed},
    {"AboutButton", Sheet::Device, Press::Button, 6, ui::sheet_dialog::kAbout},
    {"DeviceAbout", Sheet::Device, Press::About, 0, ui::sheet_dialog::kAbout},
};

INSTANTIATE_TEST_SUITE_P(EveryButton, SheetButtonTest, ::testing::ValuesIn(kButtons),
                         [](const ::testing::TestParamInfo<ButtonCase>& info) { return info.param.name; });

class SheetDialogTableTest : public test::SheetTest {};

// The table holds exactly the dialogs the two sheets' buttons open, each once.
TEST_F(SheetDialogTableTest, HoldsTheDialogsTheButtonsName) {
  std::multiset<UINT> named = {ui::sheet_dialog::kAbout};  // the About callbacks
  Answers("1", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  for (const host::ItemView& item : sheet_->Page().items) {
    if (item.dialogId != 0) named.insert(item.dialogId);
    if (item.hasExtPush) named.insert(item.extPushDialogId);
  }
  OpenDevice();
  for (const host::ItemView& item : sheet_->Page().items)
    if (item.dialogId != 0) named.insert(item.dialogId);
  std::set<UINT> table;
  for (const ui::SheetDialog& d : ui::SheetDialogs()) {
    EXPECT_TRUE(table.insert(d.templateId).second) << d.templateId;
    EXPECT_NE(d.proc, nullptr) << d.templateId;
  }
  EXPECT_EQ(table, std::set<UINT>(named.begin(), named.end()));
  EXPECT_EQ(ui::SheetDialogProc(IDD_HEAD_SETTINGS), &ui::HeadSettingsProc);
  EXPECT_EQ(ui::SheetDialogProc(IDD_COLOR_CORRECTION), &ui::ColourCorrectionProc);
  EXPECT_EQ(ui::SheetDialogProc(999), nullptr);
  EXPECT_EQ(ui::RunSheetDialog(nullptr, 999), -1);
}

// The dialogs' "Help": without the help file's name in the string table nothing opens, and a trace says so.
TEST_F(SheetDialogTableTest, HelpWithoutItsFileNameLeavesATrace) {
  const HMODULE module = ui::State().module;
  ui::State().module = host::RegisterModule("C:\\Windows\\System32\\NoStrings.dll");
  ui::OpenHelpContents(nullptr);
  ui::State().module = module;
  EXPECT_TRUE(host::HelpCalls().empty());
  EXPECT_EQ(host::DebugOutput(), (std::vector<std::string>{"Unable to find HELP FILE\n"}));
}

}  // namespace
}  // namespace tolma
