// Tests of DrvDeviceCapabilities: every index, with and without an output buffer and a DEVMODE.
#include "tests/ui/ui_test_support.h"
#include "ui/capabilities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace tolma {
namespace {

using test::AsDevmode;
using test::MakeDevmode;

constexpr DWORD kNone = static_cast<DWORD>(-1);

// The expected answer of one index: result, and what a 64-byte output then holds.
struct Expected {
  int index;
  DWORD result;
  enum { Nothing, Word, Pair, Name } kind;
  int32_t a = 0, b = 0;  // the WORD, or the two LONGs
  const char* name = "";
};

// Written values that depend on the DEVMODE's orientation are covered separately below.
const Expected kTable[] = {
    {1, 0x07805F03, Expected::Nothing},
    {2, 1, Expected::Word, 258},
    {4, 0, Expected::Pair, 1, 1},
    {6, 1, Expected::Word, 256},
    {7, 0, Expected::Nothing},
    {8, 212, Expected::Nothing},
    {9, 2224, Expected::Nothing},
    {10, 0x401, Expected::Nothing},
    {11, 1, Expected::Nothing},
    {12, 1, Expected::Name, 0, 0, "Card Feeder"},
    {13, 1, Expected::Pair, 300, 300},
    {14, 0, Expected::Nothing},
    {15, 1, Expected::Nothing},
    {16, 1, Expected::Name, 0, 0, "86mmx54mm Card"},
    {17, 90, Expected::Nothing},
    {18, 999, Expected::Nothing},
    {19, 0, Expected::Nothing},
    {20, kNone, Expected::Nothing},
    {21, kNone, Expected::Nothing},
    {22, kNone, Expected::Nothing},
    {23, kNone, Expected::Nothing},
    {24, kNone, Expected::Nothing},
    {25, kNone, Expected::Nothing},
    {26, kNone, Expected::Nothing},
    {27, kNone, Expected::Nothing},
    {28, kNone, Expected::Nothing},
    {29, 1, Expected::Name, 0, 0, "86mmx54mm Card"},
    {30, 0, Expected::Nothing},
    {31, kNone, Expected::Nothing},
    {32, 1, Expected::Nothing},
    {0, kNone, Expected::Nothing},
    {33, kNone, Expected::Nothing},
    {0xFFFF, kNone, Expected::Nothing},
};

class CapabilitiesTest : public test::UiTest {
 protected:
  static constexpr uint8_t kFill = 0xAB;

  // Calls with a 64-byte output filled with kFill, or without one.
  DWORD Ask(int index, bool withOutput, DEVMODEW* devmode) {
    output_.assign(64, kFill);
    return DrvDeviceCapabilities(nullptr, nullptr, static_cast<WORD>(index), withOutput ? output_.data() : nullptr,
                                 devmode);
  }
  bool Untouched() const { return output_ == std::vector<uint8_t>(64, kFill); }
  WORD WordAt() const {
    WORD w;
    std::memcpy(&w, output_.data(), sizeof w);
    return w;
  }
  std::pair<LONG, LONG> PairAt() const {
    LONG v[2];
    std::memcpy(v, output_.data(), sizeof v);
    return {v[0], v[1]};
  }
  std::string NameAt() const { return host::Utf8(reinterpret_cast<const WCHAR*>(output_.data())); }

