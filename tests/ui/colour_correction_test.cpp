// "Color correction": the enabling rules, the preview's own curves and picture file, and the preview the dialog
// paints, checked on its pixels against the curves computed here.
#include "tests/ui/adjust_test_support.h"
#include "ui/adjust/colour_correction.h"
#include "ui/adjust/colour_preview.h"
#include "ui/resources/dialog_ids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

namespace tolma::test {
namespace {

constexpr int kTrackbars[8] = {1901, 1902, 1903, 1904, 1905, 1906, 1907, 1908};
constexpr ULONG kDialogColour = 0xF0F0F0;

// The preview's curves, computed in floating point from their definitions.
int Intensity(int v, int i) { return static_cast<int>(std::clamp(v + std::trunc(i * 256.0 / 100.0), 0.0, 255.0)); }
int Contrast(int v, int c) {
  if (c == 0) return v;
  if (c > 0)
    return static_cast<int>(std::trunc(std::pow(v / 255.5, (255 - std::trunc(c * 180.0 / 100.0)) / 255.0) * 255.0));
  if (c == -100) return 0;
  return static_cast<int>(std::trunc(std::pow(v / 255.1, 255.0 / (std::trunc(c * 255.0 / 100.0) + 255)) * 230.0));
}

// A pixel (0xRRGGBB) of a 100 x 100 bottom-up 24-bit picture file, row 0 at the top.
ULONG FilePixel(const std::vector<uint8_t>& file, int x, int y) {
  const uint8_t* p = file.data() + 54 + (99 - y) * 300 + x * 3;
  return (ULONG(p[2]) << 16) | (ULONG(p[1]) << 8) | p[0];
}
int Red(ULONG c) { return static_cast<int>(c >> 16); }
int Green(ULONG c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(ULONG c) { return static_cast<int>(c & 0xFF); }
ULONG Rgb(int r, int g, int b) { return (ULONG(r) << 16) | (ULONG(g) << 8) | ULONG(b); }

// Every pixel of the preview area (100 x 100 at 8, 8) passes `check(x, y, pixel)`; the first failure is reported.
void ForEachPreviewPixel(const host::DialogView& d, const std::function<bool(int, int, ULONG)>& check) {
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (!check(x, y, d.Pixel(8 + x, 8 + y))) {
        ADD_FAILURE() << "preview pixel " << x << ", " << y << " is " << std::hex << d.Pixel(8 + x, 8 + y);
        return;
      }
}

class ColourCorrectionTest : public AdjustDialogTest {
 protected:
  void SetUp() override {
    AdjustDialogTest::SetUp();
    picture_ = ReadFileBytes(BuiltPreviewPicture());
    ASSERT_EQ(picture_.size(), ui::kPreviewFileBytes);
  }
  void InstallPicture(const std::vector<uint8_t>& bytes) { dir_.Write("domacc.bmp", bytes); }
  void InstallPicture() { InstallPicture(picture_); }
  INT_PTR Run() { return ui::RunColourCorrection(nullptr); }
  int Paints() const {
    int n = 0;
    for (const host::DialogMessage& m : host::DialogMessages()) n += m.templateId == 109 && m.message == WM_PAINT;
    return n;
  }

  std::vector<uint8_t> picture_;
};

TEST(ColourCorrectionRules, EnablingFollowsRibbonAndTwoSidedMode) {
  // Per ribbon type: colour trackbars; black pair when one-sided; black pair two-sided for modes 0..3.
  struct Row {
    int type;
    bool colour;
    bool blackOneSided;
    const char* blackTwoSided;
  };
  const Row rows[] = {
      {0, true, false, "Y.YY"},  {1, false, true, "YYYY"},  {2, true, false, "...."},  {3, false, true, "YYYY"},
      {4, true, true, "YYYY"},   {5, true, false, "...."},  {6, true, false, "Y.YY"},  {7, true, false, "Y.YY"},
      {8, true, false, "YY.Y"},  {9, true, true, "YYYY"},   {10, true, true, "YYYY"},  {11, true, false, "Y.YY"},
      {12, true, false, "Y.YY"}, {13, true, false, "...."}, {14, false, true, "YYYY"}, {15, true, true, "YYYY"},
  };
  for (const Row& r : rows)
    for (int mode = 0; mode < 4; ++mode)
      for (bool both : {false, true}) {
        const ui::ColourCorrectionEnabling e = ui::ColourCorrectionEnabled(r.type, both, mode);
        EXPECT_EQ(e.colour, r.colour) << r.type;
        EXPECT_EQ(e.black, both ? r.blackTwoSided[mode] == 'Y' : r.blackOneSided) << r.type << " mode " << mode;
      }
}

TEST(ColourCorrectionRules, CurvesFollowTheirDefinitions) {
  for (int v = 0; v < 256; ++v)
    for (int k = -100; k <= 100; ++k) {
      ASSERT_EQ(ui::PreviewIntensity(v, k), Intensity(v, k)) << v << " " << k;
      ASSERT_EQ(ui::PreviewContrast(v, k), Contrast(v, k)) << v << " " << k;
    }
  EXPECT_EQ(ui::PreviewIntensity(0, 100), 255) << "intensity 100 is white";
  EXPECT_EQ(ui::PreviewContrast(255, -100), 0) << "contrast -100 is black";
  EXPECT_EQ(ui::PreviewContrast(200, 100), 237);
  EXPECT_EQ(ui::PreviewContrast(200, -50), 141);
  // Values a DEVMODE may hold beyond the trackbars' range are taken as the range's ends.
  for (int v : {0, 1, 128, 255}) {
    EXPECT_EQ(ui::PreviewContrast(v, 150), ui::PreviewContrast(v, 100));
    EXPECT_EQ(ui::PreviewContrast(v, -32768), ui::PreviewContrast(v, -100));
    EXPECT_EQ(ui::PreviewContrast(v, 32767), ui::PreviewContrast(v, 100));
  }
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ccIntensityR = 32767;
  pd.ccContrastR = -32768;
  const ui::PreviewTables t = ui::MakePreviewTables(pd);
  EXPECT_EQ(t.red[0], 0);
}

TEST(ColourCorrectionRules, ThePictureFileMustHoldAWholePicture) {
  const std::vector<uint8_t> good = ReadFileBytes(BuiltPreviewPicture());
  ASSERT_EQ(good.size(), 30054u);
  auto with = [&](size_t offset, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> f = good;
    std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<ptrdiff_t>(offset));
    return f;
  };
  std::vector<uint8_t> longer = good;
  longer.resize(good.size() + 5000, 0xAB);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    bool taken;
  };
  const Case cases[] = {
      {"the built picture", good, true},
      {"a longer file", longer, true},
      {"a byte short", std::vector<uint8_t>(good.begin(), good.end() - 1), false},
      {"only the headers", std::vector<uint8_t>(good.begin(), good.begin() + 54), false},
      {"empty", {}, false},
      {"top-down rows", with(22, {0x9C, 0xFF, 0xFF, 0xFF}), true},
      {"99 wide", with(18, {99, 0, 0, 0}), false},
      {"101 high", with(22, {101, 0, 0, 0}), false},
      {"8 bits", with(28, {8, 0}), false},
      {"compressed", with(30, {1, 0, 0, 0}), false},
      {"a larger header", with(14, {124, 0, 0, 0}), false},
  };
  for (const Case& c : cases) {
    const std::optional<ui::PreviewPicture> p = ui::ParsePreviewPicture(c.file);
    EXPECT_EQ(p.has_value(), c.taken) << c.name;
    if (p) {
      EXPECT_EQ(p->pixels.size(), ui::kPreviewPixelBytes) << c.name;
    }
  }
}

TEST(ColourCorrectionRules, TheBuiltPictureHasHuesPatchesAndAGreyRamp) {
  const std::vector<uint8_t> file = ReadFileBytes(BuiltPreviewPicture());
  ASSERT_EQ(file.size(), 30054u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(FilePixel(file, 0, 0), 0xFF0000u) << "the hue bands start with red";
  EXPECT_EQ(FilePixel(file, 0, 99), 0x000000u) << "the grey ramp runs from black";
  EXPECT_EQ(FilePixel(file, 99, 99), 0xFFFFFFu) << "to white";
  EXPECT_EQ(FilePixel(file, 90, 70), Rgb(120, 170, 220)) << "a sky patch";
}

TEST_F(ColourCorrectionTest, OpensWithTheFieldsOnTrackbarsOfMinusToPlusHundred) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ribbonType = 0;
  pd.printBothSides = 1;
  pd.twoSidedMode = 0;
  pd.ccIntensityK = -100;
  pd.ccIntensityR = -50;
  pd.ccIntensityG = 0;
  pd.ccIntensityB = 1;
  pd.ccContrastK = 25;
  pd.ccContrastR = 50;
  pd.ccContrastG = 99;
  pd.ccContrastB = 100;
  Edit(pd);
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(Run(), 1605);
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d.title, "Color correction");
  const int values[8] = {-100, -50, 0, 1, 25, 50, 99, 100};
  for (int i = 0; i < 8; ++i) {
    const host::ControlView& t = d[kTrackbars[i]];
    EXPECT_EQ(t.minimum, -100);
    EXPECT_EQ(t.maximum, 100);
    EXPECT_EQ(t.ticks, std::vector<LONG>{1});
    EXPECT_EQ(t.position, values[i]);
    EXPECT_TRUE(t.enabled) << "two-sided YMCKO with a black back: all eight";
    EXPECT_EQ(d[1910 + i].text, std::to_string(values[i]));
  }
}

