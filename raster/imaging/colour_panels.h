// The colour pass of a side: the page's colours prepared and laid out as panel levels in one pass over the card
// page, and the panel scans that encode those levels.
#pragma once

#include "common/devmode.h"
#include "common/panel_data.h"
#include "raster/imaging/colour.h"
#include "raster/imaging/page_view.h"

namespace tolma {

// Prepares the side's colours and lays out the levels of its continuous-tone panels in the card page, in one pass
// over a 640 x 1024 or 1024 x 640 page. Every pixel is adjusted and quantised as PrepareColourPage does (the same
// random draws in the same order), its panel levels are derived as the scans of that prepared page derive them,
// and they are written over its row, one byte a pixel: for the component source the row then holds the Y levels
// of its pixels, then the M levels, then the C levels; for the grey source it starts with the Kd levels. With
// `black`, a bitmap of the page's size, pure-black pixels are first moved into it as ExtractBlack moves them
// (any other bitmap is left alone). Returns false, with page and bitmap unchanged, for any other page.
bool PrepareColourPanels(const ColourPage& page, const PrivateDevmode& settings, DitherSource& random,
                         LevelSource source, const MonoBitmap* black);

// Encodes one panel of a page laid out by PrepareColourPanels for the scan's level source, walking its levels in
// the printer's line order for the scan's orientation, form and flag: the same bytes, and for the run-length form
// the same pending state, as ScanColourPanel over the prepared page. Returns false, encoding nothing, for a page
// or scan that ScanColourPanel refuses.
bool ScanPanelLevels(const ColourPage& page, const ColourScan& scan, PanelOutput& out, RunLengthState& rle);

}  // namespace tolma
