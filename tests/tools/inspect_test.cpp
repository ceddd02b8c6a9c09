// Tests of the inspector: pictures of streams the driver printed, listing and summary, damaged streams.
#include "tests/support/print_fixture.h"
#include "tools/lib/inspect.h"
#include "tools/lib/inspect_main.h"
#include "tools/lib/preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <random>
#include <sstream>

namespace tolma::tools {
namespace {

using test::JobSettings;

const PanelPicture* Find(const std::vector<PanelPicture>& pictures, const std::string& name) {
  for (const PanelPicture& p : pictures)
    if (p.name == name) return &p;
  return nullptr;
}

uint8_t At(const PanelPicture& p, int x, int y) { return p.grey[size_t(y) * p.width + x]; }

size_t FindBytes(const std::vector<uint8_t>& bytes, std::string_view what, size_t from = 0) {
  const auto it = std::search(bytes.begin() + static_cast<long>(from), bytes.end(), what.begin(), what.end());
  return it == bytes.end() ? std::string::npos : static_cast<size_t>(it - bytes.begin());
}

class InspectTest : public test::PrintTest {
 protected:
  // Prints one page with a magenta-and-yellow (red) mark on the card page and a black mark on the
  // monochrome bitmap (and a cyan mark when asked); returns the bytes this job added to the printer's stream.
  std::vector<uint8_t> PrintMarks(const JobSettings& job, bool cyan = false) {
    const size_t before = Stream().size();
    Open(job);
    EXPECT_TRUE(device().StartDoc(u"Card"));
    EXPECT_TRUE(device().StartPage());
    PaintCard({10, 20, 60, 50}, 0xFF0000);
    if (cyan) PaintCard({300, 100, 400, 200}, 0x00FFFF);
    PaintMono({100, 200, 140, 260}, 0);
    EXPECT_TRUE(device().SendPage());
    EXPECT_TRUE(device().EndDoc());
    const std::vector<uint8_t> all = Stream();
    return std::vector<uint8_t>(all.begin() + static_cast<long>(before), all.end());
  }

