// "Send File": command files line by line, PRN files piece by piece, the two-way transfer requests, and every
// failure with its message and status, driven by a scripted user against the recorded raw jobs.
#include "tests/ui/tools_test_support.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/command_file.h"
#include "ui/tools/send_file.h"

#include <gtest/gtest.h>

#include <functional>

namespace tolma::test {
namespace {

const std::string kSuccess = "Success in sending file";
const std::string kError = "Error sending file";

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The commands a command file becomes.
std::vector<std::string> Commands(const std::string& file) {
  std::vector<std::string> out;
  ui::ForEachCommandLine(Bytes(file), [&](std::span<const uint8_t> line) {
    out.emplace_back(line.begin(), line.end());
    return true;
  });
  return out;
}

TEST(CommandFile, EachLineBecomesOneCommand) {
  const std::string l126(126, 'x');
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"CR LF lines",
       "MO\r\nA\r\n",
       {"\x1bMO\r",
        "\x1b"
        "A\r"}},
      {"LF lines",
       "MO\nA\n",
       {"\x1bMO\r",
        "\x1b"
        "A\r"}},
      {"an empty line",
       "MO\n\nA\n",
       {"\x1bMO\r", "\x1b\r",
        "\x1b"
        "A\r"}},
      {"an empty CR LF line", "\r\n", {"\x1b\r"}},
      {"a last line without LF",
       "MO\nA",
       {"\x1bMO\r",
        "\x1b"
        "A\r"}},
      {"a last line ending with CR",
       "A\r",
       {"\x1b"
        "A\r\r"}},
      {"an empty file", "", {}},
      {"a CR inside a line",
       "A\rB\n",
       {"\x1b"
        "A\rB\r"}},
      {"a line of 126 characters", l126 + "\n", {"\x1b" + l126 + "\r"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Commands(c.file), c.commands) << c.name;

  int calls = 0;
  EXPECT_FALSE(ui::ForEachCommandLine(Bytes("A\nB\nC\n"), [&](std::span<const uint8_t>) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2) << "the walk stops at the first refused line";
}

TEST(CommandFile, LinesMustFitTheCommandBuffer) {
  const std::string l126(126, 'x');
  const std::string l127(127, 'x');
  struct Case {
    const char* name;
    std::string file;
    size_t overlong;
  };
  const Case cases[] = {
      {"126 characters", l126 + "\n", 0},
      {"126 characters and CR LF", l126 + "\r\n", 0},
      {"126 characters at the end", l126, 0},
      {"127 characters", l127 + "\n", 1},
      {"127 characters on line 3", "A\n\n" + l127, 3},
      {"126 characters and a CR at the end", l126 + "\r", 1},  // ESC, 126, CR, CR: 129 bytes
      {"125 characters and a CR at the end", std::string(125, 'x') + "\r", 0},
      {"an empty file", "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::FirstOverlongCommandLine(Bytes(c.file)), c.overlong) << c.name;
}

class SendFileTest : public ToolsDialogTest {
 protected:
  // Chooses a file, picks its kind and sends it; `before` runs just before the click on "Send File".
  void Send(const std::string& path, bool text, std::function<void()> before = {}) {
    user_.Click(IDC_SEND_SELECT).ChooseFile(path);
    if (text) user_.Click(IDC_SEND_TEXT);
    if (before) user_.Look([before](const host::DialogView&) { before(); });
    user_.Click(IDC_SEND_START);
  }
  INT_PTR Run() { return ui::RunSendFile(nullptr); }
  std::string Status() const { return host::LastDialog()[IDC_SEND_STATUS].text; }
  static std::vector<std::string> Writes(const host::RawJob& job) {
    std::vector<std::string> out;
    size_t at = 0;
    for (DWORD n : job.writes) {
      out.emplace_back(job.data.begin() + static_cast<ptrdiff_t>(at),
                       job.data.begin() + static_cast<ptrdiff_t>(at + n));
      at += n;
    }
    return out;
  }
};

TEST_F(SendFileTest, OpensWaitingForAFileAndSelectingOneEnablesSending) {
  const std::string path = dir_.Write("card.prn", std::string("x"));
  user_
      .Look([](const host::DialogView& d) {
        EXPECT_FALSE(d[IDC_SEND_PATH].enabled);
        EXPECT_FALSE(d[IDC_SEND_STATUS].enabled);
        EXPECT_FALSE(d[IDC_SEND_START].enabled);
        EXPECT_EQ(d[IDC_SEND_PRN].checked, BST_CHECKED);
        EXPECT_EQ(d[IDC_SEND_TEXT].checked, BST_UNCHECKED);
      })
      .Click(IDC_SEND_SELECT)
      .CancelFileDialog()
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_SEND_STATUS].text, "Status: ");
        EXPECT_FALSE(d[IDC_SEND_START].enabled);
      })
      .Click(IDC_SEND_SELECT)
      .ChooseFile(path)
      .Look([&](const host::DialogView& d) {
        SaveDialogPicture(d, "send-file-chosen");
        EXPECT_EQ(d[IDC_SEND_PATH].text, path);
        EXPECT_TRUE(d[IDC_SEND_START].enabled);
      })
      .Click(IDCANCEL);
  EXPECT_EQ(Run(), IDCANCEL);
  const auto calls = host::FileDialogCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(
      calls[0].filter,
      (std::vector<std::pair<std::string, std::string>>{{"Printer Files(*.prn);Text Files(*.txt)", "*.prn;*.txt"}}));
  EXPECT_EQ(calls[0].defaultExtension, "bin");
  EXPECT_EQ(calls[0].bufferChars, 260u);
  EXPECT_TRUE(host::RawJobs().empty());
}

TEST_F(SendFileTest, OneWayCommandFilesGoLineByLine) {
  OneWay();
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> writes;
  };
  const std::string l126(126, 'C');
  const Case cases[] = {
      {"CR LF lines",
       "MO\r\nA\r\n",
       {"\x1bMO\r",
        "\x1b"
        "A\r"}},
      {"an empty line",
       "MO\n\nA\n",
       {"\x1bMO\r", "\x1b\r",
        "\x1b"
        "A\r"}},
      {"a last line without LF",
       "MO\r\nA",
       {"\x1bMO\r",
        "\x1b"
        "A\r"}},
      {"a last line ending with CR",
       "MO\r\nA\r",
       {"\x1bMO\r",
        "\x1b"
        "A\r\r"}},
      {"an empty file", "", {}},
      {"a line of 126 characters", l126 + "\r\n", {"\x1b" + l126 + "\r"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Send(dir_.Write("commands.txt", c.file), true);
    user_.Click(IDCANCEL);
    Run();
    EXPECT_EQ(Status(), kSuccess);
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].docName, "MERIDOTLMASCMD");
    EXPECT_EQ(Writes(jobs[0]), c.writes);
    EXPECT_TRUE(jobs[0].ended);
    EXPECT_TRUE(host::MessageBoxes().empty());
    EXPECT_TRUE(host::LastDialog()[IDC_SEND_START].enabled);
  }
}

