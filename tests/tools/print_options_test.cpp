// Tests of tolma-print's option parsing, ribbon choice, DEVMODE building and job checks.
#include "common/ribbon.h"
#include "tools/lib/print_options.h"
#include "tools/lib/print_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace tolma::tools {
namespace {

using Args = std::vector<std::string>;

PrintOptions Parsed(const Args& args) {
  const ParsedPrintOptions p = ParsePrintOptions(args);
  EXPECT_EQ(p.error, "") << testing::PrintToString(args);
  return p.options;
}

TEST(PrintOptions, GoodCommandLines) {
  struct Case {
    Args args;
    std::function<bool(const PrintOptions&)> holds;
  };
  const std::vector<Case> cases = {
      {{"card.png", "-o", "out.prn"}, [](const auto& o) { return o.input == "card.png" && o.output == "out.prn"; }},
      {{"-o", "-", "card.png"}, [](const auto& o) { return o.output == "-" && o.input == "card.png"; }},
      {{"--", "-odd.png"}, [](const auto& o) { return o.input == "-odd.png"; }},
      {{"--copies=3"}, [](const auto& o) { return o.copies == 3; }},
      {{"--copies", "999"}, [](const auto& o) { return o.copies == 999; }},
      {{"--black-panel", "always"}, [](const auto& o) { return o.blackPanel == 1; }},
      {{"--black-panel", "3"}, [](const auto& o) { return o.blackPanel == 3; }},
      {{"--black-panel=text-only"}, [](const auto& o) { return o.blackPanel == 2; }},
      {{"--rotate180", "both"}, [](const auto& o) { return o.rotate180 == 3; }},
      {{"--mono-conversion", "enhanced"}, [](const auto& o) { return o.monoConversion == 3; }},
      {{"--mono-kind", "hologram-varnish"}, [](const auto& o) { return o.monoKind == 3; }},
      {{"--packed"}, [](const auto& o) { return o.packed == true; }},
      {{"--packed=off"}, [](const auto& o) { return o.packed == false; }},
      {{"--two-sided", "--two-sided-mode", "2"},
       [](const auto& o) { return o.twoSided == true && o.twoSidedMode == 2; }},
      {{"--front-overlay-area", "40,60,240,260"},
       [](const auto& o) {
         return o.overlay[0].area == std::array<int, 4>{40, 60, 240, 260} && !o.overlay[1].area;
       }},
      {{"--back-overlay", "stripe", "--back-overlay-rotate"},
       [](const auto& o) { return o.overlay[1].type == 7 && o.overlay[1].rotate == true; }},
      {{"--cc-contrast-b", "-100"}, [](const auto& o) { return o.colour[kCcContrastB] == -100; }},
      {{"--head-intensity-kd", "10"}, [](const auto& o) { return o.head[kHeadIntensityKd] == 10; }},
      {{"--track2", "1234567890123456789012345678901234567"}, [](const auto& o) { return o.tracks[1]->size() == 37; }},
      {{"--track1", ""}, [](const auto& o) { return o.tracks[0] == ""; }},
      {{"--ribbon", "YMCK", "--fixed-ribbon"}, [](const auto& o) { return o.ribbon == "YMCK" && o.fixedRibbon; }},
      {{"--orientation", "portrait", "--size", "fill"},
       [](const auto& o) { return o.orientation == Orientation::Portrait && o.size == SizeMode::Fill; }},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.holds(Parsed(c.args))) << testing::PrintToString(c.args);
}

TEST(PrintOptions, BadCommandLinesSayWhatIsWrong) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"--copies", "0"}, "--copies takes a whole number from 1 to 999, not \"0\""},
      {{"--copies", "1000"}, "--copies takes a whole number from 1 to 999"},
      {{"--copies=3x"}, "not \"3x\""},
      {{"--copies"}, "--copies needs a value (N)"},
      {{"--bogus"}, "unknown option --bogus"},
      {{"-x"}, "unknown option -x"},
      {{"--black-panel", "sometimes"}, "--black-panel takes one of never, always"},
      {{"--head-contrast-y", "11"}, "from 0 to 10"},
      {{"--cc-intensity-r", "-101"}, "from -100 to 100"},
      {{"--front-overlay-area", "240,60,40,260"}, "must lie before"},
      {{"--front-overlay-area", "1,2,3"}, "takes LEFT,TOP,RIGHT,BOTTOM"},
      {{"--front-overlay-area", "0,0,1024,639"}, "takes LEFT,TOP,RIGHT,BOTTOM"},
      {{"--back-overlay", "hatched"}, "--back-overlay takes one of full, none"},
      {{"--track2", std::string(40, '1')}, "--track2 holds at most 39 characters, not 40"},
      {{"--track3", std::string(108, '1')}, "at most 107"},
      {{"--track1", "caf\xC3\xA9"}, "printable ASCII"},
      {{"a.png", "b.png"}, "one input image only"},
      {{"--packed=maybe"}, "--packed takes on or off"},
      {{"--orientation", "2"}, "--orientation takes one of auto, landscape, portrait, not \"2\""},
      {{"--two-sided-mode", "4"}, "from 0 to 3"},
  };
  for (const auto& [args, message] : cases) {
    const ParsedPrintOptions p = ParsePrintOptions(args);
    EXPECT_NE(p.error.find(message), std::string::npos) << testing::PrintToString(args) << " -> " << p.error;
  }
}

