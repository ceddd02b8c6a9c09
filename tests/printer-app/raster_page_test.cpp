// Tests of raster pages collected line by line, the picture size limits and the PNG size check.
#include "printer-app/raster_page.h"

#include <gtest/gtest.h>

namespace tolma::printerapp {
namespace {

std::vector<uint8_t> Pixel(const RgbImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

TEST(RasterPage, RefusesSizesOutOfLimitsOrInconsistent) {
  struct Case {
    RasterFormat format;
    const char* says;
  };
  const std::vector<Case> cases = {
      {{0, 640, 0, RasterColour::Rgb}, "no pixels"},
      {{1024, -1, 3072, RasterColour::Rgb}, "no pixels"},
      {{8193, 10, 8193 * 3, RasterColour::Rgb}, "more than the printer takes"},
      {{5000, 5000, 15000, RasterColour::Rgb}, "more than the printer takes"},  // 25 megapixels
      {{int64_t{1} << 40, int64_t{1} << 40, 3, RasterColour::Rgb}, "more than the printer takes"},
      {{1024, 640, 3071, RasterColour::Rgb}, "3072"},
      {{1024, 640, 3072, RasterColour::Grey}, "1024"},
      {{1024, 640, 3072, RasterColour::Cmyk}, "4096"},
  };
  for (const Case& c : cases) {
    RasterPage page;
    std::string error;
    EXPECT_FALSE(page.Start(c.format, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_FALSE(page.Complete());
  }
  RasterPage page;
  std::string error;
  EXPECT_TRUE(page.Start({8192, 2048, 8192, RasterColour::Grey}, error)) << error;
}

TEST(RasterPage, ConvertsEachPixelLayoutToRgb) {
  struct Case {
    RasterColour colour;
    std::vector<uint8_t> line;  // two pixels
    std::vector<uint8_t> first, second;
  };
  const std::vector<Case> cases = {
      {RasterColour::Rgb, {10, 20, 30, 200, 100, 0}, {10, 20, 30}, {200, 100, 0}},
      {RasterColour::Grey, {0, 180}, {0, 0, 0}, {180, 180, 180}},
      {RasterColour::Black, {0, 255}, {255, 255, 255}, {0, 0, 0}},
      {RasterColour::Cmyk, {255, 0, 0, 0, 100, 50, 0, 200}, {0, 255, 255}, {0, 5, 55}},
  };
  for (const Case& c : cases) {
    RasterPage page;
    std::string error;
    ASSERT_TRUE(page.Start({2, 1, static_cast<int64_t>(c.line.size()), c.colour}, error)) << error;
    page.WriteLine(0, c.line);
    ASSERT_TRUE(page.Complete());
    const RgbImage image = page.Take();
    EXPECT_EQ(Pixel(image, 0, 0), c.first) << static_cast<int>(c.colour);
    EXPECT_EQ(Pixel(image, 1, 0), c.second) << static_cast<int>(c.colour);
  }
}

TEST(RasterPage, CountsOnlyWholeLinesInsideThePage) {
  RasterPage page;
  std::string error;
  ASSERT_TRUE(page.Start({4, 3, 12, RasterColour::Rgb}, error));
  const std::vector<uint8_t> line(12, 7), shortLine(11, 9);
  page.WriteLine(0, line);
  page.WriteLine(0, line);       // a line twice counts once
  page.WriteLine(3, line);       // below the page
  page.WriteLine(1, shortLine);  // too short: ignored, nothing read past it
  EXPECT_EQ(page.LinesSeen(), 1);
  EXPECT_FALSE(page.Complete());
  page.WriteLine(1, line);
  page.WriteLine(2, line);
  EXPECT_TRUE(page.Complete());
  const RgbImage image = page.Take();
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(Pixel(image, 3, 2), (std::vector<uint8_t>{7, 7, 7}));
  page.WriteLine(0, line);  // after Take the page takes nothing
  EXPECT_FALSE(page.Complete());
}

TEST(RasterPage, UnsentLinesStayWhite) {
  RasterPage page;
  std::string error;
  ASSERT_TRUE(page.Start({1, 2, 1, RasterColour::Grey}, error));
  page.WriteLine(1, std::vector<uint8_t>{0});
  const RgbImage image = page.Take();
  EXPECT_EQ(Pixel(image, 0, 0), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(Pixel(image, 0, 1), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(MakeGrey, UsesTheLuminanceOfTheSrgbPrimaries) {
  RgbImage image{4, 1, {255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0}};
  MakeGrey(image);
  EXPECT_EQ(Pixel(image, 0, 0), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(Pixel(image, 1, 0), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(Pixel(image, 2, 0), (std::vector<uint8_t>{182, 182, 182}));  // green: 0.7152
  EXPECT_EQ(Pixel(image, 3, 0), (std::vector<uint8_t>{54, 54, 54}));     // red: 0.2126
}

TEST(PngSize, ReadsTheHeaderOnly) {
  std::vector<uint8_t> head = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13,
                               'I',  'H', 'D', 'R', 0,    0,    4,    0,    0, 0, 2, 0x80};
  int64_t w = 0, h = 0;
  ASSERT_TRUE(PngSize(head, w, h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 640);
  head[23] = 0xFF, head[20] = 0xFF;  // a header may claim anything: the size check must follow
  ASSERT_TRUE(PngSize(head, w, h));
  EXPECT_EQ(h, 0xFF0002FF);
  std::string error;
  EXPECT_FALSE(CheckPictureSize(w, h, error));
  EXPECT_FALSE(PngSize(std::span<const uint8_t>(head.data(), 23), w, h));  // too short
  head[1] = 'J';
  EXPECT_FALSE(PngSize(head, w, h));
}

}  // namespace
}  // namespace tolma::printerapp
