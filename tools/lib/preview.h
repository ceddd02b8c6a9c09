// Colour previews of printed card sides, composed from the inspector's panel pictures.
#pragma once

#include "tools/lib/inspect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::tools {

// The colour of the dashed line drawn along the edges of the varnished areas.
inline constexpr uint8_t kVarnishOutline[3] = {30, 100, 235};

// One printed side as it will look: 8-bit RGB, rows top to bottom, in the frame of its panel pictures.
struct SidePreview {
  std::string name;  // "card1-front"
  ItemPlace place;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// A preview of every side that has a dye, resin or overlay picture, in the order the sides first appear.
// The colour model is the plain subtractive one that undoes the driver's separation: a dye level L (1 is
// blank card, 31 full density) lets through (31 - L) / 30 of the light of its channel, yellow taking blue,
// magenta green, cyan red and Kd all three; the layers multiply. The resin panel's dots are laid over in
// black, and the varnished areas of the overlay panel get a dashed outline two pixels wide inside their
// edges (kVarnishOutline), which leaves what they cover as it is. Hologram panels and lamination masks are
// not shown.
std::vector<SidePreview> SidePreviews(const std::vector<PanelPicture>& pictures);

}  // namespace tolma::tools
