// Tests of DomaUI's DLL entry, message box and exported entry points (capabilities have their own file).
#include "tests/ui/ui_test_support.h"
#include "ui/messages.h"

#include <gtest/gtest.h>

namespace tolma {
namespace {

using test::AsDevmode;
using test::MakeDevmode;
using test::MarkedPrivate;
using test::PrivateOf;

const std::string kEncoderQuery = "\x1b!V 20\r";
const std::string kRibbonQuery = "\x1b!RIBBON\r";

class EntryTest : public test::UiTest {};

// --- DLL entry and process state ---

TEST_F(EntryTest, AttachPinsTheModuleAndClearsTheProcessState) {
  EXPECT_EQ(host::ModuleReferences(module_), 1) << "the DLL loads its own file once";
  ui::ProcessState& s = ui::State();
  EXPECT_EQ(s.module, reinterpret_cast<HMODULE>(module_));

  s.link.printerName[0] = u'X';
  s.cache = DefaultPrivateDevmode();
  s.encoderCopies[2].hasEncoder = 1;
  s.firmwareVersion[0] = 'R';
  ASSERT_TRUE(DllMain(reinterpret_cast<HINSTANCE>(module_), DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(s.link.printerName[0], 0);
  EXPECT_FALSE(ui::CacheValid(s.cache));
  EXPECT_EQ(s.encoderCopies[2].hasEncoder, 0);
  EXPECT_EQ(s.firmwareVersion[0], 0);
}

TEST_F(EntryTest, EveryReasonReturnsTrueAndOnlyAttachPins) {
  for (DWORD reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_PROCESS_DETACH})
    EXPECT_TRUE(DllMain(reinterpret_cast<HINSTANCE>(module_), reason, nullptr));
  EXPECT_EQ(host::ModuleReferences(module_), 1);
}

TEST_F(EntryTest, AttachWithoutAFileNameStillSucceeds) {
  int unknown = 0;
  EXPECT_TRUE(DllMain(reinterpret_cast<HINSTANCE>(&unknown), DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(host::ModuleReferences(module_), 1);
}

// --- Message box ---

TEST_F(EntryTest, ShowStringMessageLoadsCaptionAndTextAndReturnsTheButton) {
  HWND active = reinterpret_cast<HWND>(0x4711);
  host::SetActiveWindowHandle(active);
  host::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(ui::ShowStringMessage(2009, 2019, MB_YESNO | MB_ICONEXCLAMATION), IDNO);
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, active);
  EXPECT_EQ(boxes[0].caption, "Tolma Q47x Card Printer");
  EXPECT_EQ(boxes[0].text, "System Error");
  EXPECT_EQ(boxes[0].type, UINT{MB_YESNO | MB_ICONEXCLAMATION});
}

TEST_F(EntryTest, ShowStringMessageCutsTheCaptionTo31Characters) {
  ui::ShowStringMessage(2063, 2009, MB_OK);
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, std::string("Warning/Confirmation: You are about to change").substr(0, 31));
}

// --- Entry points without state ---

TEST_F(EntryTest, PrintQueriesAcceptEveryJob) {
  DWORD resource = 77;
  EXPECT_TRUE(DevQueryPrint(nullptr, nullptr, &resource));
  EXPECT_EQ(resource, 0u);
  EXPECT_TRUE(DevQueryPrint(nullptr, nullptr, nullptr));
  DEVQUERYPRINT_INFO info{};
  EXPECT_TRUE(DevQueryPrintEx(&info));
  EXPECT_TRUE(DrvUpgradePrinter(1, nullptr));
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(EntryTest, AdvancedPropertiesAndPrinterPropertiesOnlyShowAMessage) {
  HWND window = reinterpret_cast<HWND>(0x99);
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(DrvAdvancedDocumentProperties(window, nullptr, nullptr, AsDevmode(out), nullptr), 2224);
  EXPECT_TRUE(PrinterProperties(window, nullptr));
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(boxes[0].text, "Sets private members of DEVMODE");
  EXPECT_EQ(boxes[0].caption, "DrvAdvancedDocumentProperties");
  EXPECT_EQ(boxes[1].text, "Set printer properties");
  EXPECT_EQ(boxes[1].caption, "PrinterProperties");
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
}

// --- DrvDocumentProperties ---

class DocumentPropertiesTest : public test::UiTest {
 protected:
  LONG Call(std::vector<uint8_t>* out, std::vector<uint8_t>* in, DWORD mode, HWND window = nullptr) {
    HANDLE h = OpenTestPrinter();
    const LONG result =
        DrvDocumentProperties(window, h, nullptr, out ? AsDevmode(*out) : nullptr, in ? AsDevmode(*in) : nullptr, mode);
    ClosePrinter(h);
    return result;
  }
  std::vector<uint8_t> Stored() { return host::StoredDevmode(test::kPrinter); }
};

TEST_F(DocumentPropertiesTest, ModeZeroGivesTheWholeSize) {
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(&out, nullptr, 0), 2436);
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
}

TEST_F(DocumentPropertiesTest, PromptOnlyShowsOneMessageAndWritesNothing) {
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(&out, nullptr, DM_IN_PROMPT, reinterpret_cast<HWND>(5)), IDOK);
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Setting public members of DEVMODE");
  EXPECT_EQ(boxes[0].caption, "DrvDocumentProperties");
  EXPECT_EQ(boxes[0].owner, reinterpret_cast<HWND>(5));
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
  EXPECT_FALSE(ui::CacheValid(ui::State().cache));
}

TEST_F(DocumentPropertiesTest, WithoutAnOutputNothingIsRead) {
  EXPECT_EQ(Call(nullptr, nullptr, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(host::CallCount(host::FailPoint::GetPrinter), 0);
}

TEST_F(DocumentPropertiesTest, EmptyCacheGivesThePrintersDevmodeAndFillsTheCache) {
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(&out, nullptr, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(out, Stored());
  EXPECT_EQ(std::memcmp(&ui::State().cache, out.data() + kPublicDevmodeSize, kPrivateDevmodeSize), 0);
}

TEST_F(DocumentPropertiesTest, ValidCacheIsLaidUnderTheInputsPublicPart) {
  const PrivateDevmode delivered = MarkedPrivate(6, 4);  // what a sheet handed out earlier in the process
  ui::State().cache = delivered;
  auto in = MakeDevmode(MarkedPrivate(0, 1), DMORIENT_PORTRAIT, 5);
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(&out, &in, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(std::memcmp(out.data(), in.data(), kPublicDevmodeSize), 0);
  EXPECT_EQ(std::memcmp(out.data() + kPublicDevmodeSize, &delivered, kPrivateDevmodeSize), 0);
  EXPECT_EQ(host::CallCount(host::FailPoint::GetPrinter), 0) << "the printer is not asked";
}

TEST_F(DocumentPropertiesTest, ValidCacheWithoutInputStillGivesThePrintersDevmode) {
  ui::State().cache = MarkedPrivate(6, 4);
  std::vector<uint8_t> out(kFullDevmodeSize);
  Call(&out, nullptr, DM_OUT_BUFFER | DM_IN_BUFFER);
  EXPECT_EQ(out, Stored());
  EXPECT_EQ(ui::State().cache.headContrastO, 4) << "a valid cache is not replaced";
}

// DM_IN_BUFFER takes over the input's orientation and copies, and its paper size only when it says so.
TEST_F(DocumentPropertiesTest, InBufferCopiesTheCallersPublicFields) {
  struct Case {
    DWORD fields;
    bool paperTaken;
  };
  for (const Case c : {Case{DM_ORIENTATION | DM_COPIES, false}, Case{DM_ORIENTATION | DM_PAPERSIZE, true}}) {
    ui::State().cache = PrivateDevmode{};
    auto in = MakeDevmode(MarkedPrivate(0, 1), DMORIENT_PORTRAIT, 7);
    AsDevmode(in)->dmFields = c.fields;
    AsDevmode(in)->dmPaperWidth = 111;
    AsDevmode(in)->dmPaperLength = 222;
    std::vector<uint8_t> out(kFullDevmodeSize);
    Call(&out, &in, DM_OUT_BUFFER | DM_IN_BUFFER);
    const auto* dm = AsDevmode(out);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(dm->dmCopies, 7);
    EXPECT_EQ(dm->dmPaperWidth, c.paperTaken ? 111 : 866);
    EXPECT_EQ(dm->dmPaperLength, c.paperTaken ? 222 : 541);
    EXPECT_EQ(dm->dmFields, 0x07805F03u) << "the rest is the printer's";
    EXPECT_EQ(PrivateOf(out).headContrastO, 9) << "the private part is the printer's";
  }
}

TEST_F(DocumentPropertiesTest, SameBufferForInputAndOutputKeepsTheCallersFields) {
  auto inout = MakeDevmode(MarkedPrivate(0, 1), DMORIENT_PORTRAIT, 3);
  Call(&inout, &inout, DM_OUT_BUFFER | DM_IN_BUFFER);
  EXPECT_EQ(AsDevmode(inout)->dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(AsDevmode(inout)->dmCopies, 3);
  EXPECT_EQ(PrivateOf(inout).headContrastO, 9);
}

TEST_F(DocumentPropertiesTest, FixedRibbonIsTranslatedAndTheCacheFollows) {
  PrivateDevmode stored = MarkedPrivate(13, 9);
  stored.fixedRibbon = 8;  // "KdO"
  host::SetStoredDevmode(test::kPrinter, MakeDevmode(stored));
  ui::State().cache = MarkedPrivate(6, 4);
  std::vector<uint8_t> out(kFullDevmodeSize);
  Call(&out, nullptr, DM_OUT_BUFFER);
  EXPECT_EQ(PrivateOf(out).ribbonType, 2);
  EXPECT_EQ(ui::State().cache.ribbonType, 2);
  EXPECT_EQ(ui::State().cache.headContrastO, 4) << "only the ribbon of a valid cache follows";
}

TEST_F(DocumentPropertiesTest, UnreadablePrinterLeavesTheOutputAlone) {
  host::SetFailure(host::FailPoint::GetPrinter);
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(&out, nullptr, DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
  EXPECT_FALSE(ui::CacheValid(ui::State().cache));
}

// --- DrvConvertDevMode ---

TEST_F(EntryTest, ConvertDevModeArgumentCases) {
  WString name = Name();
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  SetLastError(0);
  EXPECT_FALSE(DrvConvertDevMode(name.data(), nullptr, AsDevmode(out), nullptr, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});

  LONG size = 1;
  EXPECT_EQ(DrvConvertDevMode(name.data(), nullptr, AsDevmode(out), &size, CDM_CONVERT), 2);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));

  EXPECT_FALSE(DrvConvertDevMode(name.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(size, 2436);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
}

TEST_F(EntryTest, ConvertDevModeNeverWritesPastASmallerOutput) {
  WString name = Name();
  std::vector<uint8_t> small(1000, 0xAB);  // exactly the caller's buffer: a write past it is caught
  LONG size = static_cast<LONG>(small.size());
  EXPECT_FALSE(
      DrvConvertDevMode(name.data(), nullptr, reinterpret_cast<DEVMODEW*>(small.data()), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(size, 2436);
  EXPECT_EQ(small, std::vector<uint8_t>(1000, 0xAB));
}

TEST_F(EntryTest, ConvertDevModeWritesTheDriverDefault) {
  WString name = Name();
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  LONG size = kFullDevmodeSize;
  EXPECT_TRUE(DrvConvertDevMode(name.data(), nullptr, AsDevmode(out), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(size, 2436);
  EXPECT_EQ(out, MakeDevmode(DefaultPrivateDevmode())) << "the template and the data file";
}

// Without a readable data file the built-in image stands in (the output is never left as it was).
TEST_F(EntryTest, ConvertDevModeWithoutDataFileWritesTheBuiltInDefault) {
  host::Reset();
  AddTestPrinter(dir_.str() + "/missing.dat", {});
  WString name = Name();
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  LONG size = kFullDevmodeSize;
  EXPECT_TRUE(DrvConvertDevMode(name.data(), nullptr, AsDevmode(out), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(out, MakeDevmode(DefaultPrivateDevmode()));
}

// --- DrvPrinterEvent ---

TEST_F(EntryTest, OtherPrinterEventsSucceedWithoutOpeningAnything) {
  WString name = Name();
  for (INT event : {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_DELETE_CONNECTION, PRINTER_EVENT_DELETE, 7})
    EXPECT_TRUE(DrvPrinterEvent(name.data(), event, 0, 0));
  EXPECT_TRUE(host::PrinterHandleLog().empty());
}

TEST_F(EntryTest, InitializeChecksTheDataFile) {
  struct Case {
    const char* name;
    bool dataFile;
    bool driverInfo;
    BOOL result;
    std::vector<std::string> debug;
  };
  const Case cases[] = {
      {"data file present", true, true, TRUE, {"Get Default file name OK\r\n"}},
      {"data file missing", false, true, FALSE, {"Get Default file name OK\r\n", "Default file Open fail\r\n"}},
      {"driver information unreadable", true, false, FALSE, {"Default file Open fail\r\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host::Reset();
    AddTestPrinter(c.dataFile ? test::BuiltDataFile() : dir_.str() + "/missing.dat", {});
    if (!c.driverInfo) host::SetFailure(host::FailPoint::GetPrinterDriver);
    WString name = Name();
    EXPECT_EQ(DrvPrinterEvent(name.data(), PRINTER_EVENT_INITIALIZE, 0, 0), c.result);
    EXPECT_EQ(host::DebugOutput(), c.debug);
    const auto handles = host::PrinterHandleLog();
    ASSERT_EQ(handles.size(), 1u);
    EXPECT_EQ(handles[0].access, DWORD{PRINTER_ALL_ACCESS});
  }
}

TEST_F(EntryTest, InitializeOfAPrinterThatCannotBeOpenedSucceeds) {
  WString other = WideFromAscii("Other Printer");
  EXPECT_TRUE(DrvPrinterEvent(other.data(), PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_TRUE(host::DebugOutput().empty());
}

// --- DrvDocumentPropertySheets without sheet information ---

class HeaderCallTest : public DocumentPropertiesTest {
 protected:
  LONG Call(DWORD mode, std::vector<uint8_t>* out, std::vector<uint8_t>* in = nullptr, DWORD cbOut = 0) {
    printer_ = OpenTestPrinter();
    name_ = Name();
    header_ = DOCUMENTPROPERTYHEADER{
        sizeof(DOCUMENTPROPERTYHEADER),  0,     printer_, name_.data(), in ? AsDevmode(*in) : nullptr,
        out ? AsDevmode(*out) : nullptr, cbOut, mode};
    const LONG result = DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header_));
    ClosePrinter(printer_);
    return result;
  }
  void PrinterAnswers(const std::string& encoder, const std::string& ribbon) {
    host::SetPrinterReply(test::kPrinter, kEncoderQuery, encoder);
    host::SetPrinterReply(test::kPrinter, kRibbonQuery, ribbon);
  }

  HANDLE printer_ = nullptr;
  WString name_;
  DOCUMENTPROPERTYHEADER header_{};
};

TEST_F(HeaderCallTest, SizeQueriesAndRefusedModes) {
  EXPECT_EQ(DrvDocumentPropertySheets(nullptr, 0), -1);
  uint16_t olderHeader[2] = {4, 0};  // a header too short for this layout is not read further
  EXPECT_EQ(DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(olderHeader)), -1);

  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_EQ(Call(0, &out), 2436);
  EXPECT_EQ(header_.cbOut, 2436u);
  EXPECT_EQ(Call(DM_COPY, nullptr), 2436);
  EXPECT_EQ(Call(DM_IN_BUFFER, &out), 1);
  EXPECT_EQ(Call(DM_COPY | DM_NOPERMISSION, &out), 1);
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
  EXPECT_TRUE(host::MonitorRequests().empty());
}

TEST_F(HeaderCallTest, FirstCopyBringsEverythingInLineWithThePrinter) {
  PrinterAnswers("1\x06", "17\x06");  // encoder fitted, ribbon code 17 = "KrO" (the stored DEVMODE says "KdO")
  std::vector<uint8_t> out(kFullDevmodeSize);
  EXPECT_EQ(Call(DM_COPY, &out), 1);

  EXPECT_EQ(PrivateOf(out).ribbonType, 3);
  EXPECT_EQ(PrivateOf(out).encoder.hasEncoder, 1);
  const PrivateDevmode stored = PrivateOf(Stored());
  EXPECT_EQ(stored.ribbonType, 3);
  EXPECT_EQ(stored.encoder.hasEncoder, 1);
  EXPECT_EQ(stored.headContrastO, 9) << "nothing else of the stored DEVMODE changes";
  EXPECT_EQ(ui::State().cache.ribbonType, 3);
  EXPECT_EQ(ui::State().cache.encoder.hasEncoder, 1);
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_TRUE(host::DriverDataValueNames(test::kPrinter).empty()) << "the replies were removed";
  const auto handles = host::PrinterHandleLog();
  ASSERT_EQ(handles.size(), 2u);
  EXPECT_EQ(handles[1].access, DWORD{PRINTER_ALL_ACCESS}) << "the questions go through a handle of their own";
  EXPECT_EQ(ui::State().link.sheetPrinter, nullptr) << "the previous sheet handle is restored";
  EXPECT_EQ(host::Utf8(ui::State().link.printerName), test::kPrinter);
}

TEST_F(HeaderCallTest, NothingIsStoredUnlessTheModeIsExactlyCopy) {
  PrinterAnswers("1\x06", "17\x06");
  std::vector<uint8_t> out(kFullDevmodeSize);
  EXPECT_EQ(Call(DM_COPY | DM_UPDATE, &out), 1);
  EXPECT_EQ(host::MonitorRequests().size(), 2u) << "the printer is still asked";
  EXPECT_EQ(out, Stored());
  EXPECT_EQ(PrivateOf(Stored()).ribbonType, 2) << "the stored DEVMODE keeps its ribbon";
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 0);
}

TEST_F(HeaderCallTest, NoQuestionsOnceTheCacheIsValid) {
  ui::State().cache = MarkedPrivate(0, 4);
  PrinterAnswers("1\x06", "16\x06");
  std::vector<uint8_t> out(kFullDevmodeSize);
  auto in = MakeDevmode(MarkedPrivate(0, 1));
  EXPECT_EQ(Call(DM_COPY, &out, &in), 1);
  EXPECT_TRUE(host::MonitorRequests().empty());
  EXPECT_EQ(PrivateOf(out).headContrastO, 4);
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 0);
}

TEST_F(HeaderCallTest, SilentOrAgreeingPrinterChangesNothing) {
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "silent" : "agreeing");
    ui::State().cache = PrivateDevmode{};
    host::ClearPrinterReply(test::kPrinter, kEncoderQuery);
    host::ClearPrinterReply(test::kPrinter, kRibbonQuery);
    if (!silent) PrinterAnswers("0\x06", "16\x06");  // no encoder, "KdO": what the stored DEVMODE says
    std::vector<uint8_t> out(kFullDevmodeSize);
    EXPECT_EQ(Call(DM_COPY, &out), 1);
    EXPECT_EQ(out, Stored());
    EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 0);
  }
}

TEST_F(HeaderCallTest, FixedRibbonSetsTheEncoderWithoutAskingThePrinter) {
  PrivateDevmode stored = MarkedPrivate(13, 9);
  stored.fixedRibbon = 3;  // "YMCKO"
  host::SetStoredDevmode(test::kPrinter, MakeDevmode(stored));
  PrinterAnswers("0\x06", "16\x06");
  std::vector<uint8_t> out(kFullDevmodeSize);
  EXPECT_EQ(Call(DM_COPY, &out), 1);
  EXPECT_TRUE(host::MonitorRequests().empty());
  EXPECT_EQ(PrivateOf(out).ribbonType, 0) << "the fixed list's ribbon";
  EXPECT_EQ(PrivateOf(out).encoder.hasEncoder, 1);
  EXPECT_EQ(PrivateOf(Stored()).encoder.hasEncoder, 1);
  EXPECT_EQ(PrivateOf(Stored()).ribbonType, 13) << "the stored ribbon is not touched";
  EXPECT_EQ(ui::State().cache.encoder.hasEncoder, 1);
}

TEST_F(HeaderCallTest, DeclaredSmallerOutputIsRefused) {
  std::vector<uint8_t> small(1000, 0xAB);
  EXPECT_EQ(Call(DM_COPY, &small, nullptr, 1000), -1);
  EXPECT_EQ(header_.cbOut, 2436u);
  EXPECT_EQ(small, std::vector<uint8_t>(1000, 0xAB));
}

}  // namespace
}  // namespace tolma
