// "Firmware Download": the image check, the body copy that keeps to the announced size, the one-way job byte for
// byte, each failure with its message and status, and the two-way request, through the real dialog procedure.
#include "tests/ui/adjust_test_support.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/code_page.h"
#include "ui/tools/firmware_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tolma::test {
namespace {

// A firmware image: 8 bytes, the 6-byte model field, the check byte, then a counting pattern up to `size` bytes.
std::vector<uint8_t> Image(size_t size, const std::string& model = "xRKAyz", uint8_t checkByte = 0x3A) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  for (size_t i = 0; i < 6 && 8 + i < size; ++i) bytes[8 + i] = i < model.size() ? model[i] : 0;
  if (size > 14) bytes[14] = checkByte;
  return bytes;
}

std::vector<uint8_t> Header(uint32_t size) {
  return {0x1B,
          'D',
          'C',
          ' ',
          static_cast<uint8_t>(size >> 24),
          static_cast<uint8_t>(size >> 16),
          static_cast<uint8_t>(size >> 8),
          static_cast<uint8_t>(size)};
}

std::vector<uint8_t> Job(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> bytes = Header(static_cast<uint32_t>(file.size()));
  bytes.insert(bytes.end(), file.begin(), file.end());
  bytes.push_back(0xFF);
  bytes.push_back(0x0D);
  return bytes;
}

// --- Pure rules ---

TEST(FirmwareImage, TheModelFieldMustNameThisFamily) {
  struct Case {
    std::vector<uint8_t> head;
    bool valid;
    uint8_t checkByte;
  };
  const Case cases[] = {
      {Image(15, "xRKAyz"), true, 0x3A},  // the token between other characters
      {Image(15, "RKB..."), true, 0x3A},
      {Image(15, "...RKG"), true, 0x3A},
      {Image(64, "RKCRKD"), false, 0x3A},                   // other models' tokens
      {Image(15, "rkarkb"), false, 0x3A},                   // case counts
      {Image(15, std::string("R\0RKA.", 6)), false, 0x3A},  // the text ends at its zero byte
      {Image(15, "....RK"), false, 0x3A},                   // a token cut by the field's end
      {Image(14, "RKA..."), true, 0},                       // no check byte: zero
      {Image(11, "RKA"), true, 0},                          // a short file: only what is there counts
      {Image(10, "RKA"), false, 0},
      {{}, false, 0},
  };
  for (const Case& c : cases) {
    const ui::FirmwareImageCheck check = ui::CheckFirmwareImage(c.head);
    EXPECT_EQ(check.valid, c.valid) << std::string(c.head.begin() + std::min<size_t>(8, c.head.size()),
                                                   c.head.begin() + std::min<size_t>(14, c.head.size()));
    EXPECT_EQ(check.checkByte, c.checkByte);
  }
}

TEST(FirmwareImage, CheckSumTextIsTwoHexDigitsAndFF) {
  EXPECT_EQ(ui::CheckSumText(0x3A), "0x3AFF");
  EXPECT_EQ(ui::CheckSumText(0x00), "0x00FF");
  EXPECT_EQ(ui::CheckSumText(0xAB), "0xABFF");
}

// A file as the body copy sees it: its bytes, pieces of at most `piece` bytes a read, and a failure at a read.
struct FakeFile {
  std::vector<uint8_t> bytes;
  size_t piece = 4096;
  int failAtRead = -1;
  size_t at = 0;
  int reads = 0;
  bool Read(std::span<uint8_t> buffer, size_t& got) {
    if (reads++ == failAtRead) return false;
    got = std::min({buffer.size(), piece, bytes.size() - at});
    std::copy_n(bytes.begin() + static_cast<long>(at), got, buffer.begin());
    at += got;
    return true;
  }
};

