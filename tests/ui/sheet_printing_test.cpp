// From the document sheet to the printer across both DLLs: settings chosen in DomaUI's sheet and its dialogs, the
// DEVMODE it hands out printed by DomaRaster on the host, the stream read back with the project's stream reader.
#include "platform/host/engine_session.h"
#include "raster/ddi_functions.h"
#include "tests/ui/sheet_test_support.h"
#include "tools/lib/stream_reader.h"
#include "ui/resources/dialog_ids.h"
#include "ui/sheet_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tolma {
namespace {

// The overlay dialogs' controls: the area list, the coordinate edits and "Close".
constexpr int kAreaList = 1231;
constexpr int kAreaLeft = 1245;
constexpr int kAreaTop = 1246;
constexpr int kAreaRight = 1247;
constexpr int kAreaBottom = 1248;

class SheetPrintingTest : public test::SheetTest {
 protected:
  // The printer reports a YMCKO ribbon and an RKB model; the user chooses both sides in mode 1 ("Front YMCKO,
  // Back YMCKO"), the black panel for text only, optionally a selected front overlay area, and two head settings;
  // then applies and closes. Returns the DEVMODE the sheet handed out.
  std::vector<uint8_t> ChooseSettings(bool frontOverlayArea) {
    Answers("0", "2", "Q47x RKB 1.0");
    PrivateDevmode pd = DefaultPrivateDevmode();
    pd.blackPanelUse = 0;
    OpenDocumentWith(pd);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(sheet_->Choose(5, 1), CPSUICB_ACTION_OPTIF_CHANGED);
    EXPECT_EQ(sheet_->Choose(6, 1), CPSUICB_ACTION_OPTIF_CHANGED);
    EXPECT_EQ(sheet_->Choose(8, 2), CPSUICB_ACTION_OPTIF_CHANGED);

    if (frontOverlayArea) {
      user_.Select(kAreaList, "Selected area overlay varnish")
          .Retype(kAreaLeft, "100")
          .Retype(kAreaTop, "60")
          .Retype(kAreaRight, "300")
          .Retype(kAreaBottom, "260")
          .Click(IDC_CLOSE);
      EXPECT_EQ(sheet_->Press(10), CPSUICB_ACTION_OPTIF_CHANGED);
      EXPECT_EQ(host::LastDialog().templateId, 108);
    }
    user_.MoveTrackbar(IDC_HEAD_CONTRAST_KR, 7).MoveTrackbar(IDC_HEAD_INTENSITY_Y, 2).Click(IDC_CLOSE);
    EXPECT_EQ(sheet_->Press(13), CPSUICB_ACTION_OPTIF_CHANGED);
    EXPECT_EQ(host::LastDialog().templateId, IDD_HEAD_SETTINGS);

    EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
    EXPECT_EQ(sheet_->SetResult(), 1);
    EXPECT_EQ(sheet_->Destroy(), 1);
    return out_;
  }

  // Prints a two-sided card with the DEVMODE through DomaRaster (text on the front, nothing on the back), with the
  // model and ribbon cache saying what the printer said; returns the stream read back.
  CommandStream Print(const std::vector<uint8_t>& devmode) {
    dir_.Write("DomaRibmod.ini", "[Printer]\r\nRibbon=2\r\nModel=Q47x RKB 1.0\r\n");
    host::SetLocalAppDataFolder(dir_.str());
    const size_t before = host::WrittenBytes(printer_).size();
    {
      host::EngineDriver driver(&DrvEnableDriver, &DrvDisableDriver);
      EXPECT_TRUE(driver.enabled());
      host::EngineDevice device(driver, devmode, printer_);
      EXPECT_TRUE(device.ok());
      EXPECT_TRUE(device.StartDoc(u"Card"));
      EXPECT_TRUE(device.StartPage());
      EXPECT_TRUE(device.DrawText(u"TOLMA", {200, 320}, 0x000000));
      EXPECT_TRUE(device.SendPage());
      EXPECT_TRUE(device.StartPage());
      EXPECT_TRUE(device.SendPage());
      EXPECT_TRUE(device.EndDoc());
    }
    const std::vector<uint8_t> all = host::WrittenBytes(printer_);
    const std::vector<uint8_t> stream(all.begin() + static_cast<long>(before), all.end());
    CommandStream parsed = ReadCommandStream(stream);
    for (const StreamError& e : parsed.errors) ADD_FAILURE() << "stream error at " << e.offset << ": " << e.message;
    return parsed;
  }

