// End-to-end runs of the tools: tolma-print through the driver, tolma-inspect on its stream, the panel
// pictures read back; and every kind of bad input.
#include "raster/ddi_functions.h"
#include "tests/support/bitmap_files.h"
#include "tests/support/fixtures.h"
#include "tests/support/jpeg_files.h"
#include "tools/lib/inspect.h"
#include "tools/lib/inspect_main.h"
#include "tools/lib/png_io.h"
#include "tools/lib/preview.h"
#include "tools/lib/print_main.h"
#include "tools/lib/stream_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>

namespace tolma::tools {
namespace {

// A greyscale card picture: columns 0..299 black, 300..599 grey 128, the rest white.
std::vector<uint8_t> Stripes(int w, int h) {
  std::vector<uint8_t> grey(size_t(w) * h, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < std::min(w, 600); ++x) grey[size_t(y) * w + x] = x < 300 ? 0 : 128;
  return grey;
}

class ToolsTest : public test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    std::string error;
    ASSERT_TRUE(WriteGreyPng(Path("card.png"), 1024, 640, Stripes(1024, 640), error)) << error;
  }

  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

  // Runs tolma-print; returns its exit status, keeps its messages.
  int Print(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return PrintMain(args, out_, err_, PrintEnvironment{&DrvEnableDriver, &DrvDisableDriver, TOLMA_BUILD_DIR});
  }

  // Runs tolma-inspect on a stream file with the panels written to `panels`; returns its report.
  std::string Inspect(const std::string& stream, const std::string& panels, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {stream, "--panels", Path(panels)};
    args.insert(args.end(), extra.begin(), extra.end());
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(InspectMain(args, in, out, err), 0) << err.str();
    return out.str();
  }

  // The grey of a pixel of a panel picture written by the inspector; -1 when there is no such picture.
  int Pixel(const std::string& panels, const std::string& name, int x, int y) {
    RgbImage image;
    std::string error;
    if (!ReadPng((dir_.path() / panels / (name + ".png")).string(), image, error)) return -1;
    return image.pixels[(size_t(y) * image.width + x) * 3];
  }

  // The colour of a pixel of a side preview written by the inspector; {-1, -1, -1} when there is none.
  std::array<int, 3> PreviewPixel(const std::string& folder, const std::string& side, int x, int y) {
    RgbImage image;
    std::string error;
    if (!ReadPng((dir_.path() / folder / (side + ".png")).string(), image, error)) return {-1, -1, -1};
    const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 3];
    return {p[0], p[1], p[2]};
  }

  // The panel pictures of a stream file, as the inspector draws them.
  std::vector<PanelPicture> Pictures(const std::string& stream, PageAssumption pages = {}) {
    const CommandStream read = ReadCommandStream(test::ReadFileBytes(stream));
    EXPECT_TRUE(read.errors.empty());
    return PanelPictures(read, pages);
  }

  // The files of the test folder other than the given ones (to find leftovers of failed runs).
  std::vector<std::string> OtherFiles(std::initializer_list<std::string> known) const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      const std::string name = entry.path().filename().string();
      if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
    }
    return out;
  }

  test::TempDir dir_;
  std::ostringstream out_, err_;
};

// Levels 31, 15 and 1 as the inspector shows them.
constexpr int kFull = 0, kGrey128 = 132, kWhite = 247;

