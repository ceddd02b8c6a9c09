// Document and page lifecycle: DrvStartDoc, DrvStartPage, DrvSendPage, DrvEndDoc and DrvEscape.
// Printing is not wired in yet: these calls refuse cleanly so that no job reports success without output.
#include "raster/context.h"
#include "raster/ddi_functions.h"

ULONG APIENTRY DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return 0;
}
BOOL APIENTRY DrvStartDoc(SURFOBJ*, LPWSTR, DWORD) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
BOOL APIENTRY DrvEndDoc(SURFOBJ*, FLONG) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
BOOL APIENTRY DrvStartPage(SURFOBJ*) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
BOOL APIENTRY DrvSendPage(SURFOBJ*) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