  // The stream expected for these settings, with the front's overlay area commands and overlay print command.
  static std::vector<std::string> Expected(const std::vector<std::string>& frontArea, const char* frontPrint) {
    std::vector<std::string> out = {
        // Job header: two sides not in mode 0, the head settings with Kr contrast 7 and yellow intensity 2.
        "\\eMASTER\\r",  "\\eJOB 1\\r",   "\\eSXY 1\\r",   "\\e+$C 0 5\\r", "\\e+$C 1 5\\r", "\\e+$C 2 5\\r",
        "\\e+$L 0 2\\r", "\\e+$L 1 7\\r", "\\e+$L 2 7\\r", "\\e+C 7\\r",    "\\e+CV 3\\r"};
    const std::vector<std::string> colours = {
        "\\e$F\\r",   "\\eGS 0 30 0 0 1024 640 <data>", "\\eIS 0\\r", "\\eGS 1 30 0 0 1024 640 <data>",
        "\\eIS 1\\r", "\\eGS 2 30 0 0 1024 640 <data>", "\\eIS 2\\r"};
    // Mode 1: the front prints YMC, its text on the resin panel and its overlay; the back YMC, a blank resin
    // panel and its overlay.
    out.insert(out.end(), colours.begin(), colours.end());
    for (const char* c : {"\\eF\\r", "\\eG 0 0 12 640 1024 1\\r\\eZ<data>", "\\eI 10\\r", "\\evF\\r"}) out.push_back(c);
    out.insert(out.end(), frontArea.begin(), frontArea.end());
    for (const char* c : {frontPrint, "\\eMF\\r"}) out.push_back(c);
    out.insert(out.end(), colours.begin(), colours.end());
    for (const char* c : {"\\eF\\r", "\\e!FF 1\\r", "\\evF\\r", "\\eIV 30\\r", "\\eMO\\r"}) out.push_back(c);
    return out;
  }
};

// Everything but the overlay dialog: the sheet's choices and the head settings reach the stream.
TEST_F(SheetPrintingTest, ChosenSettingsReachTheStream) {
  const std::vector<uint8_t> devmode = ChooseSettings(false);
  const PrivateDevmode pd = test::PrivateOf(devmode);
  EXPECT_EQ(pd.printBothSides, 1);
  EXPECT_EQ(pd.twoSidedMode, 1);
  EXPECT_EQ(pd.blackPanelUse, 2);
  EXPECT_EQ(pd.headContrastKr, 7);
  EXPECT_EQ(pd.headIntensityY, 2);
  EXPECT_EQ(CommandTexts(Print(devmode)), Expected({}, "\\eIV 30\\r")) << "the whole front varnished";
}

// The whole way of a card job: the front overlay area is set in its dialog, opened by its push button.
TEST_F(SheetPrintingTest, FrontOverlayAreaChosenInItsDialogReachesTheStream) {
  const std::vector<uint8_t> devmode = ChooseSettings(true);
  const OverlayArea area = test::PrivateOf(devmode).frontOverlay;
  EXPECT_EQ(area.areaType, 2);
  EXPECT_EQ(area.areaLeft, 100);
  EXPECT_EQ(area.areaTop, 60);
  EXPECT_EQ(area.areaRight, 300);
  EXPECT_EQ(area.areaBottom, 260);
  EXPECT_EQ(CommandTexts(Print(devmode)), Expected({"\\evL 100 60 200 200 1\\r"}, "\\eIV 31\\r"));
}

}  // namespace
}  // namespace tolma