  // A one-sided YMCKO job with its black on the resin panel.
  static JobSettings Ymcko() {
    JobSettings job;
    job.priv.blackPanelUse = 2;
    return job;
  }
};

TEST_F(InspectTest, PicturesShowThePageAsDrawnInEveryLineOrder) {
  struct Case {
    bool portrait;
    bool packed;
    bool rotated;
  };
  for (const Case c :
       {Case{false, false, false}, Case{false, false, true}, Case{false, true, false}, Case{false, true, true},
        Case{true, false, false}, Case{true, false, true}, Case{true, true, false}, Case{true, true, true}}) {
    SCOPED_TRACE(testing::Message() << "portrait " << c.portrait << " packed " << c.packed << " rotated " << c.rotated);
    JobSettings job = Ymcko();
    job.orientation = c.portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    job.priv.packedPanels = c.packed;
    job.priv.rotate180 = c.rotated ? 1 : 0;
    const CommandStream stream = ReadCommandStream(PrintMarks(job));
    ASSERT_TRUE(stream.errors.empty());
    PageAssumption pages;
    pages.portrait = c.portrait;
    pages.rotatedFront = c.rotated;
    const std::vector<PanelPicture> pictures = PanelPictures(stream, pages);
    const PanelPicture* magenta = Find(pictures, "card1-front-M");
    const PanelPicture* cyan = Find(pictures, "card1-front-C");
    const PanelPicture* resin = Find(pictures, "card1-front-K");
    ASSERT_TRUE(magenta && cyan && resin);
    const int w = c.portrait ? 640 : 1024, h = c.portrait ? 1024 : 640;
    ASSERT_EQ(magenta->width, w);
    ASSERT_EQ(magenta->height, h);
    // Red is full magenta and no cyan; the rest of the page is white paper (level 1).
    EXPECT_EQ(At(*magenta, 10, 20), 0);
    EXPECT_EQ(At(*magenta, 59, 49), 0);
    EXPECT_EQ(At(*magenta, 60, 49), 247);
    EXPECT_EQ(At(*magenta, w - 11, 20), 247);
    EXPECT_EQ(At(*magenta, 10, h - 21), 247);
    EXPECT_EQ(At(*cyan, 30, 30), 247);
    EXPECT_EQ(At(*resin, 100, 200), 0);
    EXPECT_EQ(At(*resin, 139, 259), 0);
    EXPECT_EQ(At(*resin, 140, 259), 255);
    EXPECT_EQ(At(*resin, w - 101, h - 201), 255);
  }
}

TEST_F(InspectTest, ARotatedSideShowsUpsideDownUnlessTheInspectorIsTold) {
  JobSettings job = Ymcko();
  job.priv.rotate180 = 1;
  const CommandStream stream = ReadCommandStream(PrintMarks(job));
  const std::vector<PanelPicture> pictures = PanelPictures(stream, PageAssumption{});
  const PanelPicture* magenta = Find(pictures, "card1-front-M");
  ASSERT_NE(magenta, nullptr);
  EXPECT_EQ(At(*magenta, 1023 - 10, 639 - 20), 0);
  EXPECT_EQ(At(*magenta, 10, 20), 247);
}

TEST_F(InspectTest, OverlayPicturesFollowTheAreaCommands) {
  JobSettings job = Ymcko();
  job.priv.frontOverlay.areaType = 2;  // varnish inside the area
  job.priv.frontOverlay.areaLeft = 40;
  job.priv.frontOverlay.areaTop = 60;
  job.priv.frontOverlay.areaRight = 240;
  job.priv.frontOverlay.areaBottom = 260;
  const CommandStream stream = ReadCommandStream(PrintMarks(job));
  ASSERT_TRUE(stream.errors.empty());
  const std::vector<PanelPicture> pictures = PanelPictures(stream, PageAssumption{});
  const PanelPicture* overlay = Find(pictures, "card1-front-O");
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(At(*overlay, 40, 60), 0);
  EXPECT_EQ(At(*overlay, 240, 260), 0);
  EXPECT_EQ(At(*overlay, 241, 260), 255);
  EXPECT_EQ(At(*overlay, 39, 100), 255);

  // The same area on a portrait page lies on the card turned with the page.
  job.orientation = DMORIENT_PORTRAIT;
  const CommandStream portrait = ReadCommandStream(PrintMarks(job));
  PageAssumption pages;
  pages.portrait = true;
  const std::vector<PanelPicture> portraitPictures = PanelPictures(portrait, pages);
  const PanelPicture* turned = Find(portraitPictures, "card1-front-O");
  ASSERT_NE(turned, nullptr);
  // Card pixel (x, y) of the landscape frame is page pixel (639 - y, x) of the portrait page.
  EXPECT_EQ(At(*turned, 639 - 60, 40), 0);
  EXPECT_EQ(At(*turned, 639 - 260, 240), 0);
  EXPECT_EQ(At(*turned, 639 - 261, 240), 255);
}

TEST_F(InspectTest, PreviewsShowTheSideInColourWithResinDotsAndTheVarnishOutlined) {
  using Colour = std::array<int, 3>;
  const Colour black = {0, 0, 0}, white = {255, 255, 255}, cyan = {0, 255, 255}, red = {255, 0, 0};
  const Colour outline = {kVarnishOutline[0], kVarnishOutline[1], kVarnishOutline[2]};
  for (const bool portrait : {false, true}) {
    SCOPED_TRACE(portrait ? "portrait page, printed turned" : "landscape page");
    JobSettings job = Ymcko();
    job.orientation = portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    job.priv.rotate180 = portrait ? 1 : 0;
    job.priv.frontOverlay.areaType = 2;  // varnish only inside (440, 300) .. (600, 400) of the card
    job.priv.frontOverlay.areaLeft = 440;
    job.priv.frontOverlay.areaTop = 300;
    job.priv.frontOverlay.areaRight = 600;
    job.priv.frontOverlay.areaBottom = 400;
    const CommandStream stream = ReadCommandStream(PrintMarks(job, true));
    ASSERT_TRUE(stream.errors.empty());
    const std::vector<SidePreview> previews = SidePreviews(PanelPictures(stream, {portrait, portrait, false}));
    ASSERT_EQ(previews.size(), 1u);
    const SidePreview& p = previews[0];
    EXPECT_EQ(p.name, "card1-front");
    ASSERT_EQ(p.width, portrait ? 640 : 1024);
    ASSERT_EQ(p.height, portrait ? 1024 : 640);
    auto at = [&](int x, int y) {
      const uint8_t* c = &p.rgb[(size_t(y) * p.width + x) * 3];
      return Colour{c[0], c[1], c[2]};
    };
    // The card's landscape frame lies on a portrait page turned: card (x, y) is page (639 - y, x).
    auto card = [&](int x, int y) { return portrait ? at(639 - y, x) : at(x, y); };
    EXPECT_EQ(at(120, 230), black);  // a resin dot
    EXPECT_EQ(at(350, 150), cyan);   // full cyan dye, no magenta or yellow
    EXPECT_EQ(at(30, 30), red);
    EXPECT_EQ(at(500, 550), white);  // no ink, no varnish
    // The varnished area: a dashed line two pixels wide just inside its edge; what it covers and what lies
    // outside stay as they are. Counted over 32 pixels along the card's x or y from a point.
    auto outlined = [&](int x, int y, bool alongX) {
      int n = 0;
      for (int i = 0; i < 32; ++i) {
        const Colour c = alongX ? card(x + i, y) : card(x, y + i);
        EXPECT_TRUE(c == outline || c == white) << (alongX ? x + i : x) << ", " << (alongX ? y : y + i);
        n += c == outline ? 1 : 0;
      }
      return n;
    };
    for (const auto& [x, y, alongX] : {std::tuple{460, 300, true},
                                       {460, 301, true},
                                       {600, 340, false},
                                       {599, 340, false},
                                       {440, 340, false},
                                       {460, 400, true}}) {
      SCOPED_TRACE(testing::Message() << "edge from " << x << ", " << y);
      EXPECT_GE(outlined(x, y, alongX), 12);
      EXPECT_LE(outlined(x, y, alongX), 20);
    }
    for (const auto& [x, y, alongX] :
         {std::tuple{460, 302, true}, {460, 299, true}, {601, 340, false}, {597, 340, false}, {460, 350, true}}) {
      SCOPED_TRACE(testing::Message() << "off the edge from " << x << ", " << y);
      EXPECT_EQ(outlined(x, y, alongX), 0);
    }
  }
}

TEST_F(InspectTest, ListingAndSummaryOfATwoSidedJobWithCopies) {
  JobSettings job;
  job.copies = 2;
  job.priv.printBothSides = 1;
  job.priv.twoSidedMode = 0;
  const std::vector<uint8_t> bytes = PrintBlank(job, 2);
  const CommandStream stream = ReadCommandStream(bytes);
  ASSERT_TRUE(stream.errors.empty());

  const std::string listing = FormatListing(stream);
  EXPECT_EQ(listing.substr(0, 22), "         0  \\eMASTER\\r");
  const size_t y = FindBytes(bytes, "\x1bGS 0 30");
  EXPECT_NE(listing.find(std::to_string(y) + "  \\eGS 0 30 0 0 1024 640   [Y panel, continuous-tone run-length (30), " +
                         std::to_string(2 * 5160 + 2) + " data bytes + CR, decoded 1024 lines of 640 levels]"),
            std::string::npos)
      << listing;
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), static_cast<long>(stream.items.size()));

