// Tests of the printer link: reply-value names, the positive-answer rule, reads and deletions, raw jobs.
#include "tests/ui/ui_test_support.h"
#include "ui/tools/printer_link.h"

#include <gtest/gtest.h>

#include <string>

namespace tolma {
namespace {

using ui::LinkContext;
using ui::ReplyRead;

std::vector<uint8_t> V(std::initializer_list<int> bytes) {
  std::vector<uint8_t> v;
  for (int b : bytes) v.push_back(static_cast<uint8_t>(b));
  return v;
}

std::vector<uint8_t> V(const std::string& s) { return {s.begin(), s.end()}; }

// --- Pure rules ---

TEST(ReplyValueName, CommandBytesThenAWholeZeroUnit) {
  struct Case {
    std::string command;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"\x1b!V 1\r", V({0x1B, 0x21, 0x56, 0x20, 0x31, 0x0D, 0, 0})},
      {"\x1bSLAVE\r", V({0x1B, 0x53, 0x4C, 0x41, 0x56, 0x45, 0x0D, 0, 0, 0})},  // odd length
      {"", V({0, 0})},
      {std::string("\x1bV\0tail", 7), V({0x1B, 0x56, 0, 0})},  // ends at the first zero byte
  };
  for (const Case& c : cases) {
    ui::ReplyValueName name(c.command);
    const auto bytes = name.bytes();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), c.bytes);
  }
}

TEST(ReplyValueName, CommandTextFormIsOneUnitPerByte) {
  EXPECT_EQ(ui::CommandTextName("\x1b!V 1\r"), WString({0x1B, u'!', u'V', u' ', u'1', 0x0D}));
}

TEST(PositiveReply, LastReportedByteMustBeAck) {
  struct Case {
    std::vector<uint8_t> buffer;
    size_t length;
    bool positive;
    std::string text;
  };
  const Case cases[] = {
      // clang-format off
      {V({0x06}), 1, true, ""},
      {V("12\x06"), 3, true, "12"},
      {V("12\x06zz"), 3, true, "12"},
      {V("ERR"), 3, false, ""},
      {V("12\x06"), 2, false, ""},
      {V("12\x06"), 0, false, ""},
      {V("12\x06"), 4, false, ""},  // a length beyond the buffer is never read
  };
  // clang-format on
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer = c.buffer;
    EXPECT_EQ(ui::IsPositiveReply(buffer, c.length), c.positive);
    std::string_view text;
    EXPECT_EQ(ui::TakePositiveReply(buffer, c.length, text), c.positive);
    if (c.positive) {
      EXPECT_EQ(text, c.text);
      EXPECT_EQ(buffer[c.length - 1], 0) << "the ACK becomes a zero byte";
    } else {
      EXPECT_EQ(buffer, c.buffer);
    }
  }
}

TEST(LinkMode, FixedRibbonMeansOneWay) {
  LinkContext link{};
  EXPECT_EQ(ui::ModeOf(link), ui::LinkMode::TwoWay);
  PrivateDevmode pd{};
  link.currentPrivate = &pd;
  EXPECT_EQ(ui::ModeOf(link), ui::LinkMode::TwoWay);
  pd.fixedRibbon = 4;
  EXPECT_EQ(ui::ModeOf(link), ui::LinkMode::OneWay);
}

// --- Reads through the spooler ---

class PrinterLinkTest : public test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    sheet_ = OpenTestPrinter();
    link_.sheetPrinter = sheet_;
  }
  void TearDown() override {
    ClosePrinter(sheet_);
    UiTest::TearDown();
  }
  void NamePrinter() { CopyToField(link_.printerName, ui::kPrinterNameChars, Name()); }
  static WString RawName(const std::string& command) {
    ui::ReplyValueName name(command);
    return WString(name.get());
  }
  std::vector<WString> Values() { return host::DriverDataValueNames(test::kPrinter); }

  LinkContext link_{};
  HANDLE sheet_ = nullptr;
  uint8_t buffer_[32] = {};
};

