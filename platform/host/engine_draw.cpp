// Host stand-in for the graphics engine's drawing routines on 1-bit and 24-bit engine bitmaps.
#include "platform/host/draw_host.h"
#include "platform/host/draw_state.h"
#include "platform/host/engine_state.h"
#include "platform/host/state.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

using tolma::host::DrawCall;
using tolma::host::DrawRoutine;
using tolma::host::FailPoint;
using tolma::host::detail::ColourMap;
using tolma::host::detail::Combine;
using tolma::host::detail::HostMutex;
using tolma::host::detail::Intersect;
using tolma::host::detail::IsEmpty;
using tolma::host::detail::PixelPlane;
using tolma::host::detail::ShouldFail;

namespace tolma::host::detail {
namespace {

// Host drawing objects, found by the address of the engine structure they carry.
std::map<const CLIPOBJ*, const Clip*>& Clips() {
  static std::map<const CLIPOBJ*, const Clip*> m;
  return m;
}
std::map<const PATHOBJ*, const Path*>& Paths() {
  static std::map<const PATHOBJ*, const Path*> m;
  return m;
}
std::map<const FONTOBJ*, Font*>& Fonts() {
  static std::map<const FONTOBJ*, Font*> m;
  return m;
}
std::vector<DrawCall>& Calls() {
  static std::vector<DrawCall> calls;
  return calls;
}

}  // namespace

void ResetDraw() { Calls().clear(); }

void StretchPixels(const PixelPlane& target, const RECTL& targetRect, bool flipX, bool flipY, const PixelPlane& source,
                   const RECTL& sourceRect, const std::vector<RECTL>& clips, const ColourMap& map, Combine combine) {
  const RECTL visible = Intersect(targetRect, target.Bounds());
  if (IsEmpty(visible)) return;
  // The block of source pixels under each visible target column and row (empty: nothing to read).
  auto blocks = [](LONG from, LONG to, int64_t targetStart, int64_t targetLen, bool flip, int64_t sourceStart,
                   int64_t sourceLen, int64_t sourceLimit) {
    std::vector<std::pair<LONG, LONG>> out;
    out.reserve(static_cast<size_t>(to - from));
    for (LONG t = from; t < to; ++t) {
      int64_t k = t - targetStart;
      if (flip) k = targetLen - 1 - k;
      int64_t b0 = sourceStart + static_cast<int64_t>(static_cast<__int128>(k) * sourceLen / targetLen);
      int64_t b1 = sourceStart + static_cast<int64_t>(static_cast<__int128>(k + 1) * sourceLen / targetLen);
      if (b1 <= b0) b1 = b0 + 1;
      b0 = std::max<int64_t>(b0, 0);
      b1 = std::min<int64_t>(b1, sourceLimit);
      out.emplace_back(static_cast<LONG>(b0), static_cast<LONG>(std::max(b0, b1)));
    }
    return out;
  };
  const auto cols = blocks(visible.left, visible.right, targetRect.left, int64_t(targetRect.right) - targetRect.left,
                           flipX, sourceRect.left, int64_t(sourceRect.right) - sourceRect.left, source.width);
  const auto rows = blocks(visible.top, visible.bottom, targetRect.top, int64_t(targetRect.bottom) - targetRect.top,
                           flipY, sourceRect.top, int64_t(sourceRect.bottom) - sourceRect.top, source.height);
  const ULONG allOnes = target.bpp == 1 ? 1u : 0xFFFFFFu;

  for (const RECTL& clip : clips) {
    const RECTL r = Intersect(clip, visible);
    for (LONG y = r.top; y < r.bottom; ++y) {
      const auto [y0, y1] = rows[static_cast<size_t>(y - visible.top)];
      if (y0 >= y1) continue;
      for (LONG x = r.left; x < r.right; ++x) {
        const auto [x0, x1] = cols[static_cast<size_t>(x - visible.left)];
        if (x0 >= x1) continue;
        ULONG value = 0;
        if (combine == Combine::First) {
          value = map(source.Get(x0, y0));
        } else {
          value = combine == Combine::And ? allOnes : 0;
          for (LONG sy = y0; sy < y1; ++sy)
            for (LONG sx = x0; sx < x1; ++sx)
              value = combine == Combine::And ? (value & map(source.Get(sx, sy))) : (value | map(source.Get(sx, sy)));
        }
        target.Set(x, y, value);
      }
    }
  }
}

}  // namespace tolma::host::detail