TEST(FirmwareBody, KeepsToTheAnnouncedSize) {
  struct Case {
    const char* name;
    uint32_t announced;
    size_t fileSize;
    size_t piece;
    int failAtRead;
    int failAtWrite;
    ui::FirmwareBody result;
    std::vector<size_t> writes;
  };
  const Case cases[] = {
      {"empty", 0, 0, 4096, -1, -1, ui::FirmwareBody::Sent, {}},
      {"one whole piece", 4096, 4096, 4096, -1, -1, ui::FirmwareBody::Sent, {4096}},
      {"pieces of 4096", 10000, 10000, 4096, -1, -1, ui::FirmwareBody::Sent, {4096, 4096, 1808}},
      {"short reads", 10, 10, 3, -1, -1, ui::FirmwareBody::Sent, {3, 3, 3, 1}},
      {"the file grew: nothing past the size", 5000, 6000, 4096, -1, -1, ui::FirmwareBody::SizeChanged, {4096, 904}},
      {"the file shrank", 5000, 4000, 4096, -1, -1, ui::FirmwareBody::SizeChanged, {4000}},
      {"a read fails", 10000, 10000, 4096, 1, -1, ui::FirmwareBody::ReadFailed, {4096}},
      {"a write fails", 10000, 10000, 4096, -1, 1, ui::FirmwareBody::WriteFailed, {4096}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFile file{Image(c.fileSize), c.piece, c.failAtRead};
    std::vector<size_t> writes;
    std::vector<uint8_t> written;
    const ui::FirmwareBody result = ui::CopyFirmwareBody(
        c.announced, [&](std::span<uint8_t> b, size_t& got) { return file.Read(b, got); },
        [&](std::span<const uint8_t> bytes) {
          if (static_cast<int>(writes.size()) == c.failAtWrite) return false;
          writes.push_back(bytes.size());
          written.insert(written.end(), bytes.begin(), bytes.end());
          return true;
        });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(written,
              std::vector<uint8_t>(file.bytes.begin(), file.bytes.begin() + static_cast<long>(written.size())));
  }
}

TEST(AnsiCodePage, PathsConvertOnlyWithoutLoss) {
  std::string out;
  ASSERT_TRUE(ui::ToAnsiCodePage(TOLMA_WIDE("C:\\fw\\Jos\u00e9.bin"), out));
  EXPECT_EQ(out, "C:\\fw\\Jos\xE9.bin") << "the host's ANSI code page is Windows-1252";
  EXPECT_FALSE(ui::ToAnsiCodePage(TOLMA_WIDE("C:\\fw\\\u0416.bin"), out)) << "a letter Windows-1252 lacks";
  EXPECT_EQ(out, "");
  const WCHAR lone[] = {u'a', static_cast<WCHAR>(0xDC00), 0};
  EXPECT_FALSE(ui::ToAnsiCodePage(lone, out));
  EXPECT_EQ(out, "");
}

// --- The dialog ---

class FirmwareTest : public AdjustDialogTest {
 protected:
  void SetUp() override {
    AdjustDialogTest::SetUp();
    name_ = Name();
    info_.pPrinterName = name_.data();
    ui::State().link.printerInfo = &info_;
    CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, name_);
    private_.fixedRibbon = 3;  // one-way
    ui::State().link.currentPrivate = &private_;
  }
  void TearDown() override {
    ui::State().link.printerInfo = nullptr;
    ui::State().link.currentPrivate = nullptr;
    AdjustDialogTest::TearDown();
  }
  static INT_PTR Run() { return ui::RunFirmwareDownload(nullptr); }
  // Chooses the file and starts the download, with `between` run after the choice.
  void ChooseAndStart(
      const std::string& path, std::function<void()> between = [] {}) {
    user_.Click(IDC_FW_SELECT)
        .ChooseFile(path)
        .Look([between](const host::DialogView&) { between(); })
        .Click(IDC_FW_START)
        .Click(IDCANCEL);
  }

  WString name_;
  PRINTER_INFO_2W info_{};
  PrivateDevmode private_ = DefaultPrivateDevmode();
};

constexpr UINT kFileError = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;

TEST_F(FirmwareTest, ChoosingAFileOfThisFamilyShowsItsDetails) {
  const std::string path = dir_.Write("q47x.bin", Image(100));
  user_
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d.title, "Firmware Download");
        EXPECT_FALSE(d[IDC_FW_STATUS].enabled);
        EXPECT_EQ(d[IDC_FW_STATUS].text, "Status: ");
        EXPECT_FALSE(d[IDC_FW_PATH].enabled);
        EXPECT_FALSE(d[IDC_FW_START].enabled);
        EXPECT_EQ(d[IDC_FW_TYPE].text, "");
        EXPECT_EQ(d[IDC_FW_CHECKSUM].text, "");
      })
      .Click(IDC_FW_SELECT)
      .ChooseFile(path)
      .Click(IDCANCEL);
  EXPECT_EQ(Run(), IDCANCEL);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "firmware-download");
  EXPECT_EQ(d[IDC_FW_TYPE].text, "Printer F/W");
  EXPECT_EQ(d[IDC_FW_CHECKSUM].text, "0x3AFF");
  EXPECT_EQ(d[IDC_FW_PATH].text, path);
  EXPECT_TRUE(d[IDC_FW_PATH].enabled);
  EXPECT_TRUE(d[IDC_FW_START].enabled);
  EXPECT_FALSE(d[IDC_FW_STATUS].enabled);
  const auto calls = host::FileDialogCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].filter, (std::vector<std::pair<std::string, std::string>>{{"Binary Files(*.bin)", "*.bin"}}));
  EXPECT_EQ(calls[0].defaultExtension, "bin");
  EXPECT_EQ(calls[0].bufferChars, 260u);
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_TRUE(host::RawJobs().empty());
}

