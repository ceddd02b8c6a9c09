// The device property sheet driven through the host's common UI: the firmware text and the model, the buttons'
// enabling, the encoder block stored at apply, the reasons and the failures at open.
#include "tests/ui/sheet_test_support.h"
#include "ui/sheet_rules.h"

#include <gtest/gtest.h>

namespace tolma {
namespace {

class DeviceSheetTest : public test::SheetTest {
 protected:
  void StoreDevmode(const PrivateDevmode& pd) { host::SetStoredDevmode(test::kPrinter, test::MakeDevmode(pd)); }
};

constexpr size_t kEncoderAt = kPublicDevmodeSize + 32;

TEST_F(DeviceSheetTest, PageAndItems) {
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  ASSERT_EQ(sheet_->initResult(), 1);
  EXPECT_EQ(sheet_->info().Result, 0u);
  const host::PageView page = sheet_->Page();
  EXPECT_EQ(page.flags, CPSUIF_UPDATE_PERMISSION | CPSUIF_ABOUT_CALLBACK);
  EXPECT_EQ(page.callerName, "Tolma Q47x Card Printer");
  EXPECT_EQ(page.itemTreeName, "Tolma Q47x Card Printer");
  EXPECT_EQ(page.dialogPages, 3u) << "printer properties";
  EXPECT_FALSE(page.hasHelpFile);
  ASSERT_NE(page.userData, 0u) << "the printer's information";
  EXPECT_EQ(host::Utf8(reinterpret_cast<const PRINTER_INFO_2W*>(page.userData)->pPrinterName), test::kPrinter);
  EXPECT_EQ(page.callerVersion, 0x0400);

  struct Row {
    const char* name;
    UINT dialog;
    ULONG_PTR icon;
    bool callback;
  };
  const Row rows[] = {{"Printer Model/Firmware Version", 0, 64080, true},
                      {"Encoder Settings", 104, 1002, true},
                      {"Tools", 112, 1002, false},
                      {"F/W Download", 116, 64000, true},
                      {"Device Information", 124, 64080, true},
                      {"Single Feed", 123, 64000, true},
                      {"About", 102, 64000, false}};
  ASSERT_EQ(page.items.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const host::ItemView& item = page.items[i];
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(item.name, rows[i].name);
    EXPECT_EQ(item.userItemId, i);
    EXPECT_EQ(item.level, 0);
    EXPECT_EQ(item.callback, rows[i].callback);
    EXPECT_EQ(item.options[0].icon, rows[i].icon);
    EXPECT_TRUE(item.enabled);
    if (i > 0) {
      EXPECT_EQ(item.kind, host::ItemKind::PushButton);
      EXPECT_EQ(item.dialogId, rows[i].dialog);
      EXPECT_EQ(item.typeStyle, OTS_PUSH_ENABLE_ALWAYS);
    }
  }
  EXPECT_EQ(page.items[0].kind, host::ItemKind::List);
  EXPECT_EQ(page.items[0].count, 1);
  EXPECT_EQ(page.items[0].selectedText(), "Q47x RKB 2.1");

  const auto requests = host::MonitorRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].command, "\033!V 20\r");
  EXPECT_EQ(requests[0].bufferSize, 80u);
  EXPECT_EQ(requests[1].command, "\033V\r");
  EXPECT_EQ(requests[1].bufferSize, 80u);
  EXPECT_EQ(ui::State().link.sheetPrinter, printer_);
  EXPECT_EQ(host::Utf8(ui::State().link.printerName), test::kPrinter);
  EXPECT_NE(ui::State().link.printerInfo, nullptr);
}