namespace {

// The pixels of a live host surface; false for anything else or an unsupported format.
bool PlaneOf(SURFOBJ* so, PixelPlane& plane) {
  tolma::host::detail::HostSurface* s = tolma::host::detail::SurfaceOf(so);
  if (s == nullptr) return false;
  const SURFOBJ& own = s->so;
  if (own.iBitmapFormat != BMF_1BPP && own.iBitmapFormat != BMF_24BPP) return false;
  plane.scan0 = static_cast<uint8_t*>(own.pvScan0);
  plane.delta = own.lDelta;
  plane.width = own.sizlBitmap.cx;
  plane.height = own.sizlBitmap.cy;
  plane.bpp = own.iBitmapFormat == BMF_1BPP ? 1 : 24;
  return true;
}

// The rectangles a call may draw in, within the target: the whole target for no clip or a trivial
// one, the bounds for a rectangle clip, the rectangles of a host `Clip` for a complex one. False for
// a complex clip the host did not make.
bool ClipRegion(CLIPOBJ* clip, const PixelPlane& target, std::vector<RECTL>& out) {
  out.clear();
  const RECTL bounds = target.Bounds();
  if (clip == nullptr || clip->iDComplexity == DC_TRIVIAL) {
    out.push_back(bounds);
    return true;
  }
  if (clip->iDComplexity == DC_RECT) {
    const RECTL r = Intersect(clip->rclBounds, bounds);
    if (!IsEmpty(r)) out.push_back(r);
    return true;
  }
  if (clip->iDComplexity != DC_COMPLEX) return false;
  std::lock_guard lock(HostMutex());
  auto it = tolma::host::detail::Clips().find(clip);
  if (it == tolma::host::detail::Clips().end()) return false;
  for (const RECTL& rect : it->second->rects()) {
    const RECTL r = Intersect(rect, bounds);
    if (!IsEmpty(r)) out.push_back(r);
  }
  return true;
}

// The ROP3 that a mix's foreground ROP2 (1..16) stands for; false for anything else.
bool Rop3FromMix(MIX mix, BYTE& rop3) {
  const ULONG rop2 = mix & 0xFF;
  if (rop2 < 1 || rop2 > 16) return false;
  const ULONG code = rop2 - 1;  // bit (pattern * 2 + destination) is the result
  rop3 = 0;
  for (int i = 0; i < 8; ++i) {
    const int pattern = (i >> 2) & 1;
    const int destination = i & 1;
    if ((code >> (pattern * 2 + destination)) & 1) rop3 = static_cast<BYTE>(rop3 | (1 << i));
  }
  return true;
}

bool RopUsesSource(BYTE rop3) { return ((rop3 >> 2) ^ rop3) & 0x33; }
bool RopUsesPattern(BYTE rop3) { return ((rop3 >> 4) ^ rop3) & 0x0F; }

// Applies a ROP3 bit by bit to pattern, source and destination values of `mask`'s width.
ULONG ApplyRop3(BYTE rop3, ULONG pattern, ULONG source, ULONG destination, ULONG mask) {
  switch (rop3) {
    case 0xCC:
      return source;
    case 0xF0:
      return pattern;
    case 0xAA:
      return destination;
    default:
      break;
  }
  ULONG r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop3 >> i) & 1)) continue;
    r |= ((i & 4) ? pattern : ~pattern) & ((i & 2) ? source : ~source) & ((i & 1) ? destination : ~destination);
  }
  return r & mask;
}

ULONG PlaneMask(const PixelPlane& plane) { return plane.bpp == 1 ? 1u : 0xFFFFFFu; }

// The stored value of a solid brush on `plane`; false without a brush or for a non-solid one.
bool BrushValue(BRUSHOBJ* brush, const PixelPlane& plane, ULONG& value) {
  if (brush == nullptr || brush->iSolidColor == tolma::host::kNoBrush) return false;
  value = tolma::host::detail::ColourToStored(brush->iSolidColor, plane.bpp);
  return true;
}

// What a drawing routine works with: the target's pixels, the rectangles it may draw in (within the target), the
// ROP3 of its mix and the stored value of its solid brush.
struct Drawing {
  PixelPlane plane;
  std::vector<RECTL> clips;
  BYTE rop3 = 0;
  ULONG pattern = 0;
};

// Sets up a drawing on `target` through `clip`: its pixels and clip rectangles. False for a target or a clip the
// host cannot draw with.
bool SetUpDrawing(SURFOBJ* target, CLIPOBJ* clip, Drawing& out) {
  return PlaneOf(target, out.plane) && ClipRegion(clip, out.plane, out.clips);
}

