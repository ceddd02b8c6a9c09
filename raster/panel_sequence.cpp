// The panel tables of every ribbon type, as data.
#include "raster/panel_sequence.h"

#include "common/commands.h"

namespace tolma {
namespace {

using cmd::kBlankMonoPanel;    // "\eF\r\e!FF 1\r"
using cmd::kEmptyMonoPrint;    // "\eF\r\eI 30\r"
using cmd::kOverlayAreasOnly;  // "\evF\r\eIV 31\r"
using cmd::kPrintHologramMasked;
using cmd::kPrintMono;         // "\eI 30\r"
using cmd::kPrintMonoAsBlack;  // "\eI 10\r"
using cmd::kPrintMonoKrO;      // "\eI 20\r"
using cmd::kSkipMonoPanel;     // "\e!FF 1\r"
using cmd::kTurnCard;          // "\eMF\r"

constexpr SideStep kYmc{PanelOp::Colour};
constexpr SideStep kKd{PanelOp::DyeBlack};
constexpr SideStep O(OverlaySide side) { return {PanelOp::Overlay, {}, {}, {}, side}; }
constexpr SideStep K(std::string_view sent, std::string_view blank) { return {PanelOp::Resin, sent, blank}; }
constexpr SideStep KThen(std::string_view then) { return {PanelOp::Resin, then, then}; }
constexpr SideStep KIfUsed(std::string_view sent, std::string_view blank) {
  return {PanelOp::ResinIfUsed, sent, blank, blank};
}
constexpr SideStep Write(std::string_view text) { return {PanelOp::Write, text}; }

// Ribbon types 0 (YMCKO) and 11 (YMCKUv).
constexpr SideStep kYmcko1Side[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Front)};
constexpr SideStep kYmckoMode0Front[] = {kYmc};
constexpr SideStep kYmckoMode0Back[] = {K(kPrintMonoAsBlack, kBlankMonoPanel), Write(kTurnCard), O(OverlaySide::Front)};
constexpr SideStep kYmckoMode1Front[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Front)};
constexpr SideStep kYmckoMode1Back[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Back)};
constexpr SideStep kYmckoMode2Back[] = {K(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Back)};

// Ribbon type 6 (YMCK).
constexpr SideStep kYmckBoth[] = {kYmc, KIfUsed(kPrintMono, kBlankMonoPanel)};
constexpr SideStep kYmckMode0Back[] = {K(kPrintMono, kBlankMonoPanel)};

// Ribbon types 7 (YMCKK) and 12 (YMCUvK): an unused black panel still prints an empty image.
constexpr SideStep kYmckkBoth[] = {
    kYmc, {PanelOp::ResinIfUsed, kPrintMono, kPrintMono, kEmptyMonoPrint}, Write(kSkipMonoPanel)};
constexpr SideStep kYmckkMode0Front[] = {kYmc, {PanelOp::ResinIfUsed, kPrintMono, kPrintMono, kEmptyMonoPrint}};
constexpr SideStep kYmckkMode0Back[] = {KThen(kPrintMono)};

// Ribbon type 8 (YMCKOK).
constexpr SideStep kYmckok1Side[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Front),
                                     Write(kSkipMonoPanel)};
constexpr SideStep kYmckokMode0Front[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Front)};
constexpr SideStep kYmckokResinBack[] = {K(kPrintMono, kSkipMonoPanel)};
constexpr SideStep kYmckokMode1Back[] = {K(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Back),
                                         Write(kSkipMonoPanel)};
constexpr SideStep kYmckokMode2Back[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), O(OverlaySide::Back),
                                         Write(kSkipMonoPanel)};
constexpr SideStep kYmckokMode3Front[] = {kYmc, KIfUsed(kPrintMonoAsBlack, kBlankMonoPanel), Write(kOverlayAreasOnly)};

// Ribbon types printed the same on every side.
constexpr SideStep kYmcOnly[] = {kYmc};
constexpr SideStep kKdO[] = {kKd, O(OverlaySide::Current)};
constexpr SideStep kKdOnly[] = {kKd};
constexpr SideStep kKrO[] = {KThen(kPrintMonoKrO), O(OverlaySide::Current)};
constexpr SideStep kMonoPrint[] = {K(kPrintMono, {})};
constexpr SideStep kMonoMasked[] = {K(kPrintHologramMasked, {})};

std::span<const SideStep> Ymcko(bool twoSided, int mode, bool front) {
  if (!twoSided) return kYmcko1Side;
  switch (mode) {
    case 0:
      return front ? std::span<const SideStep>(kYmckoMode0Front) : kYmckoMode0Back;
    case 1:
      return front ? std::span<const SideStep>(kYmckoMode1Front) : kYmckoMode1Back;
    default:
      return front ? std::span<const SideStep>(kYmckoMode0Front) : kYmckoMode2Back;
  }
}

std::span<const SideStep> Ymckok(bool twoSided, int mode, bool front) {
  if (!twoSided) return kYmckok1Side;
  switch (mode) {
    case 0:
      return front ? std::span<const SideStep>(kYmckokMode0Front) : kYmckokResinBack;
    case 1:
      return front ? std::span<const SideStep>(kYmcOnly) : kYmckokMode1Back;
    case 2:
      return front ? std::span<const SideStep>(kYmckok1Side) : kYmckokMode2Back;
    case 3:
      return front ? std::span<const SideStep>(kYmckokMode3Front) : kYmckokResinBack;
    default:
      return {};
  }
}

}  // namespace

std::span<const SideStep> PanelSequence(int ribbonType, int monoRibbonKind, bool twoSided, int twoSidedMode,
                                        bool front) {
  const bool mode0 = twoSided && twoSidedMode == 0;
  switch (ribbonType) {
    case 0:
    case 11:
      return Ymcko(twoSided, twoSidedMode, front);
    case 6:
      if (!mode0) return kYmckBoth;
      return front ? std::span<const SideStep>(kYmcOnly) : kYmckMode0Back;
    case 7:
    case 12:
      if (!mode0) return kYmckkBoth;
      return front ? std::span<const SideStep>(kYmckkMode0Front) : kYmckkMode0Back;
    case 8:
      return Ymckok(twoSided, twoSidedMode, front);
    case 5:
      return kYmcOnly;
    case 2:
      return kKdO;
    case 13:
      return kKdOnly;
    case 3:
      return kKrO;
    case 4:
    case 9:
      return kMonoMasked;
    case 1:
    case 10:
      return monoRibbonKind == 2 ? std::span<const SideStep>(kMonoMasked) : kMonoPrint;
    case 14:
      if (monoRibbonKind == 2 || monoRibbonKind == 3) return kMonoMasked;
      if (monoRibbonKind == 0 || monoRibbonKind == 1) return kMonoPrint;
      return {};
    default:
      return {};
  }
}

}  // namespace tolma
