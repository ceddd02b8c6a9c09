// "Ribbon Information", "Device Information", "Single Feed Options" and the About box against the scripted reply
// monitor; the About box and Device Information are also written as pictures.
#include "tests/ui/tools_test_support.h"
#include "ui/resources/dialog_ids.h"
#include "ui/tools/about_box.h"
#include "ui/tools/printer_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace tolma::test {
namespace {

const std::string kRibbon = "\x1b!RIBBON\r";
const std::string kRibbonLength = "\x1b!RIBLEN\r";
const std::string kEncoder = "\x1b!V 20\r";
const std::string kModel = "\x1bV\r";
const std::string kSerial = "\x1b%SERIE\r";
const std::string kHead = "\x1b!V 15\r";
const std::string kPanels = "\x1b!NL\r";
const std::string kFeedState =
    "\x1b"
    "ATM 1 1\r";
constexpr ULONG kDialogColour = 0xF0F0F0;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(PrinterInfoRules, PanelCounter) {
  struct Case {
    std::string text;
    uint32_t count;
  };
  const Case cases[] = {
      {"!12345 67", 12345},
      {"12345", 12345},
      {"!0", 0},
      {"!", 0},
      {"", 0},
      {" 5", 0},
      {"!42abc 9", 42},
      {"x1", 0},
      {"-5", 0},
      {"!!7", 0},
      {"4294967295", 4294967295u},
      {"99999999999 1", 4294967295u},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::PanelCountFromAnswer(c.text), c.count) << c.text;
}

TEST(PrinterInfoRules, SmartCardAndSingleFeedState) {
  EXPECT_TRUE(ui::HasSmartCard("RKB-S 2.01"));
  EXPECT_FALSE(ui::HasSmartCard("RKB 2.01"));
  EXPECT_FALSE(ui::HasSmartCard("rkb-s"));
  struct Case {
    std::string reply;
    size_t length;
    UINT state;
  };
  const Case cases[] = {
      {"1\x06", 2, 1329}, {"0\x06", 2, 1330}, {"10\x06", 3, 1329}, {"2\x06", 2, 2135},
      {"1", 1, 2135},     {"\x06", 1, 2135},  {"1\x06", 0, 2135},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::SingleFeedStateString(Bytes(c.reply), c.length), c.state) << c.reply;
}

class InfoTest : public ToolsDialogTest {
 protected:
  void SetUp() override {
    ToolsDialogTest::SetUp();
    dir_.Write("domaribbon.ini", ReadFileBytes(SourcePath("common/domaribbon.ini")));
  }
};

TEST_F(InfoTest, RibbonInformation) {
  struct Case {
    const char* name;
    const char* ribbon;  // nullptr: unanswered
    const char* length;
    std::string type, count;
    size_t reads;
    bool answered;
  };
  const Case cases[] = {
      {"ribbon code 1 has no count", "1\x06", "250\x06", "Monochrome", "Unknown", 2, true},
      {"ribbon code 2 and its count", "2\x06", "85\x06", "YMCKO", "85", 2, true},
      {"a count unanswered", "2\x06", nullptr, "YMCKO", "Unknown", 2, true},
      {"a count refused", "2\x06", "ERR", "YMCKO", "Unknown", 2, true},
      {"a code the names file lacks", "99\x06", "3\x06", "None", "3", 2, true},
      {"the ribbon refused", "ERR", "85\x06", "Unknown", "Unknown", 1, true},
      {"a silent printer", nullptr, "85\x06", "Unknown", "Unknown", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    if (c.ribbon != nullptr) Reply(kRibbon, c.ribbon);
    if (c.length != nullptr) Reply(kRibbonLength, c.length);
    user_
        .Look([&](const host::DialogView& d) {
          if (c.length != nullptr && c.ribbon != nullptr && c.count == "85") SaveDialogPicture(d, "ribbon-information");
          EXPECT_EQ(d[IDC_INFO_RIBBON_TYPE].text, c.type);
          EXPECT_EQ(d[IDC_INFO_RIBBON_COUNT].text, c.count);
          EXPECT_EQ(Requests().size(), c.reads);
          EXPECT_EQ(ui::ReadRibbonInfo(d.window, IDC_INFO_RIBBON_TYPE, IDC_INFO_RIBBON_COUNT), c.answered);
        })
        .Click(IDC_HELP_BUTTON)
        .Click(IDC_CLOSE);
    EXPECT_EQ(ui::RunRibbonInformation(nullptr), 1605);
    EXPECT_EQ(host::LastDialog().title, "Ribbon Information");
    EXPECT_EQ(Requests().front(), kRibbon);
    EXPECT_EQ(host::HelpCalls().size(), 1u);
  }
}

TEST_F(InfoTest, DeviceInformationShowsWhatThePrinterReports) {
  Reply(kRibbon, "2\x06");
  Reply(kRibbonLength, "150\x06");
  Reply(kEncoder, "1\x06");
  Reply(kModel, "RKB-S 2.01\x06");
  Reply(kSerial, "A1234567\x06");
  Reply(kHead, "1250\x06");
  Reply(kPanels, "!12345 67\x06");
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(ui::RunDeviceInformation(nullptr), 1605);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "device-information");
  EXPECT_EQ(d.title, "Device Information");
  EXPECT_EQ(d[IDC_INFO_MODEL].text, "RKB-S 2.01");
  EXPECT_EQ(d[IDC_INFO_SERIAL].text, "A1234567");
  EXPECT_EQ(d[IDC_INFO_HEAD_RESISTANCE].text, "1250");
  EXPECT_EQ(d[IDC_INFO_ENCODER].text, "Yes");
  EXPECT_EQ(d[IDC_INFO_SMART_CARD].text, "Yes");
  EXPECT_EQ(d[IDC_INFO_RIBBON_TYPE].text, "YMCKO");
  EXPECT_EQ(d[IDC_INFO_RIBBON_COUNT].text, "150");
  EXPECT_EQ(d[IDC_INFO_PANELS].text, "12345");
  EXPECT_EQ(Requests(), (std::vector<std::string>{kRibbon, kRibbonLength, kEncoder, kModel, kSerial, kHead, kPanels}));
  for (const host::MonitorRequest& r : host::MonitorRequests())
    EXPECT_EQ(r.bufferSize, r.command == kRibbon || r.command == kRibbonLength ? 105u : 128u) << r.command;
  EXPECT_TRUE(host::DriverDataValueNames(kPrinter).empty()) << "every answered read is deleted";
}

TEST_F(InfoTest, DeviceInformationFallbacks) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> replies;
    std::string model, encoder, smartCard, panels, ribbon;
  };
  const Case cases[] = {
      {"a model without a capital S",
       {{kModel, "RKB 2.01\x06"}, {kEncoder, "0\x06"}},
       "RKB 2.01",
       "No",
       "No",
       " ",
       "Unknown"},
      {"refusals", {{kModel, "SS"}, {kEncoder, "1"}, {kPanels, "!77"}}, "", "No", "No", " ", "Unknown"},
      {"a counter without a space", {{kPanels, "!9876\x06"}}, "", "No", "No", "9876", "Unknown"},
      {"a silent printer", {}, "", "No", "No", " ", "Unknown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    for (const auto& [command, answer] : c.replies) Reply(command, answer);
    user_.Click(IDC_CLOSE);
    ui::RunDeviceInformation(nullptr);
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d[IDC_INFO_MODEL].text, c.model);
    EXPECT_EQ(d[IDC_INFO_ENCODER].text, c.encoder);
    EXPECT_EQ(d[IDC_INFO_SMART_CARD].text, c.smartCard);
    EXPECT_EQ(d[IDC_INFO_PANELS].text, c.panels);
    EXPECT_EQ(d[IDC_INFO_RIBBON_TYPE].text, c.ribbon);
    EXPECT_EQ(d[IDC_INFO_SERIAL].text, "");
  }
}