// Sets up a drawing that paints with a solid `brush` through `mix`: as above, with the ROP3 of the mix's foreground
// and the brush's stored value. False as well for a mix outside 1..16 and a missing or non-solid brush.
bool SetUpDrawing(SURFOBJ* target, CLIPOBJ* clip, MIX mix, BRUSHOBJ* brush, Drawing& out) {
  return SetUpDrawing(target, clip, out) && Rop3FromMix(mix, out.rop3) && BrushValue(brush, out.plane, out.pattern);
}

// Fills `rect` inside the clip rectangles with a solid pattern through a ROP3.
void FillRect(const PixelPlane& plane, const RECTL& rect, const std::vector<RECTL>& clips, BYTE rop3, ULONG pattern) {
  const ULONG mask = PlaneMask(plane);
  for (const RECTL& clip : clips) {
    const RECTL r = Intersect(rect, clip);
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) plane.Set(x, y, ApplyRop3(rop3, pattern, 0, plane.Get(x, y), mask));
  }
}

// Sets one pixel through a ROP3 when it lies in a clip rectangle.
void PlotPixel(const PixelPlane& plane, LONG x, LONG y, const std::vector<RECTL>& clips, BYTE rop3, ULONG pattern) {
  for (const RECTL& c : clips) {
    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
      plane.Set(x, y, ApplyRop3(rop3, pattern, 0, plane.Get(x, y), PlaneMask(plane)));
      return;
    }
  }
}

// Draws a 1-pixel line from (x1, y1) towards (x2, y2) without its last pixel. Only the steps whose
// major coordinate lies on the plane are visited, so far-away end points cost nothing.
void DrawLine(const PixelPlane& plane, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const std::vector<RECTL>& clips,
              BYTE rop3, ULONG pattern) {
  const int64_t dx = x2 - x1, dy = y2 - y1;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx >= ady;
  const int64_t steps = xMajor ? adx : ady;
  if (steps == 0) return;
  const int64_t major0 = xMajor ? x1 : y1;
  const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int64_t minor0 = xMajor ? y1 : x1;
  const int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t minorLen = xMajor ? ady : adx;
  const int64_t limit = xMajor ? plane.width : plane.height;
  // Steps t with major0 + majorStep * t in [0, limit).
  int64_t t0 = 0, t1 = steps;
  if (majorStep > 0) {
    t0 = std::max<int64_t>(t0, -major0);
    t1 = std::min<int64_t>(t1, limit - major0);
  } else {
    t0 = std::max<int64_t>(t0, major0 - (limit - 1));
    t1 = std::min<int64_t>(t1, major0 + 1);
  }
  for (int64_t t = t0; t < t1; ++t) {
    const int64_t major = major0 + majorStep * t;
    const auto offset = static_cast<int64_t>((static_cast<__int128>(2 * t) * minorLen + steps) / (2 * steps));
    const int64_t minor = minor0 + minorStep * offset;
    const int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
    if (x < 0 || y < 0 || x >= plane.width || y >= plane.height) continue;
    PlotPixel(plane, static_cast<LONG>(x), static_cast<LONG>(y), clips, rop3, pattern);
  }
}

// Fills the figures of a path (closed for filling) by pixel centres, alternate or winding rule.
void FillFigures(const PixelPlane& plane, const std::vector<tolma::host::Path::Figure>& figures, bool winding,
                 const std::vector<RECTL>& clips, BYTE rop3, ULONG pattern) {
  struct Edge {
    double x0, y0, x1, y1;
    int direction;
  };
  std::vector<Edge> edges;
  double top = 0, bottom = 0;
  bool any = false;
  for (const auto& figure : figures) {
    const size_t n = figure.points.size();
    for (size_t i = 0; i < n && n > 1; ++i) {
      const POINTL a = figure.points[i], b = figure.points[(i + 1) % n];
      if (a.y == b.y) continue;
      edges.push_back({double(a.x), double(a.y), double(b.x), double(b.y), b.y > a.y ? 1 : -1});
      const double lo = std::min(a.y, b.y), hi = std::max(a.y, b.y);
      top = any ? std::min(top, lo) : lo;
      bottom = any ? std::max(bottom, hi) : hi;
      any = true;
    }
  }
  if (!any) return;
  const LONG rowFrom = static_cast<LONG>(std::max(0.0, std::ceil(top - 0.5)));
  const LONG rowTo = static_cast<LONG>(std::min(double(plane.height), std::ceil(bottom - 0.5)));
  std::vector<std::pair<double, int>> crossings;
  for (LONG y = rowFrom; y < rowTo; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (const Edge& e : edges) {
      const double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
      if (yc < lo || yc >= hi) continue;
      crossings.emplace_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction);
    }
    std::sort(crossings.begin(), crossings.end());
    int count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      count += winding ? crossings[i].second : 1;
      const bool inside = winding ? count != 0 : (count & 1) != 0;
      if (!inside) continue;
      const double from = std::max(0.0, std::ceil(crossings[i].first - 0.5));
      const double to = std::min(double(plane.width), std::ceil(crossings[i + 1].first - 0.5));
      if (from < to) FillRect(plane, RECTL{LONG(from), y, LONG(to), y + 1}, clips, rop3, pattern);
    }
  }
}

