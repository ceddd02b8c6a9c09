// Tests of the model and ribbon cache reader.
#include "common/ribbon.h"
#include "raster/model_cache.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace tolma {
namespace {

RibbonCache Parse(const std::string& text) {
  RibbonCache cache;
  ParseRibbonCache(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), cache);
  return cache;
}

struct ParseCase {
  const char* name;
  std::string file;
  int32_t code;
  std::string model;
};

class ParseRibbonCacheTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseRibbonCacheTest, ReadsBothEntries) {
  const ParseCase& c = GetParam();
  const RibbonCache cache = Parse(c.file);
  EXPECT_EQ(cache.ribbonCode, c.code);
  EXPECT_EQ(cache.ModelText(), c.model);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRibbonCacheTest,
    ::testing::Values(
        // clang-format off
        ParseCase{"crlfLines", "[Printer]\r\nRibbon=14\r\nModel=Q47x RKB 2.1\r\n", 14, "Q47x RKB 2.1"},
        ParseCase{"emptyRibbonValue", "Ribbon=\rModel=x\r", 0, "x"},
        ParseCase{"noModel", "Ribbon=3\r", 3, ""},
        ParseCase{"emptyModel", "Ribbon=3\rModel=\r", 3, ""},
        ParseCase{"emptyFile", "", 0, ""},
        ParseCase{"firstOccurrenceEvenInsideALine", "XRibbon=7\rRibbon=2\rOldModel=A\rModel=B\r", 7, "A"},
        ParseCase{"leadingSpaceAndSign", "Ribbon=  +16\r", 16, ""},
        ParseCase{"negative", "Ribbon=-3\r", -3, ""},
        ParseCase{"digitsStopAtOtherCharacters", "Ribbon=21abc\r", 21, ""},
        ParseCase{"zeroByteEndsTheValue", std::string("Ribbon=1") + '\0' + "9\rModel=ab" + '\0' + "cd", 1, "ab"},
        ParseCase{"ribbonValueOfTwelveCharsAtTheEnd", "Ribbon=000000000017", 17, ""},
        ParseCase{"ribbonValueLongerThanTwelveIsCut", "Ribbon=0000000000012345\r", 1, ""},
        ParseCase{"overflowSaturates", "Ribbon=99999999999\r", 2147483647, ""},
        ParseCase{"modelOfExactly32Chars", "Model=" + std::string(32, 'M'), 0, std::string(32, 'M')},
        ParseCase{"modelLongerThan32IsCut", "Model=" + std::string(40, 'M') + "\r", 0, std::string(32, 'M')}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseRibbonCacheTest, LeavesResultsUntouchedWhenEntriesAreMissing) {
  RibbonCache cache;
  cache.ribbonCode = 9;
  const std::string text = "nothing here";
  ParseRibbonCache(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), cache);
  EXPECT_EQ(cache.ribbonCode, 9);
}

class ReadRibbonCacheTest : public test::HostTest {
 protected:
  test::TempDir dir_;
};

TEST_F(ReadRibbonCacheTest, ReadsTheFileInTheLocalAppDataFolder) {
  dir_.Write("DomaRibmod.ini", "Ribbon=14\r\nModel=Q47x RKB\r\n");
  host::SetLocalAppDataFolder(dir_.str());
  RibbonCache cache;
  ReadRibbonCache(cache);
  EXPECT_EQ(cache.ribbonCode, 14);
  EXPECT_EQ(RibbonTypeFromPrinterCode(cache.ribbonCode), 0);
  EXPECT_TRUE(IsTwoSidedModel(cache.ModelText()));
  EXPECT_EQ(host::LoadedModuleCount(), 0) << "the folder library is freed";
}

TEST_F(ReadRibbonCacheTest, EveryMissingPieceLeavesTheDefaults) {
  dir_.Write("DomaRibmod.ini", "Ribbon=5\rModel=RKB\r");
  const host::FailPoint points[] = {host::FailPoint::LoadLibrary,     host::FailPoint::GetProcAddress,
                                    host::FailPoint::ShGetFolderPath, host::FailPoint::CreateFile,
                                    host::FailPoint::GetFileSize,     host::FailPoint::HeapAlloc,
                                    host::FailPoint::ReadFile};
  for (host::FailPoint point : points) {
    host::Reset();
    host::SetLocalAppDataFolder(dir_.str());
    host::SetFailure(point);
    RibbonCache cache;
    ReadRibbonCache(cache);
    EXPECT_EQ(cache.ribbonCode, 0) << static_cast<int>(point);
    EXPECT_EQ(cache.ModelText(), "") << static_cast<int>(point);
    EXPECT_EQ(host::LoadedModuleCount(), 0) << static_cast<int>(point);
  }

  host::Reset();  // no folder set
  RibbonCache noFolder;
  ReadRibbonCache(noFolder);
  EXPECT_EQ(noFolder.ribbonCode, 0);

  host::SetLocalAppDataFolder((dir_.path() / "missing").string());
  RibbonCache noFile;
  ReadRibbonCache(noFile);
  EXPECT_EQ(noFile.ribbonCode, 0);
  EXPECT_EQ(RibbonTypeFromPrinterCode(noFile.ribbonCode), kRibbonNone);
}

}  // namespace
}  // namespace tolma
