// Which panels a card side gets, per ribbon type, two-sided mode and side: the composer's decision tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tolma {

enum class PanelOp : uint8_t {
  Colour,       // the Y, M and C panels with their print commands
  DyeBlack,     // the Kd panel with its print command
  Resin,        // the one-bit panel; then `sent` or, when the bitmap is blank, `blank`
  ResinIfUsed,  // as Resin, but when the black panel is not used, `unused` is written instead
  Overlay,      // the overlay of `overlaySide`
  Write,        // `sent`, as it stands
};

enum class OverlaySide : uint8_t { Front, Back, Current };

struct SideStep {
  PanelOp op;
  std::string_view sent{};
  std::string_view blank{};
  std::string_view unused{};
  OverlaySide overlaySide = OverlaySide::Current;
};

// The steps of one side, in order; empty when the side gets no panel.
std::span<const SideStep> PanelSequence(int ribbonType, int monoRibbonKind, bool twoSided, int twoSidedMode,
                                        bool front);

}  // namespace tolma