TEST_F(PrinterLinkTest, QueryPrinterReadsOnANamedPrinterAndDeletesTheReply) {
  NamePrinter();
  host::SetPrinterReply(test::kPrinter, "\x1bV\r", "RKB 1.2\x06");
  const ReplyRead read = ui::QueryPrinter(link_, "\x1bV\r", buffer_);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.length, 8u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_), 8), "RKB 1.2\x06");
  EXPECT_TRUE(Values().empty());
  const auto requests = host::MonitorRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].command, "\x1bV\r");
  EXPECT_EQ(requests[0].bufferSize, 32u);
  const auto handles = host::PrinterHandleLog();
  ASSERT_EQ(handles.size(), 2u) << "the sheet's handle and one of its own";
  EXPECT_EQ(handles[1].access, DWORD{PRINTER_ALL_ACCESS});
}

TEST_F(PrinterLinkTest, QueryPrinterFallsBackToTheSheetHandle) {
  WString other = WideFromAscii("Gone Printer");
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "name that cannot be opened" : "empty name");
    CopyToField(link_.printerName, ui::kPrinterNameChars, named ? other : WString());
    host::SetPrinterReply(test::kPrinter, "\x1b!NL\r", "5\x06");
    const size_t handlesBefore = host::PrinterHandleLog().size();
    EXPECT_TRUE(ui::QueryPrinter(link_, "\x1b!NL\r", buffer_).ok);
    EXPECT_TRUE(Values().empty()) << "deleted on the sheet's handle";
    EXPECT_EQ(host::PrinterHandleLog().size(), handlesBefore) << "no handle of its own";
  }
}

TEST_F(PrinterLinkTest, FailedReadsReportNothingAndAreNotDeletedByQueryPrinter) {
  NamePrinter();
  host::SetDriverDataValue(test::kPrinter, WideFromAscii("other"), V("x"));
  buffer_[0] = 0x55;
  // Unanswered, then an answer longer than the buffer.
  ReplyRead read = ui::QueryPrinter(link_, "\x1b!V 15\r", buffer_);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.length, 0u);
  EXPECT_EQ(buffer_[0], 0) << "the first byte is cleared before the read";
  host::SetPrinterReply(test::kPrinter, "\x1b!V 15\r", std::string(40, 'x') + "\x06");
  read = ui::QueryPrinter(link_, "\x1b!V 15\r", buffer_);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.length, 0u) << "never a length past the buffer";
  EXPECT_EQ(host::CallCount(host::FailPoint::RegDeleteValue), 0);
}

TEST_F(PrinterLinkTest, QuerySheetPrinterDeletesAfterEveryRead) {
  host::SetPrinterReply(test::kPrinter, "\x1b!RIBBON\r", "2\x06");
  EXPECT_TRUE(ui::QuerySheetPrinter(link_, "\x1b!RIBBON\r", buffer_).ok);
  EXPECT_FALSE(ui::QuerySheetPrinter(link_, "\x1b!V 20\r", buffer_).ok);
  EXPECT_EQ(host::CallCount(host::FailPoint::RegDeleteValue), 2);
  EXPECT_TRUE(Values().empty());
  EXPECT_EQ(host::PrinterHandleLog().size(), 1u) << "only the sheet's handle";
}

// A reply left under the driver data answers later reads until it is removed; removal lets the next read
// reach the printer.
TEST_F(PrinterLinkTest, RemovedReplyLetsTheNextReadReachThePrinter) {
  host::SetPrinterReply(test::kPrinter, "\x1bSLAVE\r", "OK\x06");
  ReplyRead read = ui::ReadReplyValue(sheet_, "\x1bSLAVE\r", buffer_);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(Values(), std::vector<WString>{RawName("\x1bSLAVE\r")});
  host::SetPrinterReply(test::kPrinter, "\x1bSLAVE\r", "NEW\x06");
  read = ui::ReadReplyValue(sheet_, "\x1bSLAVE\r", buffer_);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_), read.length), "OK\x06") << "the stale reply";
  EXPECT_EQ(host::MonitorRequests().size(), 1u);

  ui::ReplyValueName name("\x1bSLAVE\r");
  ui::DeleteReplyValue(sheet_, name.get());
  read = ui::ReadReplyValue(sheet_, "\x1bSLAVE\r", buffer_);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_), read.length), "NEW\x06");
  EXPECT_EQ(host::MonitorRequests().size(), 2u);
  EXPECT_EQ(host::MonitorRequests()[1].command, "\x1bSLAVE\r") << "odd length, still ends at the zero byte";
}