TEST(PrintOptions, HelpListsEveryOptionWithinTheWidth) {
  const std::string usage = PrintUsage();
  for (const char* name : {"--output",
                           "--ribbon",
                           "--fixed-ribbon",
                           "--back",
                           "--two-sided-mode",
                           "--rotate180",
                           "--copies",
                           "--black-panel",
                           "--black-bitmap",
                           "--mono-conversion",
                           "--packed",
                           "--encode-only",
                           "--front-overlay-bitmap",
                           "--back-overlay-area",
                           "--cc-contrast-k",
                           "--head-contrast-kd",
                           "--track3",
                           "--devmode-in",
                           "--devmode-out",
                           "--size"})
    EXPECT_NE(usage.find(name), std::string::npos) << name;
  size_t start = 0;
  for (size_t end = usage.find('\n'); end != std::string::npos; start = end + 1, end = usage.find('\n', start))
    EXPECT_LE(end - start, 100u) << usage.substr(start, end - start);
}

// ---- Ribbon choice ----

TEST(PrintSettings, RibbonsByNameCodeAndFixedList) {
  struct Case {
    std::string ribbonText;
    bool fixed;
    int type, code, entry;
  };
  const Case cases[] = {
      {"", false, 0, 2, 0},
      {"ymcko", false, 0, 2, 0},
      {"YMCKOK", false, 8, 5, 0},
      {"14", false, 0, 14, 0},
      {"0", false, 15, 0, 0},
      {"None", false, 15, 0, 0},
      {"kresin", false, 1, 7, 0},
      {"K Resin / Scratch Off", false, 1, 7, 0},
      {"hologram/varnish", false, 4, 19, 0},
      {"Unknown Monochrome", false, 14, 1, 0},
      {"Kd", false, 13, 28, 0},
      {"YMCKO", true, 0, 2, 3},
      {"ymcuvk", true, 12, 23, 4},
      {"17", true, 3, 17, 9},
      {"", true, 0, 2, 3},
  };
  for (const Case& c : cases) {
    RibbonChoice r;
    std::string error;
    ASSERT_TRUE(ResolveRibbon(c.ribbonText, c.fixed, r, error)) << c.ribbonText << ": " << error;
    EXPECT_EQ(r.type, c.type) << c.ribbonText;
    EXPECT_EQ(r.printerCode, c.code) << c.ribbonText;
    EXPECT_EQ(r.fixedEntry, c.entry) << c.ribbonText;
    EXPECT_EQ(RibbonTypeFromPrinterCode(r.printerCode), r.type) << c.ribbonText;
    if (c.fixed) {
      EXPECT_EQ(RibbonTypeFromFixedList(r.fixedEntry), r.type) << c.ribbonText;
    }
  }
  const std::vector<std::tuple<std::string, bool, std::string>> bad = {
      {"rainbow", false, "unknown ribbon \"rainbow\"; ribbon names: YMCKO, Kresin"},
      {"29", false, "unknown printer ribbon code 29"},
      {"YMCKUv", true, "not in the fixed ribbon list (YMCKOK, YMCKK"},
  };
  for (const auto& [ribbonText, fixed, message] : bad) {
    RibbonChoice r;
    std::string error;
    EXPECT_FALSE(ResolveRibbon(ribbonText, fixed, r, error));
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  EXPECT_EQ(RibbonCacheText(14, "Q47x RKB"), "Ribbon=14\r\nModel=Q47x RKB\r\n");
}

// ---- DEVMODE building ----

struct Built {
  DEVMODEW dm;
  PrivateDevmode pd;
};

Built Build(const Args& args, const std::string& ribbon = "", bool fixed = false, bool portrait = false,
            const std::vector<uint8_t>& base = BaseDevmode(DefaultPrivateDevmode())) {
  RibbonChoice choice;
  std::string error;
  EXPECT_TRUE(ResolveRibbon(ribbon, fixed, choice, error)) << error;
  const std::vector<uint8_t> bytes = BuildDevmode(Parsed(args), choice, base, portrait);
  EXPECT_EQ(bytes.size(), kFullDevmodeSize);
  Built b{};
  std::memcpy(&b.dm, bytes.data(), kPublicDevmodeSize);
  std::memcpy(&b.pd, bytes.data() + kPublicDevmodeSize, sizeof b.pd);
  return b;
}

TEST(PrintSettings, WithoutOptionsTheDevmodeIsTheDefaultsOnAYmckoRibbon) {
  const Built b = Build({});
  std::vector<uint8_t> expected = BaseDevmode(DefaultPrivateDevmode());
  std::vector<uint8_t> got(kFullDevmodeSize);
  std::memcpy(got.data(), &b.dm, kPublicDevmodeSize);
  std::memcpy(got.data() + kPublicDevmodeSize, &b.pd, sizeof b.pd);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(b.dm.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(b.dm.dmCopies, 1);
  EXPECT_EQ(b.pd.ribbonType, 0);
  EXPECT_EQ(b.pd.fixedRibbon, 0);
}

TEST(PrintSettings, EachOptionSetsItsField) {
  struct Case {
    Args args;
    std::function<bool(const Built&)> holds;
    std::string ribbon = "";
    bool fixed = false;
  };
  const std::vector<Case> cases = {
      {{}, [](const Built& b) { return b.dm.dmOrientation == DMORIENT_PORTRAIT; }},  // built as portrait below
      {{"--copies", "7"}, [](const Built& b) { return b.dm.dmCopies == 7; }},
      {{},
       [](const Built& b) { return b.pd.fixedRibbon == 6 && b.pd.ribbonType == 6 && b.pd.encoder.hasEncoder == 1; },
       "YMCK",
       true},
      {{}, [](const Built& b) { return b.pd.fixedRibbon == 0 && b.pd.ribbonType == 8; }, "5"},
      {{"--mono-kind", "scratch-off"}, [](const Built& b) { return b.pd.monoRibbonKind == 1; }, "1"},
      {{"--back", "b.png"}, [](const Built& b) { return b.pd.printBothSides == 1; }},
      {{"--two-sided", "--two-sided-mode", "2", "--rotate180", "back"},
       [](const Built& b) { return b.pd.printBothSides == 1 && b.pd.twoSidedMode == 2 && b.pd.rotate180 == 2; }},
      {{"--black-panel", "except-pictures", "--black-bitmap"},
       [](const Built& b) { return b.pd.blackPanelUse == 3 && b.pd.blackBitmap == 1; }},
      {{"--mono-conversion", "barcode", "--packed"},
       [](const Built& b) { return b.pd.monoConversion == 2 && b.pd.packedPanels == 1; }},
      {{"--encode-only"}, [](const Built& b) { return b.pd.printingMode == 1 && b.pd.encoder.hasEncoder == 1; }},
      {{"--track1", "ABC"},
       [](const Built& b) { return b.pd.encoder.hasEncoder == 1 && b.pd.encoder.macroProcessing == 1; }},
      {{"--front-overlay-area", "40,60,240,260"},
       [](const Built& b) {
         const OverlayArea& a = b.pd.frontOverlay;
         return a.areaType == 2 && a.areaLeft == 40 && a.areaTop == 60 && a.areaRight == 240 && a.areaBottom == 260 &&
                b.pd.backOverlay.areaType == 0;
       }},
      {{"--front-overlay-area", "40,60,240,260", "--front-overlay", "area-blank"},
       [](const Built& b) { return b.pd.frontOverlay.areaType == 3; }},
      {{"--back-overlay", "iso-chip", "--back-overlay-rotate"},
       [](const Built& b) { return b.pd.backOverlay.areaType == 5 && b.pd.backOverlay.areaRotate180 == 1; }},
      {{"--back-overlay-bitmap", "/cards/varnish.bmp"},
       [](const Built& b) {
         const OverlayArea& a = b.pd.backOverlay;
         return a.areaType == 4 &&
                std::u16string(reinterpret_cast<const char16_t*>(a.bitmapPath)) == u"/cards/varnish.bmp";
       }},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    EXPECT_TRUE(c.holds(Build(c.args, c.ribbon, c.fixed, i == 0))) << testing::PrintToString(c.args);
  }
  // Defaults hold where no option says otherwise.
  const Built plain = Build({});
  EXPECT_EQ(plain.pd.encoder.hasEncoder, 0);
  EXPECT_EQ(plain.pd.printingMode, 0);
}

TEST(PrintSettings, ColourAndHeadOptionsReachTheirOwnFields) {
  const char* const colour[] = {"--cc-intensity-k", "--cc-intensity-r", "--cc-intensity-g", "--cc-intensity-b",
                                "--cc-contrast-k",  "--cc-contrast-r",  "--cc-contrast-g",  "--cc-contrast-b"};
  const char* const head[] = {"--head-contrast-o",  "--head-contrast-kr", "--head-contrast-h",   "--head-intensity-y",
                              "--head-intensity-m", "--head-intensity-c", "--head-intensity-kd", "--head-contrast-y",
                              "--head-contrast-m",  "--head-contrast-c",  "--head-contrast-kd"};
  Args args;
  for (int i = 0; i < 8; ++i) args.insert(args.end(), {colour[i], std::to_string(i * 10 - 35)});
  for (int i = 0; i < 11; ++i) args.insert(args.end(), {head[i], std::to_string(i)});
  const Built b = Build(args);
  const int16_t colours[] = {b.pd.ccIntensityK, b.pd.ccIntensityR, b.pd.ccIntensityG, b.pd.ccIntensityB,
                             b.pd.ccContrastK,  b.pd.ccContrastR,  b.pd.ccContrastG,  b.pd.ccContrastB};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(colours[i], i * 10 - 35) << colour[i];
  const int16_t heads[] = {b.pd.headContrastO,  b.pd.headContrastKr, b.pd.headContrastH,   b.pd.headIntensityY,
                           b.pd.headIntensityM, b.pd.headIntensityC, b.pd.headIntensityKd, b.pd.headContrastY,
                           b.pd.headContrastM,  b.pd.headContrastC,  b.pd.headContrastKd};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(heads[i], i) << head[i];
}

TEST(PrintSettings, OptionsOverrideASavedDevmodeAndKeepTheRest) {
  PrivateDevmode saved = DefaultPrivateDevmode();
  saved.packedPanels = 1;
  saved.headContrastKr = 9;
  saved.blackPanelUse = 3;
  std::vector<uint8_t> base = BaseDevmode(saved);
  reinterpret_cast<DEVMODEW*>(base.data())->dmCopies = 5;
  std::string error;
  EXPECT_TRUE(CheckDevmodeImage(base, error)) << error;
  const Built b = Build({"--packed=off", "--black-panel", "never"}, "", false, false, base);
  EXPECT_EQ(b.pd.packedPanels, 0);
  EXPECT_EQ(b.pd.blackPanelUse, 0);
  EXPECT_EQ(b.pd.headContrastKr, 9);
  EXPECT_EQ(b.dm.dmCopies, 5);
}

TEST(PrintSettings, SavedImagesAreCheckedBeforeUse) {
  std::string error;
  std::vector<uint8_t> devmode = BaseDevmode(DefaultPrivateDevmode());
  EXPECT_TRUE(CheckDevmodeImage(devmode, error));
  devmode.pop_back();
  EXPECT_FALSE(CheckDevmodeImage(devmode, error));
  EXPECT_NE(error.find("2435 bytes instead of 2436"), std::string::npos) << error;
  devmode = BaseDevmode(DefaultPrivateDevmode());
  devmode[kPublicDevmodeSize] = 0;  // no signature
  EXPECT_FALSE(CheckDevmodeImage(devmode, error));

  const PrivateDevmode pd = DefaultPrivateDevmode();
  std::vector<uint8_t> data(sizeof pd);
  std::memcpy(data.data(), &pd, sizeof pd);
  EXPECT_TRUE(CheckDataFileImage(data, error));
  data.push_back(0);
  EXPECT_FALSE(CheckDataFileImage(data, error));
  EXPECT_NE(error.find("got 2225 bytes"), std::string::npos) << error;
}

// ---- What the driver would do ----

TEST(PrintSettings, JobsTheDriverWouldNotPrintAsAskedAreRefused) {
  struct Case {
    Args args;
    std::string ribbon;
    bool fixed;
    std::string model;
    std::string error;  // empty: accepted
  };
  const std::vector<Case> cases = {
      {{"--two-sided"}, "", false, "Q47x RKB", ""},
      {{"--two-sided"}, "", false, "Q47x RKA 2.1", "prints one side only"},
      {{"--back", "b.png"}, "", false, "", "the driver would print the front only"},
      {{"--two-sided"}, "YMCKO", true, "Q47x RKA", ""},  // a fixed ribbon: the model is not read
      {{"--encode-only"}, "", false, "Q47x RKB", "needs at least one --track"},
      {{"--encode-only", "--track2", "1", "--two-sided"}, "", false, "Q47x RKB", "has one side"},
      {{}, "0", false, "Q47x RKB", "no ribbon (None)"},
      {{"--encode-only", "--track2", "1"}, "0", false, "Q47x RKB", ""},
      {{"--two-sided", "--two-sided-mode", "2"},
       "YMCK",
       false,
       "Q47x RKB",
       "two-sided mode 2 is not offered for the YMCK ribbon (0 \"Front YMC, Back K\", 1 \"Front YMCK, Back YMCK\")"},
      {{"--two-sided", "--two-sided-mode", "3"}, "YMCKOK", false, "Q47x RKB", ""},
  };
  for (const Case& c : cases) {
    RibbonChoice ribbon;
    std::string error;
    ASSERT_TRUE(ResolveRibbon(c.ribbon, c.fixed, ribbon, error));
    const PrintOptions o = Parsed(c.args);
    const JobCheck check =
        CheckJob(o, BuildDevmode(o, ribbon, BaseDevmode(DefaultPrivateDevmode()), false), ribbon, c.model);
    if (c.error.empty()) {
      EXPECT_EQ(check.error, "") << testing::PrintToString(c.args);
    } else {
      EXPECT_NE(check.error.find(c.error), std::string::npos)
          << testing::PrintToString(c.args) << " -> " << check.error;
    }
  }
}

TEST(PrintSettings, SettingsWithoutEffectAreNoted) {
  const std::vector<std::tuple<Args, std::string, std::string>> cases = {
      {{"--rotate180", "back"}, "", "turns the 180-degree rotation of the back into none"},
      {{"--black-panel", "always"}, "YMC", "no black panel"},
      {{"--front-overlay", "area-blank"}, "YMCK", "no overlay varnish is printed on the front"},
      {{"--mono-kind", "resin"}, "YMCKO", "Unknown Monochrome ribbon only"},
  };
  for (const auto& [args, ribbonName, note] : cases) {
    RibbonChoice ribbon;
    std::string error;
    ASSERT_TRUE(ResolveRibbon(ribbonName, false, ribbon, error));
    const PrintOptions o = Parsed(args);
    const JobCheck check =
        CheckJob(o, BuildDevmode(o, ribbon, BaseDevmode(DefaultPrivateDevmode()), false), ribbon, kDefaultModel);
    EXPECT_EQ(check.error, "");
    ASSERT_EQ(check.notes.size(), 1u) << testing::PrintToString(args);
    EXPECT_NE(check.notes[0].find(note), std::string::npos) << check.notes[0];
  }
}

TEST(PrintSettings, TracksTravelInTheEncodersMacroForm) {
  EncoderSettings encoder = DefaultPrivateDevmode().encoder;
  std::string error;
  EXPECT_EQ(TrackMacroText(encoder, 2, "12345", error), u"${212345}$");
  std::memcpy(encoder.startOfData, "~C", 3);
  EXPECT_TRUE(TrackMacroText(encoder, 1, "ABC", error).empty());
  EXPECT_NE(error.find("inserted printer command"), std::string::npos);
  std::memset(encoder.startOfData, 0, sizeof encoder.startOfData);
  std::memset(encoder.endOfData, 'E', sizeof encoder.endOfData);  // no NUL: the field's ten characters
  EXPECT_EQ(TrackMacroText(encoder, 3, "9", error), u"39EEEEEEEEEE");
}

}  // namespace
}  // namespace tolma::tools
