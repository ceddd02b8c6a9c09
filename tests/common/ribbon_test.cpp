// Tests of the ribbon and model tables and the option rules.
#include "common/ribbon.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolma {
namespace {

std::vector<std::string> Texts(std::span<const std::string_view> list) { return {list.begin(), list.end()}; }

TEST(RibbonTables, TypeNamesCoverAllTypesAndOutOfRangeValues) {
  const char* expected[] = {
      "YMCKO",       "Kresin", "KdO",    "KrO", "Hologram",           "YMC", "YMCK", "YMCKK", "YMCKOK", "Clear Varnish",
      "Scratch Off", "YMCKUv", "YMCUvK", "Kd",  "Unknown Monochrome", "None"};
  for (int type = 0; type < 16; ++type) EXPECT_EQ(RibbonTypeName(type), expected[type]) << type;
  EXPECT_EQ(RibbonTypeName(16), "None");
  EXPECT_EQ(RibbonTypeName(-1), "None");
  EXPECT_EQ(RibbonTypeName(32767), "None");
}

TEST(RibbonTables, PrinterCodesMapToTypes) {
  const int expected[29] = {15, 14, 0, 6,  7, 8, 5, 1,  1,  1,  1,  1,  1,  1, 0,
                            6,  2,  3, 10, 4, 4, 9, 11, 12, 12, 11, 12, 12, 13};
  for (int code = 0; code <= 28; ++code) EXPECT_EQ(RibbonTypeFromPrinterCode(code), expected[code]) << code;
  EXPECT_EQ(RibbonTypeFromPrinterCode(29), 15);
  EXPECT_EQ(RibbonTypeFromPrinterCode(1000000), 15);
  EXPECT_EQ(RibbonTypeFromPrinterCode(65536 + 2), 0);  // taken as an unsigned 16-bit value
  EXPECT_EQ(RibbonTypeFromPrinterCode(-1), 15);
}

TEST(RibbonTables, FixedListEntriesMapToTypes) {
  const int expected[12] = {1, 8, 7, 0, 12, 1, 6, 5, 2, 3, 4, 1};  // entries 0..11
  for (int entry = 0; entry <= 11; ++entry) EXPECT_EQ(RibbonTypeFromFixedList(entry), expected[entry]) << entry;
  EXPECT_EQ(RibbonTypeFromFixedList(-5), 1);
  EXPECT_EQ(Texts(FixedRibbonList()),
            (std::vector<std::string>{"YMCKOK", "YMCKK", "YMCKO", "YMCUvK", "K Resin / Scratch Off", "YMCK", "YMC",
                                      "KdO", "KrO", "Hologram/Varnish"}));
}

struct ModeCase {
  int type;
  int kind;
  std::vector<std::string> oneSide;
  std::vector<std::string> bothSides;
};

TEST(RibbonTables, PrintingModeListsPerTypeAndKind) {
  const ModeCase cases[] = {
      {0, 0, {"Front YMCKO"}, {"Front YMCO, Back K", "Front YMCKO, Back YMCKO", "Front YMC, Back KO"}},
      {1, 0, {"Front K"}, {"Front and Back K"}},
      {2, 0, {"Front KdO"}, {"Front KdO, Back KdO"}},
      {3, 0, {"Front KrO"}, {"Front KrO, Back KrO"}},
      {4, 0, {"Front Hologram"}, {"Front and Back Hologram"}},
      {5, 0, {"Front YMC"}, {"Front YMC, Back YMC"}},
      {6, 0, {"Front YMCK"}, {"Front YMC, Back K", "Front YMCK, Back YMCK"}},
      {7, 0, {"Front YMCK"}, {"Front YMCK, Back K", "Front YMCK, Back YMCK"}},
      {8,
       0,
       {"Front YMCKO"},
       {"Front YMCKO, Back K", "Front YMC, Back KO", "Front YMCKO, Back YMCKO", "Front YMCK, Back K"}},
      {9, 0, {"Front Clear Varnish"}, {"Front and Back Clear Varnish"}},
      {10, 0, {"Front Scratch Off"}, {"Front and Back Scratch Off"}},
      {11, 0, {"Print YMCKUv"}, {"Front YMCUv, Back K", "Front YMCKUv, Back YMCKUv", "Front YMC, Back KUv"}},
      {12, 0, {"Print YMCUvK"}, {"Front YMCUv, Back K", "Front YMCUv, Back YMCUv"}},
      {13, 0, {"Front Thermal"}, {"Front and Back Thermal"}},
      {14, 0, {"Front K"}, {"Front and Back K"}},
      {14, 1, {"Front Scratch Off"}, {"Front and Back Scratch Off"}},
      {14, 2, {"Front Clear Varnish"}, {"Front and Back Clear Varnish"}},
      {14, 3, {"Front Hologram"}, {"Front and Back Hologram"}},
      {14, 9, {"Front K"}, {"Front and Back K"}},
      {15, 0, {"None"}, {"None"}},
      {99, 2, {"None"}, {"None"}},
  };
  for (const ModeCase& c : cases) {
    EXPECT_EQ(Texts(PrintingModeList(c.type, c.kind, false)), c.oneSide) << c.type << "/" << c.kind;
    EXPECT_EQ(Texts(PrintingModeList(c.type, c.kind, true)), c.bothSides) << c.type << "/" << c.kind;
  }
}

TEST(ModelTests, SearchTheVersionTextForTokens) {
  struct Case {
    const char* version;
    int code;
    bool twoSided, trackLimited, restricted;
  };
  const Case cases[] = {
      {"", 0, false, false, false},
      {"Q47x RKA 1.02", 3, false, false, false},
      {"Q47x RKB 2.10", 5, true, false, false},
      {"RKA RKB", 3, true, false, false},
      {"v3 RKC", 0, false, true, false},
      {"RKD", 0, false, true, false},
      {"RKF-7", 0, false, false, true},
      {"rkb rka", 0, false, false, false},  // case-sensitive
      {"RK", 0, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModelCodeFromVersion(c.version), c.code) << c.version;
    EXPECT_EQ(IsTwoSidedModel(c.version), c.twoSided) << c.version;
    EXPECT_EQ(IsTrackLimitedModel(c.version), c.trackLimited) << c.version;
    EXPECT_EQ(IsRestrictedModel(c.version), c.restricted) << c.version;
  }
}

// Expected option rules, written out per ribbon type for one side and modes 0..4 with both sides.
TEST(OptionRules, OverlayPerTypeSideAndMode) {
  // For each type (kind 0): front one-sided, back one-sided, then front/back pairs for modes 0..4.
  struct Row {
    int type;
    bool oneFront, oneBack;
    bool front[5], back[5];
  };
  const Row rows[] = {
      {0, true, false, {true, true, false, true, true}, {false, true, true, true, true}},
      {11, true, false, {true, true, false, true, true}, {false, true, true, true, true}},
      {2, true, false, {true, true, true, true, true}, {true, true, true, true, true}},
      {3, true, false, {true, true, true, true, true}, {true, true, true, true, true}},
      {9, true, false, {true, true, true, true, true}, {true, true, true, true, true}},
      {8, true, false, {true, false, true, false, false}, {false, true, true, false, false}},
      {1, false, false, {false, false, false, false, false}, {false, false, false, false, false}},
      {5, false, false, {false, false, false, false, false}, {false, false, false, false, false}},
      {14, false, false, {false, false, false, false, false}, {false, false, false, false, false}},
      {15, false, false, {false, false, false, false, false}, {false, false, false, false, false}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(OverlayAllowed(r.type, 0, false, true, 0, 0), r.oneFront) << r.type;
    EXPECT_EQ(OverlayAllowed(r.type, 0, false, false, 0, 0), r.oneBack) << r.type;
    for (int mode = 0; mode < 5; ++mode) {
      EXPECT_EQ(OverlayAllowed(r.type, 0, true, true, mode, 0), r.front[mode]) << r.type << " mode " << mode;
      EXPECT_EQ(OverlayAllowed(r.type, 0, true, false, mode, 0), r.back[mode]) << r.type << " mode " << mode;
      EXPECT_FALSE(OverlayAllowed(r.type, 0, true, true, mode, 1)) << "encode only never has an overlay";
    }
  }
  // Monochrome clear varnish: front when one-sided, both items when two-sided; other kinds never.
  EXPECT_TRUE(OverlayAllowed(14, 2, false, true, 0, 0));
  EXPECT_FALSE(OverlayAllowed(14, 2, false, false, 0, 0));
  EXPECT_TRUE(OverlayAllowed(14, 2, true, true, 0, 0));
  EXPECT_TRUE(OverlayAllowed(14, 2, true, false, 0, 0));
  EXPECT_FALSE(OverlayAllowed(14, 3, true, true, 0, 0));
}

TEST(OptionRules, BlackPanelAndMonoConversion) {
  struct Row {
    int type;
    int kind;
    bool blackOneSide;
    bool blackBoth[4];
    bool monoOneSide;
    bool monoBoth[4];
  };
  const Row rows[] = {
      {0, 0, true, {false, true, false, false}, false, {true, false, true, false}},
      {11, 0, true, {false, true, false, false}, false, {true, false, true, false}},
      {6, 0, true, {false, true, true, true}, false, {true, false, false, false}},
      {7, 0, true, {true, true, true, true}, false, {true, false, false, false}},
      {12, 0, true, {true, true, true, true}, false, {true, false, false, false}},
      {8, 0, true, {true, false, true, true}, false, {true, true, false, true}},
      {1, 0, false, {false, false, false, false}, true, {true, true, true, true}},
      {3, 0, false, {false, false, false, false}, true, {true, true, true, true}},
      {2, 0, false, {false, false, false, false}, false, {false, false, false, false}},
      {5, 0, false, {false, false, false, false}, false, {false, false, false, false}},
      {14, 0, false, {false, false, false, false}, true, {true, true, true, true}},
      {14, 2, false, {false, false, false, false}, false, {false, false, false, false}},
      {13, 0, false, {false, false, false, false}, false, {false, false, false, false}},
      {15, 0, false, {false, false, false, false}, false, {false, false, false, false}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(BlackPanelAllowed(r.type, false, 0), r.blackOneSide) << r.type;
    EXPECT_EQ(MonoConversionAllowed(r.type, r.kind, false, 0), r.monoOneSide) << r.type << "/" << r.kind;
    for (int mode = 0; mode < 4; ++mode) {
      EXPECT_EQ(BlackPanelAllowed(r.type, true, mode), r.blackBoth[mode]) << r.type << " mode " << mode;
      EXPECT_EQ(MonoConversionAllowed(r.type, r.kind, true, mode), r.monoBoth[mode]) << r.type << " mode " << mode;
    }
  }
}

TEST(OptionRules, RotationAndMasks) {
  EXPECT_EQ(NormaliseRotation(false, 3), 1);
  EXPECT_EQ(NormaliseRotation(false, 2), 0);
  EXPECT_EQ(NormaliseRotation(false, 1), 1);
  EXPECT_EQ(NormaliseRotation(false, 0), 0);
  EXPECT_EQ(NormaliseRotation(false, 7), 0);
  EXPECT_EQ(NormaliseRotation(true, 2), 2);
  EXPECT_EQ(NormaliseRotation(true, 3), 3);

  EXPECT_EQ(KeepIfAllowed(1, 1), 1);
  EXPECT_EQ(KeepIfAllowed(0, 1), 0);
  EXPECT_EQ(KeepIfAllowed(1, 0), 0);
  EXPECT_EQ(KeepIfAllowed(2, 1), 0);
  EXPECT_EQ(KeepIfAllowed(6, 3), 3);
  EXPECT_EQ(KeepIfAllowed(7, 4), 0);
  EXPECT_EQ(KeepIfAllowed(8, 1), 0);
  EXPECT_EQ(KeepIfAllowed(-1, 1), 0);
}

class RibbonDisplayNameTest : public test::HostTest {
 protected:
  HANDLE OpenWithDriverIn(const std::string& folder) {
    host::AddPrinter({"Card", folder, "DomaRaster.dll", folder + "/Doma.dat"});
    HANDLE printer = nullptr;
    std::basic_string<WCHAR> name = host::Wide("Card");
    EXPECT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
    return printer;
  }
  test::TempDir dir_;
};

TEST_F(RibbonDisplayNameTest, ReadsTheShippedNamesBesideTheDriver) {
  const auto shipped = test::ReadFileBytes(test::SourcePath("common/domaribbon.ini"));
  dir_.Write("domaribbon.ini", shipped);
  HANDLE printer = OpenWithDriverIn(dir_.str());
  for (long code = 0; code <= 28; ++code) {
    const WString name = RibbonDisplayName(code, printer);
    EXPECT_FALSE(name.empty());
    EXPECT_NE(host::Utf8(name.c_str()), "None") << code;
    EXPECT_LE(name.size(), 31u);
  }
  EXPECT_EQ(host::Utf8(RibbonDisplayName(2, printer).c_str()), "YMCKO");
  EXPECT_EQ(host::Utf8(RibbonDisplayName(29, printer).c_str()), "None");
  EXPECT_EQ(host::Utf8(RibbonDisplayName(-1, printer).c_str()), "None");
  ClosePrinter(printer);
}

TEST_F(RibbonDisplayNameTest, CutsLongNamesAndFallsBackToNone) {
  dir_.Write("domaribbon.ini", "[Ribbon Type]\n5=" + std::string(40, 'x') + "\n");
  HANDLE printer = OpenWithDriverIn(dir_.str());
  EXPECT_EQ(host::Utf8(RibbonDisplayName(5, printer).c_str()), std::string(31, 'x'));
  EXPECT_EQ(host::Utf8(RibbonDisplayName(6, printer).c_str()), "None");

  host::SetFailure(host::FailPoint::GetPrinterDriver);
  EXPECT_EQ(host::Utf8(RibbonDisplayName(5, printer).c_str()), "None");
  host::ClearFailures();
  std::filesystem::remove(dir_.path() / "domaribbon.ini");
  EXPECT_EQ(host::Utf8(RibbonDisplayName(5, printer).c_str()), "None");
  EXPECT_EQ(host::Utf8(RibbonDisplayName(5, nullptr).c_str()), "None");
  ClosePrinter(printer);
}

}  // namespace
}  // namespace tolma
