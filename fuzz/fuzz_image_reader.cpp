// Fuzzes the picture reader of tolma-print: JPEG data (and PNG, told apart by content) decoded with small
// limits, and the EXIF orientation parser.
#include "tools/lib/image_file.h"
#include "tools/lib/jpeg_io.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma::tools;
  const std::span<const uint8_t> bytes(data, size);
  DecodeLimits limits;
  limits.maxPixels = 1 << 20;  // keeps every run short; the limit itself is part of what is tried
  limits.maxJpegScans = 64;
  RgbImage image;
  ImageNotes notes;
  std::string error;
  const bool ok = DecodeImage(bytes, "fuzz.jpg", limits, image, notes, error);
  if (ok && (image.width <= 0 || image.height <= 0 ||
             image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3))
    std::abort();
  if (!ok && error.rfind("fuzz.jpg ", 0) != 0) std::abort();  // every refusal names the file
  (void)ExifOrientation(bytes);
  return 0;
}
