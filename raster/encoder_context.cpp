// The context forms of the panel encoders and one-bit scans.
#include "raster/encoder_context.h"

#include "raster/surface_view.h"

#include <algorithm>

namespace tolma {

namespace {

// Runs `scan` with an encoder over the context's state and buffer, then stores the new fill.
template <typename Scan>
bool EncodeIntoContext(RenderContext& ctx, std::span<uint8_t> work, Scan scan) {
  PanelOutput out = PanelOutputOf(ctx);
  MonoPanelEncoder encoder(ctx.priv.packedPanels != 0, ctx.rle, work, out);
  const bool scanned = scan(encoder);
  StorePanelOutput(ctx, out);
  return scanned;
}

}  // namespace

PanelOutput PanelOutputOf(RenderContext& ctx) {
  PanelOutput out;
  if (ctx.panelBuffer != nullptr) {
    out.data = ctx.panelBuffer;
    out.capacity = kPanelBufferSize;
    out.length = std::min(ctx.panelLength, kPanelBufferSize);
  }
  return out;
}

void StorePanelOutput(RenderContext& ctx, const PanelOutput& out) {
  if (ctx.panelBuffer != nullptr) ctx.panelLength = out.length;
}

void ResetPanelEncoding(RenderContext& ctx) {
  ctx.rle.state = 0;
  ctx.rle.workLength = 0;
  ctx.rle.blockIndex = 0;
  ctx.panelLength = 0;
}

namespace {

// The scan view of a surface's monochrome bitmap of `width` x `height` pixels; empty when it is another one.
MonoBitmapView ScanViewOf(const SURFOBJ& surface, LONG width, LONG height) {
  const MonoBitmap bitmap = MonoBitmapOf(&surface);
  if (!bitmap.IsValid() || bitmap.width != width || bitmap.height != height) return {};
  return {std::span<const uint8_t>(bitmap.bits, bitmap.size), bitmap.stride};
}

}  // namespace

void PutMonoByte(RenderContext& ctx, std::span<uint8_t> work, uint8_t byte, bool flush) {
  PanelOutput out = PanelOutputOf(ctx);
  PutMonoByte(ctx.priv.packedPanels != 0, ctx.rle, work, byte, flush, out);
  StorePanelOutput(ctx, out);
}

void AppendEscaped(RenderContext& ctx, std::span<const uint8_t> bytes) {
  PanelOutput out = PanelOutputOf(ctx);
  AppendEscaped(bytes, out);
  StorePanelOutput(ctx, out);
}

bool ScanMonoRows(RenderContext& ctx, std::span<uint8_t> work, const SURFOBJ& surface, bool rotationFlag) {
  const MonoBitmapView bitmap = ScanViewOf(surface, kCardShortSide, kCardLongSide);
  return EncodeIntoContext(ctx, work, [&](MonoPanelEncoder& e) { return ScanMonoRows(bitmap, rotationFlag, e); });
}

bool ScanMonoColumns(RenderContext& ctx, std::span<uint8_t> work, const SURFOBJ& surface, bool rotationFlag) {
  const MonoBitmapView bitmap = ScanViewOf(surface, kCardLongSide, kCardShortSide);
  return EncodeIntoContext(ctx, work, [&](MonoPanelEncoder& e) { return ScanMonoColumns(bitmap, rotationFlag, e); });
}

bool ScanMonoColumnsPacked(RenderContext& ctx, std::span<uint8_t> work, std::span<const uint8_t> bitmap,
                           bool rotationFlag) {
  return EncodeIntoContext(ctx, work,
                           [&](MonoPanelEncoder& e) { return ScanMonoColumnsPacked(bitmap, rotationFlag, e); });
}

}  // namespace tolma
