// End-to-end tests of printing: job header, panel sequences, two-sided cards, copies, overlay, escapes.
#include "raster/context.h"
#include "raster/overlay.h"
#include "tests/support/bitmap_files.h"
#include "tests/support/print_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace tolma {
namespace {

using test::JobSettings;

// Head commands of the default settings (3, 3, 5, 4, 7, 7, 5, 5, 5, 5, 5).
const std::vector<std::string> kColourHeads = {"\\e+$C 0 5\\r", "\\e+$C 1 5\\r", "\\e+$C 2 5\\r",
                                               "\\e+$L 0 4\\r", "\\e+$L 1 7\\r", "\\e+$L 2 7\\r"};
const std::vector<std::string> kYmc = {
    "\\e$F\\r",   "\\eGS 0 30 0 0 1024 640 <data>", "\\eIS 0\\r", "\\eGS 1 30 0 0 1024 640 <data>",
    "\\eIS 1\\r", "\\eGS 2 30 0 0 1024 640 <data>", "\\eIS 2\\r"};
const std::string kResin = "\\eG 0 0 12 640 1024 1\\r\\eZ<data>";

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<std::string> Header(const char* job, std::vector<std::string> heads) {
  return Join({{"\\eMASTER\\r", job, "\\eSXY 1\\r"}, heads});
}

class PrintingTest : public test::PrintTest {};

TEST_F(PrintingTest, OneSidedYmckoWithoutBlackPanel) {
  JobSettings job;
  job.priv.blackPanelUse = 0;
  PrintBlank(job);
  EXPECT_EQ(Commands(), Join({Header("\\eJOB 0\\r", Join({kColourHeads, {"\\e+C 3\\r", "\\e+CV 3\\r"}})),
                              kYmc,
                              {"\\eF\\r", "\\e!FF 1\\r", "\\evF\\r", "\\eIV 30\\r", "\\eMO\\r"}}));
  // A white page gives level 1 on every colour panel.
  for (const StreamItem& item : Parsed().items) {
    if (item.image) {
      EXPECT_TRUE(std::all_of(item.image->values.begin(), item.image->values.end(), [](uint8_t v) { return v == 1; }));
    }
  }
}

TEST_F(PrintingTest, BlackIsExtractedToTheResinPanelAndTheColourComesFromTheLeft) {
  JobSettings job;
  job.priv.blackPanelUse = 1;
  Open(job);
  ASSERT_TRUE(device().StartDoc(u"Card"));
  ASSERT_TRUE(device().StartPage());
  PaintCard({100, 200, 300, 260}, 0xFF0000);  // red to the left
  PaintCard({300, 200, 400, 260}, 0x000000);  // pure black
  ASSERT_TRUE(device().SendPage());
  ASSERT_TRUE(device().EndDoc());

  const CommandStream stream = Parsed();
  const std::vector<std::string> texts = CommandTexts(stream);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), kResin), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eI 10\\r"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\e!FF 1\\r"), 0);

  // The cyan panel (red byte) under the black rectangle carries the red of its left: full cyan stays 0.
  // Landscape with the rotation flag clear: line L is column 1023 - L read downward, dot i is row i.
  const StreamImage* cyan = nullptr;
  const StreamImage* resin = nullptr;
  for (const StreamItem& item : stream.items) {
    if (item.image && item.image->kind == StreamImage::Kind::Dye && item.image->panel == 2) cyan = &*item.image;
    if (item.image && item.image->kind == StreamImage::Kind::Mono) resin = &*item.image;
  }
  ASSERT_TRUE(cyan && resin);
  auto level = [&](int x, int y) { return cyan->values[static_cast<size_t>(1023 - x) * 640 + y]; };
  auto dot = [&](int x, int y) {
    const size_t bit = static_cast<size_t>(1023 - x) * 640 + y;
    return (resin->values[bit / 8] >> (7 - bit % 8)) & 1;
  };
  EXPECT_EQ(level(350, 230), level(150, 230)) << "black replaced by the red on its left";
  EXPECT_EQ(level(50, 230), 1) << "white";
  EXPECT_EQ(dot(350, 230), 1);
  EXPECT_EQ(dot(150, 230), 0);
  EXPECT_EQ(dot(350, 199), 0);
}

TEST_F(PrintingTest, BlankResinPanelSendsTheBlankCommandInstead) {
  JobSettings job;
  job.priv.blackPanelUse = 1;
  PrintBlank(job);
  const auto texts = Commands();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), kResin), 0);
  const std::vector<std::string> blank = {"\\eF\\r", "\\e!FF 1\\r"};
  EXPECT_NE(std::search(texts.begin(), texts.end(), blank.begin(), blank.end()), texts.end());
}

