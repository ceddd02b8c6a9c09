// tolma-print's notes checked against the driver's own streams: the 180-degree rotation the driver settles on,
// and options that cannot reach the stream for the ribbon, sides and mode of a job.
#include "common/ribbon.h"
#include "raster/ddi_functions.h"
#include "tests/support/fixtures.h"
#include "tools/lib/inspect.h"
#include "tools/lib/print_main.h"
#include "tools/lib/png_io.h"
#include "tools/lib/stream_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace tolma::tools {
namespace {

using Args = std::vector<std::string>;

// A landscape card picture that a half turn changes: a pure black block at the top left, a grey band across the
// card below it, white elsewhere.
std::vector<uint8_t> CardPicture() {
  std::vector<uint8_t> grey(size_t(1024) * 640, 255);
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 1024; ++x) {
      if (x < 300 && y < 250) grey[size_t(y) * 1024 + x] = 0;
      if (y >= 400 && y < 500) grey[size_t(y) * 1024 + x] = 128;
    }
  return grey;
}

struct Printed {
  int status = -1;
  std::string err;
  std::vector<uint8_t> stream;
  std::vector<std::string> notes;

  bool Noted(const std::string& text) const {
    return std::any_of(notes.begin(), notes.end(), [&](const std::string& n) { return n.find(text) != n.npos; });
  }
};

class PrintNotesTest : public test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    std::string error;
    ASSERT_TRUE(WriteGreyPng(card_, 1024, 640, CardPicture(), error)) << error;
  }

  // Prints the card picture (front, and back with `back`) to standard output, quietly.
  Printed Print(Args args, bool back = false) {
    args.insert(args.begin(), {card_, "-q", "-o", "-"});
    if (back) args.insert(args.end(), {"--back", card_});
    std::ostringstream out, err;
    Printed p;
    p.status = PrintMain(args, out, err, PrintEnvironment{&DrvEnableDriver, &DrvDisableDriver, TOLMA_BUILD_DIR});
    p.err = err.str();
    const std::string bytes = out.str();
    p.stream.assign(bytes.begin(), bytes.end());
    std::istringstream lines(p.err);
    const std::string prefix = "tolma-print: note: ";
    for (std::string line; std::getline(lines, line);)
      if (line.rfind(prefix, 0) == 0) p.notes.push_back(line.substr(prefix.size()));
    return p;
  }

  test::TempDir dir_;
  const std::string card_ = (dir_.path() / "card.png").string();
};

// The panel pictures of one side of the first card, the overlay left out.
std::vector<const PanelPicture*> SidePictures(const std::vector<PanelPicture>& pictures, const std::string& side) {
  std::vector<const PanelPicture*> out;
  for (const PanelPicture& p : pictures)
    if (p.name.rfind("card1-" + side + "-", 0) == 0 && p.name.find("-O") == std::string::npos) out.push_back(&p);
  return out;
}

bool Dark(const PanelPicture& p, int x, int y) { return p.grey[size_t(y) * p.width + x] < 128; }

TEST_F(PrintNotesTest, RotationNotesFollowTheSidesTheDriverTurns) {
  const char* const kRotations[] = {"none", "front", "back", "both"};
  for (const char* ribbon : {"YMCKO", "Kresin"}) {  // colour panels, and a converted resin panel
    for (const bool fixed : {false, true}) {
      for (const bool twoSided : {false, true}) {
        for (int rotate = 0; rotate < 4; ++rotate) {
          SCOPED_TRACE(testing::Message()
                       << ribbon << (fixed ? ", fixed" : ", through the cache")
                       << (twoSided ? ", two-sided" : ", one-sided") << ", --rotate180 " << kRotations[rotate]);
          Args args = {"--ribbon", ribbon, "--rotate180", kRotations[rotate]};
          if (fixed) args.push_back("--fixed-ribbon");
          const Printed p = Print(args, twoSided);
          ASSERT_EQ(p.status, 0) << p.err;
          const CommandStream stream = ReadCommandStream(p.stream);
          ASSERT_TRUE(stream.errors.empty());
          const std::vector<PanelPicture> pictures = PanelPictures(stream, PageAssumption{});

          // Which sides the stream shows turned: the black block lands at the bottom right.
          bool turnedAny = false, frontTurned = false;
          for (const bool front : {true, false}) {
            if (!front && !twoSided) break;
            const char* side = front ? "front" : "back";
            const std::vector<const PanelPicture*> panels = SidePictures(pictures, side);
            ASSERT_FALSE(panels.empty()) << side;
            const bool turned = Dark(*panels[0], 923, 539);
            ASSERT_NE(turned, Dark(*panels[0], 100, 100)) << side;
            turnedAny = turnedAny || turned;
            if (front) frontTurned = turned;
            const bool named = front ? (rotate == 1 || rotate == 3) : (rotate == 2 || rotate == 3);
            EXPECT_EQ(p.Noted(std::string("turns the ") + side + " by 180 degrees"), turned && !named) << p.err;
            EXPECT_EQ(p.Noted(std::string("does not turn the ") + side), !turned && named) << p.err;
          }
          // A back named on a one-sided job is never printed: noted, and true to what happened.
          const bool backNamed = rotate == 2 || rotate == 3;
          EXPECT_EQ(p.Noted("one-sided job"), backNamed && !twoSided) << p.err;
          EXPECT_FALSE(p.Noted("into none") && turnedAny) << p.err;
          EXPECT_FALSE(p.Noted("into the front's only") && !frontTurned) << p.err;
          EXPECT_TRUE(p.notes.empty() || (backNamed && !twoSided)) << p.err;
        }
      }
    }
  }
}

