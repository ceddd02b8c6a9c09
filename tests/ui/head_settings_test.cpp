// "Head Settings": which trackbars each ribbon allows, immediate storing, restoring the defaults from the driver
// data file or the built-in values, closing and help, all through the real dialog procedure.
#include "tests/ui/adjust_test_support.h"
#include "ui/adjust/head_settings.h"
#include "ui/resources/dialog_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace tolma::test {
namespace {

constexpr int kTrackbars[11] = {1800, 1801, 1802, 1803, 1804, 1805, 1806, 1807, 1808, 1809, 1810};
constexpr int kLabels[11] = {1811, 1812, 1813, 1814, 1815, 1816, 1817, 1818, 1819, 1820, 1821};

// The eleven values in table order.
std::vector<int> HeadValues(const PrivateDevmode& pd) {
  return {pd.headContrastO,  pd.headContrastKr, pd.headContrastH,   pd.headIntensityY,
          pd.headIntensityM, pd.headIntensityC, pd.headIntensityKd, pd.headContrastY,
          pd.headContrastM,  pd.headContrastC,  pd.headContrastKd};
}
void SetHeadValues(PrivateDevmode& pd, const std::vector<int>& v) {
  int16_t* fields[] = {&pd.headContrastO,  &pd.headContrastKr, &pd.headContrastH,   &pd.headIntensityY,
                       &pd.headIntensityM, &pd.headIntensityC, &pd.headIntensityKd, &pd.headContrastY,
                       &pd.headContrastM,  &pd.headContrastC,  &pd.headContrastKd};
  for (size_t i = 0; i < 11; ++i) *fields[i] = static_cast<int16_t>(v[i]);
}

// The trackbars each ribbon uses, as a list of ids.
struct EnablingCase {
  int ribbonType;
  int monoRibbonKind;
  std::set<int> enabled;
};
const std::set<int> kFullColour = {1801, 1803, 1804, 1805, 1807, 1808, 1809};
const EnablingCase kEnabling[] = {
    {0, 0, {1800, 1801, 1803, 1804, 1805, 1807, 1808, 1809}},
    {8, 0, {1800, 1801, 1803, 1804, 1805, 1807, 1808, 1809}},
    {11, 0, {1800, 1801, 1803, 1804, 1805, 1807, 1808, 1809}},
    {6, 0, kFullColour},
    {7, 0, kFullColour},
    {12, 0, kFullColour},
    {5, 0, {1803, 1804, 1805, 1807, 1808, 1809}},
    {2, 0, {1800, 1806, 1810}},
    {13, 0, {1806, 1810}},
    {3, 0, {1800, 1801}},
    {1, 0, {1801}},
    {1, 3, {1801}},  // the monochrome kind only counts for type 14
    {4, 0, {1802}},
    {14, 0, {1801}},
    {14, 1, {}},
    {14, 2, {1800}},
    {14, 3, {1802}},
    {14, 7, {}},
    {9, 0, {}},
    {10, 0, {}},
    {15, 0, {}},
    {16, 0, {}},
    {-1, 0, {}},
};

class HeadSettingsTest : public AdjustDialogTest {
 protected:
  INT_PTR Run() { return ui::RunHeadSettings(nullptr); }
};

TEST_F(HeadSettingsTest, TheRibbonDecidesWhichTrackbarsMove) {
  for (const EnablingCase& c : kEnabling) {
    SCOPED_TRACE("ribbon type " + std::to_string(c.ribbonType) + " kind " + std::to_string(c.monoRibbonKind));
    const std::array<bool, 11> enabled = ui::HeadTrackbarsEnabled(c.ribbonType, c.monoRibbonKind);
    PrivateDevmode pd = DefaultPrivateDevmode();
    pd.ribbonType = static_cast<int16_t>(c.ribbonType);
    pd.monoRibbonKind = static_cast<int16_t>(c.monoRibbonKind);
    Edit(pd);
    user_.CloseBox();
    ASSERT_EQ(Run(), ui::kHeadSettingsClosed);
    const host::DialogView d = host::LastDialog();
    for (size_t i = 0; i < 11; ++i) {
      EXPECT_EQ(enabled[i], c.enabled.count(kTrackbars[i]) == 1) << kTrackbars[i];
      EXPECT_EQ(d[kTrackbars[i]].enabled, enabled[i]) << kTrackbars[i];
    }
  }
}

TEST_F(HeadSettingsTest, OpensWithTheFieldsOnTrackbarsOfZeroToTen) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  SetHeadValues(pd, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  Edit(pd);
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 1605);
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d.title, "Head Settings");
  for (size_t i = 0; i < 11; ++i) {
    const host::ControlView& t = d[kTrackbars[i]];
    EXPECT_EQ(t.minimum, 0);
    EXPECT_EQ(t.maximum, 10);
    EXPECT_EQ(t.ticks, std::vector<LONG>{1});
    EXPECT_EQ(t.position, static_cast<LONG>(i));
    EXPECT_EQ(d[kLabels[i]].text, std::to_string(i));
  }
}