TEST_F(InfoTest, DeviceInformationReadsNothingInOneWayMode) {
  OneWay();
  Reply(kModel, "RKB\x06");
  user_.Click(IDC_HELP_BUTTON).CloseBox();
  EXPECT_EQ(ui::RunDeviceInformation(nullptr), 1605);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "device-information-one-way");
  EXPECT_TRUE(Requests().empty());
  for (int id : {IDC_INFO_MODEL, IDC_INFO_SERIAL, IDC_INFO_HEAD_RESISTANCE, IDC_INFO_ENCODER, IDC_INFO_SMART_CARD,
                 IDC_INFO_RIBBON_TYPE, IDC_INFO_RIBBON_COUNT, IDC_INFO_PANELS})
    EXPECT_EQ(d[id].text, "") << id;
  EXPECT_EQ(host::HelpCalls().at(0).file, "Doma.hlp");
}

TEST_F(InfoTest, SingleFeedInTwoWayModeShowsTheStateAndAppliesByAReplyRead) {
  host::SetReplyStorage(host::ReplyStorage::CommandText);
  struct Case {
    const char* answer;  // nullptr: unanswered
    std::string status;
    size_t valuesLeft;
  };
  const Case cases[] = {
      {"1\x06", "Current Status : Enabled", 0}, {"0\x06", "Current Status : Disabled", 0},
      {"7\x06", "Current Status : Unknown", 0}, {"1", "Current Status : Unknown", 1},
      {nullptr, "Current Status : Unknown", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Fresh();
    host::SetReplyStorage(host::ReplyStorage::CommandText);
    if (c.answer != nullptr) Reply(kFeedState, c.answer);
    Reply(
        "\x1b"
        "ATM 0\r",
        "\x06");
    user_.Click(IDC_SINGLE_FEED_DISABLE).Click(IDOK);
    EXPECT_EQ(ui::RunSingleFeedOptions(nullptr), IDOK);
    const host::DialogView d = host::LastDialog();
    if (c.answer != nullptr && c.status.ends_with("Enabled")) SaveDialogPicture(d, "single-feed");
    EXPECT_EQ(d[IDC_SINGLE_FEED_STATUS].text, c.status);
    const auto requests = host::MonitorRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, kFeedState);
    EXPECT_EQ(requests[0].bufferSize, 256u);
    EXPECT_EQ(requests[1].command,
              "\x1b"
              "ATM 0\r");
    EXPECT_EQ(requests[1].bufferSize, 64u);
    const auto values = host::DriverDataValueNames(kPrinter);
    const size_t stateLeft = std::count(values.begin(), values.end(), ui::CommandTextName(kFeedState));
    EXPECT_EQ(stateLeft, c.valuesLeft) << "a positive state read is deleted under the command text";
    EXPECT_TRUE(host::RawJobs().empty());
  }
  // The choice always starts at "Enable", whatever the printer said; Cancel sends nothing.
  Fresh();
  Reply(kFeedState, "0\x06");
  user_.Look([](const host::DialogView& d) { EXPECT_EQ(d[IDC_SINGLE_FEED_ENABLE].checked, BST_CHECKED); })
      .Click(IDCANCEL);
  EXPECT_EQ(ui::RunSingleFeedOptions(nullptr), IDCANCEL);
  EXPECT_EQ(Requests(), std::vector<std::string>{kFeedState});
}