// The two name forms: each deletion removes the value stored under that form only.
TEST_F(PrinterLinkTest, DeletionNameForms) {
  struct Case {
    host::ReplyStorage storage;
    bool rawFormRemoves, textFormRemoves;
  };
  for (const Case c :
       {Case{host::ReplyStorage::SameName, true, false}, Case{host::ReplyStorage::CommandText, false, true}}) {
    for (const bool useTextForm : {false, true}) {
      host::SetReplyStorage(c.storage);
      host::SetPrinterReply(test::kPrinter, "\x1b&L1\r", "TRACK\x06");
      ASSERT_TRUE(ui::ReadReplyValue(sheet_, "\x1b&L1\r", buffer_).ok);
      ASSERT_EQ(Values().size(), 1u);
      const WString text = ui::CommandTextName("\x1b&L1\r");
      ui::ReplyValueName raw("\x1b&L1\r");
      ui::DeleteReplyValue(sheet_, useTextForm ? text.c_str() : raw.get());
      const bool removed = useTextForm ? c.textFormRemoves : c.rawFormRemoves;
      EXPECT_EQ(Values().empty(), removed);
      // Clean up whatever remains.
      ui::DeleteReplyValue(sheet_, text.c_str());
      ui::DeleteReplyValue(sheet_, raw.get());
      ASSERT_TRUE(Values().empty());
    }
  }
}

TEST_F(PrinterLinkTest, DeletionFailuresAreIgnoredAndLeakNothing) {
  ui::ReplyValueName name("\x1b!V 1\r");
  for (const host::FailPoint point : {host::FailPoint::GetPrinter, host::FailPoint::HeapAlloc,
                                      host::FailPoint::RegOpenKey, host::FailPoint::RegDeleteValue}) {
    host::ClearFailures();
    host::SetDriverDataValue(test::kPrinter, WString(name.get()), V("1\x06"));
    host::SetFailure(point);
    ui::DeleteReplyValue(sheet_, name.get());
    host::ClearFailures();
    EXPECT_EQ(Values().size(), 1u);
    EXPECT_EQ(host::OpenRegistryKeyCount(), 0);
  }
  // The registry keys opened one after the other: each failing step closes what is open.
  for (int skip : {1, 2}) {
    host::SetFailure(host::FailPoint::RegOpenKey, skip, 1);
    ui::DeleteReplyValue(sheet_, name.get());
    host::ClearFailures();
    EXPECT_EQ(Values().size(), 1u);
    EXPECT_EQ(host::OpenRegistryKeyCount(), 0);
  }
  ui::DeleteReplyValue(sheet_, name.get());
  EXPECT_TRUE(Values().empty());
}

TEST_F(PrinterLinkTest, TransferRequestsAreReadsLikeAnyOther) {
  NamePrinter();
  const std::string file = dir_.Write("fw.bin", std::string("FIRMWARE"));
  const ReplyRead read = ui::QueryPrinter(link_, "download:" + file, buffer_);
  EXPECT_TRUE(read.ok);
  const auto transfers = host::MonitorTransfers();
  ASSERT_EQ(transfers.size(), 1u);
  EXPECT_EQ(transfers[0].kind, "download");
  EXPECT_EQ(transfers[0].bytes, V("FIRMWARE"));
  EXPECT_FALSE(ui::QueryPrinter(link_, "sendfile:" + dir_.str() + "/missing.prn", buffer_).ok);
}

// --- Raw jobs ---

class RawJobTest : public test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    name_ = Name();
    info_.pPrinterName = name_.data();
    link_.printerInfo = &info_;
  }
  WString name_;
  PRINTER_INFO_2W info_{};
  LinkContext link_{};
};

TEST_F(RawJobTest, OneRawDocumentWithOnePageAndTheWritesInOrder) {
  const std::string_view writes[] = {"\x1b+C 3\r", "\x1b+CV 2\r"};
  EXPECT_TRUE(ui::SendRawJob(link_, ui::kJobEncoder, writes));
  const auto jobs = host::RawJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].printer, test::kPrinter);
  EXPECT_EQ(jobs[0].docName, "MERIDOENCODER");
  EXPECT_EQ(jobs[0].datatype, "RAW");
  EXPECT_EQ(jobs[0].outputFile, "");
  EXPECT_EQ(jobs[0].data, V("\x1b+C 3\r\x1b+CV 2\r"));
  EXPECT_EQ(jobs[0].writes, (std::vector<DWORD>{6, 7}));
  EXPECT_EQ(jobs[0].pagesStarted, 1);
  EXPECT_EQ(jobs[0].pagesEnded, 1);
  EXPECT_TRUE(jobs[0].ended);
  const auto handles = host::PrinterHandleLog();
  ASSERT_EQ(handles.size(), 1u);
  EXPECT_EQ(handles[0].access, 0u) << "opened without defaults";
}