TEST_F(HeadSettingsTest, AMovedTrackbarChangesTheDevmodeAtOnce) {
  const PrivateDevmode before = Edited();  // YMCKO: Kr, Y, M, C and O move
  user_.MoveTrackbar(IDC_HEAD_CONTRAST_KR, 7)
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(Edited().headContrastKr, 7) << "stored before the dialog ends";
        EXPECT_EQ(d[IDC_HEAD_CONTRAST_KR_VALUE].text, "7");
      })
      .MoveTrackbar(IDC_HEAD_INTENSITY_Y, 0)
      .MoveTrackbar(IDC_HEAD_CONTRAST_O, 10)
      .CloseBox();
  EXPECT_EQ(Run(), 1605);
  std::vector<int> expected = HeadValues(before);
  expected[1] = 7;
  expected[3] = 0;
  expected[0] = 10;
  EXPECT_EQ(HeadValues(Edited()), expected);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "head-settings-ymcko");
  EXPECT_EQ(d[IDC_HEAD_INTENSITY_Y_VALUE].text, "0");
  EXPECT_EQ(d[IDC_HEAD_CONTRAST_O_VALUE].text, "10");
  // Nothing else of the DEVMODE moved.
  PrivateDevmode rest = Edited();
  SetHeadValues(rest, HeadValues(before));
  EXPECT_EQ(std::memcmp(&rest, &before, sizeof rest), 0);
}

TEST_F(HeadSettingsTest, WithAKResinRibbonOnlyTheResinBlackMoves) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ribbonType = 1;
  Edit(pd);
  std::vector<std::string>& failures = CaptureFailures();
  user_.MoveTrackbar(IDC_HEAD_INTENSITY_Y, 9).MoveTrackbar(IDC_HEAD_CONTRAST_KR, 9).Click(IDC_CLOSE);
  Run();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("control 1803: it is disabled"), std::string::npos) << failures[0];
  EXPECT_EQ(Edited().headIntensityY, 4);
  EXPECT_EQ(Edited().headContrastKr, 9);
}

TEST_F(HeadSettingsTest, RestoreDefaultsReadsTheDataFileOrFallsBack) {
  PrivateDevmode custom = DefaultPrivateDevmode();
  SetHeadValues(custom, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0});
  const std::vector<uint8_t> image = ImageBytes(custom);
  std::vector<uint8_t> shorter(image.begin(), image.end() - 1);
  std::vector<uint8_t> longer = image;
  longer.push_back(0);
  const std::vector<int> fallback = {3, 3, 5, 4, 7, 7, 5, 5, 5, 5, 5};
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"a data file of 2224 bytes", image, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}},
      {"no data file", {}, fallback},
      {"a data file of 2223 bytes", shorter, fallback},
      {"a data file of 2225 bytes", longer, fallback},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseDataFile(c.file);
    PrivateDevmode pd = DefaultPrivateDevmode();
    SetHeadValues(pd, std::vector<int>(11, 9));
    Edit(pd);
    user_.Click(IDC_RESTORE_DEFAULTS).Click(IDC_CLOSE);
    EXPECT_EQ(Run(), 1605);
    EXPECT_EQ(HeadValues(Edited()), c.expected);
    const host::DialogView d = host::LastDialog();
    for (size_t i = 0; i < 11; ++i) {
      EXPECT_EQ(d[kTrackbars[i]].position, c.expected[i]) << kTrackbars[i];
      EXPECT_EQ(d[kLabels[i]].text, std::to_string(c.expected[i])) << kLabels[i];
    }
  }
}

TEST_F(HeadSettingsTest, CloseTheCloseBoxAndEscapeEndWith1605) {
  struct Case {
    const char* name;
    std::function<void(host::ScriptedUser&)> close;
  };
  const Case cases[] = {
      {"Close", [](host::ScriptedUser& u) { u.Click(IDC_CLOSE); }},
      {"the close box", [](host::ScriptedUser& u) { u.CloseBox(); }},
      {"Escape", [](host::ScriptedUser& u) { u.PressEscape(); }},
      {"Enter on the default button", [](host::ScriptedUser& u) { u.PressEnter(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.close(user_);
    EXPECT_EQ(Run(), 1605);
    EXPECT_EQ(host::PendingUserActions(), 0);
  }
}

TEST_F(HeadSettingsTest, HelpOpensTheHelpFileAtItsContents) {
  user_.Click(IDC_HELP_BUTTON).Click(IDC_CLOSE);
  Run();
  const std::vector<host::HelpCall> help = host::HelpCalls();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].file, "Doma.hlp");
  EXPECT_EQ(help[0].command, UINT{HELP_CONTENTS});
  EXPECT_EQ(help[0].window, host::LastDialog().window);
}

TEST_F(HeadSettingsTest, WithoutAWholePrivatePartNothingCanBeEdited) {
  struct Case {
    const char* name;
    uint16_t dmSize;
    uint16_t dmDriverExtra;
  };
  const Case cases[] = {
      {"driver extra too small", 212, 100},
      {"dmSize over the size fields", 40, 2224},
      {"dmSize misaligned", 214, 2224},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Edit(DefaultPrivateDevmode());
    devmode_.resize(devmode_.size() + 8);
    ui::State().editedDevmode = AsDevmode(devmode_);
    AsDevmode(devmode_)->dmSize = c.dmSize;
    AsDevmode(devmode_)->dmDriverExtra = c.dmDriverExtra;
    const std::vector<uint8_t> before = devmode_;
    user_.Click(IDC_CLOSE);
    EXPECT_EQ(Run(), 1605);
    const host::DialogView d = host::LastDialog();
    for (int id : kTrackbars) EXPECT_FALSE(d[id].enabled) << id;
    EXPECT_FALSE(d[IDC_RESTORE_DEFAULTS].enabled);
    EXPECT_EQ(devmode_, before);
  }
  ui::State().editedDevmode = nullptr;
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 1605);
  EXPECT_FALSE(host::LastDialog()[IDC_HEAD_CONTRAST_KR].enabled);
}

}  // namespace
}  // namespace tolma::test
