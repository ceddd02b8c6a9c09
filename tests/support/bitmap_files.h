// One-bit bitmap files for the overlay tests.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <vector>

namespace tolma::test {

// A 1024 x 640 one-bit BMP (bottom-up, as files usually are), white with a black rectangle given in image
// coordinates (y from the top).
std::vector<uint8_t> OneBitCardBitmap(const RECTL& black);

}  // namespace tolma::test