TEST_F(RawJobTest, JobNames) {
  const std::pair<const WCHAR*, const char*> names[] = {
      {ui::kJobTools, "MERIDOTOOL"},           {ui::kJobEncoder, "MERIDOENCODER"},
      {ui::kJobSingleFeed, "MERIDOATM"},       {ui::kJobFirmware, "MERIDOTLMAFWDW"},
      {ui::kJobCommandFile, "MERIDOTLMASCMD"}, {ui::kJobPrintFile, "MERIDOTLMASDFILE"},
      {ui::kJobHologram, "MERIDOHOLOGRAM"},
  };
  for (const auto& [job, text] : names) {
    const std::string_view writes[] = {"x"};
    ui::SendRawJob(link_, job, writes);
    EXPECT_EQ(host::RawJobs().back().docName, text);
  }
}

TEST_F(RawJobTest, ToolsJobAsksForAllAccess) {
  const std::string_view writes[] = {"\x1bMO\r"};
  ui::SendRawJob(link_, ui::kJobTools, writes, {.allAccess = true});
  EXPECT_EQ(host::PrinterHandleLog().at(0).access, DWORD{PRINTER_ALL_ACCESS});
}

TEST_F(RawJobTest, PartialWritesAreContinued) {
  host::SetWriteChunk(3);
  ui::RawJob job(link_, ui::kJobFirmware);
  EXPECT_TRUE(job.Write(std::string_view("ABCDEFGH")));
  job.Finish();
  EXPECT_EQ(host::RawJobs().at(0).data, V("ABCDEFGH"));
}

TEST_F(RawJobTest, NothingIsSentWithoutAPrinter) {
  const std::string_view writes[] = {"x"};
  LinkContext noInfo{};
  EXPECT_FALSE(ui::SendRawJob(noInfo, ui::kJobTools, writes));
  WString other = WideFromAscii("Gone Printer");
  info_.pPrinterName = other.data();
  EXPECT_FALSE(ui::SendRawJob(link_, ui::kJobTools, writes));
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(host::CallCount(host::FailPoint::WritePrinter), 0);
}

// A failing StartDocPrinterW stops the senders that check it (nothing written, printer closed); the others
// carry on and their writes reach no document.
TEST_F(RawJobTest, StartDocFailure) {
  const std::string_view writes[] = {"\x1b!ATM 1\r"};
  for (const bool stop : {true, false}) {
    SCOPED_TRACE(stop ? "checking sender" : "other sender");
    host::Reset();
    AddTestPrinter(test::BuiltDataFile(), {});
    host::SetFailure(host::FailPoint::StartDocPrinter);
    EXPECT_EQ(ui::SendRawJob(link_, ui::kJobSingleFeed, writes, {.stopIfStartDocFails = stop}), !stop);
    EXPECT_TRUE(host::RawJobs().empty());
    EXPECT_EQ(host::CallCount(host::FailPoint::WritePrinter), stop ? 0 : 1);
    EXPECT_EQ(host::OpenPrinterHandleCount(), 0);
  }
}

// Every later spooler step may fail: the job still ends what it can and closes the printer.
TEST_F(RawJobTest, LaterStepFailures) {
  const std::string_view writes[] = {"AB", "CD"};
  struct Case {
    host::FailPoint point;
    bool sent;
    std::vector<uint8_t> data;
    bool ended;
  };
  const Case cases[] = {
      {host::FailPoint::StartPagePrinter, true, V("ABCD"), true},
      {host::FailPoint::WritePrinter, false, V("CD"), true},
      {host::FailPoint::EndPagePrinter, true, V("ABCD"), true},
      {host::FailPoint::EndDocPrinter, true, V("ABCD"), false},
  };
  for (const Case& c : cases) {
    host::Reset();
    AddTestPrinter(test::BuiltDataFile(), {});
    host::SetFailure(c.point, 0, 1);
    EXPECT_EQ(ui::SendRawJob(link_, ui::kJobCommandFile, writes), c.sent);
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].data, c.data);
    EXPECT_EQ(jobs[0].ended, c.ended);
    EXPECT_EQ(host::OpenPrinterHandleCount(), 0);
  }
}

}  // namespace
}  // namespace tolma
