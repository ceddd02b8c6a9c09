// Listing, job summary and panel pictures of a command stream.
#include "tools/lib/inspect.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace tolma::tools {
namespace {

constexpr int kLines = 1024;  // panel lines: the card's long side
constexpr int kDots = 640;    // dots a line: the card's short side

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The arguments of a command after its word, split at spaces, without ESC and CR.
std::vector<std::string> Arguments(const std::string& command) {
  std::vector<std::string> out;
  std::string body = command;
  if (!body.empty() && body.front() == '\x1b') body.erase(0, 1);
  if (!body.empty() && body.back() == '\r') body.pop_back();
  size_t start = body.find(' ');
  while (start != std::string::npos) {
    const size_t next = body.find(' ', start + 1);
    out.push_back(body.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1));
    start = next;
  }
  return out;
}

// A decimal number of at most 9 digits; nullopt for anything else.
std::optional<int> Decimal(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsImageHeader(const std::string& bytes) {
  return StartsWith(bytes, "\x1bGS ") || StartsWith(bytes, "\x1bG ") || StartsWith(bytes, "\x1bvG ");
}

// Head-setting commands and their readable names.
std::optional<std::string> HeadSetting(const std::string& bytes) {
  static const char* const kPanels[] = {"Y", "M", "C", "Kd"};
  const std::vector<std::string> args = Arguments(bytes);
  if ((StartsWith(bytes, "\x1b+$C ") || StartsWith(bytes, "\x1b+$L ")) && args.size() == 2) {
    const auto panel = Decimal(args[0]);
    if (!panel || *panel > 3) return std::nullopt;
    return std::string(bytes[3] == 'C' ? "colour contrast " : "colour intensity ") + kPanels[*panel] + " " + args[1];
  }
  if (args.size() != 1) return std::nullopt;
  if (StartsWith(bytes, "\x1b+C ")) return "resin black contrast (Kr) " + args[0];
  if (StartsWith(bytes, "\x1b+CV ")) return "overlay varnish contrast (O) " + args[0];
  if (StartsWith(bytes, "\x1b+CH ")) return "hologram contrast (H) " + args[0];
  return std::nullopt;
}

// The panel that a print command releases, as the summary names it.
std::optional<std::string> PrintedPanel(const std::string& bytes) {
  static const std::map<std::string, std::string> kPrints = {
      {"\x1bIS 0\r", "Y"},          {"\x1bIS 1\r", "M"},
      {"\x1bIS 2\r", "C"},          {"\x1bIS 3\r", "Kd"},
      {"\x1bI 10\r", "K"},          {"\x1bI 20\r", "K"},
      {"\x1bI 30\r", "K"},          {"\x1bIH 30\r", "H (whole card)"},
      {"\x1bIH 31\r", "H"},         {"\x1bIV 30\r", "O (whole card)"},
      {"\x1bIV 31\r", "O (areas)"},
  };
  const auto it = kPrints.find(bytes);
  return it == kPrints.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool DotSet(const std::vector<uint8_t>& bits, size_t index) {
  return index / 8 < bits.size() && ((bits[index / 8] >> (7 - index % 8)) & 1) != 0;
}

struct Frame {
  int width;
  int height;
};
Frame PageFrame(bool portrait) { return portrait ? Frame{kDots, kLines} : Frame{kLines, kDots}; }

// Collects pictures under unique names.
class PictureSet {
 public:
  explicit PictureSet(const PageAssumption& pages) : pages_(pages) {}

  PanelPicture& Add(const ItemPlace& place, const std::string& panel) {
    std::string name = "card" + std::to_string(place.card) + "-" + SideName(place.side) + "-" + panel;
    const int seen = ++seen_[name];
    if (seen > 1) name += "-" + std::to_string(seen);
    const Frame frame = PageFrame(pages_.portrait);
    out_.push_back(
        {name, frame.width, frame.height, std::vector<uint8_t>(size_t(frame.width) * frame.height, 255), place, panel});
    return out_.back();
  }

  // Lays a panel's values onto a picture; `value(i)` gives the grey of the i-th value as sent.
  template <typename Grey>
  void Fill(PanelPicture& picture, bool rotated, bool packedLineOrder, Grey value) const {
    for (int line = 0; line < kLines; ++line) {
      for (int dot = 0; dot < kDots; ++dot) {
        const PagePixel p = PanelDotToPage(line, dot, pages_.portrait, rotated, packedLineOrder);
        picture.grey[size_t(p.y) * picture.width + p.x] = value(size_t(line) * kDots + dot);
      }
    }
  }

  // Sets a pixel given in the card's landscape frame (x 0..1023 along the long side, y 0..639).
  void SetCardPixel(PanelPicture& picture, int x, int y, uint8_t grey) const {
    const PagePixel p = PanelDotToPage(kLines - 1 - x, y, pages_.portrait, false, false);
    picture.grey[size_t(p.y) * picture.width + p.x] = grey;
  }

  std::vector<PanelPicture> Take() { return std::move(out_); }

 private:
  PageAssumption pages_;
  std::map<std::string, int> seen_;
  std::vector<PanelPicture> out_;
};

// The overlay of one side between "\evF\r" and its print command.
struct OverlayGroup {
  ItemPlace place;
  struct Rect {
    int x, y, width, height;
    bool varnish;
  };
  std::vector<Rect> rects;
  const StreamImage* bitmap = nullptr;
};

}  // namespace

// ---- Listing ----

std::string FormatListing(const CommandStream& stream) {
  std::string out;
  char offset[32];
  for (size_t i = 0; i < stream.items.size(); ++i) {
    const StreamItem& item = stream.items[i];
    std::snprintf(offset, sizeof offset, "%10zu  ", item.offset);
    out += offset;
    out += Printable(item.bytes);
    if (item.image) {
      const StreamImage& image = *item.image;
      const bool dye = image.kind == StreamImage::Kind::Dye;
      std::string panel = PanelName(stream, i);
      if (image.kind == StreamImage::Kind::OverlayBitmap)
        panel = "overlay bitmap";
      else if (panel == "mask")
        panel = "lamination mask";
      else
        panel += " panel";
      out += "  [" + panel + ", " + FormName(image.format) + ", " + std::to_string(image.dataBytes) +
             " data bytes + CR, decoded " + std::to_string(kLines) + " lines of " + std::to_string(kDots) +
             (dye ? " levels" : " dots") + "]";
    } else if (IsImageHeader(item.bytes)) {
      out += "  [data damaged: see the errors]";
    }
    out += '\n';
  }
  return out;
}

std::string FormatErrors(const CommandStream& stream) {
  std::string out;
  for (const StreamError& e : stream.errors)
    out += "error at byte " + std::to_string(e.offset) + ": " + e.message + "\n";
  return out;
}

// ---- Summary ----

JobSummary SummariseJob(const CommandStream& stream) {
  JobSummary s;
  const std::vector<ItemPlace> places = PlaceItems(stream);
  std::map<int, bool> cardHasImage;
  std::vector<bool> trackSeen(4, false);
  size_t lastCardOut = std::string::npos;
  for (size_t i = 0; i < stream.items.size(); ++i) {
    const std::string& bytes = stream.items[i].bytes;
    const ItemPlace& place = places[i];
    if (stream.items[i].image) cardHasImage[place.card] = true;
    if (StartsWith(bytes, "\x1bJOB ") && s.jobKind < 0) {
      const auto args = Arguments(bytes);
      if (args.size() == 1) s.jobKind = Decimal(args[0]).value_or(-1);
    } else if (auto head = HeadSetting(bytes)) {
      s.headSettings.push_back(*head);
    } else if (StartsWith(bytes, "\x1b&B ") && bytes.size() >= 6) {
      const int track = bytes[4] - '0';
      if (track >= 1 && track <= 3 && !trackSeen[track] && bytes[5] == ' ') {
        trackSeen[track] = true;
        s.tracks.push_back({track, bytes.substr(6, bytes.size() - 7)});
      }
    } else if (bytes == "\x1b&E*\r" && i + 1 < stream.items.size() && stream.items[i + 1].bytes == "\x1bMO\r") {
      s.encodeOnly = true;
    }
    if (bytes == "\x1bMO\r") {
      ++s.cards;
      lastCardOut = i;
    }
  }
  s.lastCardOpen = lastCardOut == std::string::npos ? !stream.items.empty() : lastCardOut + 1 < stream.items.size();
  for (const auto& [card, has] : cardHasImage) s.cardsWithImages += has ? 1 : 0;
  s.copies = s.cardsWithImages > 0 ? s.cards / s.cardsWithImages : s.cards;

  // The sides that print, listed for the cards that carry their own data (or the first card of a job
  // without panel data); the other cards repeat them.
  for (size_t i = 0; i < stream.items.size(); ++i) {
    const ItemPlace& place = places[i];
    const bool listed = s.cardsWithImages > 0 ? cardHasImage.count(place.card) > 0 : place.card == 1;
    if (!listed) continue;
    const auto panel = PrintedPanel(stream.items[i].bytes);
    if (!panel) continue;
    if (s.sides.empty() || s.sides.back().card != place.card || s.sides.back().side != place.side)
      s.sides.push_back({place.card, place.side, {}});
    s.sides.back().panels.push_back(*panel);
  }
  return s;
}

std::string FormatSummary(const JobSummary& s) {
  std::string out = "job: ";
  switch (s.jobKind) {
    case 0:
      out += "one-sided (\\eJOB 0\\r)";
      break;
    case 1:
      out += "two-sided (\\eJOB 1\\r)";
      break;
    case 2:
      out += "two-sided, YMCKO split between the sides (\\eJOB 2\\r)";
      break;
    case -1:
      out += "no job command";
      break;
    default:
      out += "unknown job kind " + std::to_string(s.jobKind);
      break;
  }
  out += "\nhead settings:";
  if (s.headSettings.empty()) out += " none";
  for (const std::string& h : s.headSettings) out += "\n  " + h;
  out += "\ncards ejected: " + std::to_string(s.cards) + ", " + std::to_string(s.cardsWithImages) +
         " with panel data of their own; copies (inferred): " + std::to_string(s.copies) + "\n";
  if (s.lastCardOpen) out += "note: commands follow the last card-out command (the last card is not ejected)\n";
  out += "magnetic tracks:";
  if (s.tracks.empty()) out += " none";
  for (const auto& t : s.tracks) out += "\n  track " + std::to_string(t.track) + ": " + Printable(t.data);
  if (s.encodeOnly) out += "\n  encode only: the card is ejected after encoding";
  out += "\nprinted sides:";
  if (s.sides.empty()) out += " none";
  for (const auto& side : s.sides) {
    out += "\n  card " + std::to_string(side.card) + " " + SideName(side.side) + ":";
    for (const std::string& p : side.panels) out += " " + p;
  }
  out += '\n';
  return out;
}

// ---- Pictures ----

uint8_t LevelGrey(uint8_t level) {
  const unsigned l = std::min<unsigned>(level, 31);
  return static_cast<uint8_t>(255 - (l * 255 + 15) / 31);
}

PagePixel PanelDotToPage(int line, int dot, bool portrait, bool rotated, bool packedLineOrder) {
  // Packed panels send the lines of the run-length order backward.
  if (packedLineOrder) line = kLines - 1 - line;
  if (!rotated) {
    // Landscape: line L is page column 1023 - L read downward. Portrait: line L is page row 1023 - L read
    // right to left.
    return portrait ? PagePixel{kDots - 1 - dot, kLines - 1 - line} : PagePixel{kLines - 1 - line, dot};
  }
  // Turned by 180 degrees: line L is column L read upward, or row L read left to right.
  return portrait ? PagePixel{dot, line} : PagePixel{line, kDots - 1 - dot};
}

std::vector<PanelPicture> PanelPictures(const CommandStream& stream, const PageAssumption& pages) {
  PictureSet set(pages);
  const std::vector<ItemPlace> places = PlaceItems(stream);
  std::optional<OverlayGroup> overlay;
  auto rotated = [&](const ItemPlace& p) { return p.side == CardSide::Front ? pages.rotatedFront : pages.rotatedBack; };

  for (size_t i = 0; i < stream.items.size(); ++i) {
    const StreamItem& item = stream.items[i];
    const ItemPlace& place = places[i];
    if (item.bytes == "\x1bvF\r") {
      overlay = OverlayGroup{place, {}, nullptr};
      continue;
    }
    if (overlay && StartsWith(item.bytes, "\x1bvL ")) {
      const auto args = Arguments(item.bytes);
      std::optional<int> v[5];
      for (size_t a = 0; a < 5 && a < args.size(); ++a) v[a] = Decimal(args[a]);
      if (args.size() == 5 && v[0] && v[1] && v[2] && v[3] && v[4])
        overlay->rects.push_back({*v[0], *v[1], *v[2], *v[3], *v[4] != 0});
      continue;
    }
    if (item.bytes == "\x1bIV 30\r" || item.bytes == "\x1bIV 31\r") {
      // Only overlays opened on this side are drawn: copies repeat the print command without the areas.
      if (overlay && overlay->place.card == place.card && overlay->place.side == place.side) {
        PanelPicture& picture = set.Add(place, "O");
        if (item.bytes == "\x1bIV 30\r") {
          std::fill(picture.grey.begin(), picture.grey.end(), uint8_t{0});
        } else {
          if (overlay->bitmap != nullptr) {
            const auto& bits = overlay->bitmap->values;
            set.Fill(picture, false, false, [&](size_t n) { return DotSet(bits, n) ? uint8_t{0} : uint8_t{255}; });
          }
          // Rectangles reach from (x, y) to (x + width, y + height) inclusive: the whole card is 0 0 1023 639.
          for (const auto& r : overlay->rects) {
            const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
            const int x1 = std::min(r.x + r.width, kLines - 1), y1 = std::min(r.y + r.height, kDots - 1);
            for (int y = y0; y <= y1; ++y)
              for (int x = x0; x <= x1; ++x) set.SetCardPixel(picture, x, y, r.varnish ? 0 : 255);
          }
        }
      }
      overlay.reset();
      continue;
    }
    if (!item.image) continue;

    const StreamImage& image = *item.image;
    switch (image.kind) {
      case StreamImage::Kind::Dye: {
        PanelPicture& picture = set.Add(place, PanelName(stream, i));
        set.Fill(picture, rotated(place), image.format == 32, [&](size_t n) { return LevelGrey(image.values[n]); });
        break;
      }
      case StreamImage::Kind::Mono: {
        PanelPicture& picture = set.Add(place, PanelName(stream, i));
        // A lamination mask lies in the card's frame; a panel follows the side's rotation.
        const bool turn = image.print && rotated(place);
        set.Fill(picture, turn, false, [&](size_t n) { return DotSet(image.values, n) ? uint8_t{0} : uint8_t{255}; });
        break;
      }
      case StreamImage::Kind::OverlayBitmap:
        if (overlay) {
          overlay->bitmap = &image;
        } else {
          // A bitmap outside an overlay group is still shown.
          PanelPicture& picture = set.Add(place, "O-bitmap");
          set.Fill(picture, false, false,
                   [&](size_t n) { return DotSet(image.values, n) ? uint8_t{0} : uint8_t{255}; });
        }
        break;
    }
  }
  return set.Take();
}

}  // namespace tolma::tools
