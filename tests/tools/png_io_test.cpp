// Tests of the tools' PNG reading and writing.
#include "tests/support/fixtures.h"
#include "tools/lib/png_io.h"

#include <gtest/gtest.h>

namespace tolma::tools {
namespace {

TEST(PngIo, GreyImagesRoundTripAsRgb) {
  test::TempDir dir;
  const std::string path = (dir.path() / "grey.png").string();
  std::vector<uint8_t> grey = {0, 64, 128, 255, 10, 20};
  std::string error;
  ASSERT_TRUE(WriteGreyPng(path, 3, 2, grey, error)) << error;
  RgbImage image;
  ASSERT_TRUE(ReadPng(path, image, error)) << error;
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  for (size_t i = 0; i < grey.size(); ++i)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(image.pixels[i * 3 + c], grey[i]);
}

TEST(PngIo, RefusesMissingAndForeignFilesWithAReason) {
  test::TempDir dir;
  RgbImage image;
  std::string error;
  EXPECT_FALSE(ReadPng((dir.path() / "missing.png").string(), image, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
  const std::string text = dir.Write("text.png", "this is not a picture at all");
  EXPECT_FALSE(ReadPng(text, image, error));
  EXPECT_NE(error.find("not a PNG"), std::string::npos);
  // A real signature followed by garbage.
  const std::string damaged = dir.Write("damaged.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x'));
  EXPECT_FALSE(ReadPng(damaged, image, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteGreyPng((dir.path() / "no/such/dir/x.png").string(), 1, 1, {0}, error));
}

}  // namespace
}  // namespace tolma::tools
