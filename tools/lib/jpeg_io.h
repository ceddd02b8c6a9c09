// JPEG reading for the command-line tools, with libjpeg, and the EXIF orientation of photos.
#pragma once

#include "tools/lib/rgb_image.h"

#include <cstdint>
#include <span>
#include <string>

namespace tolma::tools {

// What a decoded JPEG file was besides its pixels.
struct JpegDetails {
  int orientation = 1;       // the EXIF orientation tag, 1..8 (1: as stored), already applied to the image
  bool cmyk = false;         // stored as CMYK or YCCK and turned into RGB
  bool progressive = false;  // stored in several scans
};

// Decodes JPEG data (baseline, progressive or arithmetic-coded; greyscale, YCbCr, RGB, CMYK or YCCK) as RGB,
// turned as its EXIF orientation says. CMYK is made RGB by the plain complement formula, without a colour
// profile; data with an Adobe marker are taken as stored inverted, as such files are written. `name` names
// the file in messages. Returns false and sets `error` to a one-line reason in plain words when the data
// are not a JPEG, are cut short, damaged, of a kind libjpeg cannot decode or larger than `limits` allow.
bool DecodeJpeg(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
                JpegDetails& details, std::string& error);

// The orientation tag (0x0112) of the first image directory of EXIF data: the body of an APP1 segment after
// its "Exif\0\0" prefix, a TIFF header and directories. 1 (as stored) when the tag is missing, out of
// range or the data are damaged; nothing outside `tiff` is read.
int ExifOrientation(std::span<const uint8_t> tiff);

// Turns an image as an EXIF orientation says: 2 mirrors left to right, 3 turns by 180 degrees, 4 mirrors top
// to bottom, 5 mirrors along the main diagonal, 6 turns by 90 degrees clockwise, 7 mirrors along the other
// diagonal, 8 turns by 90 degrees anticlockwise; 1 and other values leave it as it is.
RgbImage Orient(const RgbImage& image, int orientation);

// How an orientation turns a picture, in words ("turned by 90 degrees clockwise"); empty for 1.
std::string OrientationWords(int orientation);

}  // namespace tolma::tools
