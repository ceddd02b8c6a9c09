// JPEG files for the picture-reading tests, written with libjpeg.
#pragma once

#include <cstdint>
#include <vector>

namespace tolma::test {

enum class JpegKind { Colour, Grey, Cmyk, Ycck };

struct JpegSettings {
  JpegKind kind = JpegKind::Colour;
  int quality = 95;
  bool progressive = false;
  bool arithmetic = false;
  int restartInterval = 0;    // MCUs between restart markers; 0 for none
  std::vector<uint8_t> app1;  // written as an APP1 marker when not empty (see ExifOrientationApp1)
};

// Encodes `pixels` (rows top to bottom; RGB for Colour, one byte a pixel for Grey, four bytes of stored CMYK
// for Cmyk and Ycck) as a JPEG file. CMYK and YCCK files carry the Adobe marker, and their stored values are
// as Adobe's applications write them: 255 - ink.
std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& pixels,
                                const JpegSettings& settings = {});

// The body of an APP1 marker with EXIF data whose first directory holds a filler tag and then the
// orientation tag with `orientation`, in Intel ("II") or Motorola ("MM") byte order.
std::vector<uint8_t> ExifOrientationApp1(int orientation, bool motorola = false);

// A solid-colour RGB picture with filled rectangles: each {x, y, width, height, 0xRRGGBB}.
struct Patch {
  int x, y, width, height;
  uint32_t rgb;
};
std::vector<uint8_t> PatchPicture(int width, int height, uint32_t background, const std::vector<Patch>& patches);

}  // namespace tolma::test
