// Black extraction: pure-black pixels of the card page move to the resin panel's monochrome bitmap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolma {

// True for the sides that carry both colour panels and a resin black panel.
bool BlackExtractionApplies(int ribbonType, bool twoSided, int twoSidedMode, bool front);

// ExtractBlack over one row: `page` holds `width` BGR pixels and `mono` their (width / 8) bitmap bytes.
void ExtractBlackRow(uint8_t* page, uint8_t* mono, int width);

// Moves every pure-black pixel (all three bytes 0) of a 24-bit BGR page to the 1-bit bitmap (a clear bit is
// black) and paints it on the page with the nearest non-black colour to its left in the row (white at the row
// start). Black already in the bitmap stays black. `width` is a multiple of 8.
void ExtractBlack(uint8_t* page, ptrdiff_t pageStride, uint8_t* mono, ptrdiff_t monoStride, int width, int height);

}  // namespace tolma
