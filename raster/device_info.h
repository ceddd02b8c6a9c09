// The card device as described to the graphics engine: GDIINFO and DEVINFO for either orientation.
#pragma once

#include "platform/win32.h"

namespace tolma {

// Fixed description of the 300 dpi, 24-bit card device; only the sizes follow the orientation.
GDIINFO DescribeCardGdiInfo(bool portrait);
DEVINFO DescribeCardDevInfo(HPALETTE palette);

}  // namespace tolma
