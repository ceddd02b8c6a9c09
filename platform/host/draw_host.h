// Host API for drawing: engine objects that tests pass to the drawing routines, pixel access, the drawing-call
// log, and the windows and bitmaps of the host's GDI.
//
// Colours are 0xRRGGBB. A 24-bit engine bitmap stores a pixel as the colour's three low bytes, blue first
// (blue, green, red in memory: the driver's BGR palette). A 1-bit bitmap stores white (0xFFFFFF) as a set bit
// and every other colour as a clear bit. Pixel reads return stored values: 0xRRGGBB on 24 bits, 0 or 1 on 1 bit.
//
// What the drawing routines support: solid brushes only; mixes given by their foreground ROP2 (R2_COPYPEN
// 0x0D0D and the other 15); ROP4s whose two halves are equal (0xCCCC source copy, 0xF0F0 pattern copy and
// every other ROP3 over solid brushes); copies and stretches between 1-bit and 24-bit bitmaps; clip objects
// that are trivial, one rectangle, or a `Clip` of several rectangles; `Path` figures; text from `Text` and
// `Font`. Anything else makes the routine return FALSE without drawing. A missing or trivial clip object
// means the whole target (EngPaint needs a clip object and paints its whole region). Mask surfaces, line
// widths and styles, transforms and colour adjustments are not used.
//
// The host GDI keeps bitmaps of 1 or 24 bits a pixel (the depth the bitmap header asks for), takes
// uncompressed 1-bit and 24-bit DIBs with DIB_RGB_COLORS, and draws with SRCCOPY only. Like GDI, a
// negative extent in StretchDIBits covers origin + extent + 1 up to the origin (both included): (w - 1, 0)
// with width -w mirrors a w-pixel-wide bitmap exactly, while (w, 0) shifts the picture right by one pixel
// and leaves column 0 as it was. A bitmap selected into a device context cannot be deleted; GetDIBits reads
// it all the same.
#pragma once

#include "platform/host/host.h"
#include "platform/win32.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tolma::host {

constexpr ULONG kBlack = 0x000000;
constexpr ULONG kWhite = 0xFFFFFF;
constexpr ULONG kNoBrush = 0xFFFFFFFF;  // iSolidColor of a brush that is not a solid colour

// A solid brush of `colour`.
BRUSHOBJ SolidBrush(ULONG colour);

// A clip object: trivial (no clipping), one rectangle (DC_RECT), or several rectangles (DC_COMPLEX;
// they should not overlap). Objects of this class are what the engine routines accept for complex clips.
class Clip {
 public:
  Clip();
  explicit Clip(const RECTL& rect);
  explicit Clip(std::vector<RECTL> rects);
  ~Clip();
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;

  CLIPOBJ* get() { return &clip_; }
  const std::vector<RECTL>& rects() const { return rects_; }

 private:
  CLIPOBJ clip_{};
  std::vector<RECTL> rects_;
};

// A path of figures with device-pixel points. Filling follows the figures' outline (an open figure is
// closed for filling) and takes the pixels whose centres lie inside; a rectangle figure from (l, t) to
// (r, b) fills columns l..r-1 and rows t..b-1. Stroking draws 1-pixel lines from point to point, each
// line without its last pixel, back to the first point for a closed figure.
class Path {
 public:
  struct Figure {
    std::vector<POINTL> points;
    bool closed = true;
  };
  Path();
  explicit Path(const RECTL& rect);            // one closed rectangle figure
  explicit Path(std::vector<POINTL> polygon);  // one closed polygon
  ~Path();
  Path(const Path&) = delete;
  Path& operator=(const Path&) = delete;

  // Adds a figure; returns the path.
  Path& Add(std::vector<POINTL> points, bool closed);
  PATHOBJ* get() { return &path_; }
  const std::vector<Figure>& figures() const { return figures_; }

 private:
  PATHOBJ path_{};
  std::vector<Figure> figures_;
};

// A run of the font's glyph set: characters low, low + 1, ... have the glyph handles `glyphs`.
struct GlyphRun {
  WCHAR low = 0;
  std::vector<HGLYPH> glyphs;
};

