// Host stand-in for GDI's device contexts and device-independent bitmaps (1-bit and 24-bit), with window
// canvases that tests read.
#include "platform/host/draw_host.h"
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

using tolma::host::FailPoint;
using tolma::host::detail::ColourMap;
using tolma::host::detail::HostMutex;
using tolma::host::detail::PixelPlane;
using tolma::host::detail::ShouldFail;

namespace tolma::host::detail {
namespace {

constexpr int64_t kMaxSide = 65536;
constexpr int64_t kMaxBytes = int64_t(1) << 28;
constexpr LONG kDefaultCanvasWidth = 640;
constexpr LONG kDefaultCanvasHeight = 480;

std::set<GdiBitmap*>& Bitmaps() {
  static std::set<GdiBitmap*> s;
  return s;
}
std::set<GdiDc*>& Dcs() {
  static std::set<GdiDc*> s;
  return s;
}
std::map<HWND, std::shared_ptr<GdiBitmap>>& Canvases() {
  static std::map<HWND, std::shared_ptr<GdiBitmap>> m;
  return m;
}

// The 1 x 1 monochrome bitmap every memory device context starts with.
GdiBitmap* StockBitmap() {
  static GdiBitmap stock{1, 1, 1, 4, std::vector<uint8_t>(4, 0xFF), nullptr, true};
  return &stock;
}

}  // namespace

size_t StrideOf(int64_t width, int bpp) { return static_cast<size_t>((width * bpp + 31) / 32 * 4); }

std::unique_ptr<GdiBitmap> NewBitmap(int64_t width, int64_t height, int bpp) {
  if ((bpp != 1 && bpp != 24) || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  const size_t stride = StrideOf(width, bpp);
  if (static_cast<int64_t>(stride) * height > kMaxBytes) return nullptr;
  auto b = std::make_unique<GdiBitmap>();
  b->width = static_cast<LONG>(width);
  b->height = static_cast<LONG>(height);
  b->bpp = bpp;
  b->stride = stride;
  b->bits.assign(stride * static_cast<size_t>(height), 0);
  return b;
}

HBITMAP AdoptBitmap(std::unique_ptr<GdiBitmap> bitmap) {
  if (bitmap == nullptr) return nullptr;
  GdiBitmap* raw = bitmap.release();
  Bitmaps().insert(raw);
  return reinterpret_cast<HBITMAP>(raw);
}

GdiDc* FindDc(HDC dc) {
  auto* d = reinterpret_cast<GdiDc*>(dc);
  return Dcs().count(d) ? d : nullptr;
}

GdiBitmap* FindBitmap(HGDIOBJ object) {
  auto* b = static_cast<GdiBitmap*>(object);
  if (b == StockBitmap()) return b;
  return Bitmaps().count(b) ? b : nullptr;
}

std::shared_ptr<GdiBitmap> CanvasOf(HWND window, bool create) {
  auto it = Canvases().find(window);
  if (it != Canvases().end()) return it->second;
  if (!create) return nullptr;
  std::shared_ptr<GdiBitmap> canvas = NewBitmap(kDefaultCanvasWidth, kDefaultCanvasHeight, 24);
  std::memset(canvas->bits.data(), 0xFF, canvas->bits.size());
  Canvases()[window] = canvas;
  return canvas;
}

void MakeCanvas(HWND window, LONG width, LONG height, ULONG colour) {
  std::shared_ptr<GdiBitmap> canvas = NewBitmap(width, height, 24);
  if (canvas == nullptr) return;
  FillPixels(*canvas, canvas->Plane().Bounds(), canvas->Plane().Bounds(), colour);
  Canvases()[window] = canvas;
}

void DropCanvas(HWND window) { Canvases().erase(window); }

GdiDc* NewWindowDc(HWND window, const RECTL& clip, bool clipped) {
  auto* dc = new GdiDc;
  dc->memory = false;
  dc->window = window;
  dc->canvas = CanvasOf(window, true);
  dc->brush = StockBrush(WHITE_BRUSH);
  dc->pen = StockPen(BLACK_PEN);
  dc->clip = clip;
  dc->clipped = clipped;
  Dcs().insert(dc);
  return dc;
}

void FreeWindowDc(GdiDc* dc) {
  Dcs().erase(dc);
  delete dc;
}

GdiBitmap* DrawingBitmap(GdiDc* dc) { return dc->memory ? dc->selected : dc->canvas.get(); }

RECTL DrawableArea(GdiDc* dc) {
  GdiBitmap* b = DrawingBitmap(dc);
  if (b == nullptr) return RECTL{0, 0, 0, 0};
  const RECTL bounds = b->Plane().Bounds();
  return dc->clipped ? Intersect(bounds, dc->clip) : bounds;
}

void FillPixels(GdiBitmap& target, const RECTL& rect, const RECTL& limit, ULONG colour) {
  const PixelPlane plane = target.Plane();
  const RECTL r = Intersect(Intersect(rect, limit), plane.Bounds());
  const ULONG stored = ColourToStored(colour, target.bpp);
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) plane.Set(x, y, stored);
}

namespace {

// The colour table of a BITMAPINFO, right after its header.
const RGBQUAD* ColourTable(const BITMAPINFO* info) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + info->bmiHeader.biSize);
}
RGBQUAD* ColourTable(BITMAPINFO* info) {
  return reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + info->bmiHeader.biSize);
}

