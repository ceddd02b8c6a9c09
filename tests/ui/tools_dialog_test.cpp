// "Tools" driven by a scripted user against the scripted reply monitor and the recorded raw jobs: opening in both
// modes, the input checks, the command buttons with their confirmations, the track reads and the other buttons.
#include "tests/ui/tools_test_support.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/tools_dialog.h"

#include <gtest/gtest.h>

#include <functional>

namespace tolma::test {
namespace {

const std::string kSlave = "\x1bSLAVE\r";
const std::string kOffsetX = "\x1b!V 1\r";
const std::string kOffsetY = "\x1b!V 2\r";
constexpr int kTrackEdits[3] = {IDC_TOOLS_TRACK1, IDC_TOOLS_TRACK2, IDC_TOOLS_TRACK3};
constexpr int kTrackBoxes[3] = {IDC_TOOLS_USE_TRACK1, IDC_TOOLS_USE_TRACK2, IDC_TOOLS_USE_TRACK3};

class ToolsTest : public ToolsDialogTest {
 protected:
  INT_PTR Run() { return ui::RunToolsDialog(nullptr); }
  static std::vector<WString> Values() { return host::DriverDataValueNames(kPrinter); }
  // The handles the dialog opened with PRINTER_ALL_ACCESS, in order.
  static std::vector<HANDLE> AllAccessHandles() {
    std::vector<HANDLE> out;
    for (const auto& h : host::PrinterHandleLog())
      if (h.access == DWORD{PRINTER_ALL_ACCESS}) out.push_back(h.handle);
    return out;
  }
};

TEST_F(ToolsTest, OpensInTwoWayModeWithTheOffsetsTheListsAndTheEncodingControls) {
  WithEncoder();
  host::SetReplyStorage(host::ReplyStorage::CommandText);
  Reply(kSlave, "OK\x06");
  Reply(kOffsetX, "12 \x06");
  Reply(kOffsetY, "7\x06");
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 1605);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "tools-two-way");
  EXPECT_EQ(d.title, "Tools");
  EXPECT_EQ(d[IDC_TOOLS_OFFSET_X].text, "12") << "the ACK and the space before it go";
  EXPECT_EQ(d[IDC_TOOLS_OFFSET_Y].text, "7");
  EXPECT_TRUE(d[IDC_TOOLS_OFFSET_X].enabled && d[IDC_TOOLS_OFFSET_Y].enabled && d[IDC_TOOLS_SET_OFFSET].enabled);
  EXPECT_EQ(Requests(), (std::vector<std::string>{kSlave, kOffsetX, kOffsetY}));
  EXPECT_EQ(Values(), std::vector<WString>{ui::CommandTextName(kSlave)}) << "the offsets are deleted, SLAVE is not";
  EXPECT_EQ(d[IDC_TOOLS_TEST_CARD].entries,
            (std::vector<host::ListEntry>{{"Standard", 0}, {"Printer Parameters", 1}, {"Encoder Parameters", 2}}));
  EXPECT_EQ(d[IDC_TOOLS_TEST_CARD].selected, 0);
  EXPECT_EQ(d[IDC_TOOLS_CLEANING].entries, (std::vector<host::ListEntry>{{"Printer only", 0}}));
  EXPECT_EQ(d[IDC_TOOLS_CLEANING].selected, 0);
  EXPECT_EQ(d[IDC_TOOLS_STATUS].text, "");
  EXPECT_EQ(AllAccessHandles().size(), 1u);
}

TEST_F(ToolsTest, DirectEncodingControlsFollowModeAndEncoder) {
  struct Case {
    bool oneWay, encoder;
    bool boxes, encode, read;
    size_t testCards;
  };
  const Case cases[] = {
      {true, false, true, true, false, 3},
      {false, true, true, true, true, 3},
      {false, false, false, false, false, 2},
  };
  for (const Case& c : cases) {
    private_ = DefaultPrivateDevmode();
    if (c.oneWay) OneWay();
    if (c.encoder) WithEncoder();
    user_.Click(IDC_CLOSE);
    Run();
    const host::DialogView d = host::LastDialog();
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(d[kTrackEdits[i]].enabled);
      EXPECT_EQ(d[kTrackBoxes[i]].enabled, c.boxes);
      EXPECT_EQ(d[kTrackBoxes[i]].checked, BST_UNCHECKED);
    }
    EXPECT_EQ(d[IDC_TOOLS_ENCODE].enabled, c.encode);
    EXPECT_EQ(d[IDC_TOOLS_READ].enabled, c.read);
    EXPECT_EQ(d[IDC_TOOLS_TEST_CARD].entries.size(), c.testCards);
  }
}