  const JobSummary s = SummariseJob(stream);
  EXPECT_EQ(s.jobKind, 2);
  EXPECT_EQ(s.cards, 2);
  EXPECT_EQ(s.cardsWithImages, 1);
  EXPECT_EQ(s.copies, 2);
  EXPECT_FALSE(s.lastCardOpen);
  EXPECT_EQ(s.headSettings.front(), "colour contrast Y 5");
  EXPECT_EQ(s.headSettings.back(), "overlay varnish contrast (O) 3");
  ASSERT_EQ(s.sides.size(), 1u);  // the blank back prints nothing; the card turns back for its overlay
  EXPECT_EQ(s.sides[0].panels, (std::vector<std::string>{"Y", "M", "C", "O (whole card)"}));
  const std::string text = FormatSummary(s);
  EXPECT_NE(text.find("two-sided, YMCKO split between the sides"), std::string::npos) << text;
  EXPECT_NE(text.find("copies (inferred): 2"), std::string::npos) << text;
}

// ---- Damaged streams ----

class DamagedStreamTest : public InspectTest {
 protected:
  void SetUp() override {
    InspectTest::SetUp();
    JobSettings job = Ymcko();
    good_ = PrintMarks(job);
    ASSERT_TRUE(ReadCommandStream(good_).errors.empty());
  }
  std::vector<uint8_t> good_;
};

