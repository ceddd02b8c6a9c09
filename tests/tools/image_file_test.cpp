// Tests of the picture readers: every kind of JPEG, EXIF orientation, CMYK, and files that are cut short,
// damaged, too large or no picture at all.
#include "tests/support/fixtures.h"
#include "tests/support/jpeg_files.h"
#include "tools/lib/image_file.h"
#include "tools/lib/jpeg_io.h"
#include "tools/lib/png_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace tolma::tools {
namespace {

using test::EncodeJpeg;
using test::JpegKind;
using test::JpegSettings;
using test::Patch;

std::array<int, 3> Rgb(const RgbImage& image, int x, int y) {
  const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 3];
  return {p[0], p[1], p[2]};
}

testing::AssertionResult Near(const std::array<int, 3>& got, uint32_t want, int tolerance) {
  const std::array<int, 3> w = {int(want >> 16), int(want >> 8 & 0xFF), int(want & 0xFF)};
  for (int c = 0; c < 3; ++c)
    if (std::abs(got[c] - w[c]) > tolerance)
      return testing::AssertionFailure() << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want (" << w[0]
                                         << ", " << w[1] << ", " << w[2] << ")";
  return testing::AssertionSuccess();
}

// 64 x 48: red, cyan, dark grey and white quarters.
constexpr int kW = 64, kH = 48;
const std::vector<Patch> kQuarters = {
    {0, 0, 32, 24, 0xFF0000}, {32, 0, 32, 24, 0x00FFFF}, {0, 24, 32, 24, 0x404040}, {32, 24, 32, 24, 0xFFFFFF}};
const std::array<std::pair<int, int>, 4> kCentres = {{{16, 12}, {48, 12}, {16, 36}, {48, 36}}};

// The quarters as stored CMYK (255 - ink): colours without black ink, the grey in black ink alone.
std::vector<uint8_t> StoredCmykQuarters() {
  const std::vector<uint8_t> rgb = test::PatchPicture(kW, kH, 0xFFFFFF, kQuarters);
  std::vector<uint8_t> cmyk;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    const bool grey = rgb[i] == 0x40 && rgb[i + 1] == 0x40 && rgb[i + 2] == 0x40;
    cmyk.insert(cmyk.end(), {grey ? uint8_t{255} : rgb[i], grey ? uint8_t{255} : rgb[i + 1],
                             grey ? uint8_t{255} : rgb[i + 2], grey ? uint8_t{0x40} : uint8_t{255}});
  }
  return cmyk;
}

TEST(JpegReading, EveryKindDecodesCloseToItsSource) {
  const std::vector<uint8_t> rgb = test::PatchPicture(kW, kH, 0xFFFFFF, kQuarters);
  std::vector<uint8_t> grey;
  for (size_t i = 0; i < rgb.size(); i += 3) grey.push_back(rgb[i + 1]);  // 0, 255, 0x40, 255
  const std::vector<uint8_t> cmyk = StoredCmykQuarters();
  struct Case {
    const char* what;
    JpegSettings settings;
    const std::vector<uint8_t>& pixels;
    std::array<uint32_t, 4> want;
  };
  const std::array<uint32_t, 4> colours = {0xFF0000, 0x00FFFF, 0x404040, 0xFFFFFF};
  const Case cases[] = {
      {"baseline", {}, rgb, colours},
      {"progressive", {.progressive = true}, rgb, colours},
      {"arithmetic-coded", {.arithmetic = true}, rgb, colours},
      {"greyscale", {.kind = JpegKind::Grey}, grey, {0x000000, 0xFFFFFF, 0x404040, 0xFFFFFF}},
      {"CMYK", {.kind = JpegKind::Cmyk}, cmyk, colours},
      {"YCCK", {.kind = JpegKind::Ycck}, cmyk, colours},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> file = EncodeJpeg(kW, kH, c.pixels, c.settings);
    RgbImage image;
    JpegDetails details;
    std::string error;
    ASSERT_TRUE(DecodeJpeg(file, "photo.jpg", DecodeLimits{}, image, details, error)) << error;
    ASSERT_EQ(image.width, kW);
    ASSERT_EQ(image.height, kH);
    for (size_t i = 0; i < kCentres.size(); ++i)
      EXPECT_TRUE(Near(Rgb(image, kCentres[i].first, kCentres[i].second), c.want[i], 6)) << "quarter " << i;
    EXPECT_EQ(details.progressive, c.settings.progressive);
    EXPECT_EQ(details.cmyk, c.settings.kind == JpegKind::Cmyk || c.settings.kind == JpegKind::Ycck);
    EXPECT_EQ(details.orientation, 1);
  }
}