TEST_F(ToolsTest, AnOffsetThatIsNotReadDisablesItsEditAndSetOffset) {
  Reply(kOffsetX, "12\x06");
  Reply(kOffsetY, "ERR");
  user_.Click(IDC_CLOSE);
  Run();
  host::DialogView d = host::LastDialog();
  EXPECT_EQ(d[IDC_TOOLS_OFFSET_X].text, "12");
  EXPECT_TRUE(d[IDC_TOOLS_OFFSET_X].enabled);
  EXPECT_FALSE(d[IDC_TOOLS_OFFSET_Y].enabled);
  EXPECT_FALSE(d[IDC_TOOLS_SET_OFFSET].enabled);

  // One-way mode reads nothing: the edits stay empty and "Set Offset" is enabled.
  Fresh();
  OneWay();
  user_.Click(IDC_CLOSE);
  Run();
  d = host::LastDialog();
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(d[IDC_TOOLS_OFFSET_X].text, "");
  EXPECT_TRUE(d[IDC_TOOLS_OFFSET_X].enabled && d[IDC_TOOLS_SET_OFFSET].enabled);
}

TEST_F(ToolsTest, APrinterThatCannotBeOpenedLeavesTheTemplateAsItIs) {
  LosePrinter();
  user_.Click(IDC_TOOLS_EJECT).Click(IDC_CLOSE);
  Run();
  const host::DialogView d = host::LastDialog();
  EXPECT_TRUE(d[IDC_TOOLS_TEST_CARD].entries.empty());
  EXPECT_TRUE(d[IDC_TOOLS_CLEANING].entries.empty());
  for (int id : {IDC_TOOLS_TRACK1, IDC_TOOLS_USE_TRACK1, IDC_TOOLS_READ, IDC_TOOLS_ENCODE, IDC_TOOLS_SET_OFFSET,
                 IDC_TOOLS_OFFSET_X})
    EXPECT_TRUE(d[id].enabled) << id;
  EXPECT_TRUE(Requests().empty());
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(d[IDC_TOOLS_STATUS].text, "");
}

TEST_F(ToolsTest, OffsetEditsKeepZeroToFortyEight) {
  OneWay();
  struct Case {
    const char* typed;
    const char* kept;
    size_t messages;
  };
  const Case cases[] = {{"49", "4", 1}, {"48", "48", 0}, {"491", "41", 1}, {"100", "10", 1}};
  for (const Case& c : cases) {
    Fresh();
    user_.Type(IDC_TOOLS_OFFSET_Y, c.typed).Click(IDC_CLOSE);
    Run();
    EXPECT_EQ(host::LastDialog()[IDC_TOOLS_OFFSET_Y].text, c.kept) << c.typed;
    const auto boxes = host::MessageBoxes();
    ASSERT_EQ(boxes.size(), c.messages) << c.typed;
    if (c.messages != 0) {
      EXPECT_EQ(boxes[0].text, "Offset could not be more than 48.");
      EXPECT_EQ(boxes[0].caption, "Tolma Q47x Card Printer");
      EXPECT_EQ(boxes[0].type, UINT{MB_OK});
    }
  }
}

TEST_F(ToolsTest, TrackEditsFollowTheirBoxesAndAlphabets) {
  OneWay();
  struct Case {
    int track;
    std::string typed;
    std::string kept;
    std::vector<std::string> messages;
  };
  const std::string invalid = "Invalid Character for encoding";
  const std::string tooMany = "Exceeding number of characters that could be encoded on track";
  const Case cases[] = {
      {1, "AB#D", "ABD", {invalid}},  // cut before "#", then "D" typed after it
      {1, "ab", "", {invalid, invalid}},
      {1, "JOHN DOE/MR.", "JOHN DOE/MR.", {}},
      {1, std::string(77, 'A'), std::string(76, 'A'), {tooMany}},
      {2, "1234=5a6", "1234=56", {invalid}},
      {3, std::string(105, '9'), std::string(104, '9'), {tooMany}},
  };
  for (const Case& c : cases) {
    Fresh();
    const int edit = kTrackEdits[c.track - 1];
    user_.Look([&](const host::DialogView& d) { EXPECT_FALSE(d[edit].enabled); })
        .Tick(kTrackBoxes[c.track - 1])
        .Look([&](const host::DialogView& d) { EXPECT_TRUE(d[edit].enabled); })
        .Type(edit, c.typed)
        .Look([&](const host::DialogView& d) { EXPECT_EQ(d[edit].text, c.kept) << c.typed; })
        .Untick(kTrackBoxes[c.track - 1])
        .Look([&](const host::DialogView& d) { EXPECT_FALSE(d[edit].enabled); })
        .Click(IDC_CLOSE);
    Run();
    EXPECT_EQ(Messages(), c.messages) << c.typed;
  }
}

