// The panel encoders and one-bit scans over the rendering context: its panel output buffer and its
// run-length state, with the monochrome bitmap taken from its engine surface.
#pragma once

#include "common/mono_rle.h"
#include "raster/context.h"
#include "raster/imaging/mono_scan.h"

#include <cstdint>
#include <span>

namespace tolma {

// The context's panel output buffer as an encoder output (empty when the buffer is missing).
PanelOutput PanelOutputOf(RenderContext& ctx);
// Stores an encoder output's fill back as the context's panel output length.
void StorePanelOutput(RenderContext& ctx, const PanelOutput& out);
// Resets the run-length state, the work length and the panel output length before a panel.
void ResetPanelEncoding(RenderContext& ctx);

// One step (or, with `flush`, the closing step) of the one-bit encoder in the form that the context's
// `packedPanels` selects, appending to the context's panel output buffer.
void PutMonoByte(RenderContext& ctx, std::span<uint8_t> work, uint8_t byte, bool flush);
// Appends bytes to the context's panel output buffer with every 0x5B doubled.
void AppendEscaped(RenderContext& ctx, std::span<const uint8_t> bytes);

// The one-bit scans into the context's panel output buffer (the closing step is the caller's).
// Each returns false and appends nothing when the bitmap does not have the panel's size.
bool ScanMonoRows(RenderContext& ctx, std::span<uint8_t> work, const SURFOBJ& surface, bool rotationFlag);
bool ScanMonoColumns(RenderContext& ctx, std::span<uint8_t> work, const SURFOBJ& surface, bool rotationFlag);
bool ScanMonoColumnsPacked(RenderContext& ctx, std::span<uint8_t> work, std::span<const uint8_t> bitmap,
                           bool rotationFlag);

}  // namespace tolma