TEST_F(DamagedStreamTest, EachFaultIsReportedAtItsOffsetAndTheRestIsRead) {
  const CommandStream clean = ReadCommandStream(good_);
  const size_t dye = FindBytes(good_, "\x1bGS 1 30");
  const size_t mono = FindBytes(good_, "\x1bG 0 0 12");
  const size_t sxy = FindBytes(good_, "\x1bSXY 1\r");
  const size_t closing = FindBytes(good_, "\x1bIS 0\r") - 1;  // the CR after the Y data
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    size_t offset;
    const char* message;
  };
  auto with = [&](auto change) {
    std::vector<uint8_t> b = good_;
    change(b);
    return b;
  };
  const std::vector<Case> cases = {
      {"garbage between commands", with([&](auto& b) {
         b.insert(b.begin() + static_cast<long>(sxy), {'j', 'u', 'n', 'k'});
       }),
       sxy, "expected ESC, found 0x6A"},
      {"bad dye header", with([&](auto& b) { b[dye + 7] = '9'; }), dye, "malformed dye panel header"},
      {"bad one-bit header", with([&](auto& b) { b[mono + 14] = '7'; }), mono, "malformed one-bit image header"},
      {"one-bit header without ESC Z", with([&](auto& b) { b[mono + 21] = 'X'; }), mono, "not followed by ESC Z"},
      {"missing CR", with([&](auto& b) { b.erase(b.begin() + static_cast<long>(sxy) - 1); }), sxy - 7,
       "not closed by CR"},
      {"too much panel data", with([&](auto& b) { b.insert(b.begin() + static_cast<long>(closing), 0x01); }), closing,
       "panel data not closed by CR"},
      {"a level above 31", with([&](auto& b) { b[closing - 1] = 0x40; }), closing - 1, "above 31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CommandStream read = ReadCommandStream(c.bytes);
    ASSERT_FALSE(read.errors.empty());
    EXPECT_EQ(read.errors[0].offset, c.offset) << read.errors[0].message;
    EXPECT_NE(read.errors[0].message.find(c.message), std::string::npos) << read.errors[0].message;
    // One error each, except where the reader has to skip one-bit data (which may hold ESC bytes).
    if (std::string(c.what) != "one-bit header without ESC Z") {
      EXPECT_EQ(read.errors.size(), 1u) << FormatErrors(read);
    }
    // Reading resumes: the card-out command at the end is still found.
    ASSERT_FALSE(read.items.empty());
    EXPECT_EQ(read.items.back().bytes, "\x1bMO\r");
  }
}

