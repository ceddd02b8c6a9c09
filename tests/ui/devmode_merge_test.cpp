// Tests of DomaUI's DEVMODE rules over bytes: whole images, the output merge and field refreshes.
#include "tests/ui/ui_test_support.h"
#include "ui/devmode_merge.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tolma {
namespace {

using test::AsDevmode;
using test::MakeDevmode;
using test::MarkedPrivate;
using test::PrivateOf;

std::vector<uint8_t> TemplateBytes() {
  std::vector<uint8_t> t(kPublicDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(t.data(), kPublicDevmodeSize));
  return t;
}

std::vector<uint8_t> Bytes(const ui::FullDevmode& image) {
  const auto* p = reinterpret_cast<const uint8_t*>(&image);
  return {p, p + sizeof image};
}

// A DEVMODE of any declared shape: public bytes numbered, the private part `pd` at dmSize.
std::vector<uint8_t> Shaped(uint16_t dmSize, uint16_t dmExtra, const PrivateDevmode& pd) {
  std::vector<uint8_t> bytes(size_t{dmSize} + dmExtra, 0);
  for (size_t i = 0; i < dmSize; ++i) bytes[i] = static_cast<uint8_t>(i);
  WriteU16(bytes.data() + offsetof(DEVMODEW, dmSize), dmSize);
  WriteU16(bytes.data() + offsetof(DEVMODEW, dmDriverExtra), dmExtra);
  std::memcpy(bytes.data() + dmSize, &pd, std::min<size_t>(dmExtra, sizeof pd));
  return bytes;
}

TEST(FullImage, OwnDevmodeIsKeptByteForByte) {
  const auto dm = MakeDevmode(MarkedPrivate(3, 5), DMORIENT_PORTRAIT, 4);
  EXPECT_EQ(Bytes(ui::FullImage(dm)), dm);
}

// The private part is where DomaUI locates it (at dmSize), and the result always says 212 + 2224.
TEST(FullImage, OtherShapesAreBroughtToTheWholeLayout) {
  const PrivateDevmode pd = MarkedPrivate(3, 5);
  const auto t = TemplateBytes();
  struct Case {
    const char* name;
    uint16_t dmSize, dmExtra;
    size_t publicFromCaller;  // bytes of the public part that come from the caller
    size_t privateBytes;      // bytes of the private part that come from the caller
  };
  const Case cases[] = {
      {"panning fields included", 220, 2224, 212, 2224},
      {"older, shorter public part", 156, 2224, 156, 2224},
      {"private part larger than ours", 212, 3000, 212, 2224},
      {"private part shorter than ours", 212, 100, 212, 100},
      {"no private part", 212, 0, 212, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dm = Shaped(c.dmSize, c.dmExtra, pd);
    const auto image = Bytes(ui::FullImage(dm));
    ASSERT_EQ(image.size(), kFullDevmodeSize);
    EXPECT_EQ(ReadU16(image.data() + offsetof(DEVMODEW, dmSize)), 212);
    EXPECT_EQ(ReadU16(image.data() + offsetof(DEVMODEW, dmDriverExtra)), 2224);
    for (size_t i = offsetof(DEVMODEW, dmFields); i < kPublicDevmodeSize; ++i)
      ASSERT_EQ(image[i], i < c.publicFromCaller ? dm[i] : t[i]) << "public byte " << i;
    const auto* priv = reinterpret_cast<const uint8_t*>(&pd);
    for (size_t i = 0; i < kPrivateDevmodeSize; ++i)
      ASSERT_EQ(image[kPublicDevmodeSize + i], i < c.privateBytes ? priv[i] : 0) << "private byte " << i;
  }
}

// Declared sizes beyond the bytes actually given are not followed.
TEST(FullImage, ReadsNothingPastTheGivenBytes) {
  auto dm = Shaped(212, 2224, MarkedPrivate(3, 5));
  const std::vector<uint8_t> cut(dm.begin(), dm.begin() + 300);
  const auto image = Bytes(ui::FullImage(cut));
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 300, image.end()), std::vector<uint8_t>(kFullDevmodeSize - 300, 0));
  const std::vector<uint8_t> tiny(dm.begin(), dm.begin() + 40);
  EXPECT_EQ(Bytes(ui::FullImage(tiny)), [&] {
    std::vector<uint8_t> v = TemplateBytes();
    v.resize(kFullDevmodeSize, 0);
    return v;
  }()) << "too short to say its size: the template alone";
}

TEST(MergeOutputDevmode, OutputSmallerThanAWholeDevmodeIsNotWritten) {
  PrivateDevmode cache = MarkedPrivate(0, 4);
  const auto in = MakeDevmode(MarkedPrivate(1, 1));
  std::vector<uint8_t> small(kFullDevmodeSize - 1, 0xAB);
  EXPECT_EQ(ui::MergeOutputDevmode(small, std::span<const uint8_t>(in), std::nullopt, DM_OUT_BUFFER, cache),
            ui::MergeOutcome::OutputTooSmall);
  EXPECT_EQ(small, std::vector<uint8_t>(kFullDevmodeSize - 1, 0xAB));
}