TEST_F(SendFileTest, OneWayPrnFilesGoInPiecesOf4096Bytes) {
  OneWay();
  std::string file(10000, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7 + 3);
  Send(dir_.Write("big.prn", file), false);
  user_.Click(IDCANCEL);
  Run();
  EXPECT_EQ(Status(), kSuccess);
  const auto jobs = host::RawJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].docName, "MERIDOTLMASDFILE");
  EXPECT_EQ(jobs[0].writes, (std::vector<DWORD>{4096, 4096, 1808, 0}));
  EXPECT_EQ(jobs[0].data, Bytes(file));
  EXPECT_EQ(host::PrinterHandleLog().back().access, 0u) << "opened without defaults";
}

TEST_F(SendFileTest, EveryFailureShowsItsMessageAndTheErrorStatus) {
  OneWay();
  const UINT fileError = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
  const UINT textWarning = MB_OK | MB_ICONWARNING | MB_SETFOREGROUND;
  const UINT topmost = MB_OK | MB_ICONWARNING | MB_TOPMOST;
  struct Case {
    const char* name;
    bool text;
    std::string file;  // empty: no such file
    host::FailPoint fail;
    int skip;
    std::string message;  // empty: none
    UINT type;
    std::string sent;
    bool job = true;
  };
  const std::string l127(127, 'L');
  const Case cases[] = {
      {"no PRN file", false, "", host::FailPoint::Count, 0, "Error opening bin file", fileError, ""},
      {"no text file", true, "", host::FailPoint::Count, 0, "Error opening bin file", fileError, ""},
      {"no PRN size", false, "P", host::FailPoint::GetFileSize, 0,
       "Unable to obtain file size.Cannot continue with Firmware Download", fileError, ""},
      {"no text size", true, "T\n", host::FailPoint::GetFileSize, 0,
       "Unable to obtain file size.Cannot continue with Firmware Download", fileError, ""},
      {"a PRN read fails", false, std::string(5000, 'p'), host::FailPoint::ReadFile, 1, "Error reading from file",
       fileError, std::string(4096, 'p')},
      {"a text read fails", true, "MO\n", host::FailPoint::ReadFile, 0, "Error reading from file.", textWarning, ""},
      {"no memory for the text", true, "MO\n", host::FailPoint::HeapAlloc, 0, "Error allocating memory.", topmost, ""},
      {"a command write fails", true, "MO\nA\nB\n", host::FailPoint::WritePrinter, 1, "Error writing to printer.",
       topmost, "\x1bMO\r"},
      {"a PRN write fails", false, std::string(5000, 'q'), host::FailPoint::WritePrinter, 1,
       "Error writing to printer.", topmost, std::string(4096, 'q')},
      {"a line of 127 characters", true, "MO\n" + l127 + "\nA\n", host::FailPoint::Count, 0,
       "A line of the file is longer than 126 characters. The file was not sent.", textWarning, ""},
      {"a printer that cannot be opened", true, "MO\n", host::FailPoint::OpenPrinter, 0, "", 0, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    const std::string path = c.file.empty() ? dir_.str() + "/missing.txt" : dir_.Write("file.bin", c.file);
    Send(path, c.text, [&] {
      if (c.fail != host::FailPoint::Count) host::SetFailure(c.fail, c.skip, 1);
    });
    if (!c.message.empty()) user_.AnswerMessageBox(IDOK);
    user_.Click(IDCANCEL);
    Run();
    EXPECT_EQ(Status(), kError);
    const auto boxes = host::MessageBoxes();
    if (c.message.empty()) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.message);
      EXPECT_EQ(boxes[0].caption, "Tolma Q47x Card Printer");
      EXPECT_EQ(boxes[0].type, c.type);
    }
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), c.job ? 1u : 0u);
    if (c.job) {
      EXPECT_EQ(std::string(jobs[0].data.begin(), jobs[0].data.end()), c.sent) << "what went before the failure";
      EXPECT_TRUE(jobs[0].ended) << "the job is still ended";
    }
  }
}