// A font whose glyphs are drawn as cells of `cellWidth` x `cellHeight` pixels, the cell's top
// `ascent` pixels above the glyph's baseline position. FONTOBJ_pfdg returns its glyph set.
class Font {
 public:
  Font(LONG cellWidth, LONG cellHeight, LONG ascent, std::vector<GlyphRun> runs = {});
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  FONTOBJ* get() { return &font_; }
  LONG cellWidth() const { return cellWidth_; }
  LONG cellHeight() const { return cellHeight_; }
  LONG ascent() const { return ascent_; }
  FD_GLYPHSET* glyphSet() { return reinterpret_cast<FD_GLYPHSET*>(glyphSet_.get()); }
  // The cell of a glyph whose baseline position is `at`.
  RECTL Cell(POINTL at) const;

 private:
  FONTOBJ font_{};
  LONG cellWidth_;
  LONG cellHeight_;
  LONG ascent_;
  std::vector<std::vector<HGLYPH>> handles_;
  std::unique_ptr<std::byte[]> glyphSet_;  // FD_GLYPHSET with its runs
};

// The text of one text-out call: `codes` laid out left to right from the baseline position `origin`, one
// cell width apart. The codes are the characters (pwszOrg) and the glyph handles of the glyph positions;
// with `glyphIndex` the object carries SO_GLYPHINDEX_TEXTOUT (the codes are then glyph handles).
class Text {
 public:
  Text(const Font& font, std::u16string codes, POINTL origin, bool glyphIndex = false);
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  STROBJ* get() { return &text_; }

 private:
  STROBJ text_{};
  std::u16string codes_;
  std::vector<GLYPHPOS> positions_;
};

// A colour translation: identity, or the two colours that the indices 0 and 1 of a 1-bit source
// become. Translation tables apply to 1-bit sources only; other sources are taken as they are.
class Xlate {
 public:
  Xlate();
  Xlate(ULONG colour0, ULONG colour1);
  Xlate(const Xlate&) = delete;
  Xlate& operator=(const Xlate&) = delete;

  XLATEOBJ* get() { return &xlate_; }

 private:
  XLATEOBJ xlate_{};
  ULONG table_[2] = {};
};

// Pixels of an engine bitmap. Reads outside the bitmap, or of a handle that is no live bitmap, return
// kNoBrush; writes there do nothing.
ULONG ReadPixel(HSURF surface, LONG x, LONG y);
void WritePixel(HSURF surface, LONG x, LONG y, ULONG stored);
// Sets every pixel of the bitmap to `colour`.
void FillSurface(HSURF surface, ULONG colour);

// Log of the calls made to the engine drawing routines since the last Reset (failed calls included).
enum class DrawRoutine {
  BitBlt,
  CopyBits,
  StretchBlt,
  Paint,
  FillPath,
  StrokePath,
  StrokeAndFillPath,
  LineTo,
  TextOut
};
struct DrawCall {
  DrawRoutine routine{};
  HSURF target = nullptr;        // hsurf of the target SURFOBJ
  HSURF source = nullptr;        // hsurf of the source SURFOBJ, if any
  ULONG brush = kNoBrush;        // solid colour of the (foreground, stroke) brush; kNoBrush without one
  ULONG secondBrush = kNoBrush;  // fill brush (stroke and fill) or opaque brush (text)
  POINTL brushOrigin{};
  bool hasBrushOrigin = false;
  ULONG mix = 0;   // MIX, or the ROP4 of EngBitBlt
  ULONG mode = 0;  // stretch mode of EngStretchBlt
  bool hasClip = false;
  BYTE clipComplexity = 0;
  RECTL clipBounds{};
  bool hasOpaque = false;  // text: an opaque rectangle was given
  BOOL result = FALSE;
};
std::vector<DrawCall> DrawCalls();

// GDI: the window GetTopWindow returns.
HWND TopWindow();
// Gives a window a 24-bit canvas of the given size filled with `colour`; window device contexts from
// BeginPaint draw on it. A window painted without one gets a white 640 x 480 canvas.
void SetCanvas(HWND window, LONG width, LONG height, ULONG colour = kWhite);
// A pixel of a window's canvas as 0xRRGGBB; kNoBrush outside it or without a canvas.
ULONG CanvasPixel(HWND window, LONG x, LONG y);
// A pixel of a GDI bitmap (stored value); kNoBrush outside it or for a handle that is no live bitmap.
ULONG BitmapPixel(HBITMAP bitmap, LONG x, LONG y);
// The bitmap selected into a memory device context (its default 1 x 1 bitmap at first); none otherwise.
HBITMAP SelectedBitmap(HDC dc);
// Live GDI objects: bitmaps created and not deleted, memory device contexts, paints begun and not ended.
int LiveBitmapCount();
int LiveMemoryDcCount();
int OpenPaintCount();

}  // namespace tolma::host
