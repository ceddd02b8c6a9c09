// Fills the card device's GDIINFO and DEVINFO from fixed values.
#include "raster/device_info.h"

namespace tolma {

GDIINFO DescribeCardGdiInfo(bool portrait) {
  GDIINFO gi{};
  gi.ulVersion = 0x5001;
  gi.ulTechnology = DT_RASPRINTER;
  gi.ulHorzSize = portrait ? 54 : 86;
  gi.ulVertSize = portrait ? 86 : 54;
  gi.ulHorzRes = portrait ? 640 : 1024;
  gi.ulVertRes = portrait ? 1024 : 640;
  gi.cBitsPixel = 24;
  gi.cPlanes = 1;
  gi.ulNumColors = 3;
  gi.flRaster = 0;
  gi.ulLogPixelsX = 300;
  gi.ulLogPixelsY = 300;
  gi.flTextCaps = 0x2710;  // TC_CR_ANY, TC_SA_CONTIN, TC_EA_DOUBLE, TC_IA_ABLE, TC_RA_ABLE
  gi.ulAspectX = 300;
  gi.ulAspectY = 300;
  gi.ulAspectXY = 425;
  gi.xStyleStep = 1;
  gi.yStyleStep = 1;
  gi.denStyleStep = 12;
  gi.ptlPhysOffset = {0, 0};
  gi.szlPhysSize = {static_cast<LONG>(gi.ulHorzRes), static_cast<LONG>(gi.ulVertRes)};
  gi.ulNumPalReg = 0;
  gi.ciDevice.RedGamma = gi.ciDevice.GreenGamma = gi.ciDevice.BlueGamma = 12500;
  gi.ciDevice.MagentaInCyanDye = gi.ciDevice.YellowInCyanDye = 5000;
  gi.ciDevice.CyanInMagentaDye = gi.ciDevice.YellowInMagentaDye = 5000;
  gi.ciDevice.CyanInYellowDye = gi.ciDevice.MagentaInYellowDye = 5000;
  gi.ulDevicePelsDPI = 300;
  gi.ulPrimaryOrder = PRIMARY_ORDER_CBA;
  gi.ulHTPatternSize = HT_PATSIZE_SUPERCELL_M;
  gi.ulHTOutputFormat = HT_FORMAT_24BPP;
  gi.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
  return gi;
}

DEVINFO DescribeCardDevInfo(HPALETTE palette) {
  DEVINFO di{};
  di.flGraphicsCaps = GCAPS_HALFTONE;
  di.cFonts = 0;
  di.iDitherFormat = BMF_24BPP;
  di.cxDither = 0;
  di.cyDither = 0;
  di.hpalDefault = palette;
  di.flGraphicsCaps2 = 0;
  return di;
}

}  // namespace tolma