TEST_F(DamagedStreamTest, EveryTruncationKeepsWhatCameBeforeIt) {
  const CommandStream clean = ReadCommandStream(good_);
  std::vector<size_t> cuts;
  for (size_t cut = 0; cut < good_.size(); cut += 1 + cut / 8) cuts.push_back(cut);
  for (const StreamItem& item : clean.items)
    for (size_t d : {size_t{1}, item.bytes.size() - 1, item.bytes.size() + 1}) cuts.push_back(item.offset + d);
  for (size_t cut : cuts) {
    if (cut >= good_.size()) continue;
    // An exact-size copy: a read past it would be caught by the address sanitizer.
    const std::vector<uint8_t> part(good_.begin(), good_.begin() + static_cast<long>(cut));
    const CommandStream read = ReadCommandStream(part);
    size_t whole = 0;  // items of the clean stream that end before the cut
    while (whole < clean.items.size() &&
           clean.items[whole].offset + clean.items[whole].bytes.size() +
                   (clean.items[whole].image ? clean.items[whole].image->dataBytes + 1 : 0) <=
               cut)
      ++whole;
    ASSERT_GE(read.items.size(), whole) << "cut at " << cut;
    for (size_t i = 0; i < whole; ++i) EXPECT_EQ(read.items[i].bytes, clean.items[i].bytes) << "cut at " << cut;
    const bool atBoundary = whole == clean.items.size() || clean.items[whole].offset == cut;
    EXPECT_EQ(read.errors.empty(), atBoundary) << "cut at " << cut;
    for (const StreamError& e : read.errors) EXPECT_LE(e.offset, cut);
    PanelPictures(read, PageAssumption{});
    FormatSummary(SummariseJob(read));
  }
}

TEST_F(DamagedStreamTest, RandomDamageNeverReadsOutside) {
  std::mt19937 random(47);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> bytes = good_;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      const size_t at = random() % bytes.size();
      switch (random() % 3) {
        case 0:
          bytes[at] = static_cast<uint8_t>(random());
          break;
        case 1:
          bytes.erase(bytes.begin() + static_cast<long>(at));
          break;
        default:
          bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random()));
          break;
      }
    }
    bytes.resize(random() % 4 == 0 ? random() % bytes.size() : bytes.size());
    bytes.shrink_to_fit();
    const CommandStream read = ReadCommandStream(bytes);
    for (const StreamError& e : read.errors) EXPECT_LE(e.offset, bytes.size());
    FormatListing(read);
    FormatSummary(SummariseJob(read));
    PanelPictures(read, PageAssumption{true, true, true});
  }
  // Pure noise as well.
  std::vector<uint8_t> noise(200000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  const CommandStream read = ReadCommandStream(noise);
  EXPECT_FALSE(read.errors.empty());
}

TEST_F(DamagedStreamTest, TheInspectorReportsErrorsAndFailsOnThem) {
  std::vector<uint8_t> bytes = good_;
  bytes.resize(bytes.size() - 3);
  test::TempDir dir;
  const std::string path = dir.Write("cut.prn", bytes);
  std::istringstream in;
  std::ostringstream out, err;
  EXPECT_EQ(InspectMain({path}, in, out, err), 1);
  EXPECT_NE(out.str().find("== structural errors: 1\nerror at byte " + std::to_string(bytes.size() - 1)),
            std::string::npos)
      << out.str();
  EXPECT_NE(err.str().find("1 structural error, the first at byte"), std::string::npos) << err.str();

  std::ostringstream out2, err2;
  EXPECT_EQ(InspectMain({dir.Write("good.prn", good_), "--no-listing"}, in, out2, err2), 0);
  EXPECT_EQ(out2.str().find("== commands"), std::string::npos);
  EXPECT_TRUE(err2.str().empty()) << err2.str();
}

}  // namespace
}  // namespace tolma::tools
