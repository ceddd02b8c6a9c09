// The magnetic encoder settings: the commands of both dialogs byte for byte, the "MERIDOENCODER" job, the stored
// block, the defaults, and "Encoder settings" and "Advanced settings" driven through their real procedures.
#include "tests/ui/adjust_test_support.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/encoder_dialogs.h"
#include "ui/tools/encoder_jobs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tolma::test {
namespace {

using Commands = std::vector<std::string>;

const std::string kTrackFormatsDefault[] = {"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r", "\x1b&CDEW 2 B\r",
                                            "\x1b&CDER 2 R\r", "\x1b&CDEW 3 C\r", "\x1b&CDER 3 S\r"};
const Commands kAamvaFormats = {"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r",  "\x1b&CDEW 2 B\r",
                                "\x1b&CDER 2 R\r", "\x1b&CDEW 3 c1\r", "\x1b&CDER 3 s1\r"};

EncoderSettings Defaults() { return DefaultPrivateDevmode().encoder; }

Commands Join(std::initializer_list<Commands> parts) {
  Commands all;
  for (const Commands& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// --- The commands, byte for byte ---

TEST(EncoderCommands, BothDialogsByteForByte) {
  struct Case {
    const char* name;
    std::function<void(EncoderSettings&)> change;
    ui::EncoderCommands (*build)(const EncoderSettings&);
    Commands expected;
  };
  const Commands defaultFormats(std::begin(kTrackFormatsDefault), std::end(kTrackFormatsDefault));
  const Case cases[] = {
      {"ISO/JIS, Normal, No Change", [](EncoderSettings&) {}, ui::EncoderSettingsCommands,
       Join({{"\x1b&W 0\r"}, defaultFormats})},
      {"Reversed and high coercivity",
       [](EncoderSettings& s) {
         s.encoderPosition = 0;
         s.coercivity = 0;
       },
       ui::EncoderSettingsCommands, Join({{"\x1b&W 1\r", "\x1b&C 1\r"}, defaultFormats})},
      {"low coercivity", [](EncoderSettings& s) { s.coercivity = 1; }, ui::EncoderSettingsCommands,
       Join({{"\x1b&W 0\r", "\x1b&C 0\r"}, defaultFormats})},
      {"JIS2: coercivity and the track 1 pair only, no position",
       [](EncoderSettings& s) {
         s.encoderType = 1;
         s.coercivity = 0;
         s.encoderPosition = 0;
       },
       ui::EncoderSettingsCommands,
       {"\x1b&C 1\r", "\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r"}},
      {"JIS2 with No Change: no coercivity command",
       [](EncoderSettings& s) { s.encoderType = 1; },
       ui::EncoderSettingsCommands,
       {"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r"}},
      {"AAMVA: the fixed formats whatever the stored modes",
       [](EncoderSettings& s) {
         s.encoderType = 2;
         s.coercivity = 1;
         s.trackSettings[0].mode = 7;
         s.trackSettings[1].mode = 3;
         s.trackSettings[2].mode = 42;
       },
       ui::EncoderSettingsCommands, Join({{"\x1b&W 0\r", "\x1b&C 0\r"}, kAamvaFormats})},
      {"foreign formats, bit modes, and a mode outside 0..7 skipping its track",
       [](EncoderSettings& s) {
         s.trackSettings[0].mode = 1;
         s.trackSettings[1].mode = -1;
         s.trackSettings[2].mode = 7;
       },
       ui::EncoderSettingsCommands,
       {"\x1b&W 0\r", "\x1b&CDEW 1 a2\r", "\x1b&CDER 1 q2\r", "\x1b&CDEW 3 G_7\r", "\x1b&CDER 3 W_7\r"}},
      {"Advanced, ISO/JIS and default tracks: the nine commands", [](EncoderSettings&) {}, ui::TrackSettingsCommands,
       Join({defaultFormats, {"\x1b&D 1 210\r", "\x1b&D 2 75\r", "\x1b&D 3 210\r"}})},
      {"Advanced, other densities",
       [](EncoderSettings& s) {
         s.trackSettings[0].density = 0;
         s.trackSettings[1].density = 1;
         s.trackSettings[2].density = 5;  // anything but 1 is 75 bpi
       },
       ui::TrackSettingsCommands, Join({defaultFormats, {"\x1b&D 1 75\r", "\x1b&D 2 210\r", "\x1b&D 3 75\r"}})},
      {"Advanced, JIS2: track 1 only",
       [](EncoderSettings& s) { s.encoderType = 1; },
       ui::TrackSettingsCommands,
       {"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r", "\x1b&D 1 210\r"}},
      {"Advanced, AAMVA: the record's formats, the density of track 1 only",
       [](EncoderSettings& s) {
         s.encoderType = 2;
         s.trackSettings[1].mode = 4;
       },
       ui::TrackSettingsCommands,
       {"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r", "\x1b&CDEW 2 F_4\r", "\x1b&CDER 2 V_4\r", "\x1b&CDEW 3 C\r",
        "\x1b&CDER 3 S\r", "\x1b&D 1 210\r"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EncoderSettings s = Defaults();
    c.change(s);
    EXPECT_EQ(c.build(s), c.expected);
  }
  EXPECT_EQ(kTrackFormatsDefault[0].size(), 11u);
  EXPECT_EQ(std::string("\x1b&D 1 75\r").size(), 9u);
}

TEST(EncoderCopies, EachDialogCopiesItsHalfAndTheTextsStayTerminated) {
  EncoderSettings from = Defaults();
  std::memcpy(from.startOfData, "0123456789", 10);  // no terminator
  from.coercivity = 0;
  from.selectedTrack = 2;
  from.trackSettings[1].stopChar = 33;
  EncoderSettings to{};
  to.hasEncoder = 1;
  ui::CopyEncoderHalf(ui::EncoderHalf::Encoder, from, to);
  EXPECT_STREQ(to.startOfData, "012345678");
  EXPECT_STREQ(to.endOfData, "}$");
  EXPECT_EQ(to.coercivity, 0);
  EXPECT_EQ(to.selectedTrack, 0) << "the other half stays";
  EXPECT_EQ(to.hasEncoder, 1) << "never edited here";
  ui::CopyEncoderHalf(ui::EncoderHalf::Advanced, from, to);
  EXPECT_EQ(to.selectedTrack, 2);
  EXPECT_EQ(to.trackSettings[1].stopChar, 33);
}

// --- Rules of the dialogs ---

TEST(EncoderRules, ButtonsByTypeAndModel) {
  struct Case {
    int type;
    bool restricted;
    bool reversed, normal, advanced;
  };
  const Case cases[] = {
      {0, false, true, true, true},  {0, true, false, true, true},  {1, false, false, false, true},
      {1, true, false, false, true}, {2, false, true, true, false}, {2, true, false, true, false},
  };
  for (const Case& c : cases) {
    const ui::EncoderButtons b = ui::EncoderButtonsEnabled(c.type, c.restricted);
    EXPECT_EQ(b.reversed, c.reversed) << c.type << c.restricted;
    EXPECT_EQ(b.normal, c.normal) << c.type << c.restricted;
    EXPECT_EQ(b.advanced, c.advanced) << c.type << c.restricted;
  }
}

TEST(EncoderRules, TheShownTrackIsOneThatCanBeChosen) {
  struct Case {
    int type;
    bool limited;
    int16_t selected;
    int16_t shown;
    bool track2, track3;
  };
  const Case cases[] = {
      {0, false, 2, 2, true, true},   {0, true, 2, 0, true, false},   {0, true, 1, 1, true, false},
      {1, false, 1, 0, false, false}, {1, false, 2, 0, false, false}, {2, false, 1, 1, true, true},
      {0, false, 3, 0, true, true},   {0, false, -1, 0, true, true},
  };
  for (const Case& c : cases) {
    EncoderSettings s = Defaults();
    s.encoderType = static_cast<int16_t>(c.type);
    s.selectedTrack = c.selected;
    const ui::TrackButtons b = ui::SettleShownTrack(s, c.limited);
    EXPECT_EQ(s.selectedTrack, c.shown) << c.type << c.limited << c.selected;
    EXPECT_EQ(b.track2, c.track2);
    EXPECT_EQ(b.track3, c.track3);
  }
}

TEST(EncoderRules, NumberEditsKeepTheLowEightBits) {
  struct Case {
    std::u16string text;
    int expected;  // -1: not a number
  };
  const Case cases[] = {
      {u"65", 65},
      {u"300", 44},
      {u"256", 0},
      {u"0", 0},
      {u"+7", 7},
      {u"-1", 255},
      {u"99999999999999999999999", 255},  // 10^23 - 1 modulo 256, whatever its length
      {u"", -1},
      {u"-", -1},
      {u"12a", -1},
      {u" 12", -1},
      {u"0x10", -1},
  };
  for (const Case& c : cases) {
    const WString text(c.text.begin(), c.text.end());
    const std::optional<int16_t> value = ui::Low8BitsOfNumber(text);
    EXPECT_EQ(value.has_value() ? *value : -1, c.expected);
  }
}

TEST(EncoderRules, DataMarkersAreAtMostNineBytesAndTerminated) {
  char field[10];
  std::memset(field, 'x', sizeof field);
  ui::TakeDataMarker(WideFromAscii("ABCDEFGHIJKL"), field);
  EXPECT_EQ(std::string(field, 10), std::string("ABCDEFGHI\0", 10));
  // Each character is its low byte, as printed text is compared with it; a zero low byte ends the text.
  ui::TakeDataMarker(WString{u'#', 0x00E9, 0x20AC, 0x0100, u'z'}, field);
  EXPECT_EQ(std::string(field, 4), std::string("#\xE9\xAC\0", 4));
  EXPECT_EQ(ui::DataMarkerText(field), (WString{u'#', 0x00E9, 0x00AC}));
  const char unterminated[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(ui::DataMarkerText(unterminated), WideFromAscii("012345678"));
}

// --- The job and the stored block ---

class EncoderTest : public AdjustDialogTest {
 protected:
  void SetUp() override {
    AdjustDialogTest::SetUp();
    name_ = Name();
    info_.pPrinterName = name_.data();
    ui::State().link.printerInfo = &info_;
    CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, name_);
    ui::SheetEncoderCopy() = Defaults();
    storedBefore_ = host::StoredDevmode(kPrinter);
  }
  void TearDown() override {
    ui::State().link.printerInfo = nullptr;
    AdjustDialogTest::TearDown();
  }

  static void SetFirmwareText(const std::string& text) {
    std::memset(ui::State().firmwareVersion, 0, ui::kFirmwareTextBytes);
    std::memcpy(ui::State().firmwareVersion, text.data(), std::min(text.size(), ui::kFirmwareTextBytes - 1));
  }
  // The commands of each raw job, one per write.
  static std::vector<Commands> JobCommands() {
    std::vector<Commands> all;
    for (const host::RawJob& job : host::RawJobs()) {
      EXPECT_EQ(job.docName, "MERIDOENCODER");
      EXPECT_EQ(job.datatype, "RAW");
      EXPECT_TRUE(job.ended);
      Commands commands;
      size_t at = 0;
      for (DWORD n : job.writes) {
        commands.emplace_back(job.data.begin() + static_cast<long>(at), job.data.begin() + static_cast<long>(at + n));
        at += n;
      }
      all.push_back(commands);
    }
    return all;
  }
  // The encoder block of the printer's stored DEVMODE.
  static EncoderSettings StoredBlock(size_t dmSize = kPublicDevmodeSize) {
    EncoderSettings s;
    const std::vector<uint8_t> stored = host::StoredDevmode(kPrinter);
    std::memcpy(&s, stored.data() + dmSize + 32, sizeof s);
    return s;
  }
  static bool Same(const EncoderSettings& a, const EncoderSettings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
  // Runs "Encoder settings" (or "Advanced settings") with the queued script.
  static INT_PTR RunEncoder() { return ui::RunEncoderSettings(nullptr); }
  static INT_PTR RunAdvanced() { return ui::RunAdvancedSettings(nullptr); }

  WString name_;
  PRINTER_INFO_2W info_{};
  std::vector<uint8_t> storedBefore_;
};

TEST_F(EncoderTest, OneWriteOfExactlyEachCommand) {
  EXPECT_TRUE(ui::SendEncoderSettings(ui::State().link, Defaults()));
  const auto jobs = host::RawJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].writes, (std::vector<DWORD>{6, 11, 11, 11, 11, 11, 11}));
  EXPECT_EQ(jobs[0].pagesStarted, 1);
  EXPECT_EQ(JobCommands()[0], ui::EncoderSettingsCommands(Defaults()));
  EXPECT_EQ(host::PrinterHandleLog().back().access, 0u) << "the job opens the printer without defaults";
}

TEST_F(EncoderTest, NothingIsSentWhenTheDocumentCannotStart) {
  host::SetFailure(host::FailPoint::StartDocPrinter);
  EXPECT_FALSE(ui::SendTrackSettings(ui::State().link, Defaults()));
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(host::CallCount(host::FailPoint::WritePrinter), 0);
}

// The block goes to dmSize + 32 of the stored DEVMODE, whatever dmSize is, and nothing else changes.
TEST_F(EncoderTest, StoringWritesTheBlockAtDmSizePlus32AndNowhereElse) {
  EncoderSettings s = Defaults();
  s.encoderType = 2;
  s.trackSettings[2].startChar = 200;
  for (const uint16_t dmSize : {uint16_t{212}, uint16_t{220}}) {
    SCOPED_TRACE(dmSize);
    std::vector<uint8_t> devmode(dmSize + kPrivateDevmodeSize, 0x5A);
    WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(devmode.data(), kPublicDevmodeSize));
    AsDevmode(devmode)->dmSize = dmSize;
    host::SetStoredDevmode(kPrinter, devmode);
    ASSERT_TRUE(ui::StoreEncoderSettings(ui::State().link, s));
    std::vector<uint8_t> expected = devmode;
    std::memcpy(expected.data() + dmSize + 32, &s, sizeof s);
    EXPECT_EQ(host::StoredDevmode(kPrinter), expected);
  }
}

TEST_F(EncoderTest, StoringFailsQuietlyAndChangesNothing) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  std::vector<uint8_t> noPrivatePart(kPublicDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(noPrivatePart.data(), kPublicDevmodeSize));
  AsDevmode(noPrivatePart)->dmDriverExtra = 0;
  const Case cases[] = {
      {"no current printer name", [] { ui::State().link.printerName[0] = 0; }},
      {"the printer cannot be opened", [] { host::SetFailure(host::FailPoint::OpenPrinter); }},
      {"its information cannot be read", [] { host::SetFailure(host::FailPoint::GetPrinter); }},
      {"SetPrinterW fails", [] { host::SetFailure(host::FailPoint::SetPrinter); }},
      {"a DEVMODE without a private part", [&] { host::SetStoredDevmode(kPrinter, noPrivatePart); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host::SetStoredDevmode(kPrinter, storedBefore_);
    CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, name_);
    c.arrange();
    const std::vector<uint8_t> before = host::StoredDevmode(kPrinter);
    EncoderSettings s = Defaults();
    s.coercivity = 0;
    EXPECT_FALSE(ui::StoreEncoderSettings(ui::State().link, s));
    host::ClearFailures();
    EXPECT_EQ(host::StoredDevmode(kPrinter), before);
  }
}

TEST_F(EncoderTest, DefaultsComeFromTheDataFileOrTheBuiltInValues) {
  PrivateDevmode custom = DefaultPrivateDevmode();
  std::memcpy(custom.encoder.startOfData, "@@", 3);
  custom.encoder.encoderType = 1;
  custom.encoder.selectedTrack = 1;
  custom.encoder.trackSettings[0].mode = 5;
  EncoderSettings working{};
  UseDataFile(ImageBytes(custom));
  EXPECT_TRUE(ui::RestoreEncoderDefaults(ui::EncoderHalf::Encoder, working));
  EXPECT_STREQ(working.startOfData, "@@");
  EXPECT_EQ(working.encoderType, 1);
  EXPECT_EQ(working.trackSettings[0].mode, 0) << "the other half stays";
  EXPECT_TRUE(ui::RestoreEncoderDefaults(ui::EncoderHalf::Advanced, working));
  EXPECT_EQ(working.selectedTrack, 1);
  EXPECT_EQ(working.trackSettings[0].mode, 5);

  UseDataFile({});
  EncoderSettings fallback{};
  EXPECT_FALSE(ui::RestoreEncoderDefaults(ui::EncoderHalf::Encoder, fallback));
  EXPECT_FALSE(ui::RestoreEncoderDefaults(ui::EncoderHalf::Advanced, fallback));
  EXPECT_TRUE(Same(fallback, Defaults()));
}

// --- "Encoder settings" ---

constexpr int kPositionIds[] = {IDC_ENC_REVERSED, IDC_ENC_NORMAL};

TEST_F(EncoderTest, OpensOnTheSheetCopy) {
  EncoderSettings sheet = Defaults();
  std::memcpy(sheet.startOfData, "%%", 3);
  sheet.coercivity = 1;
  sheet.macroProcessing = 0;
  ui::SheetEncoderCopy() = sheet;
  user_.Click(IDCANCEL);
  EXPECT_EQ(RunEncoder(), IDCANCEL);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "encoder-settings");
  EXPECT_EQ(d.title, "Encoder settings");
  EXPECT_EQ(d[IDC_ENC_START_OF_DATA].text, "%%");
  EXPECT_EQ(d[IDC_ENC_END_OF_DATA].text, "}$");
  EXPECT_EQ(d[IDC_ENC_MACRO].checked, BST_UNCHECKED);
  EXPECT_EQ(d[IDC_ENC_LOW_COERCIVITY].checked, BST_CHECKED);
  EXPECT_EQ(d[IDC_ENC_NO_CHANGE].checked, BST_UNCHECKED);
  EXPECT_EQ(d[IDC_ENC_NORMAL].checked, BST_CHECKED);
  EXPECT_EQ(d[IDC_ENC_ISO_JIS].checked, BST_CHECKED);
  for (int id : {IDC_ENC_REVERSED, IDC_ENC_NORMAL, IDC_ENC_ADVANCED}) EXPECT_TRUE(d[id].enabled) << id;
  EXPECT_NE(d[IDC_ENC_SAMPLE].text.find("${1"), std::string::npos) << d[IDC_ENC_SAMPLE].text;
  EXPECT_EQ(d[IDC_ENCODER_APPLY].style & BS_TYPEMASK, DWORD{BS_DEFPUSHBUTTON});
}

TEST_F(EncoderTest, Jis2ApplySendsTheCoercivityAndTheTrackOnePair) {
  user_.Click(IDC_ENC_JIS2)
      .Look([](const host::DialogView& d) {
        for (int id : kPositionIds) EXPECT_FALSE(d[id].enabled) << id;
        EXPECT_TRUE(d[IDC_ENC_ADVANCED].enabled);
      })
      .Click(IDC_ENC_HIGH_COERCIVITY)
      .Click(IDC_ENCODER_APPLY);
  EXPECT_EQ(RunEncoder(), IDOK);
  EXPECT_EQ(JobCommands(), (std::vector<Commands>{{"\x1b&C 1\r", "\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r"}}));
  EXPECT_EQ(ui::SheetEncoderCopy().encoderType, 1);
  EXPECT_EQ(ui::SheetEncoderCopy().coercivity, 0);
  EXPECT_TRUE(Same(StoredBlock(), ui::SheetEncoderCopy()));
}

TEST_F(EncoderTest, ChoosingAnotherTypeAfterJis2EnablesThePositionAgain) {
  EncoderSettings sheet = Defaults();
  sheet.selectedTrack = 2;
  ui::SheetEncoderCopy() = sheet;
  user_.Click(IDC_ENC_JIS2)
      .Look([](const host::DialogView&) { EXPECT_EQ(ui::EncoderDialogCopy().selectedTrack, 0); })
      .Click(IDC_ENC_ISO_JIS)
      .Look([](const host::DialogView& d) {
        for (int id : kPositionIds) EXPECT_TRUE(d[id].enabled) << id;
      })
      .Click(IDCANCEL);
  EXPECT_EQ(RunEncoder(), IDCANCEL);
}

TEST_F(EncoderTest, AamvaSendsTheFixedFormatsAndCannotOpenAdvancedSettings) {
  EncoderSettings sheet = Defaults();
  for (TrackSettings& t : sheet.trackSettings) t.mode = 6;
  ui::SheetEncoderCopy() = sheet;
  std::vector<std::string>& failures = CaptureFailures();
  user_.Click(IDC_ENC_AAMVA).Click(IDC_ENC_ADVANCED).Click(IDC_ENCODER_APPLY);
  EXPECT_EQ(RunEncoder(), IDOK);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("disabled"), std::string::npos) << failures[0];
  EXPECT_EQ(host::ClosedDialogs().size(), 1u) << "no Advanced settings";
  EXPECT_EQ(JobCommands(), std::vector<Commands>{Join({{"\x1b&W 0\r"}, kAamvaFormats})});

  // Opened under AAMVA, the button is disabled from the start.
  user_.Click(IDCANCEL);
  RunEncoder();
  EXPECT_FALSE(host::LastDialog()[IDC_ENC_ADVANCED].enabled);
}

TEST_F(EncoderTest, ARestrictedModelHasNoReversedPosition) {
  SetFirmwareText("Q47x RKF 2.01");
  EncoderSettings sheet = Defaults();
  sheet.encoderPosition = 0;
  ui::SheetEncoderCopy() = sheet;
  user_
      .Look([](const host::DialogView& d) {
        EXPECT_FALSE(d[IDC_ENC_REVERSED].enabled);
        EXPECT_TRUE(d[IDC_ENC_NORMAL].enabled);
        EXPECT_EQ(d[IDC_ENC_NORMAL].checked, BST_CHECKED);
      })
      .Click(IDC_ENC_JIS2)
      .Click(IDC_ENC_AAMVA)
      .Look([](const host::DialogView& d) {
        EXPECT_FALSE(d[IDC_ENC_REVERSED].enabled);
        EXPECT_TRUE(d[IDC_ENC_NORMAL].enabled);
      })
      .Click(IDC_ENCODER_APPLY);
  RunEncoder();
  EXPECT_EQ(ui::SheetEncoderCopy().encoderPosition, 1);
  EXPECT_EQ(JobCommands().at(0).at(0), "\x1b&W 0\r");
}

TEST_F(EncoderTest, TextsAndMacroProcessingAreTaken) {
  user_.Retype(IDC_ENC_START_OF_DATA, "##")
      .Retype(IDC_ENC_END_OF_DATA, "ABCDEFGHIJKL")
      .Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_ENC_END_OF_DATA].text, "ABCDEFGHI"); })
      .Untick(IDC_ENC_MACRO)
      .Click(IDC_ENC_REVERSED)
      .Click(IDC_ENCODER_APPLY);
  RunEncoder();
  const EncoderSettings& sheet = ui::SheetEncoderCopy();
  EXPECT_STREQ(sheet.startOfData, "##");
  EXPECT_EQ(std::string(sheet.endOfData, 10), std::string("ABCDEFGHI\0", 10));
  EXPECT_EQ(sheet.macroProcessing, 0);
  EXPECT_EQ(sheet.encoderPosition, 0);
  EXPECT_TRUE(Same(StoredBlock(), sheet));
}

