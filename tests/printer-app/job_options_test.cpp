// Tests of the printer application's attribute table and of how IPP job values become the settings that
// tolma-print's options give: same meaning, same DEVMODE.
#include "printer-app/job_options.h"

#include "common/ribbon.h"
#include "tools/lib/print_settings.h"

#include <gtest/gtest.h>

#include <set>

namespace tolma::printerapp {
namespace {

using Args = std::vector<std::string>;
using Values = std::map<std::string, std::string>;

const PrivateDevmode& Base() {
  static const PrivateDevmode base = DefaultPrivateDevmode();
  return base;
}

MappedJob Map(const Values& job, const Values& defaults = {}, std::string sides = "one-sided") {
  JobRequest r;
  r.job = job;
  r.defaults = defaults;
  r.sides = std::move(sides);
  return MapJob(r, Base());
}

// The DEVMODE a mapped job is printed with, and the one tolma-print builds from its arguments.
std::vector<uint8_t> Devmode(const MappedJob& m) {
  EXPECT_EQ(m.error, "");
  return tools::BuildDevmode(m.options, m.ribbon, tools::BaseDevmode(Base()), false);
}
std::vector<uint8_t> ToolDevmode(const Args& args) {
  const tools::ParsedPrintOptions p = tools::ParsePrintOptions(args);
  EXPECT_EQ(p.error, "") << testing::PrintToString(args);
  tools::RibbonChoice ribbon;
  std::string error;
  EXPECT_TRUE(tools::ResolveRibbon(p.options.ribbon, p.options.fixedRibbon, ribbon, error)) << error;
  return tools::BuildDevmode(p.options, ribbon, tools::BaseDevmode(Base()), false);
}

TEST(VendorAttributes, TableIsConsistentAndStartsFromTheDriversDefaults) {
  const std::vector<VendorAttribute> attrs = VendorAttributes(Base());
  EXPECT_LE(attrs.size(), 32u);  // the framework takes at most 32 vendor attributes
  std::set<std::string> names;
  for (const VendorAttribute& a : attrs) {
    SCOPED_TRACE(a.name);
    EXPECT_TRUE(names.insert(a.name).second) << "duplicate name";
    EXPECT_EQ(a.name.rfind("tolma-", 0), 0u);
    if (a.syntax == AttributeSyntax::Keyword) {
      EXPECT_NE(std::find(a.keywords.begin(), a.keywords.end(), a.defaultValue), a.keywords.end());
    } else if (a.syntax == AttributeSyntax::Integer) {
      const int v = std::stoi(a.defaultValue);
      EXPECT_TRUE(v >= a.lower && v <= a.upper) << v;
    } else if (a.syntax == AttributeSyntax::Boolean) {
      EXPECT_TRUE(a.defaultValue == "true" || a.defaultValue == "false");
    }
    // Every initial default maps without an error.
    if (!a.printerSetting) {
      EXPECT_EQ(Map({{a.name, a.defaultValue}}).error, "");
    }
  }
  for (const char* track : kTrackAttributes) EXPECT_EQ(names.count(track), 0u) << "tracks are never vendor attributes";

  auto defaultOf = [&](const std::string& name) {
    for (const VendorAttribute& a : attrs)
      if (a.name == name) return a.defaultValue;
    return std::string("(missing)");
  };
  EXPECT_EQ(defaultOf("tolma-ribbon"), "ymcko");
  EXPECT_EQ(defaultOf("tolma-printer-model"), "Q47x RKB");
  EXPECT_EQ(defaultOf("tolma-black-panel"), "text-only");
  EXPECT_EQ(defaultOf("tolma-front-overlay"), "full");
  EXPECT_EQ(defaultOf("tolma-front-overlay-area"), "0,0,1023,639");
  EXPECT_EQ(defaultOf("tolma-head-contrast-h"), "5");
  EXPECT_EQ(defaultOf("tolma-cc-contrast-b"), "0");
}

TEST(VendorAttributes, RibbonKeywordsNameEveryRibbonType) {
  std::set<std::string> seen;
  for (int t = 0; t < kRibbonTypeCount; ++t) {
    const std::string k = RibbonKeyword(t);
    EXPECT_TRUE(seen.insert(k).second) << k;
    EXPECT_EQ(RibbonTypeOfKeyword(k), t) << k;
    for (char c : k) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << k;
  }
  EXPECT_EQ(RibbonKeyword(9), "clear-varnish");
  EXPECT_EQ(RibbonTypeOfKeyword("YMCKO"), -1);
}

TEST(MapJob, ADefaultJobIsTolmaPrintWithoutOptions) {
  const MappedJob m = Map({});
  EXPECT_EQ(Devmode(m), ToolDevmode({}));
  EXPECT_EQ(m.ribbon.type, 0);
  EXPECT_EQ(m.ribbon.printerCode, 2);
  EXPECT_EQ(m.ribbon.fixedEntry, 0);
  EXPECT_EQ(m.model, "Q47x RKB");
  EXPECT_EQ(m.options.size, tools::SizeMode::Fill);  // print-scaling auto on a borderless card
}

TEST(MapJob, EachAttributeMeansWhatTheToolsOptionMeans) {
  struct Case {
    Values job;
    Args args;
    std::string sides = "one-sided";
  };
  const std::vector<Case> cases = {
      {{{"tolma-black-panel", "always"}}, {"--black-panel", "always"}},
      {{{"tolma-black-panel", "except-pictures"}, {"tolma-black-bitmap", "true"}},
       {"--black-panel", "except-pictures", "--black-bitmap"}},
      {{{"tolma-mono-conversion", "barcode"}}, {"--mono-conversion", "barcode"}},
      {{{"tolma-two-sided-mode", "2"}}, {"--two-sided", "--two-sided-mode", "2"}, "two-sided-long-edge"},
      {{}, {"--two-sided", "--rotate180", "back"}, "two-sided-short-edge"},
      {{{"tolma-rotate-180", "back"}}, {"--two-sided", "--rotate180", "none"}, "two-sided-short-edge"},
      {{{"tolma-rotate-180", "both"}}, {"--rotate180", "both"}},
      {{{"tolma-front-overlay", "area"}, {"tolma-front-overlay-area", "100,100,400,300"}},
       {"--front-overlay", "area", "--front-overlay-area", "100,100,400,300"}},
      {{{"tolma-back-overlay", "stripe"}}, {"--back-overlay", "stripe"}},
      {{{"tolma-back-overlay-area", "0,0,511,319"}}, {"--back-overlay-area", "0,0,511,319", "--back-overlay", "full"}},
      {{{"tolma-packed-panels", "true"}}, {"--packed"}},
      {{{"tolma-cc-intensity-k", "-100"}, {"tolma-cc-contrast-g", "55"}},
       {"--cc-intensity-k", "-100", "--cc-contrast-g", "55"}},
      {{{"tolma-head-contrast-o", "0"}, {"tolma-head-contrast-kd", "10"}, {"tolma-head-intensity-m", "2"}},
       {"--head-contrast-o", "0", "--head-contrast-kd", "10", "--head-intensity-m", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(Devmode(Map(c.job, {}, c.sides)), ToolDevmode(c.args));
  }
}

TEST(MapJob, PrinterDefaultsApplyAndTheJobsValueWins) {
  const Values defaults = {{"tolma-head-contrast-o", "8"}, {"tolma-black-panel", "never"}};
  EXPECT_EQ(Devmode(Map({}, defaults)), ToolDevmode({"--head-contrast-o", "8", "--black-panel", "never"}));
  EXPECT_EQ(Devmode(Map({{"tolma-head-contrast-o", "1"}}, defaults)),
            ToolDevmode({"--head-contrast-o", "1", "--black-panel", "never"}));
}

TEST(MapJob, TheRibbonAndModelAreThePrintersSettings) {
  const MappedJob m = Map({{"tolma-ribbon", "kdo"}, {"tolma-printer-model", "other"}},
                          {{"tolma-ribbon", "ymckok"}, {"tolma-printer-model", "Q47x RKA 2.1"}});
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.ribbon.type, 8);
  EXPECT_EQ(m.ribbon.printerCode, 5);  // what the printer itself reports for that ribbon
  EXPECT_EQ(m.ribbon.fixedEntry, 0);   // learnt through the model and ribbon cache
  EXPECT_EQ(m.model, "Q47x RKA 2.1");
  EXPECT_EQ(m.notes.size(), 2u);  // the job's values are not used, and it is told so
}

TEST(MapJob, OrientationAndScaling) {
  JobRequest r;
  r.orientation = 5;  // reverse landscape: both sides turned
  MappedJob m = MapJob(r, Base());
  EXPECT_EQ(m.options.orientation, tools::Orientation::Landscape);
  EXPECT_EQ(m.options.rotate180, 3);
  r.rasterDocument = true;  // raster pages come drawn in their orientation
  m = MapJob(r, Base());
  EXPECT_EQ(m.options.orientation, tools::Orientation::Auto);
  EXPECT_FALSE(m.options.rotate180);
  r = {};
  for (auto [scaling, mode] : {std::pair{"fit", tools::SizeMode::Fit},
                               {"auto-fit", tools::SizeMode::Fit},
                               {"fill", tools::SizeMode::Fill},
                               {"none", tools::SizeMode::Exact}}) {
    r.scaling = scaling;
    EXPECT_EQ(MapJob(r, Base()).options.size, mode) << scaling;
  }
}

TEST(MapJob, BadValuesEndTheJobWithTheAttributesName) {
  struct Case {
    Values job;
    Values defaults;
    std::string names;
  };
  const std::vector<Case> cases = {
      {{{"tolma-head-contrast-o", "11"}}, {}, "tolma-head-contrast-o"},
      {{{"tolma-head-contrast-o", "-1"}}, {}, "tolma-head-contrast-o"},
      {{{"tolma-cc-intensity-r", "9999999999"}}, {}, "tolma-cc-intensity-r"},
      {{{"tolma-cc-intensity-r", "1e3"}}, {}, "tolma-cc-intensity-r"},
      {{{"tolma-black-panel", "sometimes"}}, {}, "tolma-black-panel"},
      {{{"tolma-front-overlay", "bitmap"}}, {}, "tolma-front-overlay"},
      {{{"tolma-packed-panels", "yes please"}}, {}, "tolma-packed-panels"},
      {{{"tolma-front-overlay-area", "0,0,1024,639"}}, {}, "tolma-front-overlay-area"},
      {{{"tolma-front-overlay-area", "400,100,100,300"}}, {}, "tolma-front-overlay-area"},
      {{{"tolma-back-overlay-area", "1,2,3"}}, {}, "tolma-back-overlay-area"},
      {{{"tolma-back-overlay-area", "1,2,3,4,5"}}, {}, "tolma-back-overlay-area"},
      {{}, {{"tolma-rotate-180", "sideways"}}, "the printer's tolma-rotate-180-default"},
      {{}, {{"tolma-ribbon", "rainbow"}}, "installed ribbon"},
      {{}, {{"tolma-printer-model", std::string(33, 'R')}}, "model text"},
      {{}, {{"tolma-printer-model", "RKB\x01"}}, "model text"},
  };
  for (const Case& c : cases) {
    const MappedJob m = Map(c.job, c.defaults);
    EXPECT_NE(m.error.find(c.names), std::string::npos) << m.error;
  }
  JobRequest r;
  r.copies = 1000;
  EXPECT_NE(MapJob(r, Base()).error.find("copies"), std::string::npos);
  r = {};
  r.sides = "three-sided";
  EXPECT_NE(MapJob(r, Base()).error.find("sides"), std::string::npos);
  r = {};
  r.orientation = 9;
  EXPECT_NE(MapJob(r, Base()).error.find("orientation-requested"), std::string::npos);
}

TEST(MapJob, TrackDataIsCheckedAndNeverQuoted) {
  JobRequest r;
  r.tracks[0] = std::string(79, 'A');
  r.tracks[1] = "";
  r.tracks[2] = std::string(107, '7');
  MappedJob m = MapJob(r, Base());
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.options.tracks[0]->size(), 79u);
  EXPECT_EQ(m.options.tracks[1], "");
  const std::string secret = "0047123456781229SECRET0047123456781229";
  for (const std::string& bad : {secret + "12", secret.substr(0, 10) + "\n"}) {
    r = {};
    r.tracks[1] = bad;
    m = MapJob(r, Base());
    EXPECT_NE(m.error.find("tolma-track-2"), std::string::npos) << m.error;
    EXPECT_EQ(m.error.find("0047123456"), std::string::npos) << m.error;
  }
  EXPECT_EQ(DescribeTrack(2, "0047123456781229"), "track 2 (16 characters)");
}

TEST(RedactLogLine, CutsTrackValuesOnly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D [t] [Client 3] Print-Job request:   tolma-track-2 textWithoutLanguage 0047123456781229",
       "D [t] [Client 3] Print-Job request:   tolma-track-2 (value withheld)"},
      {"tolma-track-1=ABC", "tolma-track-1 (value withheld)"},
      {"x tolma-track-3", "x tolma-track-3 (value withheld)"},
      {"response:   tolma-track-1-supported integer 79", "response:   tolma-track-1-supported integer 79"},
      {"tolma-track-4 textWithoutLanguage 12", "tolma-track-4 textWithoutLanguage 12"},
      {"tolma-track-22 x", "tolma-track-22 x"},
      {"tolma-track-2-supported 39, tolma-track-2 text 5555",
       "tolma-track-2-supported 39, tolma-track-2 (value withheld)"},
      {"nothing here", "nothing here"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(RedactLogLine(in), out) << in;
}

}  // namespace
}  // namespace tolma::printerapp
