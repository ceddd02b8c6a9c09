// The page composer: turns a drawn card side into the panel commands of its ribbon type.
#pragma once

#include "raster/context.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tolma {

// What the composer derives from the context for the side being sent.
struct SideInfo {
  bool twoSided = false;
  bool front = true;
  bool rotate = false;  // the panels are turned by 180 degrees
  bool portrait = false;
};

// The side being drawn or sent: front unless two-sided with an even page count.
SideInfo DescribeSide(const RenderContext& ctx);

// Composes and sends the current side. Returns false, with ERROR_OUTOFMEMORY, when the panel output buffer
// cannot be allocated: the side's panels are then not sent.
bool ComposeCardSide(RenderContext& ctx);

// The text of an insert buffer: its bytes up to the first zero, never past the buffer.
std::string_view InsertText(const RenderContext& ctx, int index);

// Sends an insert buffer's text with recording; when `empty` is set, clears the buffer afterwards.
void SendInsertBuffer(RenderContext& ctx, int index, bool empty);

// Writes bytes to the job without recording them for copies.
void WriteUnrecorded(RenderContext& ctx, std::string_view bytes);

// Makes sure the context owns a panel output buffer; false when it cannot be allocated.
bool EnsurePanelBuffer(RenderContext& ctx);

}  // namespace tolma