TEST_F(EncoderTest, AnUnterminatedStoredTextIsShownAndAppliedCut) {
  EncoderSettings sheet = Defaults();
  std::memcpy(sheet.startOfData, "0123456789", 10);
  ui::SheetEncoderCopy() = sheet;
  user_.Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_ENC_START_OF_DATA].text, "012345678"); })
      .Click(IDC_ENCODER_APPLY);
  RunEncoder();
  EXPECT_EQ(std::string(ui::SheetEncoderCopy().startOfData, 10), std::string("012345678\0", 10));
}

TEST_F(EncoderTest, CancelChangesNothing) {
  struct Case {
    const char* name;
    std::function<void(host::ScriptedUser&)> close;
  };
  const Case cases[] = {
      {"Cancel", [](host::ScriptedUser& u) { u.Click(IDCANCEL); }},
      {"the close box", [](host::ScriptedUser& u) { u.CloseBox(); }},
      {"Escape", [](host::ScriptedUser& u) { u.PressEscape(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const EncoderSettings before = ui::SheetEncoderCopy();
    user_.Retype(IDC_ENC_START_OF_DATA, "!!").Click(IDC_ENC_JIS2).Click(IDC_ENC_HIGH_COERCIVITY).Untick(IDC_ENC_MACRO);
    c.close(user_);
    EXPECT_EQ(RunEncoder(), IDCANCEL);
    EXPECT_TRUE(Same(ui::SheetEncoderCopy(), before));
    EXPECT_TRUE(host::RawJobs().empty());
    EXPECT_EQ(host::StoredDevmode(kPrinter), storedBefore_);
  }
}

TEST_F(EncoderTest, RestoreDefaultsRefillsTheEncoderHalf) {
  PrivateDevmode custom = DefaultPrivateDevmode();
  std::memcpy(custom.encoder.startOfData, "@@", 3);
  custom.encoder.coercivity = 0;
  custom.encoder.encoderType = 1;
  custom.encoder.trackSettings[0].mode = 5;
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    const char* start;
    int checked[2];  // coercivity and type buttons
    bool positionEnabled;
  };
  const Case cases[] = {
      {"from the data file", ImageBytes(custom), "@@", {IDC_ENC_HIGH_COERCIVITY, IDC_ENC_JIS2}, false},
      {"without a data file", {}, "${", {IDC_ENC_NO_CHANGE, IDC_ENC_ISO_JIS}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseDataFile(c.file);
    EncoderSettings sheet = Defaults();
    std::memcpy(sheet.startOfData, "**", 3);
    sheet.coercivity = 1;
    sheet.encoderType = 2;
    sheet.trackSettings[0].mode = 3;
    ui::SheetEncoderCopy() = sheet;
    user_.Click(IDC_RESTORE_DEFAULTS)
        .Look([&](const host::DialogView& d) {
          EXPECT_EQ(d[IDC_ENC_START_OF_DATA].text, c.start);
          for (int id : c.checked) EXPECT_EQ(d[id].checked, BST_CHECKED) << id;
          EXPECT_EQ(d[IDC_ENC_NORMAL].enabled, c.positionEnabled);
          EXPECT_TRUE(d[IDC_ENC_ADVANCED].enabled);
        })
        .Click(IDC_ENCODER_APPLY);
    RunEncoder();
    EXPECT_STREQ(ui::SheetEncoderCopy().startOfData, c.start);
    EXPECT_EQ(ui::SheetEncoderCopy().trackSettings[0].mode, 3) << "the tracks are Advanced settings' half";
  }
}

TEST_F(EncoderTest, ApplyReachesTheStoredDevmodeEvenWhenThePrinterTakesNoJob) {
  WString gone = WideFromAscii("Gone Printer");
  info_.pPrinterName = gone.data();
  user_.Click(IDC_ENC_LOW_COERCIVITY).Click(IDC_ENCODER_APPLY);
  EXPECT_EQ(RunEncoder(), IDOK);
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(StoredBlock().coercivity, 1);
  // Only the block changed in the stored DEVMODE.
  std::vector<uint8_t> expected = storedBefore_;
  std::memcpy(expected.data() + kPublicDevmodeSize + 32, &ui::SheetEncoderCopy(), sizeof(EncoderSettings));
  EXPECT_EQ(host::StoredDevmode(kPrinter), expected);
}

TEST_F(EncoderTest, HelpOpensTheHelpFile) {
  user_.Click(IDC_HELP_BUTTON).Click(IDCANCEL);
  RunEncoder();
  ASSERT_EQ(host::HelpCalls().size(), 1u);
  EXPECT_EQ(host::HelpCalls()[0].file, "Doma.hlp");
  EXPECT_EQ(host::HelpCalls()[0].command, UINT{HELP_CONTENTS});
}

// --- "Advanced settings" ---

constexpr int kBitModeControls[] = {
    IDC_ADV_START_STOP_GROUP, IDC_ADV_START_CHAR_LABEL,  IDC_ADV_START_CHAR,       IDC_ADV_STOP_CHAR_LABEL,
    IDC_ADV_STOP_CHAR,        IDC_ADV_POSITION_GROUP,    IDC_ADV_POSITION_LABEL,   IDC_ADV_START_POSITION,
    IDC_ADV_MM_LABEL,         IDC_ADV_CHAR_PARITY_GROUP, IDC_ADV_CHAR_PARITY_NONE, IDC_ADV_CHAR_PARITY_EVEN,
    IDC_ADV_CHAR_PARITY_ODD,  IDC_ADV_LRC_PARITY_GROUP,  IDC_ADV_LRC_PARITY_NONE,  IDC_ADV_LRC_PARITY_EVEN,
    IDC_ADV_LRC_PARITY_ODD,
};

void ExpectBitModeGroups(const host::DialogView& d, bool enabled) {
  for (int id : kBitModeControls) EXPECT_EQ(d[id].enabled, enabled) << id;
}

TEST_F(EncoderTest, AdvancedOpensOnTheSheetCopy) {
  user_.Click(IDCANCEL);
  EXPECT_EQ(RunAdvanced(), IDCANCEL);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "advanced-settings");
  EXPECT_EQ(d.title, "Advanced settings");
  const std::vector<host::ListEntry> modes = {{"ISO1", 0},  {"ISO2", 1},  {"ISO3", 2},  {"3 bit", 3},
                                              {"4 bit", 4}, {"5 bit", 5}, {"6 bit", 6}, {"7 bit", 7}};
  EXPECT_EQ(d[IDC_ADV_MODE].entries, modes);
  EXPECT_EQ(d[IDC_ADV_DENSITY].entries, (std::vector<host::ListEntry>{{"75 bpi", 0}, {"210 bpi", 1}}));
  EXPECT_EQ(d[IDC_ADV_TRACK1].checked, BST_CHECKED);
  EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), "ISO1");
  EXPECT_EQ(d[IDC_ADV_DENSITY].selectedText(), "210 bpi");
  EXPECT_EQ(d[IDC_ADV_START_CHAR].text, "65");
  EXPECT_EQ(d[IDC_ADV_STOP_CHAR].text, "90");
  EXPECT_EQ(d[IDC_ADV_START_POSITION].text, "7");
  EXPECT_EQ(d[IDC_ADV_CHAR_PARITY_NONE].checked, BST_CHECKED);
  EXPECT_EQ(d[IDC_ADV_LRC_PARITY_NONE].checked, BST_CHECKED);
  EXPECT_TRUE(d[IDC_ADV_TRACK2].enabled);
  EXPECT_TRUE(d[IDC_ADV_TRACK3].enabled);
  ExpectBitModeGroups(d, false);
}

