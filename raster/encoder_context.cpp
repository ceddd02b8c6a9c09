// The context forms of the panel encoders and one-bit scans.
#include "raster/encoder_context.h"

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

MonoBitmapView MonoBitmapOf(const SURFOBJ& surface, LONG width, LONG height) {
  const size_t rowBytes = static_cast<size_t>(width) / 8;
  if (surface.iBitmapFormat != BMF_1BPP || surface.sizlBitmap.cx != width || surface.sizlBitmap.cy != height ||
      surface.pvScan0 == nullptr || surface.lDelta <= 0 || static_cast<size_t>(surface.lDelta) < rowBytes)
    return {};
  const auto stride = static_cast<size_t>(surface.lDelta);
  return {std::span<const uint8_t>(static_cast<const uint8_t*>(surface.pvScan0),
                                   (static_cast<size_t>(height) - 1) * stride + rowBytes),
          stride};
}

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
  const MonoBitmapView bitmap = MonoBitmapOf(surface, kCardShortSide, kCardLongSide);
  return EncodeIntoContext(ctx, work, [&](MonoPanelEncoder& e) { return ScanMonoRows(bitmap, rotationFlag, e); });
}

bool ScanMonoColumns(RenderContext& ctx, std::span<uint8_t> work, const SURFOBJ& surface, bool rotationFlag) {
  const MonoBitmapView bitmap = MonoBitmapOf(surface, kCardLongSide, kCardShortSide);
  return EncodeIntoContext(ctx, work,
                           [&](MonoPanelEncoder& e) { return ScanMonoColumns(bitmap, rotationFlag, e); });
}

bool ScanMonoColumnsPacked(RenderContext& ctx, std::span<uint8_t> work, std::span<const uint8_t> bitmap,
                           bool rotationFlag) {
  return EncodeIntoContext(ctx, work,
                           [&](MonoPanelEncoder& e) { return ScanMonoColumnsPacked(bitmap, rotationFlag, e); });
}

}  // namespace tolma
