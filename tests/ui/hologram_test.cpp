// "Hologram Overlay Varnish" (110) and its lamination jobs: the dialog's switches and copies, the rectangle jobs
// byte for byte, and the bitmap job read back by the project's own stream reader and compared pixel for pixel with
// the mask mapping computed here.
#include "tests/support/bitmap_files.h"
#include "tests/ui/adjust_test_support.h"
#include "tools/lib/stream_reader.h"
#include "ui/adjust/hologram.h"
#include "ui/adjust/hologram_job.h"
#include "ui/resources/dialog_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tolma::test {
namespace {

const std::string kContrast = "\x1b+CH 5\r";  // the default head setting of the hologram panel
const std::string kFull = "\x1bIH 30\r";
const std::string kMasked = "\x1bIH 31\r";
const std::string kOpen =
    "\x1b"
    "F\r";
const std::string kTurn = "\x1bMF\r";
const std::string kOut = "\x1bMO\r";
const std::string kClear = "\x1bL 0 0 1023 639 0\r";
const std::string kSet = "\x1bL 0 0 1023 639 1\r";

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class HologramTest : public AdjustDialogTest {
 protected:
  void SetUp() override {
    AdjustDialogTest::SetUp();
    SheetPrinter(Name());
  }
  void TearDown() override {
    ui::State().link.printerInfo = nullptr;
    AdjustDialogTest::TearDown();
  }
  // The document sheet's printer name in the link context.
  static void SheetPrinter(const WString& name) {
    std::fill(std::begin(ui::State().link.printerName), std::end(ui::State().link.printerName), 0);
    std::copy(name.begin(), name.end(), ui::State().link.printerName);
  }
  INT_PTR Run() { return ui::RunHologram(nullptr); }
  // Runs the dialog, presses Print once and closes it.
  void Print(const PrivateDevmode& pd) {
    Edit(pd);
    user_.Click(IDC_HOLOGRAM_PRINT).Click(IDC_CLOSE);
    Run();
  }
  static PrivateDevmode Lamination(int type, int copies, bool twoSided, bool rotated = false) {
    PrivateDevmode pd = DefaultPrivateDevmode();
    pd.hologramArea = {static_cast<int16_t>(type), static_cast<int16_t>(rotated ? 1 : 0), 100, 50, 300, 150};
    pd.hologramCopies = static_cast<uint16_t>(copies);
    pd.printBothSides = twoSided ? 1 : 0;
    return pd;
  }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const host::MessageBoxCall& m : host::MessageBoxes()) {
      EXPECT_EQ(m.caption, "Tolma Q47x Card Printer");
      texts.push_back(m.text);
    }
    return texts;
  }
};

// --- The dialog ---

TEST_F(HologramTest, OpensFromThePrivatePart) {
  for (int enabled : {0, 1}) {
    PrivateDevmode pd = DefaultPrivateDevmode();
    pd.hologramEnabled = static_cast<int16_t>(enabled);
    pd.hologramCopies = 1234;
    Edit(pd);
    user_.Click(IDC_CLOSE);
    EXPECT_EQ(Run(), 0);
    const host::DialogView d = host::LastDialog();
    if (enabled) SaveDialogPicture(d, "hologram");
    EXPECT_EQ(d.title, "Hologram Overlay Varnish");
    EXPECT_EQ(d.templateId, 110);
    EXPECT_EQ(d[IDC_HOLOGRAM_ENABLE].checked, enabled ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(d[IDC_HOLOGRAM_AREA_BUTTON].enabled, enabled == 1);
    EXPECT_EQ(d[IDC_HOLOGRAM_AREA_BUTTON].text, "Hologram Overlay Varnish at front");
    EXPECT_EQ(d[IDC_HOLOGRAM_COPIES].text, "1234");
    EXPECT_EQ(d[IDC_HOLOGRAM_PRINT].text, "Print Hologram Overlay Varnish");
    EXPECT_EQ(d[IDC_HOLOGRAM_HEAD_SETTINGS].text, "Head Settings");
    EXPECT_TRUE(host::RawJobs().empty());
  }
}

TEST_F(HologramTest, EnableStoresAndEnablesTheAreaButton) {
  user_.Click(IDC_HOLOGRAM_ENABLE)
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(Edited().hologramEnabled, 1);
        EXPECT_TRUE(d[IDC_HOLOGRAM_AREA_BUTTON].enabled);
      })
      .Click(IDC_HOLOGRAM_ENABLE)
      .Look([&](const host::DialogView& d) { EXPECT_FALSE(d[IDC_HOLOGRAM_AREA_BUTTON].enabled); })
      .CloseBox();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Edited().hologramEnabled, 0);
}