// A caller's device-independent bitmap: its pixels as a top-down plane and its colours.
struct Dib {
  PixelPlane plane;
  bool bottomUp = true;
  ULONG colours[2] = {0, kWhiteColour};
};

// Checks a DIB's header (uncompressed, 1 or 24 bits, sane size, a two-colour table for 1 bit) and
// describes its bits; false for anything the host does not support.
bool DescribeDib(const BITMAPINFO* info, const void* bits, Dib& out) {
  if (info == nullptr || bits == nullptr) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB || (h.biBitCount != 1 && h.biBitCount != 24))
    return false;
  const int64_t width = h.biWidth, height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide) return false;
  const size_t stride = StrideOf(width, h.biBitCount);
  if (h.biSizeImage != 0 && h.biSizeImage < stride * static_cast<size_t>(height)) return false;
  if (h.biBitCount == 1) {
    if (h.biClrUsed > 2) return false;
    const RGBQUAD* table = ColourTable(info);
    const int entries = h.biClrUsed == 0 ? 2 : static_cast<int>(h.biClrUsed);
    for (int i = 0; i < entries; ++i)
      out.colours[i] = (ULONG(table[i].rgbRed) << 16) | (ULONG(table[i].rgbGreen) << 8) | table[i].rgbBlue;
    if (entries == 1) out.colours[1] = out.colours[0];
  }
  auto* base = static_cast<uint8_t*>(const_cast<void*>(bits));  // read only
  out.bottomUp = h.biHeight > 0;
  out.plane.bpp = h.biBitCount;
  out.plane.width = static_cast<LONG>(width);
  out.plane.height = static_cast<LONG>(height);
  out.plane.scan0 = out.bottomUp ? base + stride * static_cast<size_t>(height - 1) : base;
  out.plane.delta = out.bottomUp ? -static_cast<ptrdiff_t>(stride) : static_cast<ptrdiff_t>(stride);
  return true;
}

// The pixels covered by an origin and an extent in GDI's convention: a negative extent covers
// origin + extent + 1 up to origin, both included.
void Span(int64_t origin, int64_t extent, int64_t& from, int64_t& to) {
  from = origin;
  to = origin + extent;
  if (from > to) {
    const int64_t was = from;
    from = to + 1;
    to = was + 1;
  }
}

bool FitsLong(int64_t v) { return v >= -0x3FFFFFFF && v <= 0x3FFFFFFF; }

// Draws a DIB's source rectangle onto a bitmap's destination rectangle within `limit`, mirrored where the signs
// of the extents differ; false for zero or out-of-range extents.
bool DrawDib(GdiBitmap& target, int64_t xDest, int64_t yDest, int64_t destWidth, int64_t destHeight, int64_t xSrc,
             int64_t ySrc, int64_t srcWidth, int64_t srcHeight, const Dib& dib, const RECTL& limit) {
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return false;
  int64_t dl, dr, dt, db, sl, sr, st, sb;
  Span(xDest, destWidth, dl, dr);
  Span(yDest, destHeight, dt, db);
  Span(xSrc, srcWidth, sl, sr);
  Span(ySrc, srcHeight, st, sb);
  // A bottom-up DIB counts its source rows from the bottom row.
  if (dib.bottomUp) {
    const int64_t top = dib.plane.height - sb, bottom = dib.plane.height - st;
    st = top;
    sb = bottom;
  }
  for (int64_t v : {dl, dr, dt, db, sl, sr, st, sb})
    if (!FitsLong(v)) return false;
  ColourMap map;
  map.sourceBpp = dib.plane.bpp;
  map.targetBpp = target.bpp;
  map.colours[0] = dib.colours[0];
  map.colours[1] = dib.colours[1];
  const PixelPlane plane = target.Plane();
  StretchPixels(plane, RECTL{LONG(dl), LONG(dt), LONG(dr), LONG(db)}, (destWidth < 0) != (srcWidth < 0),
                (destHeight < 0) != (srcHeight < 0), dib.plane, RECTL{LONG(sl), LONG(st), LONG(sr), LONG(sb)},
                {Intersect(plane.Bounds(), limit)}, map, Combine::First);
  return true;
}

}  // namespace