TEST_F(EncoderTest, AdvancedApplySendsTheNineCommandsAndStores) {
  user_.Click(IDC_ENCODER_APPLY);
  EXPECT_EQ(RunAdvanced(), IDOK);
  EXPECT_EQ(JobCommands(), (std::vector<Commands>{ui::TrackSettingsCommands(Defaults())}));
  EXPECT_EQ(JobCommands()[0].size(), 9u);
  EXPECT_TRUE(Same(StoredBlock(), Defaults()));
}

TEST_F(EncoderTest, ABitModeEnablesItsGroupsAndAnIsoModeDisablesThem) {
  user_.Select(IDC_ADV_MODE, "4 bit")
      .Look([](const host::DialogView& d) { ExpectBitModeGroups(d, true); })
      .Retype(IDC_ADV_START_CHAR, "300")
      .Retype(IDC_ADV_STOP_CHAR, "abc")  // not a number: changes nothing
      .Retype(IDC_ADV_START_POSITION, "-1")
      .Click(IDC_ADV_CHAR_PARITY_EVEN)
      .Click(IDC_ADV_LRC_PARITY_ODD)
      .Look([](const host::DialogView&) { EXPECT_EQ(ui::AdvancedDialogCopy().trackSettings[0].startChar, 44); })
      .Select(IDC_ADV_MODE, "ISO2")
      .Look([](const host::DialogView& d) { ExpectBitModeGroups(d, false); })
      .Select(IDC_ADV_MODE, "7 bit")
      .Select(IDC_ADV_DENSITY, "75 bpi")
      .Click(IDC_ENCODER_APPLY);
  RunAdvanced();
  const TrackSettings& t = ui::SheetEncoderCopy().trackSettings[0];
  EXPECT_EQ(t.mode, 7);
  EXPECT_EQ(t.density, 0);
  EXPECT_EQ(t.startChar, 44);
  EXPECT_EQ(t.stopChar, 90);
  EXPECT_EQ(t.startPosition, 255);
  EXPECT_EQ(t.charParity, 1);
  EXPECT_EQ(t.lrcParity, 2);
  EXPECT_EQ(JobCommands().at(0).at(0), "\x1b&CDEW 1 E_7\r");
  EXPECT_TRUE(Same(StoredBlock(), ui::SheetEncoderCopy()));
}