// One case of a command button: what the user does, the bytes that go out, and the status the reply gives.
struct ButtonCase {
  const char* name;
  std::function<void(host::ScriptedUser&)> act;
  std::string bytes;
  std::string reply;  // empty: unanswered
  std::string status;
  std::vector<std::string> messages;
};

std::vector<ButtonCase> ButtonCases() {
  const std::string offsets =
      "Warning/Confirmation: You are about to change your printer offsets. Do you want to continue?";
  const std::string cleaning =
      "Please remove the ribbon from printer.\nClose the head of printer.\nPress clear button on printer.\nThen press "
      "YES.";
  const std::string card = "Please put appropriate card in feeder.";
  return {
      {"execute, positive",
       [](auto& u) { u.Type(IDC_TOOLS_COMMAND, "V").Click(IDC_TOOLS_EXECUTE); },
       "\x1bV\r",
       "OK\x06",
       "OK<ACK>",
       {}},
      {"execute, refused",
       [](auto& u) { u.Type(IDC_TOOLS_COMMAND, "ZZ 1").PressEnter(); },
       "\x1bZZ 1\r",
       "ERR",
       "ERR",
       {}},
      {"execute, unanswered",
       [](auto& u) { u.Type(IDC_TOOLS_COMMAND, "Q").Click(IDC_TOOLS_EXECUTE); },
       "\x1bQ\r",
       "",
       "Printer has no response",
       {}},
      {"eject", [](auto& u) { u.Click(IDC_TOOLS_EJECT); }, "\x1bMO\r", "\x06", "<ACK>", {}},
      {"standard test card",
       [](auto& u) { u.Click(IDC_TOOLS_PRINT); },
       "\x1b"
       "A\r",
       "\x06",
       "<ACK>",
       {}},
      {"printer parameters card",
       [](auto& u) { u.Select(IDC_TOOLS_TEST_CARD, "Printer Parameters").Click(IDC_TOOLS_PRINT); },
       "\x1b"
       "A 1\r",
       "\x06",
       "<ACK>",
       {}},
      {"cleaning",
       [](auto& u) { u.Click(IDC_TOOLS_CLEAN).AnswerMessageBox(IDYES); },
       "\x1b"
       "CLEAN\r",
       "\x06",
       "<ACK>",
       {cleaning}},
      {"offsets",
       [](auto& u) {
         u.Retype(IDC_TOOLS_OFFSET_X, "5")
             .Retype(IDC_TOOLS_OFFSET_Y, "3")
             .Click(IDC_TOOLS_SET_OFFSET)
             .AnswerMessageBox(IDYES);
       },
       "\x1b+O 5\r\x1b+OY 3\r",
       "\x06",
       "<ACK>",
       {offsets}},
      {"encode track 2",
       [](auto& u) {
         u.Tick(IDC_TOOLS_USE_TRACK2).Type(IDC_TOOLS_TRACK2, "1234=56").Click(IDC_TOOLS_ENCODE).AnswerMessageBox(IDYES);
       },
       "\x1b&B 2 1234=56\r\x1b&E*\r",
       "\x06",
       "<ACK>",
       {card}},
  };
}

TEST_F(ToolsTest, TwoWayButtonsReadTheReplyValueOfTheirBytes) {
  WithEncoder();
  for (const ButtonCase& c : ButtonCases()) {
    SCOPED_TRACE(c.name);
    Fresh();
    Reply(kOffsetX, "1\x06");
    Reply(kOffsetY, "2\x06");
    if (!c.reply.empty()) Reply(c.bytes, c.reply);
    c.act(user_);
    user_.Click(IDC_CLOSE);
    Run();
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(Requests().back(), c.bytes);
    EXPECT_EQ(d[IDC_TOOLS_STATUS].text, c.status);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_TRUE(host::RawJobs().empty());
    // "\e.\r" follows on the button's own handle, outside any document, and the value is gone.
    const std::vector<HANDLE> handles = AllAccessHandles();
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(host::WrittenBytes(handles[1]), std::vector<uint8_t>({0x1B, '.', 0x0D}));
    ui::ReplyValueName name(c.bytes);
    for (const WString& v : Values()) EXPECT_NE(v, WString(name.get()));
    for (int id :
         {IDC_TOOLS_EXECUTE, IDC_TOOLS_EJECT, IDC_TOOLS_PRINT, IDC_TOOLS_CLEAN, IDC_TOOLS_SET_OFFSET, IDC_TOOLS_ENCODE})
      EXPECT_TRUE(d[id].enabled) << "enabled again after sending: " << id;
  }
}

