// The imaging views of the driver's locked engine surfaces.
#pragma once

#include "platform/win32.h"
#include "raster/imaging/page_view.h"

namespace tolma {

// The card page of a locked 24-bit top-down surface; an empty (invalid) view for anything else.
inline ColourPage ColourPageOf(const SURFOBJ* so) {
  if (so == nullptr || so->iBitmapFormat != BMF_24BPP || so->lDelta <= 0 || so->pvScan0 == nullptr) return {};
  return {static_cast<uint8_t*>(so->pvScan0), so->cjBits, static_cast<size_t>(so->lDelta),
          static_cast<int>(so->sizlBitmap.cx), static_cast<int>(so->sizlBitmap.cy)};
}

// The monochrome bitmap of a locked 1-bit top-down surface; an empty (invalid) view for anything else.
inline MonoBitmap MonoBitmapOf(const SURFOBJ* so) {
  if (so == nullptr || so->iBitmapFormat != BMF_1BPP || so->lDelta <= 0 || so->pvScan0 == nullptr) return {};
  return {static_cast<uint8_t*>(so->pvScan0), so->cjBits, static_cast<size_t>(so->lDelta),
          static_cast<int>(so->sizlBitmap.cx), static_cast<int>(so->sizlBitmap.cy)};
}

}  // namespace tolma