TEST(JpegReading, ExifOrientationIsReadWithinItsData) {
  auto body = [](int orientation, bool motorola) {
    std::vector<uint8_t> app1 = test::ExifOrientationApp1(orientation, motorola);
    return std::vector<uint8_t>(app1.begin() + 6, app1.end());  // without "Exif\0\0"
  };
  EXPECT_EQ(ExifOrientation(body(6, false)), 6);
  EXPECT_EQ(ExifOrientation(body(8, true)), 8);
  EXPECT_EQ(ExifOrientation(body(3, true)), 3);
  EXPECT_EQ(ExifOrientation(body(0, false)), 1);
  EXPECT_EQ(ExifOrientation(body(9, false)), 1);
  EXPECT_EQ(ExifOrientation({}), 1);

  const std::vector<uint8_t> good = body(6, false);
  auto changed = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  EXPECT_EQ(ExifOrientation(changed(0, {'I', 'M'})), 1);                // no byte order
  EXPECT_EQ(ExifOrientation(changed(2, {43, 0})), 1);                   // not TIFF
  EXPECT_EQ(ExifOrientation(changed(4, {0xF0, 0xFF, 0xFF, 0xFF})), 1);  // directory far past the end
  EXPECT_EQ(ExifOrientation(changed(24, {4, 0})), 1);                   // orientation given as a LONG
  EXPECT_EQ(ExifOrientation(changed(26, {2, 0})), 1);                   // two values
  // The orientation entry is bytes 22..33: any shorter piece of the data reads as "as stored", and a
  // directory that claims 65535 entries is read only as far as the data go.
  for (size_t n = 0; n <= good.size(); ++n) {
    const std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_EQ(ExifOrientation(part), n >= 34 ? 6 : 1) << n << " bytes";
    std::vector<uint8_t> many = part;
    if (n >= 10) {
      many[8] = 0xFF;
      many[9] = 0xFF;
      EXPECT_EQ(ExifOrientation(many), n >= 34 ? 6 : 1) << n << " bytes, 65535 entries";
    }
  }
}

TEST(JpegReading, OrientTurnsAndMirrorsAsEachValueSays) {
  // Pixels a..f of a 3 x 2 image, each given by its red byte.
  const RgbImage stored{3, 2, {'a', 0, 0, 'b', 0, 0, 'c', 0, 0, 'd', 0, 0, 'e', 0, 0, 'f', 0, 0}};
  const char* const expected[] = {"", "abcdef", "cbafed", "fedcba", "defabc", "adbecf", "daebfc", "fcebda", "cfbead"};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const RgbImage out = Orient(stored, orientation);
    EXPECT_EQ(out.width, orientation >= 5 ? 2 : 3);
    EXPECT_EQ(out.height, orientation >= 5 ? 3 : 2);
    std::string order;
    for (size_t i = 0; i < out.pixels.size(); i += 3) order += static_cast<char>(out.pixels[i]);
    EXPECT_EQ(order, expected[orientation]);
  }
  EXPECT_EQ(Orient(stored, 0).pixels, stored.pixels);
  EXPECT_EQ(Orient(stored, 9).pixels, stored.pixels);
}

TEST(JpegReading, APhotoComesOutTurnedAsItsExifOrientationSays) {
  // 40 x 24 stored, with a red square in the stored top left corner.
  const std::vector<uint8_t> rgb = test::PatchPicture(40, 24, 0xFFFFFF, {{0, 0, 8, 8, 0xFF0000}});
  struct Case {
    int orientation;
    bool motorola;
    int redX, redY;  // where the square lands in the turned picture
    const char* note;
  };
  for (const Case c : {Case{6, false, 20, 3, "turned by 90 degrees clockwise, as its EXIF orientation (6) asks"},
                       Case{8, true, 3, 36, "turned by 90 degrees anticlockwise, as its EXIF orientation (8) asks"},
                       Case{3, false, 36, 20, "turned by 180 degrees, as its EXIF orientation (3) asks"}}) {
    SCOPED_TRACE(c.orientation);
    const std::vector<uint8_t> file =
        EncodeJpeg(40, 24, rgb, {.app1 = test::ExifOrientationApp1(c.orientation, c.motorola)});
    RgbImage image;
    ImageNotes notes;
    std::string error;
    ASSERT_TRUE(DecodeImage(file, "photo.jpg", DecodeLimits{}, image, notes, error)) << error;
    EXPECT_EQ(notes.format, ImageFormat::Jpeg);
    EXPECT_EQ(notes.notes, std::vector<std::string>{c.note});
    EXPECT_EQ(image.width, c.orientation == 3 ? 40 : 24);
    EXPECT_TRUE(Near(Rgb(image, c.redX, c.redY), 0xFF0000, 8));
    EXPECT_TRUE(Near(Rgb(image, image.width - 1 - c.redX, image.height - 1 - c.redY), 0xFFFFFF, 8));
  }
}

// Offset of the first marker `code` (0xFF code) in a JPEG file.
size_t Marker(const std::vector<uint8_t>& file, uint8_t code) {
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == code) return i;
  ADD_FAILURE() << "no marker " << int(code);
  return 0;
}