TEST_F(InfoTest, SingleFeedInOneWayModeSendsARawJob) {
  OneWay();
  struct Case {
    bool disable;
    std::string bytes;
  };
  for (const Case& c : {Case{false,
                             "\x1b"
                             "ATM 1\r"},
                        Case{true,
                             "\x1b"
                             "ATM 0\r"}}) {
    Fresh();
    user_.Look([](const host::DialogView& d) {
      EXPECT_EQ(d[IDC_SINGLE_FEED_STATUS].text, "Current Status : ");
      EXPECT_EQ(d[IDC_SINGLE_FEED_ENABLE].checked, BST_CHECKED);
    });
    if (c.disable) user_.Click(IDC_SINGLE_FEED_DISABLE);
    user_.Click(IDOK);
    ui::RunSingleFeedOptions(nullptr);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(Jobs(), (std::vector<std::pair<std::string, std::string>>{{"MERIDOATM", c.bytes}}));
  }
  // A job that cannot start sends nothing; the close box applies nothing.
  Fresh();
  host::SetFailure(host::FailPoint::StartDocPrinter);
  user_.Click(IDOK);
  ui::RunSingleFeedOptions(nullptr);
  EXPECT_EQ(host::CallCount(host::FailPoint::WritePrinter), 0);
  host::ClearFailures();
  user_.CloseBox();
  EXPECT_EQ(ui::RunSingleFeedOptions(nullptr), IDCANCEL);
  EXPECT_TRUE(host::RawJobs().empty());
}