TEST_F(PrintingTest, TwoSidedYmckoModeZeroSplitsPanelsAndClosesUnpairedFronts) {
  JobSettings job;
  job.priv.printBothSides = 1;
  job.priv.twoSidedMode = 0;
  job.priv.blackPanelUse = 1;
  PrintBlank(job, 3);
  const auto header = Header("\\eJOB 2\\r", Join({kColourHeads, {"\\e+C 3\\r", "\\e+CV 3\\r"}}));
  const std::vector<std::string> back = {"\\eMF\\r", "\\eF\\r",     "\\e!FF 1\\r", "\\eMF\\r",
                                         "\\evF\\r", "\\eIV 30\\r", "\\eMO\\r"};
  const std::vector<std::string> closing = {"\\eF\\r", "\\evF\\r", "\\eIV 30\\r", "\\eMO\\r"};
  EXPECT_EQ(Commands(), Join({header, kYmc, back, kYmc, closing}));
}

TEST_F(PrintingTest, ModelWithoutTwoSidedPrintingMakesTheJobOneSided) {
  SetCache(2, "Q47x RKA 1.0");
  JobSettings job;
  job.priv.printBothSides = 1;
  PrintBlank(job, 2);
  const auto texts = Commands();
  EXPECT_EQ(texts[1], "\\eJOB 0\\r");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eMF\\r"), 0);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eMO\\r"), 2);
}

TEST_F(PrintingTest, CopiesReplayTheRecordedCommandsAfterEachCard) {
  JobSettings job;
  job.copies = 3;
  job.priv.blackPanelUse = 0;
  PrintBlank(job);
  const std::vector<std::string> recorded = {"\\eIS 0\\r",  "\\eIS 1\\r",  "\\eIS 2\\r", "\\eF\\r",
                                             "\\e!FF 1\\r", "\\eIV 30\\r", "\\eMO\\r"};
  const auto texts = Commands();
  ASSERT_GE(texts.size(), 2 * recorded.size());
  EXPECT_EQ(std::vector<std::string>(texts.end() - 2 * static_cast<long>(recorded.size()), texts.end()),
            Join({recorded, recorded}));
}

TEST_F(PrintingTest, HeaderFollowsTheRibbon) {
  struct Case {
    int code;
    int fixedRibbon;
    int ribbonType;
    short both;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {6, 0, 0, 0, Header("\\eJOB 0\\r", kColourHeads)},  // YMC: no resin and no overlay contrast
      {7, 0, 0, 0, Header("\\eJOB 0\\r", {"\\e+C 3\\r"})},
      {16, 0, 0, 0, Header("\\eJOB 0\\r", {"\\e+$C 3 5\\r", "\\e+$L 3 5\\r", "\\e+CV 3\\r"})},
      {19, 0, 0, 0, Header("\\eJOB 0\\r", {"\\e+CH 5\\r"})},
      {18, 0, 0, 0, Header("\\eJOB 0\\r", {})},
      // The fixed ribbon decides the heads; the job kind sees the DEVMODE's type.
      {0, 3, 5, 1, Header("\\eJOB 1\\r", Join({kColourHeads, {"\\e+C 3\\r", "\\e+CV 3\\r"}}))},
  };
  for (const Case& c : cases) {
    SetCache(c.code);
    JobSettings job;
    job.priv.fixedRibbon = static_cast<int16_t>(c.fixedRibbon);
    job.priv.ribbonType = static_cast<int16_t>(c.ribbonType);
    job.priv.printBothSides = c.both;
    PrintBlank(job);
    const auto texts = Commands();
    ASSERT_GE(texts.size(), c.expected.size()) << c.code;
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + static_cast<long>(c.expected.size())), c.expected)
        << "ribbon code " << c.code;
    TearDown();  // a fresh printer stream for the next case
    SetUp();
  }
}