TEST_F(HologramTest, CopiesAreStoredAsTyped) {
  struct Case {
    std::string text;  // "" erases
    int stored;
    INT_PTR result;
  };
  const Case cases[] = {{"25", 25, 1}, {"1", 1, 0}, {"0", 0, 1}, {"99999", 65535, 1}, {"", 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    Edit(DefaultPrivateDevmode());  // 1 copy
    c.text.empty() ? user_.Erase(IDC_HOLOGRAM_COPIES) : user_.Retype(IDC_HOLOGRAM_COPIES, c.text);
    user_.Click(IDC_CLOSE);
    EXPECT_EQ(Run(), c.result);
    EXPECT_EQ(Edited().hologramCopies, c.stored);
  }
  EXPECT_EQ(ui::ParseCopiesText(host::Wide("12x")), std::nullopt);
  EXPECT_EQ(ui::ParseCopiesText(host::Wide("4294967296")), 65535);
}

TEST_F(HologramTest, TheAreaAndHeadSettingsDialogsOpenFromTheirButtons) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.hologramEnabled = 1;
  pd.ribbonType = 4;  // a hologram ribbon: its head setting moves
  Edit(pd);
  user_.Click(IDC_HOLOGRAM_AREA_BUTTON)
      .Look([](const host::DialogView& d) { EXPECT_EQ(d.templateId, 111); })
      .Select(IDC_HOLOGRAM_AREA_LIST, "Selected area blank")
      .Click(IDC_CLOSE)
      .Click(IDC_HOLOGRAM_HEAD_SETTINGS)
      .Look([](const host::DialogView& d) { EXPECT_EQ(d.templateId, 107); })
      .MoveTrackbar(IDC_HEAD_CONTRAST_H, 8)
      .Click(IDC_CLOSE)
      .Click(IDC_HELP_BUTTON)
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Edited().hologramArea.areaType, 2);
  EXPECT_EQ(Edited().headContrastH, 8);
  ASSERT_EQ(host::HelpCalls().size(), 1u);
  EXPECT_EQ(host::HelpCalls()[0].file, "Doma.hlp");
  // The area dialog reporting no change leaves the mark alone.
  Edit(pd);
  user_.Click(IDC_HOLOGRAM_AREA_BUTTON).Click(IDC_CLOSE).Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 0);
}

// --- Rectangle jobs ---

TEST_F(HologramTest, RectangleJobsByteForByte) {
  const std::string area = "\x1bL 100 50 200 100 1\r", blank = "\x1bL 100 50 200 100 0\r";
  struct Case {
    const char* name;
    PrivateDevmode pd;
    int jobs;
    std::vector<std::string> writes;  // of each job
  };
  const Case cases[] = {
      {"type 0, 3 copies", Lamination(0, 3, false), 3, {kContrast, kFull, kOut}},
      {"type 0, 0 copies", Lamination(0, 0, false), 1, {kContrast, kFull, kOut}},
      {"type 0, two-sided", Lamination(0, 1, true), 1, {kContrast, kFull, kTurn, kFull, kOut}},
      {"type 1", Lamination(1, 1, false), 1, {kContrast, kOpen, kClear, area, kMasked, kOut}},
      {"type 1 rotated",
       Lamination(1, 1, false, true),
       1,
       {kContrast, kOpen, kClear, "\x1bL 723 489 200 100 1\r", kMasked, kOut}},
      {"type 1, two-sided, 2 copies",
       Lamination(1, 2, true),
       2,
       {kContrast, kOpen, kClear, area, kMasked, kTurn, kOpen, kClear, area, kMasked, kOut}},
      {"type 2", Lamination(2, 1, false), 1, {kContrast, kOpen, kSet, blank, kMasked, kOut}},
      {"type 2 rotated, two-sided",
       Lamination(2, 1, true, true),
       1,
       {kContrast, kOpen, kSet, "\x1bL 723 489 200 100 0\r", kMasked, kTurn, kOpen, kSet, "\x1bL 723 489 200 100 0\r",
        kMasked, kOut}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t before = host::RawJobs().size();
    Print(c.pd);
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size() - before, static_cast<size_t>(c.jobs));
    std::string all;
    std::vector<DWORD> sizes;
    for (const std::string& w : c.writes) {
      all += w;
      sizes.push_back(static_cast<DWORD>(w.size()));
    }
    for (size_t i = before; i < jobs.size(); ++i) {
      EXPECT_EQ(jobs[i].docName, "MERIDOHOLOGRAM");
      EXPECT_EQ(jobs[i].datatype, "RAW");
      EXPECT_EQ(jobs[i].outputFile, "");
      EXPECT_EQ(jobs[i].printer, kPrinter);
      EXPECT_EQ(Text(jobs[i].data), all);
      EXPECT_EQ(jobs[i].writes, sizes) << "one write per command";
      EXPECT_TRUE(jobs[i].ended);
    }
    EXPECT_TRUE(host::MessageBoxes().empty());
  }
}