// --- About box ---

// A 24-bit bottom-up picture file from its pixels (0xRRGGBB, rows from the top).
std::vector<uint8_t> BmpFile(int width, int height, const std::vector<ULONG>& pixels) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> f(54 + size_t(row) * height, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  f[26] = 1;
  f[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const ULONG c = pixels[size_t(y) * width + x];
      uint8_t* p = f.data() + 54 + size_t(height - 1 - y) * row + size_t(x) * 3;
      p[0] = static_cast<uint8_t>(c);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c >> 16);
    }
  return f;
}

class AboutTest : public ToolsDialogTest {
 protected:
  void InstallLogo(const std::vector<uint8_t>& bytes) { dir_.Write("tlmlogov.bmp", bytes); }
  static ULONG LogoPixel(const std::vector<uint8_t>& file, int x, int y) {
    const uint8_t* p = file.data() + 54 + (53 - y) * 236 + x * 3;
    return (ULONG(p[2]) << 16) | (ULONG(p[1]) << 8) | p[0];
  }
  static void ExpectArea(const host::DialogView& d, const std::function<ULONG(int, int)>& expected) {
    for (int y = 0; y < 54; ++y)
      for (int x = 0; x < 78; ++x)
        if (d.Pixel(11 + x, 14 + y) != expected(x, y)) {
          ADD_FAILURE() << "logo pixel " << x << ", " << y << " is " << std::hex << d.Pixel(11 + x, 14 + y);
          return;
        }
  }
};

TEST_F(AboutTest, ShowsTheVersionAndTheLogoBesideTheDriver) {
  const std::vector<uint8_t> logo = ReadFileBytes(BuiltLogoPicture());
  ASSERT_EQ(logo.size(), 54u + 236u * 54u);
  InstallLogo(logo);
  user_.Click(IDOK);
  EXPECT_EQ(ui::RunAboutBox(nullptr), IDOK);
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "about-with-logo");
  EXPECT_EQ(d.title, "About");
  EXPECT_EQ(d[IDC_ABOUT_VERSION].text, "Version 4.00.03");
  ExpectArea(d, [&](int x, int y) { return LogoPixel(logo, x, y); });
  for (const auto& [x, y] : {std::pair{10, 14}, {89, 14}, {11, 13}, {11, 68}})
    EXPECT_EQ(d.Pixel(x, y), kDialogColour) << x << ", " << y;
}

TEST_F(AboutTest, WithoutALogoTheAreaStaysEmpty) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"no logo file", [] {}},
      {"a file that is no picture", [this] { InstallLogo(Bytes("not a bitmap")); }},
      {"no printer",
       [this] {
         InstallLogo(ReadFileBytes(BuiltLogoPicture()));
         LosePrinter();
         ui::State().link.printerName[0] = 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_.path() / "tlmlogov.bmp");
    c.arrange();
    user_.CloseBox();
    EXPECT_EQ(ui::RunAboutBox(nullptr), IDCANCEL);
    const host::DialogView d = host::LastDialog();
    SaveDialogPicture(d, "about-without-logo");
    ExpectArea(d, [](int, int) { return kDialogColour; });
    EXPECT_EQ(d[IDC_ABOUT_VERSION].text, "Version 4.00.03");
  }
}

TEST_F(AboutTest, ALogoOfAnotherSizeIsStretchedIntoItsArea) {
  // Two by two pixels: red and green on the top row, blue and white on the bottom row.
  const std::vector<uint8_t> file = BmpFile(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  InstallLogo(file);
  // The About box of the document sheet: no device-sheet information, the current printer name only.
  ui::State().link.printerInfo = nullptr;
  user_.Click(IDOK);
  ui::RunAboutBox(nullptr);
  ExpectArea(host::LastDialog(), [](int x, int y) -> ULONG {
    if (y < 27) return x < 39 ? 0xFF0000 : 0x00FF00;
    return x < 39 ? 0x0000FF : 0xFFFFFF;
  });
}

}  // namespace
}  // namespace tolma::test