TEST_F(FirmwareTest, AFileOfAnotherFamilyIsRefusedWith2099) {
  const std::string wrong = dir_.Write("other.bin", Image(100, "RKC..."));
  user_.Click(IDC_FW_SELECT)
      .ChooseFile(wrong)
      .Click(IDC_FW_SELECT)
      .CancelFileDialog()
      .Click(IDC_FW_SELECT)
      .ChooseFile(dir_.str() + "/missing.bin")  // cannot be opened: nothing at all
      .Click(IDCANCEL);
  Run();
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Incorrect  firmware file.\nPlease select correct firmware file.");
  EXPECT_EQ(boxes[0].caption, "Tolma Q47x Card Printer");
  EXPECT_EQ(boxes[0].type, UINT{MB_OK | MB_ICONERROR});
  const host::DialogView d = host::LastDialog();
  EXPECT_FALSE(d[IDC_FW_START].enabled);
  EXPECT_FALSE(d[IDC_FW_PATH].enabled);
  EXPECT_EQ(d[IDC_FW_PATH].text, "");
  EXPECT_EQ(d[IDC_FW_CHECKSUM].text, "");
}

TEST_F(FirmwareTest, OneWayDownloadIsHeaderBodyAndTrailer) {
  const std::vector<uint8_t> file = Image(10000);
  ChooseAndStart(dir_.Write("q47x.bin", file));
  EXPECT_EQ(Run(), IDCANCEL);
  const auto jobs = host::RawJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].docName, "MERIDOTLMAFWDW");
  EXPECT_EQ(jobs[0].datatype, "RAW");
  EXPECT_TRUE(jobs[0].ended);
  EXPECT_EQ(jobs[0].data, Job(file));
  EXPECT_EQ(jobs[0].writes, (std::vector<DWORD>{8, 4096, 4096, 1808, 2}));
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d[IDC_FW_STATUS].text, "Firmware DownLoaded Successfully...");
  EXPECT_TRUE(d[IDC_FW_STATUS].enabled);
  EXPECT_TRUE(d[IDC_FW_START].enabled) << "enabled again";
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Please wait till the printer Resets and Initializes.");
  EXPECT_EQ(boxes[0].type, UINT{MB_OK});
}