TEST_F(DeviceSheetTest, RkbFirmwareSetsTheModelOfTheSheetsCopyAndTheCache) {
  StoreDevmode(test::MarkedPrivate(2, 9));  // printerModel 0
  Answers("0", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  EXPECT_EQ(sheet_->Item(0).selectedText(), "Q47x RKB 2.1");
  EXPECT_EQ(Edited().printerModel, 5);
  EXPECT_EQ(ui::State().cache.printerModel, 5);
  EXPECT_EQ(test::PrivateOf(Stored()).printerModel, 0) << "the stored DEVMODE keeps its model";
  EXPECT_STREQ(ui::State().firmwareVersion, "Q47x RKB 2.1");
  EXPECT_EQ(Edited().encoder.hasEncoder, 0);
  EXPECT_FALSE(sheet_->Item(1).enabled) << "no encoder";
  EXPECT_TRUE(sheet_->Item(3).enabled) << "the printer answered";
}

TEST_F(DeviceSheetTest, SilentPrinter) {
  std::strcpy(ui::State().firmwareVersion, "an earlier printer");
  Answers(std::nullopt, std::nullopt, std::nullopt);
  OpenDevice();
  EXPECT_EQ(sheet_->Item(0).selectedText(), "Tolma Q47x Card Printer");
  EXPECT_FALSE(sheet_->Item(3).enabled);
  EXPECT_FALSE(sheet_->Item(1).enabled);
  EXPECT_EQ(Edited().encoder.hasEncoder, 0);
  EXPECT_STREQ(ui::State().firmwareVersion, "") << "no firmware text from this printer";
  for (int item : {2, 4, 5, 6}) EXPECT_TRUE(sheet_->Item(item).enabled) << item;
}

TEST_F(DeviceSheetTest, FixedRibbonAsksNothing) {
  PrivateDevmode pd = test::MarkedPrivate(2, 9);
  pd.fixedRibbon = 5;
  StoreDevmode(pd);
  Answers("0", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  EXPECT_TRUE(host::MonitorRequests().empty());
  EXPECT_EQ(sheet_->Item(0).selectedText(), "Tolma Q47x Card Printer");
  EXPECT_TRUE(sheet_->Item(1).enabled);
  EXPECT_TRUE(sheet_->Item(3).enabled);
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  EXPECT_EQ(ui::State().cache.encoder.hasEncoder, 1);
}

TEST_F(DeviceSheetTest, LongFirmwareTextIsShownCut) {
  const std::string text(79, 'R');
  Answers("1", std::nullopt, text);
  OpenDevice();
  EXPECT_EQ(sheet_->Item(0).selectedText(), std::string(63, 'R'));
  EXPECT_EQ(std::string(ui::State().firmwareVersion), text);
}

TEST_F(DeviceSheetTest, ApplyStoresExactlyTheEncoderBlockAgainAndAgain) {
  StoreDevmode(test::MarkedPrivate(2, 9));
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  EXPECT_EQ(ui::SheetEncoderCopy().hasEncoder, test::MarkedPrivate(2, 9).encoder.hasEncoder)
      << "the working copy is the stored block, taken before the question";
  // The encoder dialog's changes to the working copy.
  EncoderSettings& copy = ui::SheetEncoderCopy();
  copy.macroProcessing = 0;
  std::strcpy(copy.startOfData, "AB");
  copy.trackSettings[2].density = 0;
  const std::vector<uint8_t> before = Stored();

  for (int apply = 1; apply <= 2; ++apply) {
    SCOPED_TRACE(apply);
    EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
    const std::vector<uint8_t> after = Stored();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::memcmp(after.data() + kEncoderAt, &copy, sizeof copy), 0);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + kEncoderAt, before.begin()));
    EXPECT_TRUE(std::equal(after.begin() + kEncoderAt + 80, after.end(), before.begin() + kEncoderAt + 80));
    EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), apply);
  }
}

TEST_F(DeviceSheetTest, ApplyWithoutThePrinterStoresNothing) {
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  ui::SheetEncoderCopy().macroProcessing = 7;
  const std::vector<uint8_t> before = Stored();
  host::SetFailure(host::FailPoint::OpenPrinter);
  EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
  host::ClearFailures();
  host::SetFailure(host::FailPoint::GetPrinter);
  EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
  host::ClearFailures();
  EXPECT_EQ(Stored(), before);
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 0);
}

TEST_F(DeviceSheetTest, UnreadablePrinterInformation) {
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  host::SetFailure(host::FailPoint::GetPrinter);
  OpenDevice();
  host::ClearFailures();
  ASSERT_EQ(sheet_->initResult(), 1);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"System Error"}));
  EXPECT_EQ(sheet_->Page().userData, 0u);
  EXPECT_EQ(ui::State().link.printerInfo, nullptr);
  EXPECT_EQ(host::Utf8(ui::State().link.printerName), test::kPrinter) << "named by the header";
  EXPECT_EQ(sheet_->Item(0).selectedText(), "Q47x RKB 2.1") << "the printer still answers";
  EXPECT_EQ(Edited().headContrastO, DefaultPrivateDevmode().headContrastO) << "the driver's default settings";
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  EXPECT_TRUE(sheet_->Item(1).enabled);
  const std::vector<uint8_t> before = Stored();
  EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
  EXPECT_EQ(Stored(), before) << "a block never read is not stored";
}

TEST_F(DeviceSheetTest, ReasonsAndAbout) {
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  OpenDevice();
  EXPECT_EQ(sheet_->Choose(0, 0), -1) << "the one entry is chosen already";
  user_.Look([](const host::DialogView& about) { EXPECT_EQ(about.title, "About"); }).Click(IDOK);
  EXPECT_EQ(sheet_->About(), CPSUICB_ACTION_ITEMS_APPLIED);
  EXPECT_EQ(sheet_->SetResult(), -1);
  EXPECT_EQ(sheet_->info().Result, static_cast<ULONG_PTR>(-1));
  PROPSHEETUI_INFO info = sheet_->info();
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  EXPECT_EQ(DrvDevicePropertySheets(&info, 0), 0);
  EXPECT_EQ(sheet_->Destroy(), 1);
  EXPECT_EQ(ui::State().link.printerInfo, nullptr) << "no pointer into the freed sheet";
  EXPECT_EQ(ui::State().editedDevmode, nullptr);
  EXPECT_STREQ(ui::State().firmwareVersion, "Q47x RKB 2.1") << "the firmware text stays";
  EXPECT_EQ(DrvDevicePropertySheets(nullptr, 0), -1);
}

TEST_F(DeviceSheetTest, FailuresAtOpen) {
  Answers("1", std::nullopt, "Q47x RKB 2.1");
  host::SetFailure(host::FailPoint::HeapAlloc, 0, 1);
  OpenDevice();
  EXPECT_EQ(sheet_->initResult(), -1);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"System Error"}));
  EXPECT_EQ(sheet_->pageCount(), 0);
  sheet_.reset();

  host::SetFailure(host::FailPoint::AddPropertySheetPage);
  OpenDevice();
  EXPECT_EQ(sheet_->initResult(), -1);
  EXPECT_EQ(sheet_->info().Result, static_cast<ULONG_PTR>(-1));
  EXPECT_EQ(sheet_->info().UserData, 0u) << "freed at once";
  EXPECT_EQ(ui::State().link.printerInfo, nullptr);
}

}  // namespace
}  // namespace tolma