void StrokeFigures(const PixelPlane& plane, const std::vector<tolma::host::Path::Figure>& figures,
                   const std::vector<RECTL>& clips, BYTE rop3, ULONG pattern) {
  for (const auto& figure : figures) {
    const size_t n = figure.points.size();
    if (n == 1) PlotPixel(plane, figure.points[0].x, figure.points[0].y, clips, rop3, pattern);
    const size_t segments = figure.closed ? n : (n > 0 ? n - 1 : 0);
    for (size_t i = 0; i < segments && n > 1; ++i) {
      const POINTL a = figure.points[i], b = figure.points[(i + 1) % n];
      DrawLine(plane, a.x, a.y, b.x, b.y, clips, rop3, pattern);
    }
  }
}

const tolma::host::Path* FindPath(PATHOBJ* path) {
  std::lock_guard lock(HostMutex());
  auto it = tolma::host::detail::Paths().find(path);
  return it == tolma::host::detail::Paths().end() ? nullptr : it->second;
}

tolma::host::Font* FindFont(FONTOBJ* font) {
  std::lock_guard lock(HostMutex());
  auto it = tolma::host::detail::Fonts().find(font);
  return it == tolma::host::detail::Fonts().end() ? nullptr : it->second;
}

// Starts a log entry for a call on `target`.
DrawCall NewCall(DrawRoutine routine, SURFOBJ* target, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, ULONG mix) {
  DrawCall call;
  call.routine = routine;
  call.target = target ? target->hsurf : nullptr;
  call.brush = brush ? brush->iSolidColor : tolma::host::kNoBrush;
  if (brushOrigin != nullptr) {
    call.brushOrigin = *brushOrigin;
    call.hasBrushOrigin = true;
  }
  call.mix = mix;
  if (clip != nullptr) {
    call.hasClip = true;
    call.clipComplexity = clip->iDComplexity;
    call.clipBounds = clip->rclBounds;
  }
  return call;
}

BOOL Record(DrawCall call, bool ok) {
  call.result = ok ? TRUE : FALSE;
  std::lock_guard lock(HostMutex());
  tolma::host::detail::Calls().push_back(call);
  return call.result;
}

// Source pixels for a copy; a copy of them when source and target are the same surface, so that
// overlapping copies read the pixels as they were before the call.
struct SourcePixels {
  PixelPlane plane;
  std::vector<uint8_t> copy;
};
bool SourceOf(SURFOBJ* source, const PixelPlane& target, SourcePixels& out) {
  if (!PlaneOf(source, out.plane)) return false;
  if (out.plane.scan0 == target.scan0) {
    const size_t stride = static_cast<size_t>(out.plane.delta < 0 ? -out.plane.delta : out.plane.delta);
    out.copy.resize(stride * static_cast<size_t>(out.plane.height));
    for (LONG y = 0; y < out.plane.height; ++y)
      std::memcpy(out.copy.data() + stride * static_cast<size_t>(y), out.plane.scan0 + out.plane.delta * y, stride);
    out.plane.scan0 = out.copy.data();
    out.plane.delta = static_cast<ptrdiff_t>(stride);
  }
  return true;
}

ColourMap MapFor(const PixelPlane& source, const PixelPlane& target, XLATEOBJ* xlate) {
  ColourMap map;
  map.sourceBpp = source.bpp;
  map.targetBpp = target.bpp;
  if (source.bpp == 1 && xlate != nullptr && (xlate->flXlate & XO_TABLE) && xlate->pulXlate != nullptr &&
      xlate->cEntries >= 2) {
    map.colours[0] = xlate->pulXlate[0];
    map.colours[1] = xlate->pulXlate[1];
  }
  return map;
}