TEST(PictureFiles, CutShortDamagedTooLargeAndForeignFilesAreRefusedInPlainWords) {
  const std::vector<uint8_t> rgb = test::PatchPicture(kW, kH, 0xFFFFFF, kQuarters);
  const std::vector<uint8_t> jpeg = EncodeJpeg(kW, kH, rgb);
  const std::vector<uint8_t> progressive = EncodeJpeg(kW, kH, rgb, {.progressive = true});
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteRgbPng((dir.path() / "card.png").string(), kW, kH, rgb, error)) << error;
  const std::vector<uint8_t> png = test::ReadFileBytes((dir.path() / "card.png").string());

  auto cut = [](const std::vector<uint8_t>& b, size_t n) {
    return std::vector<uint8_t>(b.begin(), b.begin() + long(n));
  };
  auto with = [](std::vector<uint8_t> b, size_t at, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  const size_t sof = Marker(jpeg, 0xC0);
  const size_t scan = Marker(jpeg, 0xDA) + 2 + (jpeg[Marker(jpeg, 0xDA) + 2] << 8 | jpeg[Marker(jpeg, 0xDA) + 3]);
  const size_t idat = std::search(png.begin(), png.end(), std::begin("IDAT"), std::end("IDAT") - 1) - png.begin();
  DecodeLimits small;
  small.maxPixels = 1000;
  DecodeLimits fewScans;
  fewScans.maxJpegScans = 3;

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string message;
    DecodeLimits limits = {};
  };
  const Case cases[] = {
      {"JPEG cut in its header", cut(jpeg, sof + 6), "is cut short: the JPEG file ends before the end of its picture"},
      {"JPEG cut in its data", cut(jpeg, (scan + jpeg.size()) / 2), "is cut short: the JPEG file ends before"},
      {"progressive JPEG cut", cut(progressive, progressive.size() * 2 / 3), "is cut short: the JPEG file ends"},
      {"JPEG ending amid its data", with(jpeg, (scan + jpeg.size()) / 2, {0xFF, 0xD9}),
       "is a damaged JPEG file (Corrupt JPEG data: premature end of data segment)"},
      {"JPEG of width 0", with(jpeg, sof + 7, {0, 0}), "is a damaged JPEG file (Empty JPEG image"},
      {"12-bit JPEG", with(jpeg, sof + 4, {12}),
       "is a JPEG file of a kind that cannot be read here (Unsupported JPEG data precision 12)"},
      {"lossless JPEG", with(jpeg, sof + 1, {0xC3}), "is a JPEG file of a kind that cannot be read here"},
      {"JPEG of many scans", progressive, "is a damaged JPEG file (more than 3 scans)", fewScans},
      {"large JPEG", jpeg, "is 64 x 48 pixels: more than the 1000 pixels a picture may have", small},
      {"PNG cut in its data", cut(png, png.size() / 2),
       "is cut short: the PNG file ends before the end of its picture"},
      {"PNG cut in its header", cut(png, 20), "is cut short: the PNG file ends"},
      {"PNG with a changed data byte", with(png, idat + 10, {static_cast<uint8_t>(png[idat + 10] ^ 0x55)}),
       "is a damaged PNG file (IDAT: "},
      {"PNG with a wrong header checksum", with(png, 29, {static_cast<uint8_t>(png[29] ^ 1)}),
       "is a damaged PNG file (IHDR: CRC error)"},
      {"large PNG", png, "is 64 x 48 pixels: more than the 1000 pixels a picture may have", small},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "is neither a PNG nor a JPEG file"},
      {"nothing", {}, "is empty: it holds no picture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RgbImage image;
    ImageNotes notes;
    error.clear();
    EXPECT_FALSE(DecodeImage(c.bytes, "/cards/photo", c.limits, image, notes, error));
    EXPECT_EQ(error.rfind("/cards/photo ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(image.width, 0);
  }

  // The content decides, not the name: a JPEG called .png and a PNG called .jpg both read.
  RgbImage image;
  ImageNotes notes;
  ASSERT_TRUE(ReadImageFile(dir.Write("photo.png", jpeg), image, notes, error)) << error;
  EXPECT_EQ(notes.format, ImageFormat::Jpeg);
  ASSERT_TRUE(ReadImageFile(dir.Write("card.jpg", png), image, notes, error)) << error;
  EXPECT_EQ(notes.format, ImageFormat::Png);
  EXPECT_TRUE(notes.notes.empty());
  EXPECT_FALSE(ReadImageFile((dir.path() / "missing.jpg").string(), image, notes, error));
  EXPECT_EQ(error, "cannot open " + (dir.path() / "missing.jpg").string() + " (No such file or directory)");
}

}  // namespace
}  // namespace tolma::tools