TEST_F(PrintingTest, MonochromeRibbonsSendOnlyWhatIsDrawn) {
  SetCache(7);  // K resin
  PrintBlank(JobSettings{});
  EXPECT_EQ(Commands(), Join({Header("\\eJOB 0\\r", {"\\e+C 3\\r"}), {"\\eMO\\r"}}));

  host::ClearFailures();
  SetCache(1);  // unknown monochrome, an unknown kind: no panel at all
  JobSettings kind5;
  kind5.priv.monoRibbonKind = 5;
  const size_t before = Stream().size();
  Open(kind5);
  ASSERT_TRUE(device().StartDoc(u"Card"));
  ASSERT_TRUE(device().StartPage());
  PaintMono({0, 0, 100, 100}, 0);
  ASSERT_TRUE(device().SendPage());
  ASSERT_TRUE(device().EndDoc());
  const std::vector<uint8_t> all = Stream();
  const CommandStream second = ReadCommandStream(std::span(all).subspan(before));
  const auto texts = CommandTexts(second);
  EXPECT_EQ(texts.back(), "\\eMO\\r");
  EXPECT_EQ(std::count_if(second.items.begin(), second.items.end(), [](const StreamItem& i) { return i.image; }), 0);
}

TEST_F(PrintingTest, ResinPanelFollowsOrientationAndRotation) {
  SetCache(7);
  struct Case {
    short orientation;
    int16_t rotate;
    // The dot of the pixel (x, y) in the panel: line and position within the line.
    size_t (*dotOf)(int x, int y);
  };
  const Case cases[] = {
      {DMORIENT_LANDSCAPE, 0, [](int x, int y) { return static_cast<size_t>(1023 - x) * 640 + y; }},
      {DMORIENT_LANDSCAPE, 1, [](int x, int y) { return static_cast<size_t>(x) * 640 + (639 - y); }},
      {DMORIENT_PORTRAIT, 1, [](int x, int y) { return static_cast<size_t>(y) * 640 + x; }},
      {DMORIENT_PORTRAIT, 0, [](int x, int y) { return static_cast<size_t>(1023 - y) * 640 + (639 - x); }},
  };
  for (const Case& c : cases) {
    JobSettings job;
    job.orientation = c.orientation;
    job.priv.rotate180 = c.rotate;
    const size_t before = Stream().size();
    Open(job);
    ASSERT_TRUE(device().StartDoc(u"Card"));
    ASSERT_TRUE(device().StartPage());
    PaintCard({3, 5, 4, 6}, 0x000000);  // one black pixel at (3, 5), converted for the resin panel
    ASSERT_TRUE(device().SendPage());
    ASSERT_TRUE(device().EndDoc());
    const std::vector<uint8_t> all = Stream();
    const CommandStream parsed = ReadCommandStream(std::span(all).subspan(before));
    const StreamImage* resin = nullptr;
    for (const StreamItem& item : parsed.items)
      if (item.image) resin = &*item.image;
    ASSERT_NE(resin, nullptr);
    const size_t bit = c.dotOf(3, 5);
    size_t dots = 0;
    for (uint8_t b : resin->values) dots += static_cast<size_t>(__builtin_popcount(b));
    EXPECT_EQ(dots, 1u);
    EXPECT_EQ((resin->values[bit / 8] >> (7 - bit % 8)) & 1, 1) << c.orientation << "/" << c.rotate;
  }
}

TEST_F(PrintingTest, PagesAreRefusedWithoutARibbonUnlessTheJobOnlyEncodes) {
  RemoveCache();
  host::EngineDevice& dev = Open(JobSettings{});
  ASSERT_TRUE(dev.StartDoc(u"Card"));
  EXPECT_FALSE(dev.StartPage());
  EXPECT_FALSE(dev.SendPage());
  EXPECT_TRUE(dev.EndDoc());
  EXPECT_TRUE(Stream().empty());

  // Encode only on a printer with an encoder: the magnetic block alone, ending the card.
  JobSettings encode;
  encode.priv.printingMode = 1;
  encode.priv.encoder.hasEncoder = 1;
  encode.priv.track2Present = 1;
  std::memcpy(encode.priv.track2Text, "12345", 6);
  host::EngineDevice& enc = Open(encode);
  ASSERT_TRUE(enc.StartDoc(u"Card"));
  ASSERT_TRUE(enc.StartPage());
  // Tracks are captured from the page's text; set them as the text capture would.
  auto* ctx = reinterpret_cast<RenderContext*>(enc.pdev());
  ctx->priv.track2Present = 1;
  std::memcpy(ctx->priv.track2Text, "12345", 6);
  ASSERT_TRUE(enc.SendPage());
  ASSERT_TRUE(enc.EndDoc());
  EXPECT_EQ(Commands(), Join({Header("\\eJOB 0\\r", {}), {"\\e&R\\r", "\\e&B 2 12345\\r", "\\e&E*\\r", "\\eMO\\r"}}));
}