TEST_F(EncoderTest, TrackButtonsShowEachTrack) {
  EncoderSettings sheet = Defaults();
  sheet.trackSettings[1].stopChar = 300;  // outside 0..255: shown as stored
  ui::SheetEncoderCopy() = sheet;
  user_.Click(IDC_ADV_TRACK2)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), "ISO2");
        EXPECT_EQ(d[IDC_ADV_DENSITY].selectedText(), "75 bpi");
        EXPECT_EQ(d[IDC_ADV_STOP_CHAR].text, "300");
      })
      .Select(IDC_ADV_MODE, "5 bit")
      .Click(IDC_ADV_LRC_PARITY_EVEN)
      .Click(IDC_ADV_TRACK3)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), "ISO3");
        ExpectBitModeGroups(d, false);
        EXPECT_EQ(d[IDC_ADV_LRC_PARITY_NONE].checked, BST_CHECKED);
      })
      .Click(IDC_ADV_TRACK2)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), "5 bit");
        ExpectBitModeGroups(d, true);
        EXPECT_EQ(d[IDC_ADV_LRC_PARITY_EVEN].checked, BST_CHECKED);
      })
      .Click(IDC_ENCODER_APPLY);
  RunAdvanced();
  const EncoderSettings& applied = ui::SheetEncoderCopy();
  EXPECT_EQ(applied.selectedTrack, 1);
  EXPECT_EQ(applied.trackSettings[1].mode, 5);
  EXPECT_EQ(applied.trackSettings[1].lrcParity, 1);
  EXPECT_EQ(applied.trackSettings[1].stopChar, 300) << "showing a value is not typing it";
  EXPECT_EQ(applied.trackSettings[0].mode, 0);
}

