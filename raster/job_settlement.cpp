// The first-page settlement of a job's settings, shared by the driver and the tools that predict its output.
#include "raster/job_settlement.h"

#include "common/ribbon.h"

namespace tolma {

bool SettleFirstPage(PrivateDevmode& priv, const PrinterReport& printer) {
  if (priv.printingMode == 1 && priv.printBothSides != 0) priv.printBothSides = 0;
  if (priv.fixedRibbon != 0) return true;

  const int type = RibbonTypeFromPrinterCode(printer.ribbonCode);
  if (priv.ribbonType != type) priv.ribbonType = static_cast<int16_t>(type);
  if (priv.printingMode == 0 && type == kRibbonNone) return false;
  if (priv.printBothSides != 0 &&
      static_cast<size_t>(priv.twoSidedMode) >= PrintingModeList(type, priv.monoRibbonKind, true).size())
    priv.twoSidedMode = 0;
  if (!IsTwoSidedModel(printer.model)) priv.printBothSides = 0;
  priv.rotate180 = static_cast<int16_t>(NormaliseRotation(priv.printBothSides != 0, priv.rotate180));
  if (priv.encoder.hasEncoder == 0 || priv.printingMode >= 2) priv.printingMode = 0;
  return true;
}

void SettleFixedRibbon(PrivateDevmode& priv) {
  if (priv.fixedRibbon != 0) priv.ribbonType = static_cast<int16_t>(RibbonTypeFromFixedList(priv.fixedRibbon));
}

}  // namespace tolma
