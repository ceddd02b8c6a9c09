// The property sheets' rules over the private settings.
#include "ui/sheet_rules.h"

#include "common/ribbon.h"

#include <cctype>

namespace tolma::ui {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

int SheetModelCode(bool answered, std::string_view version) {
  constexpr int kRkaModel = 3;
  return answered ? ModelCodeFromVersion(version) : kRkaModel;
}

bool DocumentItemEnabled(int item, const PrivateDevmode& pd, std::string_view version) {
  const bool both = pd.printBothSides != 0;
  switch (item) {
    case kDocBothSides:
      return pd.fixedRibbon != 0 || IsTwoSidedModel(version);
    case kDocMonoConversion:
      return MonoConversionAllowed(pd.ribbonType, pd.monoRibbonKind, both, pd.twoSidedMode);
    case kDocBlackPanel:
      return BlackPanelAllowed(pd.ribbonType, both, pd.twoSidedMode);
    case kDocBlackBitmap:
      return BlackPanelAllowed(pd.ribbonType, both, pd.twoSidedMode) && pd.blackPanelUse == 3;
    case kDocFrontOverlay:
    case kDocBackOverlay:
      return OverlayAllowed(pd.ribbonType, pd.monoRibbonKind, both, item == kDocFrontOverlay, pd.twoSidedMode,
                            pd.printingMode);
    case kDocHologram:
      return pd.ribbonType == 4 || (pd.ribbonType == kRibbonUnknownMonochrome && pd.monoRibbonKind == 3);
    default:
      return true;
  }
}

RibbonList RibbonListOf(const PrivateDevmode& pd) {
  if (pd.fixedRibbon != 0) return RibbonList::Fixed;
  if (pd.ribbonType == kRibbonUnknownMonochrome) return RibbonList::MonochromeKinds;
  return RibbonList::Installed;
}

int FixedRibbonPosition(int fixedRibbon) {
  return fixedRibbon >= 1 && fixedRibbon <= kFixedRibbonCount ? fixedRibbon - 1 : 4;
}

bool HasRibbonInfoButton(const PrivateDevmode& pd) {
  return pd.ribbonType != kRibbonUnknownMonochrome && pd.ribbonType != 1 && pd.fixedRibbon == 0;
}

int RotationEntryCount(const PrivateDevmode& pd) { return pd.printBothSides != 0 ? 4 : 2; }

bool EncodingPossible(const PrivateDevmode& pd) { return pd.fixedRibbon != 0 || pd.encoder.hasEncoder != 0; }

std::string RibbonChangedText(int ribbonType) {
  const std::string name(RibbonTypeName(ribbonType));
  if (EqualsIgnoringCase(name, "None")) return "There is no ribbon or unable to communicate to printer.";
  if (ribbonType == kRibbonUnknownMonochrome)
    return "Ribbon changed to " + name + ". Please choose the type of monochrome ribbon installed in your printer.";
  return "Ribbon changed to " + name + ".";
}

bool DeviceItemEnabled(int item, const PrivateDevmode& pd, bool versionAnswered) {
  switch (item) {
    case kDevEncoderSettings:
      return pd.encoder.hasEncoder != 0 || pd.fixedRibbon != 0;
    case kDevFirmwareDownload:
      return versionAnswered || pd.fixedRibbon != 0;
    default:
      return true;
  }
}

}  // namespace tolma::ui