// The bit-block transfer behind EngBitBlt and EngCopyBits.
bool BitBlt(SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect, POINTL* sourcePoint,
            BRUSHOBJ* brush, ROP4 rop4) {
  Drawing d;
  if (targetRect == nullptr || !SetUpDrawing(target, clip, d)) return false;
  d.rop3 = static_cast<BYTE>(rop4 & 0xFF);
  if (((rop4 >> 8) & 0xFF) != d.rop3) return false;  // masked ROP4s are not supported
  if (RopUsesPattern(d.rop3) && !BrushValue(brush, d.plane, d.pattern)) return false;
  const PixelPlane& plane = d.plane;
  if (!RopUsesSource(d.rop3)) {
    FillRect(plane, *targetRect, d.clips, d.rop3, d.pattern);
    return true;
  }
  SourcePixels src;
  if (sourcePoint == nullptr || !SourceOf(source, plane, src)) return false;
  const ColourMap map = MapFor(src.plane, plane, xlate);
  const int64_t offsetX = int64_t(sourcePoint->x) - targetRect->left;
  const int64_t offsetY = int64_t(sourcePoint->y) - targetRect->top;
  // Target pixels on the target whose source lies on the source surface.
  auto within = [](int64_t v, LONG limit) { return static_cast<LONG>(std::clamp<int64_t>(v, 0, limit)); };
  const RECTL area{within(std::max<int64_t>(targetRect->left, -offsetX), plane.width),
                   within(std::max<int64_t>(targetRect->top, -offsetY), plane.height),
                   within(std::min<int64_t>(targetRect->right, src.plane.width - offsetX), plane.width),
                   within(std::min<int64_t>(targetRect->bottom, src.plane.height - offsetY), plane.height)};
  const ULONG mask = PlaneMask(plane);
  for (const RECTL& c : d.clips) {
    const RECTL r = Intersect(area, c);
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        const ULONG s = map(src.plane.Get(LONG(x + offsetX), LONG(y + offsetY)));
        plane.Set(x, y, ApplyRop3(d.rop3, d.pattern, s, plane.Get(x, y), mask));
      }
    }
  }
  return true;
}

}  // namespace