TEST_F(EncoderTest, ATrackLimitedModelShowsTrackOneAndNoTrackThree) {
  SetFirmwareText("Q47x RKC 1.10");
  EncoderSettings sheet = Defaults();
  sheet.selectedTrack = 2;
  ui::SheetEncoderCopy() = sheet;
  user_.Click(IDC_ENCODER_APPLY);
  RunAdvanced();
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d[IDC_ADV_TRACK1].checked, BST_CHECKED);
  EXPECT_EQ(d[IDC_ADV_TRACK3].checked, BST_UNCHECKED);
  EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), "ISO1");
  EXPECT_TRUE(d[IDC_ADV_TRACK2].enabled);
  EXPECT_FALSE(d[IDC_ADV_TRACK3].enabled);
  EXPECT_EQ(ui::SheetEncoderCopy().selectedTrack, 0);
}

TEST_F(EncoderTest, UnderJis2OnlyTrackOneCanBeShown) {
  EncoderSettings sheet = Defaults();
  sheet.encoderType = 1;
  sheet.selectedTrack = 1;
  ui::SheetEncoderCopy() = sheet;
  user_.Click(IDC_ENCODER_APPLY);
  RunAdvanced();
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d[IDC_ADV_TRACK1].checked, BST_CHECKED);
  EXPECT_FALSE(d[IDC_ADV_TRACK2].enabled);
  EXPECT_FALSE(d[IDC_ADV_TRACK3].enabled);
  EXPECT_EQ(JobCommands(), (std::vector<Commands>{{"\x1b&CDEW 1 A\r", "\x1b&CDER 1 Q\r", "\x1b&D 1 210\r"}}));
}