void ResetGdi() { Canvases().clear(); }

}  // namespace tolma::host::detail

namespace tolma::host {

HWND TopWindow() {
  static int window;
  return reinterpret_cast<HWND>(&window);
}

void SetCanvas(HWND window, LONG width, LONG height, ULONG colour) {
  std::lock_guard lock(HostMutex());
  detail::MakeCanvas(window, width, height, colour);
}

ULONG CanvasPixel(HWND window, LONG x, LONG y) {
  std::lock_guard lock(HostMutex());
  std::shared_ptr<detail::GdiBitmap> canvas = detail::CanvasOf(window, false);
  if (canvas == nullptr || x < 0 || y < 0 || x >= canvas->width || y >= canvas->height) return kNoBrush;
  return canvas->Plane().Get(x, y);
}

ULONG BitmapPixel(HBITMAP bitmap, LONG x, LONG y) {
  std::lock_guard lock(HostMutex());
  detail::GdiBitmap* b = detail::FindBitmap(bitmap);
  if (b == nullptr || x < 0 || y < 0 || x >= b->width || y >= b->height) return kNoBrush;
  return b->Plane().Get(x, y);
}

HBITMAP SelectedBitmap(HDC dc) {
  std::lock_guard lock(HostMutex());
  detail::GdiDc* d = detail::FindDc(dc);
  return d != nullptr && d->memory ? reinterpret_cast<HBITMAP>(d->selected) : nullptr;
}

int LiveBitmapCount() {
  std::lock_guard lock(HostMutex());
  return static_cast<int>(detail::Bitmaps().size());
}

int LiveMemoryDcCount() {
  std::lock_guard lock(HostMutex());
  int n = 0;
  for (const detail::GdiDc* d : detail::Dcs()) n += d->memory ? 1 : 0;
  return n;
}

int OpenPaintCount() {
  std::lock_guard lock(HostMutex());
  int n = 0;
  for (const detail::GdiDc* d : detail::Dcs()) n += d->memory ? 0 : 1;
  return n;
}

}  // namespace tolma::host

using tolma::host::detail::GdiBitmap;
using tolma::host::detail::GdiDc;

extern "C" {

HWND WINAPI GetTopWindow(HWND) {
  if (ShouldFail(FailPoint::GetTopWindow)) return nullptr;
  return tolma::host::TopWindow();
}

// On a window of the host's window manager the paint covers the window's update rectangle (taking it), after
// the background is erased when asked; on any other window the whole canvas.
HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  if (ShouldFail(FailPoint::BeginPaint) || window == nullptr || paint == nullptr) return nullptr;
  std::lock_guard lock(HostMutex());
  std::memset(paint, 0, sizeof *paint);
  RECT update{};
  bool erase = false;
  if (tolma::host::detail::TakeUpdate(window, update, erase)) {
    const RECTL clip{update.left, update.top, update.right, update.bottom};
    GdiDc* dc = tolma::host::detail::NewWindowDc(window, clip, true);
    paint->hdc = reinterpret_cast<HDC>(dc);
    paint->rcPaint = update;
    // fErase: the background was to be erased and nobody did it.
    paint->fErase = erase && !tolma::host::detail::EraseBackground(window, paint->hdc) ? TRUE : FALSE;
    return paint->hdc;
  }
  GdiDc* dc = tolma::host::detail::NewWindowDc(window, RECTL{}, false);
  paint->hdc = reinterpret_cast<HDC>(dc);
  paint->rcPaint = RECT{0, 0, dc->canvas->width, dc->canvas->height};
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (ShouldFail(FailPoint::EndPaint) || paint == nullptr) return FALSE;
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(paint->hdc);
  if (dc != nullptr && !dc->memory && !dc->fromGetDc && dc->window == window) tolma::host::detail::FreeWindowDc(dc);
  return TRUE;
}