  std::vector<uint8_t> output_;
};

TEST_F(CapabilitiesTest, EveryIndexWithAndWithoutOutputAndDevmode) {
  auto devmode = MakeDevmode(DefaultPrivateDevmode());
  for (const Expected& e : kTable) {
    for (DEVMODEW* dm : {static_cast<DEVMODEW*>(nullptr), AsDevmode(devmode)}) {
      SCOPED_TRACE("index " + std::to_string(e.index) + (dm ? " with DEVMODE" : " without DEVMODE"));
      EXPECT_EQ(Ask(e.index, false, dm), e.result);
      EXPECT_EQ(Ask(e.index, true, dm), e.result);
      switch (e.kind) {
        case Expected::Nothing:
          EXPECT_TRUE(Untouched());
          break;
        case Expected::Word:
          EXPECT_EQ(WordAt(), e.a);
          EXPECT_EQ(output_[2], kFill) << "one WORD only";
          break;
        case Expected::Pair:
          EXPECT_EQ(PairAt(), std::make_pair(LONG{e.a}, LONG{e.b}));
          EXPECT_EQ(output_[8], kFill);
          break;
        case Expected::Name:
          EXPECT_EQ(NameAt(), e.name);
          EXPECT_EQ(output_[(std::strlen(e.name) + 1) * 2], kFill) << "the name and its NUL only";
          break;
      }
    }
  }
}

// DC_PAPERSIZE is landscape only for a DEVMODE that says landscape; DC_MAXEXTENT is portrait only for one that
// says portrait, and is written only with a DEVMODE.
TEST_F(CapabilitiesTest, SizesFollowTheDevmodesOrientation) {
  struct Case {
    std::optional<short> orientation;
    std::pair<LONG, LONG> paperSize;
    std::optional<std::pair<LONG, LONG>> maxExtent;
  };
  const Case cases[] = {
      {std::nullopt, {541, 866}, std::nullopt},
      {DMORIENT_LANDSCAPE, {866, 541}, std::make_pair(866, 541)},
      {DMORIENT_PORTRAIT, {541, 866}, std::make_pair(541, 866)},
      {0, {541, 866}, std::make_pair(866, 541)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation ? std::to_string(*c.orientation) : "no DEVMODE");
    auto devmode = MakeDevmode(DefaultPrivateDevmode(), c.orientation.value_or(DMORIENT_LANDSCAPE));
    DEVMODEW* dm = c.orientation ? AsDevmode(devmode) : nullptr;
    EXPECT_EQ(Ask(3, true, dm), 1u);
    EXPECT_EQ(PairAt(), c.paperSize);
    EXPECT_EQ(Ask(5, true, dm), 0u);
    if (c.maxExtent) {
      EXPECT_EQ(PairAt(), *c.maxExtent);
    } else {
      EXPECT_TRUE(Untouched());
    }
  }
}

// A DEVMODE too short to hold dmOrientation counts as one without an orientation.
TEST_F(CapabilitiesTest, OrientationOfAShortDevmodeIsNotRead) {
  std::vector<uint8_t> shortDevmode(80, 0);
  auto* dm = AsDevmode(shortDevmode);
  dm->dmSize = 76;
  dm->dmDriverExtra = 0;
  EXPECT_EQ(Ask(3, true, dm), 1u);
  EXPECT_EQ(PairAt(), std::make_pair(LONG{541}, LONG{866}));
}

// The answers agree with the template that DrvConvertDevMode writes.
TEST_F(CapabilitiesTest, AnswersAgreeWithTheDefaultTemplate) {
  auto devmode = MakeDevmode(DefaultPrivateDevmode());
  const DEVMODEW* t = AsDevmode(devmode);
  EXPECT_EQ(Ask(DC_FIELDS, false, nullptr), t->dmFields);
  EXPECT_EQ(Ask(DC_SIZE, false, nullptr), t->dmSize);
  EXPECT_EQ(Ask(DC_EXTRA, false, nullptr), t->dmDriverExtra);
  EXPECT_EQ(Ask(DC_VERSION, false, nullptr), t->dmSpecVersion);
  EXPECT_EQ(Ask(DC_DRIVER, false, nullptr), t->dmDriverVersion);
  Ask(DC_PAPERS, true, nullptr);
  EXPECT_EQ(WordAt(), t->dmPaperSize);
  Ask(DC_BINS, true, nullptr);
  EXPECT_EQ(WordAt(), t->dmDefaultSource);
  Ask(DC_PAPERNAMES, true, nullptr);
  EXPECT_EQ(WString(reinterpret_cast<const WCHAR*>(output_.data())), WString(t->dmFormName));
  EXPECT_EQ(Ask(DC_COPIES, false, nullptr), DWORD{ui::kMaxCopies});
}

}  // namespace
}  // namespace tolma
