// Tests of the image placement arithmetic and the resampling of tolma-print.
#include "tools/lib/card_image.h"

#include <gtest/gtest.h>

namespace tolma::tools {
namespace {

RgbImage Uniform(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  RgbImage image{w, h, {}};
  for (int i = 0; i < w * h; ++i) image.pixels.insert(image.pixels.end(), {r, g, b});
  return image;
}

TEST(CardImage, OrientationFollowsExactSizesThenTheLongerSide) {
  EXPECT_FALSE(PortraitFor(1024, 640, Orientation::Auto));
  EXPECT_TRUE(PortraitFor(640, 1024, Orientation::Auto));
  EXPECT_FALSE(PortraitFor(500, 500, Orientation::Auto));
  EXPECT_TRUE(PortraitFor(300, 301, Orientation::Auto));
  EXPECT_FALSE(PortraitFor(640, 1024, Orientation::Landscape));
  EXPECT_TRUE(PortraitFor(1024, 640, Orientation::Portrait));
}

TEST(CardImage, PlacementArithmetic) {
  struct Case {
    int w, h;
    bool portrait;
    SizeMode mode;
    Placement expected;
  };
  // page w/h, source x/y/w/h, page rectangle x/y/w/h, pixel for pixel.
  const Case cases[] = {
      {1024, 640, false, SizeMode::Fit, {1024, 640, 0, 0, 1024, 640, 0, 0, 1024, 640, true}},
      {640, 1024, true, SizeMode::Exact, {640, 1024, 0, 0, 640, 1024, 0, 0, 640, 1024, true}},
      {800, 600, false, SizeMode::Fit, {1024, 640, 0, 0, 800, 600, 85, 0, 853, 640, false}},
      {2048, 1280, false, SizeMode::Fit, {1024, 640, 0, 0, 2048, 1280, 0, 0, 1024, 640, false}},
      {100, 100, false, SizeMode::Fit, {1024, 640, 0, 0, 100, 100, 192, 0, 640, 640, false}},
      {1000, 200, false, SizeMode::Fit, {1024, 640, 0, 0, 1000, 200, 0, 217, 1024, 205, false}},
      {640, 1024, false, SizeMode::Fit, {1024, 640, 0, 0, 640, 1024, 312, 0, 400, 640, false}},
      {5000, 1, false, SizeMode::Fit, {1024, 640, 0, 0, 5000, 1, 0, 319, 1024, 1, false}},
      {800, 600, false, SizeMode::Fill, {1024, 640, 0, 50, 800, 500, 0, 0, 1024, 640, false}},
      {2000, 500, false, SizeMode::Fill, {1024, 640, 600, 0, 800, 500, 0, 0, 1024, 640, false}},
      {300, 400, true, SizeMode::Fill, {640, 1024, 25, 0, 250, 400, 0, 0, 640, 1024, false}},
      {800, 600, false, SizeMode::Stretch, {1024, 640, 0, 0, 800, 600, 0, 0, 1024, 640, false}},
  };
  for (const Case& c : cases) {
    Placement p;
    std::string error;
    ASSERT_TRUE(PlanPlacement(c.w, c.h, c.portrait, c.mode, p, error)) << error;
    const Placement& e = c.expected;
    const std::vector<int> got = {p.pageWidth, p.pageHeight, p.srcX,  p.srcY,   p.srcWidth,     p.srcHeight,
                                  p.x,         p.y,          p.width, p.height, p.pixelForPixel};
    const std::vector<int> want = {e.pageWidth, e.pageHeight, e.srcX,  e.srcY,   e.srcWidth,     e.srcHeight,
                                   e.x,         e.y,          e.width, e.height, e.pixelForPixel};
    EXPECT_EQ(got, want) << c.w << " x " << c.h << " mode " << static_cast<int>(c.mode);
    EXPECT_LE(p.x + p.width, p.pageWidth);
    EXPECT_LE(p.y + p.height, p.pageHeight);
    EXPECT_LE(p.srcX + p.srcWidth, c.w);
    EXPECT_LE(p.srcY + p.srcHeight, c.h);
  }
  Placement p;
  std::string error;
  EXPECT_FALSE(PlanPlacement(800, 600, false, SizeMode::Exact, p, error));
  EXPECT_EQ(error, "the image is 800 x 600 pixels; --size exact needs exactly 1024 x 640 (landscape)");
  EXPECT_FALSE(PlanPlacement(0, 600, false, SizeMode::Fit, p, error));
  EXPECT_NE(
      DescribePlacement(800, 600, Placement{1024, 640, 0, 0, 800, 600, 85, 0, 853, 640, false}, SizeMode::Fit)
          .find("scaled to 853 x 640 to fit the landscape page with its aspect kept, centred on white at (85, 0)"),
      std::string::npos);
}

TEST(CardImage, ResamplingKeepsColoursAndEdges) {
  // A uniform colour stays exactly that colour, shrunk or enlarged.
  for (auto [w, h, ow, oh] : {std::array{37, 23, 1024, 640}, std::array{3000, 17, 1024, 5}, std::array{5, 5, 5, 5}}) {
    const RgbImage out = Resample(Uniform(w, h, 10, 200, 77), 0, 0, w, h, ow, oh);
    ASSERT_EQ(out.pixels.size(), size_t(ow) * oh * 3);
    EXPECT_EQ(out.pixels, Uniform(ow, oh, 10, 200, 77).pixels) << w << " x " << h;
  }
  // Left half black, right half white, halved: the halves stay, the edge blends.
  RgbImage split = Uniform(200, 100, 255, 255, 255);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      for (int c = 0; c < 3; ++c) split.pixels[(size_t(y) * 200 + x) * 3 + c] = 0;
  const RgbImage half = Resample(split, 0, 0, 200, 100, 100, 50);
  auto red = [&](const RgbImage& im, int x, int y) { return im.pixels[(size_t(y) * im.width + x) * 3]; };
  EXPECT_EQ(red(half, 10, 25), 0);
  EXPECT_EQ(red(half, 90, 25), 255);
  for (int x = 1; x < 100; ++x) EXPECT_GE(red(half, x, 25), red(half, x - 1, 25));
  // Fine stripes average out to grey when shrunk.
  RgbImage stripes = Uniform(64, 4, 0, 0, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 1; x < 64; x += 2)
      for (int c = 0; c < 3; ++c) stripes.pixels[(size_t(y) * 64 + x) * 3 + c] = 255;
  const RgbImage grey = Resample(stripes, 0, 0, 64, 4, 16, 1);
  for (int x = 1; x < 15; ++x) EXPECT_NEAR(red(grey, x, 0), 128, 2) << x;
  // A crop takes only its part of the source.
  const RgbImage right = Resample(split, 100, 0, 100, 100, 10, 10);
  EXPECT_EQ(right.pixels, Uniform(10, 10, 255, 255, 255).pixels);
  // Bad requests give an empty image rather than reading outside.
  EXPECT_EQ(Resample(split, 150, 0, 100, 100, 10, 10).width, 0);
}

TEST(CardImage, PlacedPicturesAreEngineRowsOfBlueGreenRed) {
  const RgbImage image{3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19}};
  Placement p;
  p.pixelForPixel = true;
  p.srcWidth = p.width = 3;
  p.srcHeight = p.height = 2;
  p.x = 5;
  p.y = 6;
  const PagePicture picture = PlaceImage(image, p);
  EXPECT_EQ(picture.stride, 12);
  EXPECT_EQ(picture.x, 5);
  EXPECT_EQ(picture.y, 6);
  EXPECT_EQ(picture.bgr, (std::vector<uint8_t>{3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0,  //
                                               13, 12, 11, 16, 15, 14, 19, 18, 17, 0, 0, 0}));
}

}  // namespace
}  // namespace tolma::tools
