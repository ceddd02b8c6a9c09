// Where each command of a card job belongs: which card, which side, and what each panel image is.
#pragma once

#include "tools/lib/stream_reader.h"

#include <string>
#include <vector>

namespace tolma::tools {

enum class CardSide { Front, Back };

// "front" or "back".
const char* SideName(CardSide side);

struct ItemPlace {
  int card = 1;  // 1-based
  CardSide side = CardSide::Front;
};

// The card and side of every item of the stream, in order: every card starts on its front, "\eMF\r" turns
// it over (back to front as well) and "\eMO\r" ejects it, so the next item belongs to the next card.
std::vector<ItemPlace> PlaceItems(const CommandStream& stream);

// Short name of the image carried by item `index`: "Y", "M", "C", "Kd" for dye panels; "K" for a one-bit
// panel, or "H" when the hologram or varnish print command ("\eIH ...") releases it; "O" for an overlay
// bitmap; "mask" for a lamination mask. Empty when the item carries no image.
std::string PanelName(const CommandStream& stream, size_t index);

// Describes an image's data form: "continuous-tone run-length (30)" and so on.
std::string FormName(int format);

}  // namespace tolma::tools