TEST_F(ToolsTest, PrintThenInspectGivesTheImagesLevels) {
  ASSERT_EQ(Print({Path("card.png"), "-o", Path("card.prn")}), 0) << err_.str();
  const std::string err = err_.str();
  EXPECT_NE(err.find("ribbon: YMCKO (printer code 2, through the model and ribbon cache), model \"Q47x RKB\""),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("front: " + Path("card.png") + ", 1024 x 640, used pixel for pixel (landscape page)"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("job: one-sided, 1 copy, landscape page"), std::string::npos) << err;
  EXPECT_NE(err.find("panels sent: 3 (Y M C)"), std::string::npos) << err;
  EXPECT_NE(err.find("card 1 front prints: Y M C O (whole card)"), std::string::npos) << err;
  const size_t bytes = std::filesystem::file_size(Path("card.prn"));
  EXPECT_NE(err.find("wrote " + std::to_string(bytes) + " bytes to " + Path("card.prn")), std::string::npos) << err;

  const std::string report = Inspect(Path("card.prn"), "panels");
  EXPECT_NE(report.find("job: one-sided (\\eJOB 0\\r)"), std::string::npos) << report;
  EXPECT_NE(report.find("== structural errors: 0"), std::string::npos);
  for (const char* panel : {"card1-front-Y", "card1-front-M", "card1-front-C"}) {
    SCOPED_TRACE(panel);
    EXPECT_EQ(Pixel("panels", panel, 100, 300), kFull);
    EXPECT_EQ(Pixel("panels", panel, 450, 10), kGrey128);
    EXPECT_EQ(Pixel("panels", panel, 900, 630), kWhite);
  }
  EXPECT_EQ(Pixel("panels", "card1-front-O", 500, 300), 0);  // varnish everywhere
  EXPECT_EQ(Pixel("panels", "card1-front-K", 0, 0), -1);     // the black of a picture stays in colour
}

TEST_F(ToolsTest, BlackGoesToTheResinPanelWhenAskedAndTracksToTheMagneticBlock) {
  ASSERT_EQ(Print({Path("card.png"), "-o", Path("card.prn"), "--black-panel", "always", "--track1", "ADA EXAMPLE",
                   "--track2", "0047123456781229"}),
            0)
      << err_.str();
  EXPECT_NE(err_.str().find("magnetic tracks encoded: 1, 2"), std::string::npos) << err_.str();
  const std::string report = Inspect(Path("card.prn"), "panels");
  EXPECT_NE(report.find("\\e&B 1 ADA EXAMPLE\\r"), std::string::npos) << report;
  EXPECT_NE(report.find("track 2: 0047123456781229"), std::string::npos) << report;
  EXPECT_EQ(Pixel("panels", "card1-front-K", 100, 300), 0);
  EXPECT_EQ(Pixel("panels", "card1-front-K", 450, 300), 255);
  // Under the black the colour panels carry the colour on its left: white at the row start.
  EXPECT_EQ(Pixel("panels", "card1-front-Y", 100, 300), kWhite);
  EXPECT_EQ(Pixel("panels", "card1-front-Y", 450, 300), kGrey128);
}

TEST_F(ToolsTest, TwoSidedCardsWithCopies) {
  std::string error;
  std::vector<uint8_t> back(size_t(1024) * 640, 255);
  for (int y = 500; y < 640; ++y)
    for (int x = 800; x < 1024; ++x) back[size_t(y) * 1024 + x] = 0;
  ASSERT_TRUE(WriteGreyPng(Path("back.png"), 1024, 640, back, error));
  ASSERT_EQ(Print({Path("card.png"), "--back", Path("back.png"), "--two-sided-mode", "1", "--copies", "2", "-o",
                   Path("card.prn")}),
            0)
      << err_.str();
  EXPECT_NE(err_.str().find("job: two-sided, mode 1 \"Front YMCKO, Back YMCKO\", 2 copies"), std::string::npos)
      << err_.str();
  const std::string report = Inspect(Path("card.prn"), "panels", {"--preview", Path("preview")});
  EXPECT_NE(report.find("copies (inferred): 2"), std::string::npos) << report;
  EXPECT_NE(report.find("== side previews in " + Path("preview") +
                        " (landscape pages; turned back: none)\n  card1-front.png  1024 x 640\n"
                        "  card1-back.png  1024 x 640\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(PreviewPixel("preview", "card1-back", 900, 600), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(PreviewPixel("preview", "card1-back", 100, 300), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 100, 300), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(PreviewPixel("preview", "card2-front", 100, 300), (std::array<int, 3>{-1, -1, -1}));
  EXPECT_NE(report.find("card 1 back: Y M C O (whole card)"), std::string::npos) << report;
  EXPECT_EQ(Pixel("panels", "card1-back-M", 900, 600), kFull);
  EXPECT_EQ(Pixel("panels", "card1-back-M", 100, 300), kWhite);
  EXPECT_EQ(Pixel("panels", "card1-front-M", 100, 300), kFull);
  EXPECT_EQ(Pixel("panels", "card2-front-M", 100, 300), -1);  // copies repeat the data already sent
}

TEST_F(ToolsTest, OtherSizesAreScaledToFitAndPortraitPagesKeepTheirShape) {
  std::string error;
  ASSERT_TRUE(WriteGreyPng(Path("square.png"), 400, 400, std::vector<uint8_t>(400 * 400, 0), error));
  ASSERT_EQ(Print({Path("square.png"), "-o", Path("square.prn")}), 0) << err_.str();
  EXPECT_NE(err_.str().find("note: front: " + Path("square.png") +
                            " is 400 x 400, scaled to 640 x 640 to fit the landscape page with its aspect kept, "
                            "centred on white at (192, 0)"),
            std::string::npos)
      << err_.str();
  Inspect(Path("square.prn"), "square");
  EXPECT_EQ(Pixel("square", "card1-front-C", 191, 320), kWhite);
  EXPECT_EQ(Pixel("square", "card1-front-C", 192, 320), kFull);
  EXPECT_EQ(Pixel("square", "card1-front-C", 831, 639), kFull);
  EXPECT_EQ(Pixel("square", "card1-front-C", 832, 0), kWhite);

  ASSERT_TRUE(WriteGreyPng(Path("tall.png"), 640, 1024, Stripes(640, 1024), error));
  ASSERT_EQ(Print({Path("tall.png"), "-o", Path("tall.prn"), "--packed"}), 0) << err_.str();
  EXPECT_NE(err_.str().find("used pixel for pixel (portrait page)"), std::string::npos) << err_.str();
  Inspect(Path("tall.prn"), "tall", {"--orientation", "portrait"});
  EXPECT_EQ(Pixel("tall", "card1-front-Y", 100, 1000), kFull);
  EXPECT_EQ(Pixel("tall", "card1-front-Y", 450, 5), kGrey128);
  EXPECT_EQ(Pixel("tall", "card1-front-Y", 630, 500), kWhite);
}

TEST_F(ToolsTest, SavedSettingsStandardOutputAndAFixedRibbon) {
  // Settings saved alone, then printed from.
  ASSERT_EQ(Print({"--devmode-out", Path("job.dm"), "--copies", "3", "--packed", "--ribbon", "YMCK", "--fixed-ribbon"}),
            0)
      << err_.str();
  EXPECT_EQ(std::filesystem::file_size(Path("job.dm")), 2436u);
  ASSERT_EQ(Print({Path("card.png"), "--devmode-in", Path("job.dm"), "-o", "-"}), 0) << err_.str();
  const std::string stream = out_.str();
  const CommandStream read =
      ReadCommandStream(std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()));
  ASSERT_TRUE(read.errors.empty());
  const std::vector<std::string> texts = CommandTexts(read);
  EXPECT_EQ(texts[3], "\\e+$C 0 5\\r");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\e+CV 3\\r"), 0);  // no overlay on a YMCK ribbon
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eGS 0 32 0 0 1024 640 <data>"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eMO\\r"), 3);
}