HDC WINAPI CreateCompatibleDC(HDC reference) {
  if (ShouldFail(FailPoint::CreateCompatibleDC)) return nullptr;
  std::lock_guard lock(HostMutex());
  if (reference != nullptr && tolma::host::detail::FindDc(reference) == nullptr) return nullptr;
  auto* dc = new GdiDc;
  dc->selected = tolma::host::detail::StockBitmap();
  dc->brush = tolma::host::detail::StockBrush(WHITE_BRUSH);
  dc->pen = tolma::host::detail::StockPen(BLACK_PEN);
  tolma::host::detail::Dcs().insert(dc);
  return reinterpret_cast<HDC>(dc);
}

BOOL WINAPI DeleteDC(HDC handle) {
  if (ShouldFail(FailPoint::DeleteDC)) return FALSE;
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  if (dc == nullptr || !dc->memory) return FALSE;
  if (dc->selected != nullptr && !dc->selected->stock) dc->selected->selectedIn = nullptr;
  tolma::host::detail::Dcs().erase(dc);
  delete dc;
  return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
  if (ShouldFail(FailPoint::SelectObject)) return nullptr;
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  if (dc == nullptr) return nullptr;
  // Brushes and pens go into any device context.
  if (tolma::host::detail::GdiBrush* brush = tolma::host::detail::FindBrush(object)) {
    tolma::host::detail::GdiBrush* previous = dc->brush;
    dc->brush = brush;
    return previous;
  }
  if (tolma::host::detail::GdiPen* pen = tolma::host::detail::FindPen(object)) {
    tolma::host::detail::GdiPen* previous = dc->pen;
    dc->pen = pen;
    return previous;
  }
  GdiBitmap* bitmap = tolma::host::detail::FindBitmap(object);
  // Only bitmaps, only into memory device contexts, and a bitmap into one context at a time.
  if (dc == nullptr || !dc->memory || bitmap == nullptr) return nullptr;
  if (!bitmap->stock && bitmap->selectedIn != nullptr && bitmap->selectedIn != dc) return nullptr;
  GdiBitmap* previous = dc->selected;
  if (previous != nullptr && !previous->stock) previous->selectedIn = nullptr;
  dc->selected = bitmap;
  if (!bitmap->stock) bitmap->selectedIn = dc;
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  if (ShouldFail(FailPoint::DeleteObject)) return FALSE;
  std::lock_guard lock(HostMutex());
  if (tolma::host::detail::FindBrush(object) != nullptr || tolma::host::detail::FindPen(object) != nullptr)
    return tolma::host::detail::DeleteBrushOrPen(object);
  GdiBitmap* bitmap = tolma::host::detail::FindBitmap(object);
  if (bitmap == nullptr) return FALSE;
  if (bitmap->stock) return TRUE;
  if (bitmap->selectedIn != nullptr) return FALSE;  // still selected into a device context
  tolma::host::detail::Bitmaps().erase(bitmap);
  delete bitmap;
  return TRUE;
}

HBITMAP WINAPI CreateDIBitmap(HDC handle, const BITMAPINFOHEADER* header, DWORD init, const VOID* bits,
                              const BITMAPINFO* info, UINT usage) {
  if (ShouldFail(FailPoint::CreateDIBitmap) || header == nullptr) return nullptr;
  std::lock_guard lock(HostMutex());
  if (handle != nullptr && tolma::host::detail::FindDc(handle) == nullptr) return nullptr;
  const int64_t height = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;
  std::unique_ptr<GdiBitmap> bitmap = tolma::host::detail::NewBitmap(header->biWidth, height, header->biBitCount);
  if (bitmap == nullptr) return nullptr;
  // Initialised bitmaps take the DIB's pixels one to one from the top left corner.
  if (init & CBM_INIT) {
    tolma::host::detail::Dib dib;
    if (usage != DIB_RGB_COLORS || !tolma::host::detail::DescribeDib(info, bits, dib)) return nullptr;
    const int64_t w = dib.plane.width, h = dib.plane.height;
    tolma::host::detail::DrawDib(*bitmap, 0, 0, w, h, 0, 0, w, h, dib, bitmap->Plane().Bounds());
  }
  return tolma::host::detail::AdoptBitmap(std::move(bitmap));
}

int WINAPI StretchDIBits(HDC handle, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, const VOID* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  if (ShouldFail(FailPoint::StretchDIBits)) return 0;
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  tolma::host::detail::Dib dib;
  if (dc == nullptr || rop != SRCCOPY || usage != DIB_RGB_COLORS || !tolma::host::detail::DescribeDib(info, bits, dib))
    return 0;
  GdiBitmap* target = tolma::host::detail::DrawingBitmap(dc);
  if (target == nullptr ||
      !tolma::host::detail::DrawDib(*target, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, dib,
                                    tolma::host::detail::DrawableArea(dc)))
    return 0;
  return srcHeight < 0 ? -srcHeight : srcHeight;
}