namespace tolma::host {

BRUSHOBJ SolidBrush(ULONG colour) {
  BRUSHOBJ brush{};
  brush.iSolidColor = colour;
  return brush;
}

// Clip objects.
Clip::Clip() {
  clip_.iDComplexity = DC_TRIVIAL;
  clip_.rclBounds = RECTL{0, 0, 0x7FFFFFFF, 0x7FFFFFFF};
  clip_.iMode = 4;  // TC_RECTANGLES
  std::lock_guard lock(HostMutex());
  detail::Clips()[&clip_] = this;
}

Clip::Clip(const RECTL& rect) : rects_{rect} {
  clip_.iDComplexity = DC_RECT;
  clip_.iFComplexity = 1;  // FC_RECT
  clip_.rclBounds = rect;
  clip_.iMode = 4;
  std::lock_guard lock(HostMutex());
  detail::Clips()[&clip_] = this;
}

Clip::Clip(std::vector<RECTL> rects) : rects_(std::move(rects)) {
  clip_.iDComplexity = DC_COMPLEX;
  clip_.iFComplexity = 3;  // FC_COMPLEX
  clip_.iMode = 4;
  for (size_t i = 0; i < rects_.size(); ++i) {
    const RECTL& r = rects_[i];
    RECTL& b = clip_.rclBounds;
    b = i == 0 ? r
               : RECTL{std::min(b.left, r.left), std::min(b.top, r.top), std::max(b.right, r.right),
                       std::max(b.bottom, r.bottom)};
  }
  std::lock_guard lock(HostMutex());
  detail::Clips()[&clip_] = this;
}

Clip::~Clip() {
  std::lock_guard lock(HostMutex());
  detail::Clips().erase(&clip_);
}

// Paths.
Path::Path() {
  std::lock_guard lock(HostMutex());
  detail::Paths()[&path_] = this;
}

Path::Path(const RECTL& rect) : Path() {
  Add({{rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}}, true);
}

Path::Path(std::vector<POINTL> polygon) : Path() { Add(std::move(polygon), true); }

Path::~Path() {
  std::lock_guard lock(HostMutex());
  detail::Paths().erase(&path_);
}

Path& Path::Add(std::vector<POINTL> points, bool closed) {
  const size_t n = points.size();
  path_.cCurves += static_cast<ULONG>(closed ? n : (n > 0 ? n - 1 : 0));
  figures_.push_back(Figure{std::move(points), closed});
  return *this;
}

// Fonts and their glyph sets.
Font::Font(LONG cellWidth, LONG cellHeight, LONG ascent, std::vector<GlyphRun> runs)
    : cellWidth_(cellWidth), cellHeight_(cellHeight), ascent_(ascent) {
  static ULONG nextUniq = 0;
  const size_t runCount = runs.size();
  const size_t bytes = offsetof(FD_GLYPHSET, awcrun) + std::max<size_t>(runCount, 1) * sizeof(WCRUN);
  glyphSet_ = std::make_unique<std::byte[]>(bytes);  // zero-filled
  FD_GLYPHSET* set = glyphSet();
  WCRUN* setRuns = reinterpret_cast<WCRUN*>(glyphSet_.get() + offsetof(FD_GLYPHSET, awcrun));
  size_t handleBytes = 0;
  for (size_t i = 0; i < runCount; ++i) {
    handles_.push_back(std::move(runs[i].glyphs));
    WCRUN& run = setRuns[i];
    run.wcLow = runs[i].low;
    run.cGlyphs = static_cast<USHORT>(std::min<size_t>(handles_.back().size(), 0xFFFF));
    run.phg = handles_.back().data();
    set->cGlyphsSupported += run.cGlyphs;
    handleBytes += run.cGlyphs * sizeof(HGLYPH);
  }
  set->cRuns = static_cast<ULONG>(runCount);
  set->cjThis = static_cast<ULONG>(bytes + handleBytes);
  font_.cxMax = static_cast<ULONG>(std::max<LONG>(cellWidth, 0));
  font_.sizLogResPpi = SIZE{300, 300};
  std::lock_guard lock(HostMutex());
  font_.iUniq = ++nextUniq;
  detail::Fonts()[&font_] = this;
}

Font::~Font() {
  std::lock_guard lock(HostMutex());
  detail::Fonts().erase(&font_);
}

RECTL Font::Cell(POINTL at) const {
  auto clamp = [](int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  const int64_t top = int64_t(at.y) - ascent_;
  return RECTL{at.x, clamp(top), clamp(int64_t(at.x) + cellWidth_), clamp(top + cellHeight_)};
}

// Text.
Text::Text(const Font& font, std::u16string codes, POINTL origin, bool glyphIndex) : codes_(std::move(codes)) {
  const LONG advance = font.cellWidth();
  for (size_t i = 0; i < codes_.size(); ++i) {
    GLYPHPOS pos{};
    pos.hg = codes_[i];
    pos.ptl = POINTL{static_cast<LONG>(origin.x + static_cast<int64_t>(i) * advance), origin.y};
    positions_.push_back(pos);
  }
  text_.cGlyphs = static_cast<ULONG>(codes_.size());
  text_.flAccel = glyphIndex ? SO_GLYPHINDEX_TEXTOUT : 0;
  text_.ulCharInc = static_cast<ULONG>(std::max<LONG>(advance, 0));
  text_.pgp = positions_.data();
  text_.pwszOrg = codes_.data();
  if (!positions_.empty()) {
    const RECTL first = font.Cell(positions_.front().ptl), last = font.Cell(positions_.back().ptl);
    text_.rclBkGround = RECTL{first.left, first.top, last.right, last.bottom};
  }
}

// Colour translations.
Xlate::Xlate() { xlate_.flXlate = XO_TRIVIAL; }

Xlate::Xlate(ULONG colour0, ULONG colour1) : table_{colour0, colour1} {
  xlate_.flXlate = XO_TABLE;
  xlate_.cEntries = 2;
  xlate_.pulXlate = table_;
}

// Pixels.
ULONG ReadPixel(HSURF surface, LONG x, LONG y) {
  detail::HostSurface* s = detail::FindSurface(surface);
  PixelPlane plane;
  if (s == nullptr || !PlaneOf(&s->so, plane) || x < 0 || y < 0 || x >= plane.width || y >= plane.height)
    return kNoBrush;
  return plane.Get(x, y);
}

void WritePixel(HSURF surface, LONG x, LONG y, ULONG stored) {
  detail::HostSurface* s = detail::FindSurface(surface);
  PixelPlane plane;
  if (s == nullptr || !PlaneOf(&s->so, plane) || x < 0 || y < 0 || x >= plane.width || y >= plane.height) return;
  plane.Set(x, y, stored);
}

void FillSurface(HSURF surface, ULONG colour) {
  detail::HostSurface* s = detail::FindSurface(surface);
  PixelPlane plane;
  if (s == nullptr || !PlaneOf(&s->so, plane)) return;
  FillRect(plane, plane.Bounds(), {plane.Bounds()}, 0xF0, detail::ColourToStored(colour, plane.bpp));
}

std::vector<DrawCall> DrawCalls() {
  std::lock_guard lock(HostMutex());
  return detail::Calls();
}

}  // namespace tolma::host

extern "C" {

BOOL APIENTRY EngBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ*, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect,
                        POINTL* sourcePoint, POINTL*, BRUSHOBJ* brush, POINTL* brushOrigin, ROP4 rop4) {
  DrawCall call = NewCall(DrawRoutine::BitBlt, target, clip, brush, brushOrigin, rop4);
  call.source = source ? source->hsurf : nullptr;
  if (ShouldFail(FailPoint::EngBitBlt)) return Record(call, false);
  return Record(call, BitBlt(target, source, clip, xlate, targetRect, sourcePoint, brush, rop4));
}

BOOL APIENTRY EngCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect,
                          POINTL* sourcePoint) {
  DrawCall call = NewCall(DrawRoutine::CopyBits, target, clip, nullptr, nullptr, 0xCCCC);
  call.source = source ? source->hsurf : nullptr;
  if (ShouldFail(FailPoint::EngCopyBits)) return Record(call, false);
  return Record(call, BitBlt(target, source, clip, xlate, targetRect, sourcePoint, nullptr, 0xCCCC));
}