TEST_F(ToolsTest, OverlayBitmapsAreVarnishedWhereTheyAreBlack) {
  test::TempDir other;
  const std::string bmp = other.Write("varnish.bmp", test::OneBitCardBitmap(RECTL{100, 50, 200, 100}));
  ASSERT_EQ(Print({Path("card.png"), "--front-overlay-bitmap", bmp, "-o", Path("card.prn")}), 0) << err_.str();
  const std::string report = Inspect(Path("card.prn"), "panels");
  EXPECT_NE(report.find("[overlay bitmap, one-bit run-length (12)"), std::string::npos) << report;
  EXPECT_EQ(Pixel("panels", "card1-front-O", 150, 75), 0);
  EXPECT_EQ(Pixel("panels", "card1-front-O", 99, 75), 255);
  EXPECT_EQ(Pixel("panels", "card1-front-O", 150, 100), 255);
}

TEST_F(ToolsTest, EncodeOnlyNeedsNoImage) {
  ASSERT_EQ(Print({"--encode-only", "--track3", "123", "-o", Path("enc.prn")}), 0) << err_.str();
  const std::vector<uint8_t> bytes = test::ReadFileBytes(Path("enc.prn"));
  const std::vector<std::string> texts = CommandTexts(ReadCommandStream(bytes));
  const std::vector<std::string> tail = {"\\e&R\\r", "\\e&B 3 123\\r", "\\e&E*\\r", "\\eMO\\r"};
  ASSERT_GE(texts.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(texts.end() - 4, texts.end()), tail);
}