TEST_F(PrintingTest, EncodeOnlyIsDroppedWithoutAnEncoder) {
  JobSettings job;
  job.priv.printingMode = 1;
  job.priv.encoder.hasEncoder = 0;
  job.priv.blackPanelUse = 0;
  PrintBlank(job);
  const auto texts = Commands();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "\\eIS 0\\r"), texts.end()) << "the page prints";
}

TEST_F(PrintingTest, ASecondDocumentOnTheSameDeviceGetsItsOwnHeader) {
  JobSettings job;
  job.priv.blackPanelUse = 0;
  host::EngineDevice& dev = Open(job);
  for (int doc = 0; doc < 2; ++doc) {
    ASSERT_TRUE(dev.StartDoc(u"Card"));
    ASSERT_TRUE(dev.StartPage());
    ASSERT_TRUE(dev.SendPage());
    ASSERT_TRUE(dev.EndDoc());
  }
  const auto texts = Commands();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eMASTER\\r"), 2);
}

TEST_F(PrintingTest, DocumentCallsOutOfOrderAreRefused) {
  host::EngineDevice& dev = Open(JobSettings{});
  EXPECT_FALSE(dev.SendPage());
  EXPECT_FALSE(dev.EndDoc());
  host::SetFailure(host::FailPoint::HeapAlloc, 0, 1);
  SetLastError(0);
  EXPECT_FALSE(dev.StartDoc(u"Card")) << "no panel output buffer";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
  EXPECT_FALSE(dev.StartPage());
  EXPECT_TRUE(Stream().empty());
}

TEST_F(PrintingTest, EscapesPassDataThrough) {
  host::EngineDevice& dev = Open(JobSettings{});
  const uint16_t passthrough = PASSTHROUGH;
  std::vector<uint8_t> query(2);
  std::memcpy(query.data(), &passthrough, 2);
  EXPECT_EQ(dev.Escape(QUERYESCSUPPORT, query), 1u);
  query[0] = 7;
  EXPECT_EQ(dev.Escape(QUERYESCSUPPORT, query), 0u);
  EXPECT_EQ(dev.Escape(QUERYESCSUPPORT, {}), 0u);
  EXPECT_EQ(dev.Escape(1234, {1, 2, 3}), 0u);

  EXPECT_EQ(dev.Escape(PASSTHROUGH, {5, 0, 'h', 'e', 'l', 'l', 'o'}), 1u);
  EXPECT_EQ(dev.Escape(PASSTHROUGH, {0, 0}), 1u) << "a zero-length write";
  EXPECT_EQ(dev.Escape(PASSTHROUGH, {0}), 0u);
  const std::vector<uint8_t> written = Stream();
  EXPECT_EQ(std::string(written.begin(), written.end()), "hello");
  EXPECT_EQ(host::WriteRequests(printer_).size(), 2u);
}

struct OverlayCase {
  const char* name;
  OverlayArea area;
  std::vector<std::string> commands;
};

OverlayArea Area(int16_t type, int16_t rotate, int32_t l = 0, int32_t t = 0, int32_t r = 0, int32_t b = 0) {
  OverlayArea a{};
  a.areaType = type;
  a.areaRotate180 = rotate;
  a.areaLeft = l;
  a.areaTop = t;
  a.areaRight = r;
  a.areaBottom = b;
  return a;
}

TEST(OverlayAreaCommands, EveryAreaType) {
  const OverlayCase cases[] = {
      {"full", Area(0, 0), {}},
      {"none", Area(1, 0), {}},
      {"selectedVarnished", Area(2, 0, 40, 60, 240, 260), {"\\evL 40 60 200 200 1\\r"}},
      {"selectedVarnishedTurned", Area(2, 1, 40, 60, 240, 260), {"\\evL 783 379 200 200 1\\r"}},
      {"selectedBlank", Area(3, 0, 40, 60, 240, 260), {"\\evL 0 0 1023 639 1\\r", "\\evL 40 60 200 200 0\\r"}},
      {"isoChip", Area(5, 0), {"\\evL 0 0 1023 639 1\\r", "\\evL 85 197 194 159 0\\r"}},
      {"isoChipTurned", Area(5, 1), {"\\evL 0 0 1023 639 1\\r", "\\evL 743 289 194 159 0\\r"}},
      {"afnorChip", Area(6, 0), {"\\evL 0 0 1023 639 1\\r", "\\evL 85 97 158 160 0\\r"}},
      {"afnorChipTurned", Area(6, 1), {"\\evL 0 0 1023 639 1\\r", "\\evL 768 388 158 160 0\\r"}},
      {"stripe", Area(7, 0), {"\\evL 0 0 1023 639 1\\r", "\\evL 0 0 1023 230 0\\r"}},
      {"stripeTurned", Area(7, 1), {"\\evL 0 0 1023 639 1\\r", "\\evL 0 415 1023 230 0\\r"}},
      {"bitmap", Area(4, 0), {}},
      {"unknown", Area(9, 0), {}},
      {"extremeValuesStayInRange", Area(2, 0, INT32_MIN, 0, INT32_MAX, 0), {"\\evL -2147483648 0 2147483647 0 1\\r"}},
  };
  for (const OverlayCase& c : cases) {
    std::vector<std::string> printable;
    for (const std::string& s : OverlayAreaCommands(c.area)) printable.push_back(Printable(s));
    EXPECT_EQ(printable, c.commands) << c.name;
  }
}