BOOL APIENTRY EngStretchBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                            COLORADJUSTMENT*, POINTL*, RECTL* targetRect, RECTL* sourceRect, POINTL*, ULONG mode) {
  DrawCall call = NewCall(DrawRoutine::StretchBlt, target, clip, nullptr, nullptr, 0);
  call.source = source ? source->hsurf : nullptr;
  call.mode = mode;
  if (ShouldFail(FailPoint::EngStretchBlt)) return Record(call, false);
  Drawing d;
  SourcePixels src;
  if (mask != nullptr || targetRect == nullptr || sourceRect == nullptr || !SetUpDrawing(target, clip, d) ||
      !SourceOf(source, d.plane, src))
    return Record(call, false);
  const RECTL& s = *sourceRect;
  if (s.right <= s.left || s.bottom <= s.top) return Record(call, false);
  // An inverted target rectangle mirrors the picture along that axis.
  RECTL t = *targetRect;
  const bool flipX = t.left > t.right, flipY = t.top > t.bottom;
  if (flipX) std::swap(t.left, t.right);
  if (flipY) std::swap(t.top, t.bottom);
  if (IsEmpty(t)) return Record(call, true);
  const Combine combine = mode == BLACKONWHITE ? Combine::And : mode == WHITEONBLACK ? Combine::Or : Combine::First;
  tolma::host::detail::StretchPixels(d.plane, t, flipX, flipY, src.plane, s, d.clips, MapFor(src.plane, d.plane, xlate),
                                     combine);
  return Record(call, true);
}

BOOL APIENTRY EngPaint(SURFOBJ* target, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix) {
  DrawCall call = NewCall(DrawRoutine::Paint, target, clip, brush, brushOrigin, mix);
  if (ShouldFail(FailPoint::EngPaint)) return Record(call, false);
  Drawing d;
  if (clip == nullptr || !SetUpDrawing(target, clip, mix, brush, d)) return Record(call, false);
  FillRect(d.plane, d.plane.Bounds(), d.clips, d.rop3, d.pattern);
  return Record(call, true);
}

BOOL APIENTRY EngFillPath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix,
                          FLONG options) {
  DrawCall call = NewCall(DrawRoutine::FillPath, target, clip, brush, brushOrigin, mix);
  if (ShouldFail(FailPoint::EngFillPath)) return Record(call, false);
  Drawing d;
  const tolma::host::Path* host = FindPath(path);
  if (host == nullptr || !SetUpDrawing(target, clip, mix, brush, d)) return Record(call, false);
  FillFigures(d.plane, host->figures(), options == FP_WINDINGMODE, d.clips, d.rop3, d.pattern);
  return Record(call, true);
}