TEST_F(ToolsTest, TheBundledSampleCardPrintsCleanly) {
  ASSERT_EQ(
      Print({test::SourcePath("tools/samples/sample-card.png"), "--black-panel", "always", "-o", Path("sample.prn")}),
      0)
      << err_.str();
  const std::string report = Inspect(Path("sample.prn"), "sample", {"--preview", Path("preview")});
  EXPECT_NE(report.find("card 1 front: Y M C K O (whole card)"), std::string::npos) << report;
  // The preview: the black title and the barcode from the resin panel, white card where nothing is
  // printed, the photo in colour, the whole-card varnish outlined along the card's edge.
  using Colour = std::array<int, 3>;
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 390, 162), (Colour{0, 0, 0}));
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 382, 550), (Colour{0, 0, 0}));
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 900, 250), (Colour{255, 255, 255}));
  for (const auto& [x, y] : {std::pair{100, 170}, {230, 300}, {150, 450}}) {
    const Colour c = PreviewPixel("preview", "card1-front", x, y);
    EXPECT_GT(*std::max_element(c.begin(), c.end()) - *std::min_element(c.begin(), c.end()), 40)
        << "photo at " << x << ", " << y << ": " << c[0] << " " << c[1] << " " << c[2];
  }
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 0, 304),
            (Colour{kVarnishOutline[0], kVarnishOutline[1], kVarnishOutline[2]}));
  EXPECT_EQ(PreviewPixel("preview", "card1-front", 4, 304), (Colour{255, 255, 255}));
  EXPECT_EQ(Pixel("sample", "card1-front-K", 390, 162), 0);  // a dot of the black title
  EXPECT_EQ(Pixel("sample", "card1-front-K", 20, 620), 255);
  EXPECT_EQ(Pixel("sample", "card1-front-Y", 20, 620), kWhite);
}

// The mean grey of a panel picture over the 9 x 9 pixels around (x, y): the driver's random dither averages out.
double MeanGrey(const PanelPicture& p, int x, int y) {
  double sum = 0;
  for (int dy = -4; dy <= 4; ++dy)
    for (int dx = -4; dx <= 4; ++dx) sum += p.grey[size_t(y + dy) * p.width + (x + dx)];
  return sum / 81;
}

const PanelPicture& Panel(const std::vector<PanelPicture>& pictures, const std::string& name) {
  static const PanelPicture kNone;
  for (const PanelPicture& p : pictures)
    if (p.name == name) return p;
  ADD_FAILURE() << "no picture " << name;
  return kNone;
}