TEST_F(PrintingTest, OverlayCarriesInsertedCommandsAndFailsSoftlyWithoutItsBitmap) {
  JobSettings job;
  job.priv.blackPanelUse = 0;
  job.priv.frontOverlay = Area(4, 0);
  const std::basic_string<WCHAR> missing = host::Wide((dir_.path() / "missing.bmp").string());
  std::copy(missing.begin(), missing.end(), job.priv.frontOverlay.bitmapPath);
  Open(job);
  ASSERT_TRUE(device().StartDoc(u"Card"));
  ASSERT_TRUE(device().StartPage());
  auto* ctx = reinterpret_cast<RenderContext*>(device().pdev());
  std::memcpy(ctx->insertBuffers[3], "\x1bX3\r", 4);
  std::memcpy(ctx->insertBuffers[4], "\x1bX4\r", 4);
  std::memcpy(ctx->insertBuffers[5], "\x1bX5\r", 4);
  ASSERT_TRUE(device().SendPage());
  ASSERT_TRUE(device().EndDoc());
  const auto texts = Commands();
  const std::vector<std::string> tail = {"\\evF\\r", "\\eX3\\r", "\\eX4\\r", "\\eIV 31\\r", "\\eX5\\r", "\\eMO\\r"};
  EXPECT_EQ(std::vector<std::string>(texts.end() - static_cast<long>(tail.size()), texts.end()), tail);
  EXPECT_EQ(ctx->insertBuffers[4][0], 0) << "sent insert buffers are emptied";
}

}  // namespace
}  // namespace tolma

namespace tolma {
namespace {

TEST_F(PrintingTest, BitmapOverlayVarnishesWhereThePictureIsBlack) {
  const RECTL black{10, 20, 110, 70};
  const std::string path = dir_.Write("overlay.bmp", test::OneBitCardBitmap(black));
  for (int16_t rotate : {0, 1}) {
    JobSettings job;
    job.priv.blackPanelUse = 0;
    job.priv.frontOverlay.areaType = 4;
    job.priv.frontOverlay.areaRotate180 = rotate;
    const auto wide = host::Wide(path);
    std::copy(wide.begin(), wide.end(), job.priv.frontOverlay.bitmapPath);
    const size_t before = Stream().size();
    PrintBlank(job);
    const std::vector<uint8_t> all = Stream();
    const CommandStream parsed = ReadCommandStream(std::span(all).subspan(before));
    const StreamImage* overlay = nullptr;
    std::vector<std::string> texts = CommandTexts(parsed);
    for (const StreamItem& item : parsed.items)
      if (item.image && item.image->kind == StreamImage::Kind::OverlayBitmap) overlay = &*item.image;
    ASSERT_NE(overlay, nullptr) << rotate;
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eIV 31\\r"), 1);
    // As the resin panel of a landscape side: line L is card column 1023 - L, dot i is card row i. A turned
    // area lies mirrored through the card centre.
    size_t dots = 0, inside = 0;
    for (size_t bit = 0; bit < overlay->values.size() * 8; ++bit) {
      if (!((overlay->values[bit / 8] >> (7 - bit % 8)) & 1)) continue;
      ++dots;
      LONG x = 1023 - static_cast<LONG>(bit / 640), y = static_cast<LONG>(bit % 640);
      if (rotate) {
        x = 1023 - x;
        y = 639 - y;
      }
      if (x >= black.left && x < black.right && y >= black.top && y < black.bottom) ++inside;
    }
    EXPECT_EQ(dots, 100u * 50u) << rotate;
    EXPECT_EQ(inside, dots) << rotate;
  }
}

}  // namespace
}  // namespace tolma
