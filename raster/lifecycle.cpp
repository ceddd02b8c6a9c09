// Document and page lifecycle: DrvStartDoc, DrvStartPage, DrvSendPage, DrvEndDoc and DrvEscape.
#include "common/commands.h"
#include "raster/composer.h"
#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "raster/job_header.h"
#include "raster/job_settlement.h"
#include "raster/model_cache.h"
#include "raster/overlay.h"
#include "raster/spool.h"

#include <cstring>

namespace tolma {
namespace {

RenderContext* ContextOf(SURFOBJ* surface) {
  return surface != nullptr ? reinterpret_cast<RenderContext*>(surface->dhpdev) : nullptr;
}

bool IsOdd(int32_t n) { return n % 2 != 0; }

// Settles the job's settings at its first page with what the model and ribbon cache reports. Returns false
// when the page must be refused (no ribbon installed and the job prints).
bool SettleFromCache(PrivateDevmode& priv) {
  RibbonCache cache;
  if (priv.fixedRibbon == 0) ReadRibbonCache(cache);
  return SettleFirstPage(priv, PrinterReport{cache.ribbonCode, cache.ModelText()});
}

// Fills a locked surface's bits with white.
void FillWhite(HSURF surface) {
  if (surface == nullptr) return;
  if (SURFOBJ* so = EngLockSurface(surface)) {
    if (so->pvBits != nullptr) std::memset(so->pvBits, 0xFF, so->cjBits);
    EngUnlockSurface(so);
  }
}

void SendJobHeader(RenderContext& ctx) {
  for (const std::string& command : BuildJobHeader(ctx.priv)) WriteUnrecorded(ctx, command);
}

}  // namespace
}  // namespace tolma

using tolma::RenderContext;

// A second document on the same device context starts its own count (and so its own job header); a
// document carried over by DrvResetPDEV keeps going.
BOOL APIENTRY DrvStartDoc(SURFOBJ* surface, LPWSTR, DWORD) {
  RenderContext* ctx = tolma::ContextOf(surface);
  if (ctx == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (ctx->docStarted == 0) ctx->pageCount = 0;
  if (!tolma::EnsurePanelBuffer(*ctx)) {
    SetLastError(ERROR_OUTOFMEMORY);
    return FALSE;
  }
  ctx->docStarted = 1;
  return TRUE;
}

BOOL APIENTRY DrvStartPage(SURFOBJ* surface) {
  RenderContext* ctx = tolma::ContextOf(surface);
  if (ctx == nullptr) return FALSE;
  tolma::PrivateDevmode& priv = ctx->priv;

  // A back side of a copied two-sided card keeps the front's captures and recorded commands.
  if (!(ctx->Copies() > 1 && priv.printBothSides != 0 && tolma::IsOdd(ctx->pageCount))) {
    priv.track1Present = priv.track2Present = priv.track3Present = 0;
    for (uint8_t* buffer : ctx->insertBuffers) std::memset(buffer, 0, tolma::kInsertBufferSize);
    std::memset(ctx->replayBuffer, 0, tolma::kReplayBufferSize);
  }
  if (ctx->pageCount < 1 && !tolma::SettleFromCache(priv)) return FALSE;
  if (ctx->docStarted == 0) return FALSE;

  ctx->pageStarted = 1;
  ctx->rle.workLength = 0;
  ctx->rle.blockIndex = 0;
  if (priv.printBothSides != 0 && tolma::IsOdd(ctx->pageCount))
    tolma::SpoolWrite(ctx->printerHandle, tolma::cmd::kTurnCard, true, *ctx);
  ++ctx->pageCount;
  tolma::FillWhite(ctx->cardSurface);
  tolma::FillWhite(ctx->monoSurface);
  return TRUE;
}

BOOL APIENTRY DrvSendPage(SURFOBJ* surface) {
  RenderContext* ctx = tolma::ContextOf(surface);
  if (ctx == nullptr || ctx->docStarted == 0 || ctx->pageStarted == 0) return FALSE;
  if (ctx->pageCount <= 1) tolma::SendJobHeader(*ctx);
  const bool composed = tolma::ComposeCardSide(*ctx);
  if (composed && ctx->Copies() > 1 && (ctx->priv.printBothSides == 0 || !tolma::IsOdd(ctx->pageCount)))
    tolma::ReplayCard(*ctx);
  ctx->pageStarted = 0;
  return composed ? TRUE : FALSE;
}

BOOL APIENTRY DrvEndDoc(SURFOBJ* surface, FLONG) {
  RenderContext* ctx = tolma::ContextOf(surface);
  if (ctx == nullptr) return FALSE;
  if (ctx->docStarted == 0) {
    tolma::HeapRelease(ctx->panelBuffer);
    ctx->panelBuffer = nullptr;
    return FALSE;
  }
  // A two-sided card whose back page never came is finished here.
  const tolma::PrivateDevmode& priv = ctx->priv;
  if (priv.printBothSides != 0 && tolma::IsOdd(ctx->pageCount)) {
    if ((priv.ribbonType == 0 || priv.ribbonType == 11) && priv.twoSidedMode == 0) {
      tolma::SpoolWrite(ctx->printerHandle, tolma::cmd::kOpenMono, true, *ctx);
      tolma::SendOverlay(*ctx, true);
    }
    tolma::SpoolWrite(ctx->printerHandle, tolma::cmd::kCardOut, true, *ctx);
    if (ctx->Copies() > 1) tolma::ReplayCard(*ctx);
  }
  ctx->docStarted = 0;
  tolma::HeapRelease(ctx->panelBuffer);
  ctx->panelBuffer = nullptr;
  return TRUE;
}

ULONG APIENTRY DrvEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG, PVOID) {
  switch (escape) {
    case QUERYESCSUPPORT: {
      if (in == nullptr || inSize < sizeof(uint16_t)) return 0;
      uint16_t asked = 0;
      std::memcpy(&asked, in, sizeof asked);
      return asked == PASSTHROUGH ? 1 : 0;
    }
    case PASSTHROUGH: {
      RenderContext* ctx = tolma::ContextOf(surface);
      if (ctx == nullptr || in == nullptr || inSize < sizeof(uint16_t)) return 0;
      const auto* data = static_cast<const uint8_t*>(in) + sizeof(uint16_t);
      const DWORD size = inSize - sizeof(uint16_t);
      if (size == 0) {
        DWORD written = 0;
        return WritePrinter(ctx->printerHandle, const_cast<uint8_t*>(data), 0, &written) ? 1 : 0;
      }
      return tolma::WriteAll(ctx->printerHandle, std::span<const uint8_t>(data, size)) == size ? 1 : 0;
    }
    default:
      return 0;
  }
}