TEST_F(ColourCorrectionTest, TheDialogEnablesWhatTheRulesSay) {
  for (int type = 0; type < 16; ++type)
    for (int both = 0; both < 2; ++both)
      for (int mode = 0; mode < 4; ++mode) {
        PrivateDevmode pd = DefaultPrivateDevmode();
        pd.ribbonType = static_cast<int16_t>(type);
        pd.printBothSides = static_cast<int16_t>(both);
        pd.twoSidedMode = static_cast<int16_t>(mode);
        Edit(pd);
        user_.CloseBox();
        ASSERT_EQ(Run(), 1605);
        const ui::ColourCorrectionEnabling e = ui::ColourCorrectionEnabled(type, both != 0, mode);
        const host::DialogView d = host::LastDialog();
        for (int id : kTrackbars) {
          const bool black = id == IDC_CC_INTENSITY_K || id == IDC_CC_CONTRAST_K;
          EXPECT_EQ(d[id].enabled, black ? e.black : e.colour) << type << " " << both << " " << mode << " " << id;
        }
      }
}

TEST_F(ColourCorrectionTest, ThePreviewShowsThePictureUnchangedAtZero) {
  InstallPicture();
  user_.Click(IDC_CLOSE);
  Run();
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "colour-correction-neutral");
  ForEachPreviewPixel(d, [&](int x, int y, ULONG p) { return p == FilePixel(picture_, x, y); });
  EXPECT_EQ(d.Pixel(7, 7), kDialogColour);
  EXPECT_EQ(d.Pixel(108, 50), kDialogColour);
  EXPECT_EQ(d.Pixel(50, 108), kDialogColour);
}

