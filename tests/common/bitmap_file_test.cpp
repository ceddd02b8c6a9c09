// The checked reader of one-bit bitmap files that both libraries use: what it accepts, and that no header can make
// it describe bytes outside the file.
#include "common/bitmap_file.h"
#include "tests/support/bitmap_files.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tolma::test {
namespace {

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Chequer(int x, int y) { return ((x / 3) + (y / 2)) % 2 == 0; }

TEST(MonoBitmapFile, TakesSoundOneBitFilesWithTheirRowsInsideTheBlock) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int32_t width, height;
    size_t stride;
  };
  const Case cases[] = {
      {"card", OneBitBitmap(1024, 640, Chequer), 1024, 640, 128},
      {"odd width", OneBitBitmap(33, 5, Chequer), 33, 5, 8},
      {"top-down", OneBitBitmap(40, 7, Chequer, true), 40, -7, 8},
      {"one pixel", OneBitBitmap(1, 1, Chequer), 1, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<MonoBitmapFile> bmp = ParseMonoBitmapFile(c.file);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, c.width);
    EXPECT_EQ(bmp->height, c.height);
    EXPECT_EQ(bmp->block.data(), c.file.data() + 14);
    EXPECT_EQ(bmp->block.size(), c.file.size() - 14);
    EXPECT_EQ(bmp->bits.data(), c.file.data() + 62) << "rows follow the header and two colours";
    EXPECT_EQ(bmp->bits.size(), c.stride * static_cast<size_t>(std::abs(c.height)));
  }
}

// Headers that lie: each is refused, and nothing accepted ever reaches past the file.
TEST(MonoBitmapFile, RefusesHeadersThatLieOrOtherKindsOfBitmap) {
  const std::vector<uint8_t> good = OneBitBitmap(64, 10, Chequer);  // 62 + 8 x 10 = 142 bytes
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> spoil;
  };
  const Case cases[] = {
      {"file size beyond the file", [](auto& f) { Put32(f, 2, static_cast<uint32_t>(f.size() + 1)); }},
      {"file size far beyond the file", [](auto& f) { Put32(f, 2, 0xFFFFFFFF); }},
      {"file size below the headers", [](auto& f) { Put32(f, 2, 61); }},
      {"file size zero", [](auto& f) { Put32(f, 2, 0); }},
      {"file size cutting the rows", [](auto& f) { Put32(f, 2, static_cast<uint32_t>(f.size() - 1)); }},
      {"file cut short", [](auto& f) { f.resize(f.size() - 1); }},
      {"file of the headers only", [](auto& f) { f.resize(62); }},
      {"file shorter than the headers", [](auto& f) { f.resize(40); }},
      {"24 bits a pixel", [](auto& f) { f[28] = 24; }},
      {"8 bits a pixel", [](auto& f) { f[28] = 8; }},
      {"two planes", [](auto& f) { f[26] = 2; }},
      {"compressed", [](auto& f) { Put32(f, 30, 1); }},
      {"core header", [](auto& f) { Put32(f, 14, 12); }},
      {"version 5 header", [](auto& f) { Put32(f, 14, 124); }},
      {"width zero", [](auto& f) { Put32(f, 18, 0); }},
      {"negative width", [](auto& f) { Put32(f, 18, static_cast<uint32_t>(-64)); }},
      {"height zero", [](auto& f) { Put32(f, 22, 0); }},
      {"more rows than the file holds", [](auto& f) { Put32(f, 22, 11); }},
      {"wider rows than the file holds", [](auto& f) { Put32(f, 18, 65); }},
      {"huge width", [](auto& f) { Put32(f, 18, 0x7FFFFFFF); }},
      {"huge height", [](auto& f) { Put32(f, 22, 0x40000000); }},
      {"most negative height", [](auto& f) { Put32(f, 22, 0x80000000); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> f = good;
    c.spoil(f);
    EXPECT_FALSE(ParseMonoBitmapFile(f)) << c.name;
  }
  // A file longer than its header says is read only up to the header's size.
  std::vector<uint8_t> longer = good;
  longer.resize(good.size() + 100, 0xAA);
  const std::optional<MonoBitmapFile> bmp = ParseMonoBitmapFile(longer);
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->block.size(), good.size() - 14);
  EXPECT_TRUE(ParseMonoBitmapFile(TrueColourBitmap(8, 8)) == std::nullopt);
}

TEST(MonoBitmapFile, ReadsWholeFilesAndTellsAMissingOne) {
  TempDir dir;
  const std::vector<uint8_t> bytes = OneBitBitmap(16, 16, Chequer);
  const std::string path = dir.Write("mask.bmp", bytes);
  bool opened = false;
  EXPECT_EQ(ReadBitmapFileBytes(host::Wide(path), &opened), bytes);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(ReadBitmapFileBytes(host::Wide(dir.str() + "/missing.bmp"), &opened).empty());
  EXPECT_FALSE(opened);
  const std::string empty = dir.Write("empty.bmp", std::vector<uint8_t>{});
  EXPECT_TRUE(ReadBitmapFileBytes(host::Wide(empty), &opened).empty());
  EXPECT_TRUE(opened) << "an empty file opens; the reader then refuses it";
}

}  // namespace
}  // namespace tolma::test
