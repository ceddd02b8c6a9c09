// DomaRaster's exported entry points, its table of engine functions and the rendering lock.
#include "raster/context.h"
#include "raster/ddi_functions.h"

#include <iterator>

namespace tolma {
namespace {

CRITICAL_SECTION g_renderingLock;
int g_enableCount = 0;  // the engine enables and disables the driver in pairs, one call at a time

// clang-format off
#define TOLMA_ENTRY(name) {INDEX_##name, reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(&name))}
const DRVFN kDriverFunctions[] = {
    TOLMA_ENTRY(DrvEnablePDEV),    TOLMA_ENTRY(DrvCompletePDEV),      TOLMA_ENTRY(DrvResetPDEV),
    TOLMA_ENTRY(DrvDisablePDEV),   TOLMA_ENTRY(DrvEnableSurface),     TOLMA_ENTRY(DrvDisableSurface),
    TOLMA_ENTRY(DrvStrokePath),    TOLMA_ENTRY(DrvFillPath),          TOLMA_ENTRY(DrvStrokeAndFillPath),
    TOLMA_ENTRY(DrvLineTo),        TOLMA_ENTRY(DrvPaint),             TOLMA_ENTRY(DrvBitBlt),
    TOLMA_ENTRY(DrvCopyBits),      TOLMA_ENTRY(DrvStretchBlt),        TOLMA_ENTRY(DrvTextOut),
    TOLMA_ENTRY(DrvEscape),        TOLMA_ENTRY(DrvStartDoc),          TOLMA_ENTRY(DrvEndDoc),
    TOLMA_ENTRY(DrvStartPage),     TOLMA_ENTRY(DrvSendPage),
};
#undef TOLMA_ENTRY
// clang-format on
static_assert(std::size(kDriverFunctions) == 20);

}  // namespace

CRITICAL_SECTION& RenderingLock() { return g_renderingLock; }

}  // namespace tolma

// Exported as drivers of this kind do; not the PE entry point, which is the C/C++ run-time start-up (it constructs
// the run-time's and any global objects, then calls the run-time's default DllMain).
BOOL WINAPI DllEntryPoint(HINSTANCE, DWORD, LPVOID) { return TRUE; }

BOOL APIENTRY DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD bufferSize, PDWORD needed) {
  if (mode != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (needed != nullptr) *needed = sizeof(DWORD);
  if (buffer == nullptr || bufferSize < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *static_cast<DWORD*>(buffer) = TRUE;
  return TRUE;
}

// The caller's structure must hold the whole DRVENABLEDATA of this build (12 bytes on 32-bit Windows,
// 16 on x64): a shorter one is refused rather than written past.
BOOL APIENTRY DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data) {
  if (engineVersion < DDI_DRIVER_VERSION_NT4) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  if (size < sizeof(DRVENABLEDATA) || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  data->iDriverVersion = DDI_DRIVER_VERSION_NT5;
  data->c = static_cast<ULONG>(std::size(tolma::kDriverFunctions));
  data->pdrvfn = const_cast<DRVFN*>(tolma::kDriverFunctions);
  if (tolma::g_enableCount++ == 0) InitializeCriticalSection(&tolma::g_renderingLock);
  return TRUE;
}

// The lock lives until the last enable is matched by a disable.
VOID APIENTRY DrvDisableDriver() {
  if (tolma::g_enableCount > 0 && --tolma::g_enableCount == 0) DeleteCriticalSection(&tolma::g_renderingLock);
}