// An encoder type chosen in "Encoder settings" and not applied does not govern "Advanced settings"; what
// "Advanced settings" applies is what a later "Apply" of "Encoder settings" sends.
TEST_F(EncoderTest, AdvancedStartsFromTheSheetCopy) {
  user_.Click(IDC_ENC_JIS2)
      .Click(IDC_ENC_ADVANCED)
      .Look([](const host::DialogView& d) {
        EXPECT_EQ(d.templateId, IDD_ADVANCED_SETTINGS);
        EXPECT_TRUE(d[IDC_ADV_TRACK2].enabled);
        EXPECT_TRUE(d[IDC_ADV_TRACK3].enabled);
      })
      .Select(IDC_ADV_MODE, "6 bit")
      .Click(IDC_ENCODER_APPLY)
      .Click(IDC_ENCODER_APPLY);
  EXPECT_EQ(RunEncoder(), IDOK);
  const std::vector<Commands> jobs = JobCommands();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].at(0), "\x1b&CDEW 1 E_6\r") << "Advanced settings' job";
  EXPECT_EQ(jobs[0].size(), 9u) << "sent as ISO/JIS: three densities";
  EXPECT_EQ(jobs[1], (Commands{"\x1b&CDEW 1 E_6\r", "\x1b&CDER 1 U_6\r"}));
  EXPECT_EQ(ui::SheetEncoderCopy().trackSettings[0].mode, 6);
  EXPECT_EQ(ui::SheetEncoderCopy().encoderType, 1);
  EXPECT_TRUE(Same(StoredBlock(), ui::SheetEncoderCopy()));
}