TEST_F(PrintNotesTest, OptionsThatCannotReachTheStreamAreNoted) {
  // Every ribbon through the cache, one-sided and in each two-sided mode (YMCKUv and YMCUvK print as YMCKO and
  // YMCKK do, and are left out). Each job asks for everything at once: a front and a back overlay area that the
  // stream tells apart, resin black, halftone conversion, packed data.
  struct Config {
    int code;
    bool twoSided;
    int mode;
  };
  std::vector<Config> configs;
  for (int code = 1; code <= 28; ++code) {
    const int type = RibbonTypeFromPrinterCode(code);
    if (type == 11 || type == 12 || std::any_of(configs.begin(), configs.end(), [&](const Config& c) {
          return RibbonTypeFromPrinterCode(c.code) == type;
        }))
      continue;
    configs.push_back({code, false, 0});
    const int modes = static_cast<int>(PrintingModeList(type, 0, true).size());
    for (int mode = 0; mode < modes; ++mode) configs.push_back({code, true, mode});
  }
  ASSERT_EQ(configs.size(), 33u);

  for (const Config& c : configs) {
    const std::string name(RibbonTypeName(RibbonTypeFromPrinterCode(c.code)));
    SCOPED_TRACE(testing::Message() << name << (c.twoSided ? ", two-sided mode " : ", one-sided")
                                    << (c.twoSided ? std::to_string(c.mode) : ""));
    Args args = {"--ribbon", std::to_string(c.code), "--mono-conversion", "halftone", "--packed"};
    args.insert(args.end(), {"--front-overlay-area", "10,10,100,100", "--back-overlay-area", "20,20,200,200"});
    if (c.twoSided) args.insert(args.end(), {"--two-sided-mode", std::to_string(c.mode)});
    Args never = args;
    args.insert(args.end(), {"--black-panel", "always"});
    never.insert(never.end(), {"--black-panel", "never"});
    const Printed p = Print(args, c.twoSided);
    ASSERT_EQ(p.status, 0) << p.err;
    const CommandStream stream = ReadCommandStream(p.stream);
    ASSERT_TRUE(stream.errors.empty());
    const std::vector<std::string> texts = CommandTexts(stream);
    auto sent = [&](const char* command) { return std::find(texts.begin(), texts.end(), command) != texts.end(); };

    // Overlays: each side's area is its own rectangle.
    EXPECT_EQ(p.Noted("the --front-overlay settings have no effect"), !sent("\\evL 10 10 90 90 1\\r")) << p.err;
    EXPECT_EQ(p.Noted("the --back-overlay settings have no effect"), !sent("\\evL 20 20 180 180 1\\r")) << p.err;
    // Packed panel data: any image at all.
    const bool images = std::any_of(stream.items.begin(), stream.items.end(), [](const auto& i) { return i.image; });
    EXPECT_EQ(p.Noted("--packed has no effect"), !images) << p.err;
    // Conversion: the grey band, which only a conversion puts on a one-bit panel.
    bool converted = false;
    for (const PanelPicture& picture : PanelPictures(stream, PageAssumption{})) {
      const bool oneBit = picture.name.back() == 'K' || picture.name.back() == 'H';
      for (int x = 400; oneBit && x < 1000 && !converted; ++x) converted = Dark(picture, x, 450);
    }
    EXPECT_EQ(p.Noted("--mono-conversion has no effect"), !converted) << p.err;
    // The black panel: never using it changes the stream, or it is noted.
    const Printed q = Print(never, c.twoSided);
    ASSERT_EQ(q.status, 0) << q.err;
    EXPECT_EQ(q.Noted("--black-panel has no effect"), q.stream == p.stream) << q.err;
    EXPECT_EQ(p.Noted("--black-panel has no effect"), q.stream == p.stream) << p.err;
  }
}