// The merge rules as a table: which private part the output gets, and what the cache becomes.
TEST(MergeOutputDevmode, Rules) {
  const PrivateDevmode cached = MarkedPrivate(6, 4), input = MarkedPrivate(0, 1), printer = MarkedPrivate(2, 9);
  PrivateDevmode fixedPrinter = printer;
  fixedPrinter.fixedRibbon = 1;  // "YMCKOK"
  PrivateDevmode unsignedPrinter = printer;
  unsignedPrinter.signature = 0;
  struct Case {
    const char* name;
    bool cacheValid, hasInput;
    PrivateDevmode stored;
    int16_t outMarker, outRibbon;      // headContrastO and ribbonType of the output's private part
    int16_t cacheMarker, cacheRibbon;  // and of the cache afterwards
    bool cacheValidAfter;
  };
  const Case cases[] = {
      {"valid cache, input", true, true, printer, 4, 6, 4, 6, true},
      {"valid cache, no input", true, false, printer, 9, 2, 4, 6, true},
      {"empty cache, input", false, true, printer, 9, 2, 9, 2, true},
      {"empty cache, no input", false, false, printer, 9, 2, 9, 2, true},
      {"fixed ribbon, valid cache", true, false, fixedPrinter, 9, 8, 4, 8, true},
      {"fixed ribbon, empty cache", false, false, fixedPrinter, 9, 8, 9, 8, true},
      {"stored part without signature", false, false, unsignedPrinter, 9, 2, 9, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrivateDevmode cache = c.cacheValid ? cached : PrivateDevmode{};
    const auto in = MakeDevmode(input, DMORIENT_PORTRAIT, 2);
    const auto stored = MakeDevmode(c.stored);
    std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
    std::optional<std::span<const uint8_t>> inputBytes;
    if (c.hasInput) inputBytes = in;
    EXPECT_EQ(ui::MergeOutputDevmode(out, inputBytes, std::span<const uint8_t>(stored), DM_OUT_BUFFER, cache),
              ui::MergeOutcome::Written);
    EXPECT_EQ(PrivateOf(out).headContrastO, c.outMarker);
    EXPECT_EQ(PrivateOf(out).ribbonType, c.outRibbon);
    EXPECT_EQ(cache.headContrastO, c.cacheMarker);
    EXPECT_EQ(cache.ribbonType, c.cacheRibbon);
    EXPECT_EQ(ui::CacheValid(cache), c.cacheValidAfter);
  }
}

TEST(MergeOutputDevmode, StoredDevmodeNeededButMissingLeavesTheOutputAlone) {
  PrivateDevmode cache{};
  const auto in = MakeDevmode(MarkedPrivate(1, 1));
  std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
  EXPECT_TRUE(ui::MergeNeedsStoredDevmode(cache, true));
  EXPECT_EQ(
      ui::MergeOutputDevmode(out, std::span<const uint8_t>(in), std::nullopt, DM_OUT_BUFFER | DM_IN_BUFFER, cache),
      ui::MergeOutcome::StoredUnavailable);
  EXPECT_EQ(out, std::vector<uint8_t>(kFullDevmodeSize, 0xAB));
  EXPECT_FALSE(ui::CacheValid(cache));
}

// The input's public fields are read only as far as the input declares them.
TEST(MergeOutputDevmode, ShortInputGivesTemplateValuesForMissingFields) {
  PrivateDevmode cache = MarkedPrivate(0, 4);
  std::vector<uint8_t> in = Shaped(80, 0, PrivateDevmode{});  // holds dmOrientation (76) but not dmCopies (86)
  WriteU16(in.data() + offsetof(DEVMODEW, dmOrientation), DMORIENT_PORTRAIT);
  const auto stored = MakeDevmode(MarkedPrivate(2, 9), DMORIENT_LANDSCAPE, 5);
  std::vector<uint8_t> out(kFullDevmodeSize);
  EXPECT_EQ(ui::MergeOutputDevmode(out, std::span<const uint8_t>(in), std::span<const uint8_t>(stored),
                                   DM_OUT_BUFFER | DM_IN_BUFFER, cache),
            ui::MergeOutcome::Written);
  EXPECT_EQ(AsDevmode(out)->dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(AsDevmode(out)->dmCopies, 1) << "the template's copies";
  EXPECT_EQ(PrivateOf(out).headContrastO, 4);
}

TEST(WriteRibbonAndEncoder, TouchesOnlyFieldsInsideThePart) {
  std::vector<uint8_t> part(kPrivateDevmodeSize, 0);
  ui::WriteRibbonAndEncoder(part, int16_t{11}, 1);
  EXPECT_EQ(ReadU16(part.data() + offsetof(PrivateDevmode, ribbonType)), 11);
  EXPECT_EQ(ReadU16(part.data() + offsetof(PrivateDevmode, encoder)), 1);

  std::vector<uint8_t> shortPart(20, 0);  // holds ribbonType but not the encoder block
  ui::WriteRibbonAndEncoder(shortPart, std::nullopt, 1);
  EXPECT_EQ(shortPart, std::vector<uint8_t>(20, 0));
  ui::WriteRibbonAndEncoder(shortPart, int16_t{4}, 1);
  EXPECT_EQ(ReadU16(shortPart.data() + offsetof(PrivateDevmode, ribbonType)), 4);
}

}  // namespace
}  // namespace tolma