TEST_F(ColourCorrectionTest, IntensityHundredTurnsThePreviewWhiteAndContrastMinusHundredBlack) {
  InstallPicture();
  const PrivateDevmode before = Edited();
  user_.MoveTrackbar(IDC_CC_INTENSITY_R, 100)
      .MoveTrackbar(IDC_CC_INTENSITY_G, 100)
      .MoveTrackbar(IDC_CC_INTENSITY_B, 100)
      .Look([&](const host::DialogView& d) {
        SaveDialogPicture(d, "colour-correction-intensity-100");
        ForEachPreviewPixel(d, [](int, int, ULONG p) { return p == 0xFFFFFF; });
        EXPECT_EQ(Edited().ccIntensityG, 100) << "stored at once";
        EXPECT_EQ(d[IDC_CC_INTENSITY_G_VALUE].text, "100");
      })
      .MoveTrackbar(IDC_CC_INTENSITY_R, 0)
      .MoveTrackbar(IDC_CC_INTENSITY_G, 0)
      .MoveTrackbar(IDC_CC_INTENSITY_B, 0)
      .MoveTrackbar(IDC_CC_CONTRAST_R, -100)
      .MoveTrackbar(IDC_CC_CONTRAST_G, -100)
      .MoveTrackbar(IDC_CC_CONTRAST_B, -100)
      .Look([](const host::DialogView& d) {
        SaveDialogPicture(d, "colour-correction-contrast-minus-100");
        ForEachPreviewPixel(d, [](int, int, ULONG p) { return p == 0x000000; });
      })
      .CloseBox();
  EXPECT_EQ(Run(), 1605);
  EXPECT_EQ(Edited().ccContrastB, -100);
  EXPECT_EQ(Edited().ccIntensityR, 0);
  EXPECT_EQ(Edited().ccIntensityK, before.ccIntensityK);
}