TEST_F(PrintNotesTest, BlackBitmapsNeverReachTheStreamOfColourPictures) {
  struct Case {
    Args args;
    bool twoSided;
    const char* note;
  };
  const Case cases[] = {
      {{"--black-panel", "except-pictures"}, false, "tolma-print draws its pictures in colour"},
      {{"--black-panel", "except-pictures", "--two-sided-mode", "1"}, true, "tolma-print draws its pictures in colour"},
      {{"--black-panel", "text"}, false, "only with --black-panel except-pictures"},
      {{"--black-panel", "except-pictures", "--two-sided-mode", "0"}, true, "only with --black-panel except-pictures"},
      {{"--black-panel", "except-pictures", "--ribbon", "Kresin"}, false, "only with --black-panel except-pictures"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Args with = c.args;
    with.push_back("--black-bitmap");
    const Printed p = Print(with, c.twoSided);
    const Printed q = Print(c.args, c.twoSided);
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.stream, q.stream);
    EXPECT_TRUE(p.Noted("--black-bitmap has no effect")) << p.err;
    EXPECT_TRUE(p.Noted(c.note)) << p.err;
  }
}

TEST_F(PrintNotesTest, ATwoSidedModeTheRibbonDoesNotOfferIsRefusedWithWhatTheDriverWouldDo) {
  // Through the cache the settlement falls back to mode 0; a fixed ribbon is not settled and keeps the mode.
  const Printed cache = Print({"--ribbon", "YMCK", "--two-sided-mode", "2"}, true);
  EXPECT_EQ(cache.status, 1);
  EXPECT_NE(cache.err.find("two-sided mode 2 is not offered for the YMCK ribbon"), std::string::npos) << cache.err;
  EXPECT_NE(cache.err.find("the driver would use mode 0"), std::string::npos) << cache.err;
  const Printed fixed = Print({"--ribbon", "YMCK", "--fixed-ribbon", "--two-sided-mode", "2"}, true);
  EXPECT_EQ(fixed.status, 1);
  EXPECT_NE(fixed.err.find("with a fixed ribbon the driver keeps it"), std::string::npos) << fixed.err;
  EXPECT_TRUE(cache.stream.empty() && fixed.stream.empty());
}

TEST_F(PrintNotesTest, TheModelIsJudgedByTheTextTheDriverReadsFromTheCache) {
  // The driver reads 32 characters of the model text: an "RKB" after them does not make it two-sided.
  const Printed cut = Print({"--model", "Q47x 0123456789012345678901234567 RKB"}, true);
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("reads its model text as \"Q47x 012345678901234567890123456\""), std::string::npos) << cut.err;
  const Printed whole = Print({"--model", "Q47x 01234567890123456789012 RKB"}, true);
  EXPECT_EQ(whole.status, 0) << whole.err;
}

TEST_F(PrintNotesTest, AnEncodeOnlyJobNotesEveryPanelOptionAtOnce) {
  const Printed p = Print({"--encode-only", "--track2", "12345", "--packed", "--rotate180", "front", "--black-panel",
                           "always", "--front-overlay", "none", "--mono-conversion", "barcode"});
  ASSERT_EQ(p.status, 0) << p.err;
  const CommandStream stream = ReadCommandStream(p.stream);
  EXPECT_TRUE(std::none_of(stream.items.begin(), stream.items.end(), [](const auto& i) { return i.image; }));
  EXPECT_TRUE(
      p.Noted("the job only encodes and prints no panel: --rotate180, --black-panel, --mono-conversion, "
              "--packed, the --front-overlay settings have no effect"))
      << p.err;
}

}  // namespace
}  // namespace tolma::tools