BOOL APIENTRY EngStrokePath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ*, BRUSHOBJ* brush,
                            POINTL* brushOrigin, LINEATTRS*, MIX mix) {
  DrawCall call = NewCall(DrawRoutine::StrokePath, target, clip, brush, brushOrigin, mix);
  if (ShouldFail(FailPoint::EngStrokePath)) return Record(call, false);
  Drawing d;
  const tolma::host::Path* host = FindPath(path);
  if (host == nullptr || !SetUpDrawing(target, clip, mix, brush, d)) return Record(call, false);
  StrokeFigures(d.plane, host->figures(), d.clips, d.rop3, d.pattern);
  return Record(call, true);
}

BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ*, BRUSHOBJ* strokeBrush,
                                   LINEATTRS*, BRUSHOBJ* fillBrush, POINTL* brushOrigin, MIX fillMix, FLONG options) {
  DrawCall call = NewCall(DrawRoutine::StrokeAndFillPath, target, clip, strokeBrush, brushOrigin, fillMix);
  call.secondBrush = fillBrush ? fillBrush->iSolidColor : tolma::host::kNoBrush;
  if (ShouldFail(FailPoint::EngStrokeAndFillPath)) return Record(call, false);
  Drawing d;
  ULONG stroke = 0;
  const tolma::host::Path* host = FindPath(path);
  if (host == nullptr || !SetUpDrawing(target, clip, fillMix, fillBrush, d) ||
      !BrushValue(strokeBrush, d.plane, stroke))
    return Record(call, false);
  // The outline is drawn over the interior, both with the fill mix.
  FillFigures(d.plane, host->figures(), options == FP_WINDINGMODE, d.clips, d.rop3, d.pattern);
  StrokeFigures(d.plane, host->figures(), d.clips, d.rop3, stroke);
  return Record(call, true);
}

BOOL APIENTRY EngLineTo(SURFOBJ* target, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1, LONG y1, LONG x2, LONG y2, RECTL*,
                        MIX mix) {
  DrawCall call = NewCall(DrawRoutine::LineTo, target, clip, brush, nullptr, mix);
  if (ShouldFail(FailPoint::EngLineTo)) return Record(call, false);
  Drawing d;
  if (!SetUpDrawing(target, clip, mix, brush, d)) return Record(call, false);
  DrawLine(d.plane, x1, y1, x2, y2, d.clips, d.rop3, d.pattern);
  return Record(call, true);
}

BOOL APIENTRY EngTextOut(SURFOBJ* target, STROBJ* text, FONTOBJ* font, CLIPOBJ* clip, RECTL* extraRects,
                         RECTL* opaqueRect, BRUSHOBJ* foreBrush, BRUSHOBJ* opaqueBrush, POINTL*, MIX mix) {
  DrawCall call = NewCall(DrawRoutine::TextOut, target, clip, foreBrush, nullptr, mix);
  call.secondBrush = opaqueBrush ? opaqueBrush->iSolidColor : tolma::host::kNoBrush;
  call.hasOpaque = opaqueRect != nullptr;
  if (ShouldFail(FailPoint::EngTextOut)) return Record(call, false);
  Drawing d;
  ULONG opaque = 0;
  const tolma::host::Font* cells = FindFont(font);
  if (cells == nullptr || text == nullptr || (text->cGlyphs > 0 && text->pgp == nullptr) ||
      !SetUpDrawing(target, clip, mix, foreBrush, d) ||
      (opaqueRect != nullptr && !BrushValue(opaqueBrush, d.plane, opaque)))
    return Record(call, false);
  // The opaque rectangle first, then each glyph as a filled cell in the foreground, then underlines and strike-outs.
  if (opaqueRect != nullptr) FillRect(d.plane, *opaqueRect, d.clips, 0xF0, opaque);
  for (ULONG i = 0; i < text->cGlyphs; ++i)
    FillRect(d.plane, cells->Cell(text->pgp[i].ptl), d.clips, d.rop3, d.pattern);
  for (RECTL* r = extraRects; r != nullptr && (r->left | r->top | r->right | r->bottom) != 0; ++r)
    FillRect(d.plane, *r, d.clips, d.rop3, d.pattern);
  return Record(call, true);
}

FD_GLYPHSET* APIENTRY FONTOBJ_pfdg(FONTOBJ* font) {
  if (ShouldFail(FailPoint::FontObjGlyphSet)) return nullptr;
  tolma::host::Font* host = FindFont(font);
  return host ? host->glyphSet() : nullptr;
}

}  // extern "C"