TEST_F(ToolsTest, OneWayButtonsSendToolsJobsAndLeaveTheStatusEmpty) {
  OneWay();
  for (const ButtonCase& c : ButtonCases()) {
    SCOPED_TRACE(c.name);
    Fresh();
    c.act(user_);
    user_.Click(IDC_CLOSE);
    Run();
    EXPECT_TRUE(Requests().empty());
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].docName, "MERIDOTOOL");
    EXPECT_EQ(std::string(jobs[0].data.begin(), jobs[0].data.end()), c.bytes);
    EXPECT_EQ(jobs[0].writes.size(), 1u) << "one write";
    EXPECT_EQ(host::LastDialog()[IDC_TOOLS_STATUS].text, "");
    EXPECT_EQ(Messages(), c.messages);
    const auto handles = host::PrinterHandleLog();
    EXPECT_EQ(handles.back().access, DWORD{PRINTER_ALL_ACCESS}) << "the job's own handle";
  }
}

TEST_F(ToolsTest, DeclinedOrEmptyCommandsSendNothingAndKeepTheStatus) {
  WithEncoder();
  Reply(kOffsetX, "1\x06");
  Reply(kOffsetY, "2\x06");
  Reply("\x1bV\r", "OK\x06");
  size_t requests = 0;
  auto unchanged = [&](const char* what) {
    return [&, what](const host::DialogView& d) {
      EXPECT_EQ(d[IDC_TOOLS_STATUS].text, "OK<ACK>") << what;
      EXPECT_EQ(Requests().size(), requests) << what;
    };
  };
  user_.Type(IDC_TOOLS_COMMAND, "V")
      .Click(IDC_TOOLS_EXECUTE)
      .Look([&](const host::DialogView&) { requests = Requests().size(); })
      .Click(IDC_TOOLS_CLEAN)
      .AnswerMessageBox(IDNO)
      .Look(unchanged("cleaning declined"))
      .Tick(IDC_TOOLS_USE_TRACK1)
      .Click(IDC_TOOLS_ENCODE)
      .Look(unchanged("no data to encode"))
      .Type(IDC_TOOLS_TRACK1, "A")
      .Click(IDC_TOOLS_ENCODE)
      .AnswerMessageBox(IDNO)
      .Look(unchanged("encoding declined"))
      .Retype(IDC_TOOLS_OFFSET_X, "9")
      .Click(IDC_TOOLS_SET_OFFSET)
      .AnswerMessageBox(IDNO)
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_TOOLS_STATUS].text, "") << "a declined offset change empties the status";
        EXPECT_EQ(d[IDC_TOOLS_OFFSET_X].text, "1") << "and reads the offsets again";
        const auto r = Requests();
        EXPECT_EQ(std::vector<std::string>(r.begin() + static_cast<ptrdiff_t>(requests), r.end()),
                  (std::vector<std::string>{kSlave, kOffsetX, kOffsetY}));
      })
      .Click(IDC_CLOSE);
  host::SetReplyStorage(host::ReplyStorage::CommandText);
  Run();
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[1].text, "No data to encode.");
  EXPECT_EQ(boxes[1].type, UINT{MB_OK | MB_ICONERROR});
  EXPECT_EQ(boxes[0].type, UINT{MB_YESNO | MB_ICONEXCLAMATION});
  EXPECT_EQ(boxes[2].type, UINT{MB_YESNO});
  EXPECT_EQ(boxes[3].type, UINT{MB_YESNO | MB_ICONEXCLAMATION});
}