TEST_F(ColourCorrectionTest, AKResinRibbonShowsTheGreyPictureAndMovesOnlyBlack) {
  InstallPicture();
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ribbonType = 1;
  Edit(pd);
  std::vector<std::string>& failures = CaptureFailures();
  auto grey = [&](int x, int y) {
    const ULONG f = FilePixel(picture_, x, y);
    return (2 * Blue(f) + 9 * Green(f) + 5 * Red(f)) >> 4;
  };
  user_
      .Look([&](const host::DialogView& d) {
        SaveDialogPicture(d, "colour-correction-k-resin");
        ForEachPreviewPixel(d, [&](int x, int y, ULONG p) {
          const int g = grey(x, y);
          return p == Rgb(g, g, g);
        });
      })
      .MoveTrackbar(IDC_CC_INTENSITY_R, 50)
      .MoveTrackbar(IDC_CC_INTENSITY_K, 40)
      .MoveTrackbar(IDC_CC_CONTRAST_K, -30)
      .Look([&](const host::DialogView& d) {
        SaveDialogPicture(d, "colour-correction-k-resin-adjusted");
        ForEachPreviewPixel(d, [&](int x, int y, ULONG p) {
          const int g = Contrast(Intensity(grey(x, y), 40), -30);
          return p == Rgb(g, g, g);
        });
      })
      .Click(IDC_CLOSE);
  Run();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("control 1902: it is disabled"), std::string::npos);
  EXPECT_EQ(Edited().ccIntensityR, 0);
  EXPECT_EQ(Edited().ccIntensityK, 40);
  EXPECT_EQ(Edited().ccContrastK, -30);
}

TEST_F(ColourCorrectionTest, PixelsFollowTheCurvesChannelByChannel) {
  InstallPicture();
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ribbonType = 6;  // YMCK
  pd.ccIntensityR = 30;
  pd.ccIntensityG = -20;
  pd.ccContrastG = 40;
  pd.ccContrastB = -60;
  pd.ccIntensityK = 100;  // not used by a colour preview
  Edit(pd);
  user_.Click(IDC_CLOSE);
  Run();
  const host::DialogView d = host::LastDialog();
  SaveDialogPicture(d, "colour-correction-mixed");
  const std::pair<int, int> samples[] = {{0, 0},   {17, 5},  {33, 30}, {50, 59}, {66, 45}, {5, 65},
                                         {45, 72}, {95, 75}, {0, 90},  {60, 95}, {99, 99}};
  for (const auto& [x, y] : samples) {
    const ULONG f = FilePixel(picture_, x, y);
    const ULONG expected = Rgb(Contrast(Intensity(Red(f), 30), 0), Contrast(Intensity(Green(f), -20), 40),
                               Contrast(Intensity(Blue(f), 0), -60));
    EXPECT_EQ(d.Pixel(8 + x, 8 + y), expected) << x << ", " << y;
  }
}

TEST_F(ColourCorrectionTest, OnlyAChangedValueIsStoredAndRepainted) {
  InstallPicture();
  int paintsBefore = 0;
  user_.Look([&](const host::DialogView&) { paintsBefore = Paints(); })
      .MoveTrackbar(IDC_CC_CONTRAST_G, 0)  // where it already is
      .Look([&](const host::DialogView&) { EXPECT_EQ(Paints(), paintsBefore); })
      .MoveTrackbar(IDC_CC_CONTRAST_G, 20)
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(Paints(), paintsBefore + 1);
        const ULONG f = FilePixel(picture_, 40, 20);
        EXPECT_EQ(Green(d.Pixel(48, 28)), Contrast(Green(f), 20));
      })
      .Click(IDC_CLOSE);
  Run();
}

