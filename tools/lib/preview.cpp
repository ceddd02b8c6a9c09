// Side previews: dye layers multiplied, resin dots in black, the varnish edges outlined.
#include "tools/lib/preview.h"

#include <algorithm>
#include <array>

namespace tolma::tools {
namespace {

constexpr int kOutlineWidth = 2;  // pixels inside a varnished area's edge
constexpr int kDash = 8;          // pixels on, then off, along the outline

// The level each grey of a dye picture stands for.
std::array<uint8_t, 256> GreyLevels() {
  std::array<uint8_t, 256> levels{};
  for (int level = 31; level >= 0; --level)
    levels[LevelGrey(static_cast<uint8_t>(level))] = static_cast<uint8_t>(level);
  return levels;
}

// The channels (red, green, blue) a dye panel takes light from.
bool DyeChannels(const std::string& panel, bool channels[3]) {
  channels[0] = panel == "C" || panel == "Kd";
  channels[1] = panel == "M" || panel == "Kd";
  channels[2] = panel == "Y" || panel == "Kd";
  return channels[0] || channels[1] || channels[2];
}

bool Shown(const PanelPicture& p) {
  bool channels[3];
  return DyeChannels(p.panel, channels) || p.panel == "K" || p.panel == "O";
}

bool SamePlace(const ItemPlace& a, const ItemPlace& b) { return a.card == b.card && a.side == b.side; }

// Whether a varnished pixel lies within the outline width of its area's edge (or of the picture's).
bool OnVarnishEdge(const std::vector<uint8_t>& grey, int width, int height, int x, int y) {
  if (x < kOutlineWidth || y < kOutlineWidth || x >= width - kOutlineWidth || y >= height - kOutlineWidth) return true;
  for (int dy = -kOutlineWidth; dy <= kOutlineWidth; ++dy)
    for (int dx = -kOutlineWidth; dx <= kOutlineWidth; ++dx)
      if (grey[size_t(y + dy) * width + (x + dx)] != 0) return true;
  return false;
}

}  // namespace

std::vector<SidePreview> SidePreviews(const std::vector<PanelPicture>& pictures) {
  static const std::array<uint8_t, 256> kLevels = GreyLevels();
  std::vector<SidePreview> out;
  for (const PanelPicture& first : pictures) {
    if (!Shown(first)) continue;
    if (std::any_of(out.begin(), out.end(), [&](const SidePreview& s) { return SamePlace(s.place, first.place); }))
      continue;
    SidePreview preview;
    preview.name = "card" + std::to_string(first.place.card) + "-" + SideName(first.place.side);
    preview.place = first.place;
    preview.width = first.width;
    preview.height = first.height;
    const size_t pixels = size_t(first.width) * first.height;

    // Light let through per channel, 0..255, through every dye layer of the side.
    std::vector<uint8_t> light(pixels * 3, 255);
    for (const PanelPicture& p : pictures) {
      bool channels[3];
      if (!SamePlace(p.place, first.place) || !DyeChannels(p.panel, channels) || p.grey.size() != pixels) continue;
      for (size_t i = 0; i < pixels; ++i) {
        const unsigned density = std::clamp(int{kLevels[p.grey[i]]} - 1, 0, 30);
        for (int c = 0; c < 3; ++c)
          if (channels[c]) light[i * 3 + c] = static_cast<uint8_t>((light[i * 3 + c] * (30 - density) + 15) / 30);
      }
    }
    // Resin dots on top, then the varnish outline.
    for (const PanelPicture& p : pictures) {
      if (!SamePlace(p.place, first.place) || p.panel != "K" || p.grey.size() != pixels) continue;
      for (size_t i = 0; i < pixels; ++i)
        if (p.grey[i] == 0) std::fill_n(&light[i * 3], 3, uint8_t{0});
    }
    for (const PanelPicture& p : pictures) {
      if (!SamePlace(p.place, first.place) || p.panel != "O" || p.grey.size() != pixels) continue;
      for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
          const size_t i = size_t(y) * p.width + x;
          if (p.grey[i] != 0 || (x + y) / kDash % 2 != 0 || !OnVarnishEdge(p.grey, p.width, p.height, x, y)) continue;
          std::copy_n(kVarnishOutline, 3, &light[i * 3]);
        }
      }
    }
    preview.rgb = std::move(light);
    out.push_back(std::move(preview));
  }
  return out;
}

}  // namespace tolma::tools
