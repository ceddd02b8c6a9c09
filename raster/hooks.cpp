// Drawing hooks: each drawing call goes to the card page, the monochrome bitmap or both, so that solid black can
// print on the resin panel; text-out calls are read first for inserted commands and magnetic-track data.
#include <algorithm>
#include <array>
#include <span>

#include "raster/composer.h"
#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "raster/imaging/black_extraction.h"
#include "raster/text_capture.h"

namespace tolma {
namespace {

constexpr ULONG kBlackColour = 0x000000;
constexpr ULONG kWhiteColour = 0xFFFFFF;
constexpr MIX kCopyPenMix = 0x0D0D;  // R2_COPYPEN for foreground and background
constexpr ROP4 kPatCopy = 0xF0F0;    // PATCOPY for foreground and background

// The context of a drawing call: the PDEV of its target surface; none for a surface that is not the driver's.
RenderContext* ContextOf(SURFOBJ* surface) {
  return surface != nullptr ? reinterpret_cast<RenderContext*>(surface->dhpdev) : nullptr;
}

bool PageOpen(const RenderContext& ctx) { return ctx.docStarted != 0 && ctx.pageStarted != 0; }

// True when black goes to the resin panel on the side being drawn.
bool ExtractionSide(const RenderContext& ctx) {
  const SideInfo side = DescribeSide(ctx);
  return BlackExtractionApplies(ctx.priv.ribbonType, side.twoSided, ctx.priv.twoSidedMode, side.front);
}

bool IsBlack(const BRUSHOBJ* brush) { return brush != nullptr && brush->iSolidColor == kBlackColour; }
bool IsWhite(const BRUSHOBJ* brush) { return brush != nullptr && brush->iSolidColor == kWhiteColour; }
bool IsOneBit(const SURFOBJ* surface) { return surface != nullptr && surface->iBitmapFormat == BMF_1BPP; }

// True when a raster operation reads its source: the result of its foreground or background ROP3 changes
// with the source bit.
bool RopUsesSource(ROP4 rop) {
  const auto uses = [](ULONG rop3) { return (((rop3 >> 2) ^ rop3) & 0x33) != 0; };
  return uses(rop & 0xFF) || uses((rop >> 8) & 0xFF);
}

BRUSHOBJ SolidBrush(ULONG colour) {
  BRUSHOBJ brush{};
  brush.iSolidColor = colour;
  return brush;
}

// The side's black goes to the monochrome bitmap for this kind of drawing.
bool BlackToMono(const RenderContext& ctx, bool extraction) { return extraction && ctx.priv.blackPanelUse != 0; }

// Black bitmaps go to the monochrome bitmap ("except in colour pictures" with "black bitmap").
bool BitmapsToMono(const RenderContext& ctx, bool extraction) {
  return extraction && ctx.priv.blackPanelUse == 3 && ctx.priv.blackBitmap != 0;
}

// Runs `draw` with the locked monochrome bitmap as its target; FALSE when the bitmap cannot be locked.
template <typename Draw>
BOOL OnMono(RenderContext& ctx, Draw draw) {
  if (ctx.monoSurface == nullptr) return FALSE;
  SURFOBJ* mono = EngLockSurface(ctx.monoSurface);
  if (mono == nullptr) return FALSE;
  const BOOL result = draw(mono);
  EngUnlockSurface(mono);
  return result;
}

// Paints the monochrome bitmap white under a drawing. A clip that limits the drawing is used as it is; without
// one (missing or trivial) only the destination rectangle is painted, never the whole bitmap.
BOOL WhitePaint(RenderContext& ctx, CLIPOBJ* clip, const RECTL* destination) {
  BRUSHOBJ white = SolidBrush(kWhiteColour);
  POINTL origin{0, 0};
  if (clip != nullptr && clip->iDComplexity != DC_TRIVIAL)
    return OnMono(ctx, [&](SURFOBJ* mono) { return EngPaint(mono, clip, &white, &origin, kCopyPenMix); });
  if (destination == nullptr) return FALSE;

  return OnMono(ctx, [&](SURFOBJ* mono) {
    // The destination, corners in order (a stretch may mirror), within the bitmap.
    const RECTL area{std::max<LONG>(std::min(destination->left, destination->right), 0),
                     std::max<LONG>(std::min(destination->top, destination->bottom), 0),
                     std::min<LONG>(std::max(destination->left, destination->right), mono->sizlBitmap.cx),
                     std::min<LONG>(std::max(destination->top, destination->bottom), mono->sizlBitmap.cy)};
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;  // nothing under the drawing
    CLIPOBJ* own = EngCreateClip();
    if (own == nullptr) return FALSE;
    own->iDComplexity = DC_RECT;
    own->iFComplexity = FC_RECT;
    own->iMode = TC_RECTANGLES;
    own->rclBounds = area;
    const BOOL result = EngPaint(mono, own, &white, &origin, kCopyPenMix);
    EngDeleteClip(own);
    return result;
  });
}

// The characters of a text-out call as the capture reads them; empty when there are none or when a glyph-index
// text is too long to be read whole. Glyph handles are translated into `translated`.
std::span<const WCHAR> TextCharacters(STROBJ* text, FONTOBJ* font, std::array<WCHAR, kGlyphTextCapacity>& translated) {
  if (text == nullptr || text->pwszOrg == nullptr || text->cGlyphs == 0) return {};
  const std::span<const WCHAR> codes(text->pwszOrg, text->cGlyphs);
  if ((text->flAccel & SO_GLYPHINDEX_TEXTOUT) == 0) return codes;
  if (codes.size() > translated.size()) return {};

  // Glyph handles become characters through the first run of the font's glyph set.
  GlyphRunView run;
  const FD_GLYPHSET* set = font != nullptr ? FONTOBJ_pfdg(font) : nullptr;
  if (set != nullptr && set->cRuns > 0) {
    run.low = set->awcrun[0].wcLow;
    run.count = set->awcrun[0].cGlyphs;
    run.handles = set->awcrun[0].phg;
  }
  return std::span<const WCHAR>(translated.data(), TranslateGlyphs(codes, run, translated));
}

}  // namespace
}  // namespace tolma

