// Builds the job header: MASTER, the job kind, SXY and the head settings that the ribbon type uses.
#include "raster/job_header.h"

#include "raster/job_settlement.h"

namespace tolma {
namespace {

using cmd::DyePanel;

// The head-setting groups a ribbon type sends.
struct HeadGroups {
  bool colour = false;    // contrast and intensity of Y, M and C
  bool resin = false;     // "\e+C %d\r"
  bool dyeBlack = false;  // contrast and intensity of Kd
  bool hologram = false;  // "\e+CH %d\r"
  bool overlay = false;   // "\e+CV %d\r"
};

HeadGroups GroupsFor(int type, int monoKind) {
  HeadGroups g;
  switch (type) {
    case 0:
    case 8:
    case 11:
    case 12:
      g.colour = g.resin = g.overlay = true;
      break;
    case 6:
    case 7:
      g.colour = g.resin = true;
      break;
    case 5:
      g.colour = true;
      break;
    case 1:
      g.resin = true;
      break;
    case 3:
      g.resin = g.overlay = true;
      break;
    case 2:
      g.dyeBlack = g.overlay = true;
      break;
    case 13:
      g.dyeBlack = true;
      break;
    case 4:
    case 9:
      g.hologram = true;
      break;
    case 14:
      g.resin = monoKind == 0 || monoKind == 1;
      g.hologram = monoKind == 2 || monoKind == 3;
      break;
    default:
      break;
  }
  return g;
}

template <typename Build>
std::string One(Build build) {
  CommandBuffer<64> b;
  build(b);
  return std::string(b.text());
}

}  // namespace

std::vector<std::string> BuildJobHeader(PrivateDevmode& priv) {
  std::vector<std::string> out;
  out.emplace_back(cmd::kMaster);
  cmd::JobKind kind = cmd::JobKind::kOneSided;
  if (priv.printBothSides != 0)
    kind =
        (priv.ribbonType == 0 && priv.twoSidedMode == 0) ? cmd::JobKind::kTwoSidedYmckoMode0 : cmd::JobKind::kTwoSided;
  out.emplace_back(cmd::Job(kind));
  out.emplace_back(cmd::kSetXY);
  SettleFixedRibbon(priv);

  const HeadGroups g = GroupsFor(priv.ribbonType, priv.monoRibbonKind);
  auto value = [](int16_t v) { return static_cast<uint16_t>(v); };
  if (g.colour) {
    const int16_t contrast[] = {priv.headContrastY, priv.headContrastM, priv.headContrastC};
    const int16_t intensity[] = {priv.headIntensityY, priv.headIntensityM, priv.headIntensityC};
    const DyePanel panels[] = {DyePanel::kY, DyePanel::kM, DyePanel::kC};
    for (int i = 0; i < 3; ++i)
      out.push_back(One([&](CommandBuilder& b) { cmd::HeadContrast(b, panels[i], value(contrast[i])); }));
    for (int i = 0; i < 3; ++i)
      out.push_back(One([&](CommandBuilder& b) { cmd::HeadIntensity(b, panels[i], value(intensity[i])); }));
  }
  if (g.resin) out.push_back(One([&](CommandBuilder& b) { cmd::ResinContrast(b, value(priv.headContrastKr)); }));
  if (g.dyeBlack) {
    out.push_back(One([&](CommandBuilder& b) { cmd::HeadContrast(b, DyePanel::kKd, value(priv.headContrastKd)); }));
    out.push_back(One([&](CommandBuilder& b) { cmd::HeadIntensity(b, DyePanel::kKd, value(priv.headIntensityKd)); }));
  }
  if (g.hologram) out.push_back(One([&](CommandBuilder& b) { cmd::HologramContrast(b, value(priv.headContrastH)); }));
  if (g.overlay) out.push_back(One([&](CommandBuilder& b) { cmd::OverlayContrast(b, value(priv.headContrastO)); }));
  return out;
}

}  // namespace tolma
