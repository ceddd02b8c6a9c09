// The rendering context's lifecycle: DrvEnablePDEV to DrvDisablePDEV, and the card surface.
#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "raster/device_info.h"

#include <algorithm>
#include <cstring>

namespace tolma {

void* HeapAllocZero(size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }

void HeapRelease(void* p) {
  if (p != nullptr) HeapFree(GetProcessHeap(), 0, p);
}

namespace {

RenderContext* AsContext(DHPDEV pdev) { return reinterpret_cast<RenderContext*>(pdev); }

// Frees a context and everything it owns (not the surfaces, which DrvDisableSurface deletes).
void DestroyContext(RenderContext* ctx) {
  if (ctx->palette != nullptr) EngDeletePalette(ctx->palette);
  for (uint8_t*& buffer : ctx->insertBuffers) HeapRelease(buffer);
  HeapRelease(ctx->replayBuffer);
  HeapRelease(ctx->panelBuffer);
  HeapRelease(ctx);
}

// Copies the incoming DEVMODE into the context, finding its private part by the signature rule.
void TakeDevmode(RenderContext& ctx, DEVMODEW* devmode) {
  const size_t declared = size_t{devmode->dmSize} + devmode->dmDriverExtra;
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(devmode), declared);
  std::memcpy(&ctx.devmode, devmode, std::min<size_t>(kPublicDevmodeSize, declared));
  const PrivatePartLocation where = LocateRasterPrivatePart(bytes);
  std::memcpy(&ctx.priv, bytes.data() + where.offset, where.length);
  if (where.rewriteDmSize) {
    devmode->dmSize = kPublicDevmodeSize;
    ctx.devmode.dmSize = kPublicDevmodeSize;
  }
}

}  // namespace
}  // namespace tolma

using tolma::AsContext;
using tolma::RenderContext;

DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* devmode, LPWSTR, ULONG patternCount, HSURF* patterns, ULONG capsSize,
                              ULONG* caps, ULONG devInfoSize, DEVINFO* devInfo, HDEV, LPWSTR, HANDLE printer) {
  auto* ctx = static_cast<RenderContext*>(tolma::HeapAllocZero(sizeof(RenderContext)));
  if (ctx == nullptr) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }
  // The context's own blocks; a context missing one of them is not handed out.
  bool allocated = true;
  for (uint8_t*& buffer : ctx->insertBuffers) {
    buffer = static_cast<uint8_t*>(tolma::HeapAllocZero(tolma::kInsertBufferSize));
    allocated = allocated && buffer != nullptr;
  }
  ctx->replayBuffer = static_cast<uint8_t*>(tolma::HeapAllocZero(tolma::kReplayBufferSize));
  if (!allocated || ctx->replayBuffer == nullptr) {
    tolma::DestroyContext(ctx);
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }

  if (devmode != nullptr) {
    tolma::TakeDevmode(*ctx, devmode);
  } else {
    // Without a DEVMODE the device is described in portrait, and the card page follows that.
    ctx->devmode.dmSize = tolma::kPublicDevmodeSize;
    ctx->devmode.dmOrientation = DMORIENT_PORTRAIT;
  }
  ctx->headMarker = tolma::kContextMarker;
  ctx->tailMarker = tolma::kContextMarker;
  ctx->printerHandle = printer;

  ctx->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  if (ctx->palette == nullptr) {
    tolma::DestroyContext(ctx);
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }

  // The caller's description blocks are filled up to their size, never past our structures.
  const GDIINFO gdiInfo = tolma::DescribeCardGdiInfo(ctx->IsPortrait());
  const DEVINFO devInfoValues = tolma::DescribeCardDevInfo(ctx->palette);
  if (caps != nullptr) std::memcpy(caps, &gdiInfo, std::min<size_t>(capsSize, sizeof gdiInfo));
  if (devInfo != nullptr) std::memcpy(devInfo, &devInfoValues, std::min<size_t>(devInfoSize, sizeof devInfoValues));

  if (patternCount != 0 && patterns != nullptr)
    for (ULONG i = 0; i < patternCount; ++i) patterns[i] = nullptr;
  return reinterpret_cast<DHPDEV>(ctx);
}

VOID APIENTRY DrvCompletePDEV(DHPDEV pdev, HDEV device) {
  if (RenderContext* ctx = AsContext(pdev)) ctx->engineDevice = device;
}

// Moves the job state to the context made for the new DEVMODE. The panel output buffer moves with it,
// so a document that is open keeps a buffer to compose into and the old context leaves nothing behind.
BOOL APIENTRY DrvResetPDEV(DHPDEV oldPdev, DHPDEV newPdev) {
  RenderContext* from = AsContext(oldPdev);
  RenderContext* to = AsContext(newPdev);
  if (from == nullptr || to == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  to->docStarted = from->docStarted;
  to->pageStarted = from->pageStarted;
  to->pageCount = from->pageCount;
  std::memcpy(to->replayBuffer, from->replayBuffer, tolma::kReplayBufferSize);
  to->panelLength = from->panelLength;
  to->rle = from->rle;
  if (to->panelBuffer == nullptr) {
    to->panelBuffer = from->panelBuffer;
    from->panelBuffer = nullptr;
  }
  return TRUE;
}

VOID APIENTRY DrvDisablePDEV(DHPDEV pdev) {
  if (RenderContext* ctx = AsContext(pdev)) tolma::DestroyContext(ctx);
}

HSURF APIENTRY DrvEnableSurface(DHPDEV pdev) {
  RenderContext* ctx = AsContext(pdev);
  if (ctx == nullptr) return nullptr;
  const SIZEL size = ctx->IsPortrait() ? SIZEL{tolma::kCardShortSide, tolma::kCardLongSide}
                                       : SIZEL{tolma::kCardLongSide, tolma::kCardShortSide};
  constexpr FLONG kHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH | HOOK_FILLPATH |
                           HOOK_STROKEANDFILLPATH | HOOK_LINETO | HOOK_COPYBITS;
  static_assert(kHooks == 0x5FB);
  constexpr FLONG kFlags = BMF_TOPDOWN | BMF_NOZEROINIT;

  ctx->cardSurface = reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, BMF_24BPP, kFlags, nullptr));
  if (ctx->cardSurface == nullptr) return nullptr;
  EngAssociateSurface(ctx->cardSurface, ctx->engineDevice, kHooks);
  ctx->monoSurface = reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, BMF_1BPP, kFlags, nullptr));
  if (ctx->monoSurface == nullptr) return nullptr;
  EngAssociateSurface(ctx->monoSurface, ctx->engineDevice, kHooks);
  return ctx->cardSurface;
}

VOID APIENTRY DrvDisableSurface(DHPDEV pdev) {
  RenderContext* ctx = AsContext(pdev);
  if (ctx == nullptr) return;
  if (ctx->cardSurface != nullptr) EngDeleteSurface(ctx->cardSurface);
  if (ctx->monoSurface != nullptr) EngDeleteSurface(ctx->monoSurface);
  ctx->cardSurface = nullptr;
  ctx->monoSurface = nullptr;
}