using tolma::BitmapsToMono;
using tolma::BlackToMono;
using tolma::ContextOf;
using tolma::ExtractionSide;
using tolma::IsBlack;
using tolma::IsOneBit;
using tolma::IsWhite;
using tolma::OnMono;
using tolma::PageOpen;
using tolma::RenderContext;

// A call whose target is not the driver's surface (the engine copying out of the card page) is drawn by the
// engine as it is. Otherwise nothing is drawn outside an open page.

BOOL APIENTRY DrvStrokePath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
                            POINTL* brushOrigin, LINEATTRS* lineAttrs, MIX mix) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr) return EngStrokePath(surface, path, clip, xform, brush, brushOrigin, lineAttrs, mix);
  if (!PageOpen(*ctx)) return FALSE;
  if (BlackToMono(*ctx, ExtractionSide(*ctx)) && IsBlack(brush))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngStrokePath(mono, path, clip, xform, brush, brushOrigin, lineAttrs, mix);
    });
  return EngStrokePath(surface, path, clip, xform, brush, brushOrigin, lineAttrs, mix);
}

BOOL APIENTRY DrvFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix,
                          FLONG options) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr) return EngFillPath(surface, path, clip, brush, brushOrigin, mix, options);
  if (!PageOpen(*ctx)) return FALSE;
  if (BlackToMono(*ctx, ExtractionSide(*ctx)) && IsBlack(brush))
    return OnMono(*ctx, [&](SURFOBJ* mono) { return EngFillPath(mono, path, clip, brush, brushOrigin, mix, options); });
  return EngFillPath(surface, path, clip, brush, brushOrigin, mix, options);
}

BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                                   BRUSHOBJ* strokeBrush, LINEATTRS* lineAttrs, BRUSHOBJ* fillBrush,
                                   POINTL* brushOrigin, MIX fillMix, FLONG options) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr)
    return EngStrokeAndFillPath(surface, path, clip, xform, strokeBrush, lineAttrs, fillBrush, brushOrigin, fillMix,
                                options);
  if (!PageOpen(*ctx)) return FALSE;
  // The stroke brush decides.
  if (BlackToMono(*ctx, ExtractionSide(*ctx)) && IsBlack(strokeBrush))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngStrokeAndFillPath(mono, path, clip, xform, strokeBrush, lineAttrs, fillBrush, brushOrigin, fillMix,
                                  options);
    });
  return EngStrokeAndFillPath(surface, path, clip, xform, strokeBrush, lineAttrs, fillBrush, brushOrigin, fillMix,
                              options);
}

BOOL APIENTRY DrvLineTo(SURFOBJ* surface, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1, LONG y1, LONG x2, LONG y2,
                        RECTL* bounds, MIX mix) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr) return EngLineTo(surface, clip, brush, x1, y1, x2, y2, bounds, mix);
  if (!PageOpen(*ctx)) return FALSE;
  if (BlackToMono(*ctx, ExtractionSide(*ctx)) && IsBlack(brush))
    return OnMono(*ctx, [&](SURFOBJ* mono) { return EngLineTo(mono, clip, brush, x1, y1, x2, y2, bounds, mix); });
  return EngLineTo(surface, clip, brush, x1, y1, x2, y2, bounds, mix);
}

BOOL APIENTRY DrvPaint(SURFOBJ* surface, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr) return EngPaint(surface, clip, brush, brushOrigin, mix);
  if (!PageOpen(*ctx)) return FALSE;
  const bool extraction = ExtractionSide(*ctx);
  // White wipes the resin panel as well as the colours.
  if (extraction && IsWhite(brush)) {
    OnMono(*ctx, [&](SURFOBJ* mono) { return EngPaint(mono, clip, brush, brushOrigin, mix); });
    return EngPaint(surface, clip, brush, brushOrigin, mix);
  }
  if (BlackToMono(*ctx, extraction) && IsBlack(brush))
    return OnMono(*ctx, [&](SURFOBJ* mono) { return EngPaint(mono, clip, brush, brushOrigin, mix); });
  return EngPaint(surface, clip, brush, brushOrigin, mix);
}

BOOL APIENTRY DrvBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                        RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush, POINTL* brushOrigin,
                        ROP4 rop) {
  RenderContext* ctx = ContextOf(target);
  if (ctx == nullptr)
    return EngBitBlt(target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin, rop);
  if (!PageOpen(*ctx)) return FALSE;
  const bool bitmapsToMono = BitmapsToMono(*ctx, ExtractionSide(*ctx));
  if (bitmapsToMono && IsBlack(brush))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngBitBlt(mono, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin, rop);
    });
  const BOOL result =
      EngBitBlt(target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin, rop);
  if (!bitmapsToMono || IsOneBit(source)) return result;
  BRUSHOBJ white = tolma::SolidBrush(tolma::kWhiteColour);
  // A picture copied in colour keeps the resin panel white beneath it, as with DrvCopyBits and DrvStretchBlt: its
  // dark pixels must not print in resin black. The white goes exactly where the blit drew, inside its clip and its
  // destination rectangle, so black drawn elsewhere stays.
  if (source != nullptr && tolma::RopUsesSource(rop))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngBitBlt(mono, nullptr, nullptr, clip, nullptr, targetRect, nullptr, nullptr, &white, brushOrigin,
                       tolma::kPatCopy);
    });
  // A brush fill: the same blit again on the monochrome bitmap, with white in place of the brush.
  return OnMono(*ctx, [&](SURFOBJ* mono) {
    return EngBitBlt(mono, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, &white, brushOrigin, rop);
  });
}