TEST_F(ToolsTest, AJpegCardPrintsLikeTheSamePictureSavedAsPng) {
  // Eight colour patches above a smooth gradient.
  const uint32_t colours[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x808080, 0xC0A080};
  std::vector<test::Patch> patches;
  for (int i = 0; i < 8; ++i) patches.push_back({i * 128, 0, 128, 320, colours[i]});
  std::vector<uint8_t> rgb = test::PatchPicture(1024, 640, 0xFFFFFF, patches);
  for (int y = 320; y < 640; ++y)
    for (int x = 0; x < 1024; ++x) {
      uint8_t* p = &rgb[(size_t(y) * 1024 + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / 1023);
      p[1] = static_cast<uint8_t>(64 + x * 128 / 1023);
      p[2] = static_cast<uint8_t>(255 - x * 255 / 1023);
    }
  std::string error;
  ASSERT_TRUE(WriteRgbPng(Path("lossless.png"), 1024, 640, rgb, error)) << error;
  const std::string jpeg = dir_.Write("photo.jpg", test::EncodeJpeg(1024, 640, rgb));
  ASSERT_EQ(Print({Path("lossless.png"), "-o", Path("png.prn")}), 0) << err_.str();
  ASSERT_EQ(Print({jpeg, "-o", Path("jpeg.prn")}), 0) << err_.str();
  EXPECT_NE(err_.str().find("front: " + jpeg + ", 1024 x 640, used pixel for pixel (landscape page)"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("note:"), std::string::npos) << err_.str();

  const std::vector<PanelPicture> fromPng = Pictures(Path("png.prn"));
  const std::vector<PanelPicture> fromJpeg = Pictures(Path("jpeg.prn"));
  for (const char* panel : {"card1-front-Y", "card1-front-M", "card1-front-C"}) {
    for (int i = 0; i < 8; ++i) {
      for (const int y : {160, 480}) {
        const int x = 64 + 128 * i;
        // One level is 255 / 31 = 8.2 greys.
        EXPECT_NEAR(MeanGrey(Panel(fromJpeg, panel), x, y), MeanGrey(Panel(fromPng, panel), x, y), 8.2)
            << panel << " at " << x << ", " << y;
      }
    }
  }
}

TEST_F(ToolsTest, JpegPhotosAreTurnedByTheirExifOrientationAndCmykBecomesRgb) {
  // A phone photo stored landscape with a black square in its stored top left corner, to be shown turned
  // clockwise: a portrait picture with the square at its top right.
  const std::vector<uint8_t> rgb = test::PatchPicture(1024, 640, 0xFFFFFF, {{0, 0, 100, 100, 0x000000}});
  const std::string phone =
      dir_.Write("phone.jpg", test::EncodeJpeg(1024, 640, rgb, {.app1 = test::ExifOrientationApp1(6)}));
  ASSERT_EQ(Print({phone, "-o", Path("phone.prn")}), 0) << err_.str();
  EXPECT_NE(err_.str().find("tolma-print: note: " + phone +
                            ": turned by 90 degrees clockwise, as its EXIF orientation (6) asks\n"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("front: " + phone + ", 640 x 1024, used pixel for pixel (portrait page)"),
            std::string::npos)
      << err_.str();
  const std::vector<PanelPicture> portrait = Pictures(Path("phone.prn"), {true, false, false});
  const PanelPicture& cyan = Panel(portrait, "card1-front-C");
  ASSERT_EQ(cyan.width, 640);
  EXPECT_LT(MeanGrey(cyan, 590, 50), 10);
  EXPECT_EQ(MeanGrey(cyan, 50, 50), kWhite);
  EXPECT_EQ(MeanGrey(cyan, 590, 150), kWhite);

  // A CMYK file from a print shop: cyan ink on the left half, nothing on the right (stored as 255 - ink).
  std::vector<uint8_t> cmyk;
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 1024; ++x) cmyk.insert(cmyk.end(), {uint8_t(x < 512 ? 0 : 255), 255, 255, 255});
  const std::string press = dir_.Write("press.jpg", test::EncodeJpeg(1024, 640, cmyk, {.kind = test::JpegKind::Cmyk}));
  ASSERT_EQ(Print({press, "-o", Path("press.prn")}), 0) << err_.str();
  EXPECT_NE(err_.str().find("note: " + press + ": a CMYK JPEG file: its colours are made RGB without a colour profile"),
            std::string::npos)
      << err_.str();
  const std::vector<PanelPicture> panels = Pictures(Path("press.prn"));
  EXPECT_EQ(MeanGrey(Panel(panels, "card1-front-C"), 200, 300), kFull);
  EXPECT_EQ(MeanGrey(Panel(panels, "card1-front-M"), 200, 300), kWhite);
  EXPECT_EQ(MeanGrey(Panel(panels, "card1-front-Y"), 200, 300), kWhite);
  EXPECT_EQ(MeanGrey(Panel(panels, "card1-front-C"), 800, 300), kWhite);
}

TEST_F(ToolsTest, BadInputIsRefusedAndLeavesNoOutput) {
  dir_.Write("text.png", "not a picture");
  const std::vector<uint8_t> jpeg =
      test::EncodeJpeg(64, 48, test::PatchPicture(64, 48, 0xFFFFFF, {{0, 0, 32, 24, 0xFF0000}}));
  dir_.Write("cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
  std::vector<uint8_t> damaged = jpeg;
  damaged[damaged.size() - 12] = 0xFF;  // an end-of-image marker amid the picture's data
  damaged[damaged.size() - 11] = 0xD9;
  dir_.Write("damaged.jpg", damaged);
  const std::vector<uint8_t> png = test::ReadFileBytes(Path("card.png"));
  dir_.Write("cut.png", std::vector<uint8_t>(png.begin(), png.begin() + static_cast<long>(png.size() / 2)));
  dir_.Write("short.dm", std::string(100, '\0'));
  dir_.Write("plain.bmp", "BM and nothing else");
  std::string error;
  ASSERT_TRUE(WriteGreyPng(Path("square.png"), 400, 400, std::vector<uint8_t>(400 * 400, 0), error));
  std::filesystem::create_directory(dir_.path() / "folder");
  const std::string out = Path("out.prn");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{Path("missing.png"), "-o", out}, 1, "cannot open " + Path("missing.png")},
      {{Path("text.png"), "-o", out}, 1, Path("text.png") + " is neither a PNG nor a JPEG file"},
      {{Path("cut.jpg"), "-o", out},
       1,
       Path("cut.jpg") + " is cut short: the JPEG file ends before the end of its picture"},
      {{Path("damaged.jpg"), "-o", out}, 1, Path("damaged.jpg") + " is a damaged JPEG file (Corrupt JPEG data"},
      {{Path("card.png"), "--back", Path("cut.png"), "-o", out},
       1,
       Path("cut.png") + " is cut short: the PNG file ends before the end of its picture"},
      {{Path("card.png"), "--ribbon", "rainbow", "-o", out}, 2, "unknown ribbon \"rainbow\""},
      {{Path("card.png"), "--copies", "0", "-o", out}, 2, "--copies takes a whole number from 1 to 999"},
      {{Path("card.png"), "--head-contrast-y", "12", "-o", out}, 2, "from 0 to 10"},
      {{Path("card.png"), "--two-sided", "--model", "Q47x RKA 1.0", "-o", out},
       1,
       "prints one side only (its model text has no \"RKB\"): the driver would print the front only"},
      {{Path("card.png"), "--ribbon", "YMCK", "--two-sided", "--two-sided-mode", "2", "-o", out},
       1,
       "the driver would use mode 0"},
      {{Path("card.png"), "--ribbon", "None", "-o", out}, 1, "the driver refuses to print"},
      {{Path("card.png"), "-o", Path("no-such-folder/out.prn")}, 1, "cannot write"},
      {{Path("card.png"), "-o", Path("folder")}, 1, "it is a folder"},
      {{Path("card.png")}, 2, "no output given"},
      {{"-o", out}, 2, "no input image"},
      {{Path("square.png"), "--size", "exact", "-o", out}, 1, "--size exact needs exactly 1024 x 640"},
      {{Path("card.png"), "--devmode-in", Path("short.dm"), "-o", out}, 1, "100 bytes instead of 2436"},
      {{Path("card.png"), "--front-overlay-bitmap", Path("plain.bmp"), "-o", out}, 1, "is not a one-bit BMP file"},
      {{Path("card.png"), "--encode-only", "-o", out}, 1, "needs at least one --track"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(Print(c.args), c.status);
    const std::string err = err_.str();
    // One error line, the last thing said.
    const size_t line = err.rfind('\n', err.size() - 2) + 1;
    EXPECT_EQ(err.substr(line, 20), "tolma-print: error: ") << err;
    EXPECT_NE(err.find(c.message, line), std::string::npos) << err;
    EXPECT_EQ(err.find("error:"), line + 13) << err;
    EXPECT_EQ(OtherFiles({"card.png", "square.png", "text.png", "short.dm", "plain.bmp", "folder", "cut.jpg",
                          "damaged.jpg", "cut.png"}),
              std::vector<std::string>{});
  }

  // The driver failing once the output file is open: nothing is left behind either.
  host::SetFailure(host::FailPoint::EngCreateBitmap);
  EXPECT_EQ(Print({Path("card.png"), "-o", out}), 1);
  EXPECT_NE(err_.str().find("the driver did not create its device"), std::string::npos) << err_.str();
  host::ClearFailures();
  EXPECT_EQ(OtherFiles({"card.png", "square.png", "text.png", "short.dm", "plain.bmp", "folder", "cut.jpg",
                        "damaged.jpg", "cut.png"}),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace tolma::tools
