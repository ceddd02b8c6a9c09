// Bitmap files for the overlay and hologram tests.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tolma::test {

// A one-bit BMP of any size: `white(x, y)` (y from the top) tells the pixels of colour 1 (white, colour 0 black).
// Rows are stored bottom-up, as files usually are, or top-down (a negative height) when `topDown` is set.
std::vector<uint8_t> OneBitBitmap(int width, int height, const std::function<bool(int, int)>& white,
                                  bool topDown = false);

// A 1024 x 640 one-bit BMP (bottom-up, as files usually are), white with a black rectangle given in image
// coordinates (y from the top).
std::vector<uint8_t> OneBitCardBitmap(const RECTL& black);

// A white 24-bit BMP of the given size.
std::vector<uint8_t> TrueColourBitmap(int width, int height);

}  // namespace tolma::test
