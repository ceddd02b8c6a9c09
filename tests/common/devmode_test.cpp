// Tests of the job settings record: default images and the rule that finds an incoming private part.
#include "common/devmode.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tolma {
namespace {

TEST(DefaultPublicDevmode, HoldsTheCardTemplate) {
  std::array<uint8_t, kPublicDevmodeSize> bytes{};
  WriteDefaultPublicDevmode(bytes);
  DEVMODEW dm{};
  std::memcpy(&dm, bytes.data(), bytes.size());
  EXPECT_EQ(host::Utf8(dm.dmDeviceName), "Tolma Q47x Card Printer");
  EXPECT_EQ(host::Utf8(dm.dmFormName), "86mmx54mm Card");
  EXPECT_EQ(dm.dmSpecVersion, 0x0401);
  EXPECT_EQ(dm.dmSize, 212);
  EXPECT_EQ(dm.dmDriverExtra, 2224);
  EXPECT_EQ(dm.dmFields, 0x07805F03u);
  EXPECT_EQ(dm.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(dm.dmPaperSize, 258);
  EXPECT_EQ(dm.dmPaperLength, 541);
  EXPECT_EQ(dm.dmPaperWidth, 866);
  EXPECT_EQ(dm.dmCopies, 1);
  EXPECT_EQ(dm.dmDefaultSource, 256);
  EXPECT_EQ(dm.dmPrintQuality, 300);
  EXPECT_EQ(dm.dmColor, DMCOLOR_COLOR);
  EXPECT_EQ(dm.dmPelsWidth, 640u);
  EXPECT_EQ(dm.dmPelsHeight, 1024u);
  EXPECT_EQ(dm.dmMediaType, 3u);
  EXPECT_EQ(dm.dmDitherType, 0u);
  EXPECT_EQ(dm.dmReserved2, 0u);
}

TEST(DefaultPrivateDevmode, CarriesSignatureAndBuiltInValues) {
  const PrivateDevmode pd = DefaultPrivateDevmode();
  EXPECT_EQ(pd.signature, kPrivateSignature);
  EXPECT_EQ(pd.fixedRibbon, 0);
  const int16_t heads[] = {pd.headContrastO,  pd.headContrastKr, pd.headContrastH,   pd.headIntensityY,
                           pd.headIntensityM, pd.headIntensityC, pd.headIntensityKd, pd.headContrastY,
                           pd.headContrastM,  pd.headContrastC,  pd.headContrastKd};
  EXPECT_EQ(std::vector<int16_t>(std::begin(heads), std::end(heads)),
            (std::vector<int16_t>{3, 3, 5, 4, 7, 7, 5, 5, 5, 5, 5}));
  EXPECT_EQ(pd.ccIntensityK | pd.ccIntensityR | pd.ccIntensityG | pd.ccIntensityB | pd.ccContrastK | pd.ccContrastR |
                pd.ccContrastG | pd.ccContrastB,
            0);
  EXPECT_EQ(pd.encoder.macroProcessing, 1);
  EXPECT_STREQ(pd.encoder.startOfData, "${");
  EXPECT_STREQ(pd.encoder.endOfData, "}$");
  EXPECT_EQ(pd.encoder.coercivity, 2);
  EXPECT_EQ(pd.encoder.encoderPosition, 1);
  const int16_t modes[] = {pd.encoder.trackSettings[0].mode, pd.encoder.trackSettings[1].mode,
                           pd.encoder.trackSettings[2].mode};
  const int16_t densities[] = {pd.encoder.trackSettings[0].density, pd.encoder.trackSettings[1].density,
                               pd.encoder.trackSettings[2].density};
  EXPECT_EQ(std::vector<int16_t>(std::begin(modes), std::end(modes)), (std::vector<int16_t>{0, 1, 2}));
  EXPECT_EQ(std::vector<int16_t>(std::begin(densities), std::end(densities)), (std::vector<int16_t>{1, 0, 1}));
  for (const TrackSettings& t : pd.encoder.trackSettings) {
    EXPECT_EQ(t.startChar, 65);
    EXPECT_EQ(t.stopChar, 90);
    EXPECT_EQ(t.startPosition, 7);
  }
  EXPECT_EQ(pd.track1Present | pd.track2Present | pd.track3Present, 0);
}

TEST(DriverDataFile, IsTheDefaultImageByteForByte) {
  const std::vector<uint8_t> file = test::ReadFileBytes(test::BuiltDataFile());
  ASSERT_EQ(file.size(), kPrivateDevmodeSize);
  const PrivateDevmode expected = DefaultPrivateDevmode();
  EXPECT_EQ(std::memcmp(file.data(), &expected, kPrivateDevmodeSize), 0);
  EXPECT_EQ(ReadU16(file.data()), 0x514D);
}

// A DEVMODE image: public part with the given dmSize/dmDriverExtra, and a marker pattern after it.
std::vector<uint8_t> MakeDevmode(uint16_t dmSize, uint16_t dmExtra, std::optional<size_t> signatureAt) {
  std::vector<uint8_t> bytes(size_t{dmSize} + dmExtra);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  WriteU16(bytes.data() + offsetof(DEVMODEW, dmSize), dmSize);
  WriteU16(bytes.data() + offsetof(DEVMODEW, dmDriverExtra), dmExtra);
  if (signatureAt) WriteU16(bytes.data() + *signatureAt, kPrivateSignature);
  return bytes;
}

struct LocateCase {
  const char* name;
  uint16_t dmSize;
  uint16_t dmExtra;
  std::optional<size_t> signatureAt;
  size_t offset;
  size_t length;
  bool rewrite;
};

class LocatePrivatePart : public ::testing::TestWithParam<LocateCase> {};

TEST_P(LocatePrivatePart, FollowsTheSignatureRule) {
  const LocateCase& c = GetParam();
  const auto bytes = MakeDevmode(c.dmSize, c.dmExtra, c.signatureAt);
  const PrivatePartLocation where = LocateRasterPrivatePart(bytes);
  EXPECT_EQ(where.offset, c.offset);
  EXPECT_EQ(where.length, c.length);
  EXPECT_EQ(where.rewriteDmSize, c.rewrite);
  EXPECT_LE(where.offset + where.length, bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocatePrivatePart,
    ::testing::Values(LocateCase{"size212", 212, 2224, 212, 212, 2224, false},
                      LocateCase{"size212WithoutSignature", 212, 2224, std::nullopt, 212, 2224, false},
                      LocateCase{"size220WithSignature", 220, 2224, 220, 220, 2224, true},
                      LocateCase{"size220WithoutSignature", 220, 2224, std::nullopt, 212, 2224, true},
                      LocateCase{"oversizedExtraIsCutTo2224", 212, 3000, 212, 212, 2224, false},
                      LocateCase{"undersizedExtra", 212, 100, 212, 212, 100, false},
                      LocateCase{"noPrivatePart", 212, 0, std::nullopt, 212, 0, false},
                      LocateCase{"signatureWordPastTheDevmode", 220, 1, std::nullopt, 212, 1, true},
                      LocateCase{"shortPublicPartFallsBackInsideTheBytes", 156, 60, std::nullopt, 212, 4, true},
                      LocateCase{"shortPublicPartWithSignature", 156, 2224, 156, 156, 2224, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LocatePrivatePartBounds, ReadsNothingOfATruncatedHeader) {
  const std::vector<uint8_t> tiny(40, 0xFF);
  const PrivatePartLocation where = LocateRasterPrivatePart(tiny);
  EXPECT_EQ(where.length, 0u);
}

}  // namespace
}  // namespace tolma