TEST_F(SendFileTest, TwoWayTransfersAreHandedToTheReplyMonitor) {
  struct Case {
    bool text;
    const char* kind;
  };
  for (const Case c : {Case{false, "sendfile"}, Case{true, "sendcmds"}}) {
    SCOPED_TRACE(c.kind);
    Fresh();
    const std::string path = dir_.Write(c.text ? "c.txt" : "c.prn", std::string("MO\r\n"));
    Send(path, c.text);
    Send(dir_.str() + "/missing.prn", c.text);
    user_.Click(IDCANCEL);
    Run();
    const auto requests = host::MonitorRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, std::string(c.kind) + ":" + path);
    EXPECT_EQ(requests[0].bufferSize, 128u);
    const auto transfers = host::MonitorTransfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].kind, c.kind);
    EXPECT_EQ(transfers[0].bytes, Bytes("MO\r\n"));
    EXPECT_EQ(Status(), kError) << "the missing file's transfer fails";
    EXPECT_TRUE(host::RawJobs().empty());
    EXPECT_TRUE(host::MessageBoxes().empty());
  }
  // The first transfer's success, seen before the second.
  Fresh();
  Send(dir_.Write("ok.prn", std::string("P")), false);
  user_.Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_SEND_STATUS].text, kSuccess); }).Click(IDCANCEL);
  Run();
}

TEST_F(SendFileTest, ASinglePathIsTakenInTheSystemCodePage) {
  const std::string path = dir_.Write("caf\xc3\xa9.prn", std::string("P"));  // "café" in UTF-8 on the host
  Send(path, false);
  user_.Click(IDCANCEL);
  Run();
  const auto requests = host::MonitorRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].command, "sendfile:" + dir_.str() + "/caf\xe9.prn") << "one byte for the e acute";
}

}  // namespace
}  // namespace tolma::test