// The file is read again when the download starts: an empty one (which could not pass the check) and one of
// exactly one piece.
TEST_F(FirmwareTest, TheJobForEmptyAndOnePieceFiles) {
  for (const size_t size : {size_t{0}, size_t{4096}}) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> file = Image(size);
    const std::string path = dir_.Write("fw.bin", file);
    ASSERT_TRUE(ui::SendFirmwareJob(ui::State().link, host::Wide(path).c_str()));
    const host::RawJob job = host::RawJobs().back();
    EXPECT_EQ(job.data, Job(file));
    EXPECT_EQ(job.writes, size == 0 ? (std::vector<DWORD>{8, 2}) : (std::vector<DWORD>{8, 4096, 2}));
  }
  EXPECT_EQ(host::RawJobs().size(), 2u);
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(FirmwareTest, EachFailureHasItsMessageAndTheFailureStatus) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> fail;  // after the file was chosen
    std::string message;                                // empty: no message box
    bool jobStarted;
    std::vector<uint8_t> data;
  };
  const std::vector<uint8_t> file = Image(5000);
  const std::vector<uint8_t> header = Header(5000);
  const Case cases[] = {
      {"the file cannot be opened",
       [](const std::string& p) { std::filesystem::remove(p); },
       "Error opening bin file",
       true,
       {}},
      {"its size cannot be had",
       [](const std::string&) { host::SetFailure(host::FailPoint::GetFileSize); },
       "Unable to obtain file size.Cannot continue with Firmware Download",
       true,
       {}},
      {"a read fails", [](const std::string&) { host::SetFailure(host::FailPoint::ReadFile); },
       "Error reading from file", true, header},
      {"the printer cannot be opened",
       [](const std::string&) { host::SetFailure(host::FailPoint::OpenPrinter); },
       "",
       false,
       {}},
      {"a write to the printer fails", [](const std::string&) { host::SetFailure(host::FailPoint::WritePrinter, 1); },
       "", true, header},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t jobsBefore = host::RawJobs().size();
    const size_t boxesBefore = host::MessageBoxes().size();
    const std::string path = dir_.Write("fw.bin", file);
    ChooseAndStart(path, [&] { c.fail(path); });
    EXPECT_EQ(Run(), IDCANCEL);
    host::ClearFailures();
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d[IDC_FW_STATUS].text, "Error in downloading firmware");
    EXPECT_TRUE(d[IDC_FW_START].enabled);
    const auto boxes = host::MessageBoxes();
    if (c.message.empty()) {
      EXPECT_EQ(boxes.size(), boxesBefore);
    } else {
      ASSERT_EQ(boxes.size(), boxesBefore + 1);
      EXPECT_EQ(boxes.back().text, c.message);
      EXPECT_EQ(boxes.back().type, kFileError);
    }
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), jobsBefore + (c.jobStarted ? 1 : 0));
    if (c.jobStarted) {
      EXPECT_EQ(jobs.back().data, c.data);
      EXPECT_TRUE(jobs.back().ended) << "the job is ended after a failure";
    }
    EXPECT_EQ(host::OpenPrinterHandleCount(), 1) << "only the sheet's handle";
  }
}

// A size the 32-bit header cannot announce is refused before anything is written.
TEST_F(FirmwareTest, AFileOfFourGibibytesOrMoreIsRefused) {
  const std::string path = dir_.Write("huge.bin", Image(64));
  std::filesystem::resize_file(path, (uint64_t{1} << 32) + 64);  // sparse: no disk space used
  ChooseAndStart(path);
  Run();
  ASSERT_EQ(host::MessageBoxes().size(), 1u);
  EXPECT_EQ(host::MessageBoxes()[0].text, "Unable to obtain file size.Cannot continue with Firmware Download");
  ASSERT_EQ(host::RawJobs().size(), 1u);
  EXPECT_TRUE(host::RawJobs()[0].data.empty());
  EXPECT_EQ(host::LastDialog()[IDC_FW_STATUS].text, "Error in downloading firmware");
}

TEST_F(FirmwareTest, TwoWayHandsThePathToTheReplyMonitor) {
  private_.fixedRibbon = 0;
  const std::vector<uint8_t> file = Image(3000);
  const std::string path = dir_.Write("q47x.bin", file);
  ChooseAndStart(path);
  Run();
  EXPECT_TRUE(host::RawJobs().empty());
  const auto requests = host::MonitorRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].command, "download:" + path);
  EXPECT_EQ(requests[0].bufferSize, 128u);
  const auto transfers = host::MonitorTransfers();
  ASSERT_EQ(transfers.size(), 1u);
  EXPECT_EQ(transfers[0].kind, "download");
  EXPECT_EQ(transfers[0].bytes, file);
  EXPECT_EQ(host::LastDialog()[IDC_FW_STATUS].text, "Firmware DownLoaded Successfully...");
  ASSERT_EQ(host::MessageBoxes().size(), 1u);
  EXPECT_TRUE(host::DriverDataValueNames(kPrinter).empty()) << "the reply is removed";

  // The monitor cannot transfer a file that has gone: the read fails.
  ChooseAndStart(path, [&] { std::filesystem::remove(path); });
  Run();
  EXPECT_EQ(host::LastDialog()[IDC_FW_STATUS].text, "Error in downloading firmware");
  EXPECT_EQ(host::MessageBoxes().size(), 1u);
  EXPECT_EQ(host::MonitorTransfers().size(), 1u);
}

TEST_F(FirmwareTest, CloseAndTheCloseBoxEndTheDialog) {
  for (const bool box : {false, true}) {
    if (box)
      user_.CloseBox();
    else
      user_.Click(IDCANCEL);
    EXPECT_EQ(Run(), IDCANCEL);
  }
}

}  // namespace
}  // namespace tolma::test