TEST_F(EncoderTest, AdvancedRestoreDefaultsAndCancel) {
  PrivateDevmode custom = DefaultPrivateDevmode();
  custom.encoder.trackSettings[0].mode = 4;
  custom.encoder.trackSettings[0].startChar = 37;
  for (const bool withFile : {true, false}) {
    SCOPED_TRACE(withFile ? "data file" : "built-in values");
    UseDataFile(withFile ? ImageBytes(custom) : std::vector<uint8_t>{});
    EncoderSettings sheet = Defaults();
    sheet.trackSettings[0].mode = 6;
    sheet.trackSettings[0].startChar = 1;
    ui::SheetEncoderCopy() = sheet;
    user_.Click(IDC_RESTORE_DEFAULTS)
        .Look([&](const host::DialogView& d) {
          EXPECT_EQ(d[IDC_ADV_MODE].selectedText(), withFile ? "4 bit" : "ISO1");
          EXPECT_EQ(d[IDC_ADV_START_CHAR].text, withFile ? "37" : "65");
          ExpectBitModeGroups(d, withFile);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(RunAdvanced(), IDCANCEL);
    EXPECT_TRUE(Same(ui::SheetEncoderCopy(), sheet)) << "Cancel drops the working copy";
    EXPECT_TRUE(host::RawJobs().empty());
    EXPECT_EQ(host::StoredDevmode(kPrinter), storedBefore_);
  }
}

}  // namespace
}  // namespace tolma::test