int WINAPI GetDIBits(HDC handle, HBITMAP bitmapHandle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                     UINT usage) {
  if (ShouldFail(FailPoint::GetDIBits)) return 0;
  std::lock_guard lock(HostMutex());
  GdiBitmap* bitmap = tolma::host::detail::FindBitmap(bitmapHandle);
  if (tolma::host::detail::FindDc(handle) == nullptr || bitmap == nullptr || info == nullptr ||
      usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
    return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0 && bits == nullptr) h.biBitCount = static_cast<WORD>(bitmap->bpp);
  if (h.biBitCount != 1 && h.biBitCount != 24) return 0;
  const size_t stride = tolma::host::detail::StrideOf(bitmap->width, h.biBitCount);
  // Without bits only the description is filled in.
  if (bits == nullptr) {
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(bitmap->height));
  } else {
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    if (h.biCompression != BI_RGB || h.biWidth != bitmap->width || height != bitmap->height) return 0;
  }
  if (h.biBitCount == 1) {
    RGBQUAD* table = tolma::host::detail::ColourTable(info);
    table[0] = RGBQUAD{0, 0, 0, 0};
    table[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
  }
  if (bits == nullptr) return 1;

  // Scan line n of a bottom-up DIB is the bitmap's row height - 1 - n.
  const bool bottomUp = h.biHeight > 0;
  ColourMap map;
  map.sourceBpp = bitmap->bpp;
  map.targetBpp = h.biBitCount;
  const PixelPlane source = bitmap->Plane();
  auto* out = static_cast<uint8_t*>(bits);
  UINT copied = 0;
  for (UINT i = 0; i < lines && int64_t(start) + i < bitmap->height; ++i, ++copied) {
    const auto scan = static_cast<LONG>(start + i);
    const LONG row = bottomUp ? bitmap->height - 1 - scan : scan;
    uint8_t* line = out + stride * i;
    std::memset(line, 0, stride);
    const PixelPlane dest{line, 0, bitmap->width, 1, h.biBitCount};
    for (LONG x = 0; x < bitmap->width; ++x) dest.Set(x, 0, map(source.Get(x, row)));
  }
  return static_cast<int>(copied);
}

// Sets scan lines of a bitmap from a DIB as wide as the bitmap (scan line 0 of a bottom-up DIB is the bottom row);
// returns the number of lines set.
int WINAPI SetDIBits(HDC handle, HBITMAP bitmapHandle, UINT start, UINT lines, const VOID* bits, const BITMAPINFO* info,
                     UINT usage) {
  std::lock_guard lock(HostMutex());
  GdiBitmap* bitmap = tolma::host::detail::FindBitmap(bitmapHandle);
  tolma::host::detail::Dib dib;
  if ((handle != nullptr && tolma::host::detail::FindDc(handle) == nullptr) || bitmap == nullptr || bitmap->stock ||
      usage != DIB_RGB_COLORS || info == nullptr)
    return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  if (h.biWidth != bitmap->width || height != bitmap->height || start >= height) return 0;
  const UINT count = static_cast<UINT>(std::min<int64_t>(lines, height - start));
  // The caller's bits hold `count` lines from `start` on: describe them as a DIB of that many lines.
  BITMAPINFO part = *info;
  part.bmiHeader.biHeight = h.biHeight < 0 ? -static_cast<LONG>(count) : static_cast<LONG>(count);
  part.bmiHeader.biSizeImage = 0;
  if (h.biBitCount == 1) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } mono{part.bmiHeader, {}};
    const RGBQUAD* table = tolma::host::detail::ColourTable(info);
    mono.colours[0] = table[0];
    mono.colours[1] = h.biClrUsed == 1 ? table[0] : table[1];
    mono.header.biSize = sizeof(BITMAPINFOHEADER);
    if (!tolma::host::detail::DescribeDib(reinterpret_cast<const BITMAPINFO*>(&mono), bits, dib)) return 0;
  } else if (!tolma::host::detail::DescribeDib(&part, bits, dib)) {
    return 0;
  }
  // Top-down lines start at row `start`; bottom-up ones end at row height - 1 - start.
  const LONG top = h.biHeight < 0 ? static_cast<LONG>(start) : static_cast<LONG>(height - start - count);
  tolma::host::detail::DrawDib(*bitmap, 0, top, bitmap->width, count, 0, 0, bitmap->width, count, dib,
                               bitmap->Plane().Bounds());
  return static_cast<int>(count);
}

}  // extern "C"