BOOL APIENTRY DrvCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect,
                          POINTL* sourcePoint) {
  RenderContext* ctx = ContextOf(target);
  if (ctx == nullptr) return EngCopyBits(target, source, clip, xlate, targetRect, sourcePoint);
  if (!PageOpen(*ctx)) return FALSE;
  if (IsOneBit(source) && BitmapsToMono(*ctx, ExtractionSide(*ctx))) {
    if (targetRect == nullptr || sourcePoint == nullptr) return FALSE;
    // A one-bit picture goes to the resin panel only, pixel for pixel from the source point.
    RECTL sourceRect{sourcePoint->x, sourcePoint->y, sourcePoint->x + (targetRect->right - targetRect->left),
                     sourcePoint->y + (targetRect->bottom - targetRect->top)};
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngStretchBlt(mono, source, nullptr, clip, xlate, nullptr, nullptr, targetRect, &sourceRect, nullptr,
                           BLACKONWHITE);
    });
  }
  tolma::WhitePaint(*ctx, clip, targetRect);
  return EngCopyBits(target, source, clip, xlate, targetRect, sourcePoint);
}

BOOL APIENTRY DrvStretchBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                            COLORADJUSTMENT* colorAdjust, POINTL* halftoneOrigin, RECTL* targetRect, RECTL* sourceRect,
                            POINTL* maskPoint, ULONG mode) {
  RenderContext* ctx = ContextOf(target);
  if (ctx == nullptr)
    return EngStretchBlt(target, source, mask, clip, xlate, colorAdjust, halftoneOrigin, targetRect, sourceRect,
                         maskPoint, mode);
  if (!PageOpen(*ctx)) return FALSE;
  const bool extraction = ExtractionSide(*ctx);
  if (IsOneBit(source) && BitmapsToMono(*ctx, extraction))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngStretchBlt(mono, source, mask, clip, xlate, colorAdjust, halftoneOrigin, targetRect, sourceRect,
                           maskPoint, BLACKONWHITE);
    });
  const BOOL result = EngStretchBlt(target, source, mask, clip, xlate, colorAdjust, halftoneOrigin, targetRect,
                                    sourceRect, maskPoint, mode);
  if (!BlackToMono(*ctx, extraction)) return result;
  return tolma::WhitePaint(*ctx, clip, targetRect);
}

BOOL APIENTRY DrvTextOut(SURFOBJ* surface, STROBJ* text, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                         BRUSHOBJ* foreground, BRUSHOBJ* opaqueBrush, POINTL* origin, MIX mix) {
  RenderContext* ctx = ContextOf(surface);
  if (ctx == nullptr) return EngTextOut(surface, text, font, clip, extra, opaque, foreground, opaqueBrush, origin, mix);

  // Text in the reserved forms is captured, not drawn, whether a page is open or not.
  std::array<WCHAR, tolma::kGlyphTextCapacity> translated{};
  const std::span<const WCHAR> characters = tolma::TextCharacters(text, font, translated);
  if (!characters.empty()) {
    std::array<std::span<uint8_t>, tolma::kInsertBufferCount> buffers;
    for (size_t i = 0; i < buffers.size(); ++i)
      if (ctx->insertBuffers[i] != nullptr)
        buffers[i] = std::span<uint8_t>(ctx->insertBuffers[i], tolma::kInsertBufferSize);
    if (tolma::CaptureText(characters, ctx->priv, buffers) != tolma::TextCapture::None) return TRUE;
  }

  if (!PageOpen(*ctx)) return FALSE;
  const bool blackToMono = BlackToMono(*ctx, ExtractionSide(*ctx));
  if (blackToMono && IsBlack(foreground))
    return OnMono(*ctx, [&](SURFOBJ* mono) {
      return EngTextOut(mono, text, font, clip, extra, opaque, foreground, opaqueBrush, origin, mix);
    });
  const BOOL result = EngTextOut(surface, text, font, clip, extra, opaque, foreground, opaqueBrush, origin, mix);
  if (!blackToMono) return result;
  // The same text in white on the monochrome bitmap clears the resin panel under it.
  BRUSHOBJ white = tolma::SolidBrush(tolma::kWhiteColour);
  return OnMono(*ctx, [&](SURFOBJ* mono) {
    return EngTextOut(mono, text, font, clip, extra, opaque, &white, opaqueBrush, origin, mix);
  });
}
