// Card and side bookkeeping over a read command stream.
#include "tools/lib/job_layout.h"

namespace tolma::tools {
namespace {

const std::string kTurnOver = "\x1bMF\r";
const std::string kCardOut = "\x1bMO\r";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

const char* SideName(CardSide side) { return side == CardSide::Front ? "front" : "back"; }

std::vector<ItemPlace> PlaceItems(const CommandStream& stream) {
  std::vector<ItemPlace> places;
  places.reserve(stream.items.size());
  ItemPlace here;
  for (const StreamItem& item : stream.items) {
    if (item.bytes == kTurnOver) here.side = here.side == CardSide::Front ? CardSide::Back : CardSide::Front;
    places.push_back(here);
    if (item.bytes == kCardOut) {
      ++here.card;
      here.side = CardSide::Front;
    }
  }
  return places;
}

std::string PanelName(const CommandStream& stream, size_t index) {
  if (index >= stream.items.size() || !stream.items[index].image) return {};
  const StreamImage& image = *stream.items[index].image;
  switch (image.kind) {
    case StreamImage::Kind::Dye: {
      static const char* const kDyeNames[] = {"Y", "M", "C", "Kd"};
      return image.panel >= 0 && image.panel <= 3 ? kDyeNames[image.panel] : "dye" + std::to_string(image.panel);
    }
    case StreamImage::Kind::OverlayBitmap:
      return "O";
    case StreamImage::Kind::Mono:
      break;
  }
  if (!image.print) return "mask";
  // The print command that follows the data tells the resin panel from a hologram or varnish panel.
  for (size_t i = index + 1; i < stream.items.size(); ++i) {
    const std::string& bytes = stream.items[i].bytes;
    if (stream.items[i].image) break;
    if (StartsWith(bytes, "\x1bIH ")) return "H";
    if (StartsWith(bytes, "\x1bI ")) break;
  }
  return "K";
}

std::string FormName(int format) {
  switch (format) {
    case 30:
      return "continuous-tone run-length (30)";
    case 32:
      return "continuous-tone packed (32)";
    case 10:
      return "one-bit plain (10)";
    case 12:
      return "one-bit run-length (12)";
    default:
      return "form " + std::to_string(format);
  }
}

}  // namespace tolma::tools