TEST_F(HologramTest, MoreThan1500CopiesSendNothing) {
  Print(Lamination(0, 1501, false));
  EXPECT_TRUE(host::RawJobs().empty());
  ASSERT_EQ(host::MessageBoxes().size(), 1u);
  EXPECT_EQ(host::MessageBoxes()[0].text, "The number of copies cannot be more than 1500.");
  EXPECT_EQ(host::MessageBoxes()[0].type, UINT{MB_OK | MB_ICONERROR});
  Print(Lamination(3, 65535, true));
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(host::MessageBoxes().size(), 2u);
  Print(Lamination(0, 1500, false));
  EXPECT_EQ(host::RawJobs().size(), 1500u);
}

TEST_F(HologramTest, TypesAbove3AndUnknownPrintersSendNothing) {
  Print(Lamination(4, 2, false));
  Print(Lamination(-1, 2, false));
  SheetPrinter(WideFromAscii("Gone Printer"));
  Print(Lamination(0, 2, false));
  Print(Lamination(3, 1, false));  // the bitmap is missing: that is said, the printer is not
  EXPECT_TRUE(host::RawJobs().empty());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"System Error"});
  // The Print button comes back after a job.
  EXPECT_TRUE(host::LastDialog()[IDC_HOLOGRAM_PRINT].enabled);
}

// The jobs go to the open sheet's printer; without one, to the device sheet's printer information.
TEST_F(HologramTest, ThePrinterOfTheJobs) {
  SheetPrinter({});
  WString name = Name();
  PRINTER_INFO_2W info{};
  info.pPrinterName = name.data();
  ui::State().link.printerInfo = &info;
  Print(Lamination(0, 1, false));
  ASSERT_EQ(host::RawJobs().size(), 1u);
  EXPECT_EQ(host::RawJobs()[0].printer, kPrinter);
  EXPECT_EQ(ui::HologramPrinterName(ui::State().link), name);
  WString other = WideFromAscii("Other Printer");
  info.pPrinterName = other.data();
  SheetPrinter(name);
  EXPECT_EQ(ui::HologramPrinterName(ui::State().link), name) << "the open sheet's printer comes first";
}

// --- The bitmap job ---

// An asymmetric mask: every column and row differs from its mirror image. Two small patches put the escape byte
// 0x5B into the lines, upright (columns 600..603) and turned (columns 700..703).
bool Pattern(int x, int y) {
  if (x >= 600 && x < 604 && y >= 400 && y < 408) return (0x5B >> (7 - (y - 400))) & 1;
  if (x >= 700 && x < 704 && y >= 232 && y < 240) return (0x5B >> (y - 232)) & 1;
  return (x * 5 + y * 3) % 13 < 6 || (x < 3 && y < 200) || (y == 0 && x < 700);
}

// What a mask line's bit should be, by the mapping: line k is column 1023 - k of the mask drawn upside down and read
// back bottom row first, or, turned by 180 degrees, column k read from the bottom.
bool MaskBit(const std::function<bool(int, int)>& white, int scale, bool rotated, int k, int j) {
  return rotated ? white(k / scale, (639 - j) / scale) : white((1023 - k) / scale, j / scale);
}