TEST_F(ColourCorrectionTest, WithoutAPictureThePreviewStaysEmptyAndTheValuesEditable) {
  std::vector<uint8_t> narrow = picture_;
  narrow[18] = 99;
  struct Case {
    const char* name;
    std::vector<uint8_t> file;  // empty: no file
    const char* printer;        // the sheet's printer name; empty: the DEVMODE's device name
  };
  const Case cases[] = {
      {"no picture file", {}, ""},
      {"a picture a byte short", std::vector<uint8_t>(picture_.begin(), picture_.end() - 1), ""},
      {"a picture 99 pixels wide", narrow, ""},
      {"a printer that cannot be opened", picture_, "Nobody's Printer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_.path() / "domacc.bmp");
    if (!c.file.empty()) InstallPicture(c.file);
    CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, WideFromAscii(c.printer));
    Edit(DefaultPrivateDevmode());
    user_.MoveTrackbar(IDC_CC_INTENSITY_B, -35).Click(IDC_CLOSE);
    EXPECT_EQ(Run(), 1605);
    EXPECT_EQ(Edited().ccIntensityB, -35);
    ForEachPreviewPixel(host::LastDialog(), [](int, int, ULONG p) { return p == kDialogColour; });
  }
  ui::State().link.printerName[0] = 0;
}

TEST_F(ColourCorrectionTest, ThePictureComesFromTheSheetsPrinterBeforeTheDevmodesDevice) {
  // A second printer whose driver directory holds a plain blue picture.
  TempDir other;
  std::vector<uint8_t> blue = picture_;
  for (size_t i = 54; i < blue.size(); i += 3) {
    blue[i] = 0xFF;
    blue[i + 1] = blue[i + 2] = 0;
  }
  other.Write("domacc.bmp", blue);
  host::PrinterSetup setup;
  setup.name = "Second Card Printer";
  setup.driverDirectory = other.str();
  setup.dataFile = BuiltDataFile();
  host::AddPrinter(setup);
  InstallPicture();
  CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, WideFromAscii("Second Card Printer"));
  user_.Click(IDC_CLOSE);
  Run();
  ForEachPreviewPixel(host::LastDialog(), [](int, int, ULONG p) { return p == 0x0000FF; });
  ui::State().link.printerName[0] = 0;
  user_.Click(IDC_CLOSE);
  Run();
  EXPECT_EQ(host::LastDialog().Pixel(8, 8), FilePixel(picture_, 0, 0)) << "the DEVMODE's device name";
}

TEST_F(ColourCorrectionTest, RestoreDefaultsReadsTheDataFileOrUsesZero) {
  InstallPicture();
  PrivateDevmode custom = DefaultPrivateDevmode();
  custom.ccIntensityR = 100;
  custom.ccIntensityG = 100;
  custom.ccIntensityB = 100;
  custom.ccContrastK = -7;
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int intensity;
    int contrastK;
  };
  const Case cases[] = {
      {"a data file of 2224 bytes", ImageBytes(custom), 100, -7},
      {"no data file", {}, 0, 0},
      {"a data file of 2000 bytes", std::vector<uint8_t>(2000, 0), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseDataFile(c.file);
    PrivateDevmode pd = DefaultPrivateDevmode();
    pd.ccIntensityR = pd.ccIntensityG = pd.ccIntensityB = -100;
    pd.ccContrastK = 55;
    Edit(pd);
    user_.Click(IDC_RESTORE_DEFAULTS).Click(IDC_CLOSE);
    Run();
    EXPECT_EQ(Edited().ccIntensityR, c.intensity);
    EXPECT_EQ(Edited().ccIntensityB, c.intensity);
    EXPECT_EQ(Edited().ccContrastK, c.contrastK);
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d[IDC_CC_INTENSITY_G].position, c.intensity);
    EXPECT_EQ(d[IDC_CC_CONTRAST_K_VALUE].text, std::to_string(c.contrastK));
    // The preview followed: white at +100, the picture itself at 0.
    const ULONG expected = c.intensity == 100 ? 0xFFFFFF : FilePixel(picture_, 30, 30);
    EXPECT_EQ(d.Pixel(38, 38), expected);
  }
}

TEST_F(ColourCorrectionTest, CloseBoxAndHelp) {
  user_.Click(IDC_HELP_BUTTON).CloseBox();
  EXPECT_EQ(Run(), 1605);
  const std::vector<host::HelpCall> help = host::HelpCalls();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].file, "Doma.hlp");
  EXPECT_EQ(help[0].command, UINT{HELP_CONTENTS});
}

}  // namespace
}  // namespace tolma::test
