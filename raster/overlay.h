// Overlay-varnish output of one side: the varnish areas or the bitmap, and the overlay print command.
#pragma once

#include "common/devmode.h"
#include "raster/context.h"

#include <string>
#include <vector>

namespace tolma {

// The area commands of an overlay area ("\evL ..."), in order; none for the full, empty, bitmap and unknown
// types.
std::vector<std::string> OverlayAreaCommands(const OverlayArea& area);

// Sends the overlay of the front (`front` set) or the back of the card.
void SendOverlay(RenderContext& ctx, bool front);

// Sends the bitmap-based overlay of a side: the bitmap file, turned into the panel frame and encoded as
// one-bit data behind "\evG". Sends nothing when the file or a resource is missing or the file is not a
// one-bit bitmap; returns whether the bitmap was sent.
bool SendOverlayBitmap(RenderContext& ctx, const OverlayArea& area);

}  // namespace tolma
