// Which panels a card side gets, per ribbon type, two-sided mode and side, and whether it is turned: the
// composer's decision tables.
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

// True when an overlay step of a side (`front` or back) sends the front's overlay settings, false for the back's.
constexpr bool OverlayOfFront(const SideStep& step, bool front) {
  return step.overlaySide == OverlaySide::Current ? front : step.overlaySide == OverlaySide::Front;
}

// True when a side's panels are turned by 180 degrees: on a two-sided job `rotate180` 1 turns the front, 2 the
// back and 3 both; a one-sided job's side is turned by every value but 0.
constexpr bool SideRotated(bool twoSided, bool front, int rotate180) {
  if (!twoSided) return rotate180 != 0;
  return front ? (rotate180 == 1 || rotate180 == 3) : (rotate180 == 2 || rotate180 == 3);
}

}  // namespace tolma