TEST_F(HologramTest, TheBitmapJobCarriesTheMaskOncePerSideReadBackExactly) {
  struct Case {
    const char* name;
    int width, height;
    bool topDown;
    bool rotated, twoSided;
    int copies;
  };
  const Case cases[] = {
      {"one side", 1024, 640, false, false, false, 1},
      {"one side, rotated", 1024, 640, false, true, false, 1},
      {"two sides, 2 copies", 1024, 640, false, false, true, 2},
      {"two sides, rotated, 2 copies", 1024, 640, false, true, true, 2},
      {"one side, 2 copies, top-down file", 1024, 640, true, false, false, 2},
      {"stretched four times, rotated", 256, 160, false, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int scale = 1024 / c.width;
    const std::string path = dir_.Write("hologram.bmp", OneBitBitmap(c.width, c.height, Pattern, c.topDown));
    PrivateDevmode pd = Lamination(3, c.copies, c.twoSided, c.rotated);
    const WString wide = host::Wide(path);
    std::copy(wide.begin(), wide.end(), pd.hologramBitmapPath);
    const size_t before = host::RawJobs().size();
    Print(pd);
    const auto jobs = host::RawJobs();
    ASSERT_EQ(jobs.size(), before + 1) << "one job, whatever the copies";
    EXPECT_EQ(jobs.back().docName, "MERIDOHOLOGRAM");
    if (scale == 1) {
      EXPECT_NE(Text(jobs.back().data).find("[["), std::string::npos) << "the mask holds escape bytes, sent doubled";
    }

    const CommandStream stream = ReadCommandStream(jobs.back().data);
    EXPECT_TRUE(stream.errors.empty()) << stream.errors.front().offset << ": " << stream.errors.front().message;
    std::vector<std::string> expected = {Printable(kContrast), Printable("\x1bMASTER\r")};
    const std::string image = Printable(kOpen), header = "\\eG 0 0 12 640 1024 0\\r\\eZ<data>";
    for (int side = 0; side < (c.twoSided ? 2 : 1); ++side) {
      if (side == 1) expected.push_back(Printable(kTurn));
      expected.insert(expected.end(), {image, header, Printable(kMasked)});
    }
    expected.push_back(Printable(kOut));
    for (int copy = 1; copy < c.copies; ++copy) {
      expected.push_back(Printable(kMasked));
      if (c.twoSided) expected.insert(expected.end(), {Printable(kTurn), Printable(kMasked)});
      expected.push_back(Printable(kOut));
    }
    EXPECT_EQ(CommandTexts(stream), expected);

    // Every image is the mask: 1024 lines of 640 dots by the mapping, no column lost in the turn.
    int images = 0;
    for (const StreamItem& item : stream.items) {
      if (!item.image) continue;
      ++images;
      EXPECT_EQ(item.image->kind, StreamImage::Kind::Mono);
      EXPECT_EQ(item.image->format, 12);
      EXPECT_FALSE(item.image->print) << "a lamination mask";
      ASSERT_EQ(item.image->values.size(), 81920u);
      int wrong = 0;
      for (int k = 0; k < 1024; ++k)
        for (int j = 0; j < 640; ++j) {
          const bool bit = (item.image->values[k * 80 + j / 8] >> (7 - j % 8)) & 1;
          if (bit != MaskBit(Pattern, scale, c.rotated, k, j) && wrong++ < 5)
            ADD_FAILURE() << "line " << k << " dot " << j << " is " << bit;
        }
      EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(images, c.twoSided ? 2 : 1);
  }
}

// Without the paint context, a GDI resource or a sound bitmap file nothing is sent and "System Error" is said.
TEST_F(HologramTest, TheBitmapJobNeedsItsFileAndItsDrawingResources) {
  const std::string good = dir_.Write("good.bmp", OneBitBitmap(1024, 640, Pattern));
  const std::string colour = dir_.Write("colour.bmp", TrueColourBitmap(64, 40));
  std::vector<uint8_t> lying = OneBitBitmap(64, 40, Pattern);
  lying[4] = 0x10;  // the header's file size far beyond the file
  const std::string liar = dir_.Write("liar.bmp", lying);
  auto withPath = [](const std::string& path) {
    PrivateDevmode pd = Lamination(3, 1, true);
    const WString wide = host::Wide(path);
    std::copy(wide.begin(), wide.end(), pd.hologramBitmapPath);
    return pd;
  };
  // Through the dialog.
  for (const std::string& path : {dir_.str() + "/missing.bmp", colour, liar}) {
    Print(withPath(path));
    EXPECT_TRUE(host::RawJobs().empty()) << path;
  }
  for (const host::MessageBoxCall& m : host::MessageBoxes()) {
    EXPECT_EQ(m.text, "System Error");
    EXPECT_EQ(m.type, UINT{MB_OK});
  }
  EXPECT_EQ(host::MessageBoxes().size(), 3u);
  // Each drawing resource failing in turn, on the job itself.
  const PrivateDevmode pd = withPath(good);
  for (host::FailPoint point :
       {host::FailPoint::BeginPaint, host::FailPoint::CreateCompatibleDC, host::FailPoint::CreateDIBitmap,
        host::FailPoint::SelectObject, host::FailPoint::StretchDIBits, host::FailPoint::GetDIBits}) {
    host::SetFailure(point);
    EXPECT_EQ(ui::LaminateHologram(host::TopWindow(), ui::State().link, pd), ui::LaminationResult::kSystemError)
        << static_cast<int>(point);
    host::ClearFailures();
    EXPECT_TRUE(host::RawJobs().empty());
  }
  EXPECT_EQ(ui::LaminateHologram(host::TopWindow(), ui::State().link, pd), ui::LaminationResult::kDone);
  EXPECT_EQ(host::RawJobs().size(), 1u);
}

TEST(HologramJobRules, RectangleNumbersAndJobCount) {
  HologramArea area{1, 0, 100, 50, 300, 150};
  EXPECT_EQ(ui::LaminationRectNumbers(area), (std::array<int64_t, 4>{100, 50, 200, 100}));
  area.areaRotate180 = 1;
  EXPECT_EQ(ui::LaminationRectNumbers(area), (std::array<int64_t, 4>{723, 489, 200, 100}));
  EXPECT_EQ(ui::LaminationJobCount(0), 1);
  EXPECT_EQ(ui::LaminationJobCount(1), 1);
  EXPECT_EQ(ui::LaminationJobCount(1500), 1500);
}

// Line k of the mask is pixel column 1023 - k, its dots from the rows in memory order, not inverted.
TEST(HologramJobRules, MaskLinesAreColumns) {
  std::vector<uint8_t> rows(ui::kMaskBytes, 0);
  rows[2 * 128 + 0] = 0x04;      // column 5 of memory row 2
  rows[639 * 128 + 127] = 0x01;  // column 1023 of the last row
  const std::vector<uint8_t> lines = ui::LaminationLines(rows);
  ASSERT_EQ(lines.size(), 81920u);
  std::vector<uint8_t> expected(81920, 0);
  expected[1018 * 80 + 0] = 0x20;  // line 1018, dot 2
  expected[0 * 80 + 79] = 0x01;    // line 0, dot 639
  EXPECT_EQ(lines, expected);
}

// The mask encoder against the worked example of the one-bit run-length form, escape doubling included, and an
// empty mask of 1024 lines.
TEST(HologramJobRules, MaskEncoding) {
  std::string sent;
  auto collect = [&](std::span<const uint8_t> part) { sent.append(part.begin(), part.end()); };
  const std::vector<uint8_t> example = {0x00, 0x00, 0x00, 0x5B, 0x12, 0x34, 0x34};
  EXPECT_TRUE(ui::EncodeLaminationMask(example, collect));
  EXPECT_EQ(sent, std::string("\x83\x00\x02\x5B\x5B\x12\x82\x34", 8));
  sent.clear();
  EXPECT_TRUE(ui::EncodeLaminationMask(std::vector<uint8_t>(81920, 0), collect));
  std::string expected;
  for (int i = 0; i < 645; ++i) expected += std::string("\xFF\x00", 2);
  expected += std::string("\x85\x00", 2);
  EXPECT_EQ(sent, expected);
}

}  // namespace
}  // namespace tolma::test