TEST_F(ToolsTest, TypingACommandEmptiesTheStatus) {
  Reply("\x1bV\r", "OK\x06");
  user_.Type(IDC_TOOLS_COMMAND, "V")
      .Click(IDC_TOOLS_EXECUTE)
      .Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_TOOLS_STATUS].text, "OK<ACK>"); })
      .Type(IDC_TOOLS_COMMAND, "X")
      .Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_TOOLS_STATUS].text, ""); })
      .Click(IDC_TOOLS_CLEAN)
      .AnswerMessageBox(IDNO)
      .Click(IDC_CLOSE);
  Run();
  EXPECT_EQ(host::LastDialog()[IDC_TOOLS_STATUS].text, "") << "the previous status is now the empty one";
}

TEST_F(ToolsTest, ReadFillsTheSelectedTracksInOrder) {
  WithEncoder();
  host::SetReplyStorage(host::ReplyStorage::CommandText);
  struct Case {
    const char* name;
    const char* track1;  // nullptr: unanswered
    std::string edit1, edit3, status;
    std::vector<std::string> reads;
    size_t valuesLeft;  // a refusal is not deleted
  };
  const Case cases[] = {
      {"both tracks", "JOHN DOE\x06", "JOHN DOE", "999=1", "", {"\x1b&L1\r", "\x1b&L3\r"}, 0},
      {"a refusal stops the reading", "NO CARD", "", "", "NO CARD", {"\x1b&L1\r"}, 1},
      {"an unanswered track is skipped", nullptr, "", "999=1", "", {"\x1b&L1\r", "\x1b&L3\r"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    host::SetReplyStorage(host::ReplyStorage::CommandText);
    if (c.track1 != nullptr) Reply("\x1b&L1\r", c.track1);
    Reply("\x1b&L2\r", "22\x06");
    Reply("\x1b&L3\r", "999=1\x06");
    user_.Tick(IDC_TOOLS_USE_TRACK1)
        .Tick(IDC_TOOLS_USE_TRACK3)
        .Type(IDC_TOOLS_TRACK1, "OLD")
        .Click(IDC_TOOLS_READ)
        .AnswerMessageBox(IDYES)
        .Click(IDC_CLOSE);
    Run();
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d[IDC_TOOLS_TRACK1].text, c.edit1);
    EXPECT_EQ(d[IDC_TOOLS_TRACK3].text, c.edit3);
    EXPECT_EQ(d[IDC_TOOLS_STATUS].text, c.status);
    EXPECT_TRUE(d[IDC_TOOLS_READ].enabled);
    std::vector<std::string> reads = Requests();
    ASSERT_GE(reads.size(), 3u);
    reads.erase(reads.begin(), reads.begin() + 3);  // the offsets at opening
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(Values().size(), c.valuesLeft) << "positive track reads are deleted under the command text";
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please put appropriate card in feeder."});
  }
}

TEST_F(ToolsTest, ReadDeclinedEmptiesTheTracksAndReadsNothing) {
  WithEncoder();
  user_.Tick(IDC_TOOLS_USE_TRACK2)
      .Type(IDC_TOOLS_TRACK2, "123")
      .Click(IDC_TOOLS_READ)
      .AnswerMessageBox(IDNO)
      .Click(IDC_CLOSE);
  Run();
  EXPECT_EQ(host::LastDialog()[IDC_TOOLS_TRACK2].text, "");
  EXPECT_EQ(Requests(), (std::vector<std::string>{kSlave, kOffsetX, kOffsetY}));
}

TEST_F(ToolsTest, ReadAsksForNoReplyInOneWayMode) {
  // The printer is missing when the dialog opens, so "Read" stays enabled; it still reads nothing.
  OneWay();
  const WString name = name_;
  LosePrinter();
  user_.Look([&](const host::DialogView&) { info_.pPrinterName = const_cast<WCHAR*>(name.c_str()); })
      .Click(IDC_TOOLS_USE_TRACK1)
      .Click(IDC_TOOLS_READ)
      .Click(IDC_CLOSE);
  Run();
  EXPECT_TRUE(Requests().empty());
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(ToolsTest, HelpSendFileAndClosing) {
  user_.Click(IDC_HELP_BUTTON).Click(IDC_TOOLS_SEND_FILE).Click(IDCANCEL).CloseBox();
  EXPECT_EQ(Run(), 1605);
  const auto help = host::HelpCalls();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].file, "Doma.hlp");
  EXPECT_EQ(help[0].command, UINT{HELP_CONTENTS});
  const auto closed = host::ClosedDialogs();
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[0].templateId, IDD_SEND_FILE);
  EXPECT_EQ(closed[0].title, "Send File");
  user_.PressEscape();
  EXPECT_EQ(Run(), 1605);
}

}  // namespace
}  // namespace tolma::test
