// Host stand-in for GDI painting: stock and solid brushes and pens, rectangles, block transfers between device
// contexts, bitmap descriptions and system colours.
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

using tolma::host::detail::ColourMap;
using tolma::host::detail::Combine;
using tolma::host::detail::GdiBitmap;
using tolma::host::detail::GdiBrush;
using tolma::host::detail::GdiDc;
using tolma::host::detail::GdiPen;
using tolma::host::detail::HostMutex;
using tolma::host::detail::Intersect;
using tolma::host::detail::IsEmpty;

namespace tolma::host::detail {
namespace {

std::set<GdiBrush*>& Brushes() {
  static std::set<GdiBrush*> s;
  return s;
}
std::set<GdiPen*>& Pens() {
  static std::set<GdiPen*> s;
  return s;
}

// Stock objects, indexed by their GetStockObject number.
GdiBrush g_stockBrushes[6] = {{0xFFFFFF, false, true}, {0xC0C0C0, false, true}, {0x808080, false, true},
                              {0x404040, false, true}, {0x000000, false, true}, {0x000000, true, true}};
GdiPen g_stockPens[3] = {{0xFFFFFF, false, true}, {0x000000, false, true}, {0x000000, true, true}};

// System colours (0xRRGGBB) by index, and their brushes.
constexpr int kSysColours = 31;
ULONG SysColour(int index) {
  switch (index) {
    case COLOR_WINDOW:
      return 0xFFFFFF;
    case COLOR_WINDOWTEXT:
      return 0x000000;
    case COLOR_BTNFACE:
      return 0xF0F0F0;
    default:
      return 0xC0C0C0;
  }
}
GdiBrush* SysColourBrush(int index) {
  static GdiBrush brushes[kSysColours];
  static bool made = false;
  if (!made) {
    for (int i = 0; i < kSysColours; ++i) brushes[i] = GdiBrush{SysColour(i), false, true};
    made = true;
  }
  return index >= 0 && index < kSysColours ? &brushes[index] : nullptr;
}

// A brush handle as FillRect takes it: a brush, or a system colour index + 1.
GdiBrush* BrushForFill(HBRUSH handle) {
  const auto value = reinterpret_cast<ULONG_PTR>(handle);
  if (value >= 1 && value <= kSysColours) return SysColourBrush(static_cast<int>(value - 1));
  return FindBrush(handle);
}

}  // namespace

GdiBrush* FindBrush(HGDIOBJ object) {
  auto* b = static_cast<GdiBrush*>(object);
  for (GdiBrush& stock : g_stockBrushes)
    if (b == &stock) return b;
  for (int i = 0; i < kSysColours; ++i)
    if (b == SysColourBrush(i)) return b;
  return Brushes().count(b) ? b : nullptr;
}

GdiPen* FindPen(HGDIOBJ object) {
  auto* p = static_cast<GdiPen*>(object);
  for (GdiPen& stock : g_stockPens)
    if (p == &stock) return p;
  return Pens().count(p) ? p : nullptr;
}

GdiBrush* StockBrush(int index) { return index >= 0 && index <= NULL_BRUSH ? &g_stockBrushes[index] : nullptr; }
GdiPen* StockPen(int index) {
  return index >= WHITE_PEN && index <= NULL_PEN ? &g_stockPens[index - WHITE_PEN] : nullptr;
}

BOOL DeleteBrushOrPen(HGDIOBJ object) {
  if (GdiBrush* b = FindBrush(object)) {
    if (!b->stock) {
      Brushes().erase(b);
      delete b;
    }
    return TRUE;
  }
  if (GdiPen* p = FindPen(object)) {
    if (!p->stock) {
      Pens().erase(p);
      delete p;
    }
    return TRUE;
  }
  return FALSE;
}

int LiveBrushAndPenCount() { return static_cast<int>(Brushes().size() + Pens().size()); }

}  // namespace tolma::host::detail

namespace {

// The stretch mode's way of combining source pixels when shrinking.
Combine CombineFor(int mode) {
  switch (mode) {
    case 1:  // BLACKONWHITE
      return Combine::And;
    case 2:  // WHITEONBLACK
      return Combine::Or;
    default:
      return Combine::First;
  }
}

// The pixels covered by an origin and an extent: a negative extent covers origin + extent + 1 up to origin.
RECTL SpanRect(int64_t x, int64_t y, int64_t width, int64_t height) {
  auto span = [](int64_t origin, int64_t extent, LONG& from, LONG& to) {
    int64_t a = origin, b = origin + extent;
    if (a > b) {
      const int64_t was = a;
      a = b + 1;
      b = was + 1;
    }
    from = static_cast<LONG>(std::clamp<int64_t>(a, -0x3FFFFFFF, 0x3FFFFFFF));
    to = static_cast<LONG>(std::clamp<int64_t>(b, -0x3FFFFFFF, 0x3FFFFFFF));
  };
  RECTL r{};
  span(x, width, r.left, r.right);
  span(y, height, r.top, r.bottom);
  return r;
}

}  // namespace

extern "C" {

HGDIOBJ WINAPI GetStockObject(int object) {
  std::lock_guard lock(HostMutex());
  if (GdiBrush* b = tolma::host::detail::StockBrush(object)) return b;
  if (GdiPen* p = tolma::host::detail::StockPen(object)) return p;
  return nullptr;
}

HBRUSH WINAPI CreateSolidBrush(DWORD colour) {
  std::lock_guard lock(HostMutex());
  auto* b = new GdiBrush{tolma::host::detail::FromColorRef(colour), false, false};
  tolma::host::detail::Brushes().insert(b);
  return reinterpret_cast<HBRUSH>(b);
}

HPEN WINAPI CreatePen(int style, int width, DWORD colour) {
  if (style != PS_SOLID && style != PS_NULL) return nullptr;
  if (width > 1) return nullptr;  // the host draws one-pixel pens only
  std::lock_guard lock(HostMutex());
  auto* p = new GdiPen{tolma::host::detail::FromColorRef(colour), style == PS_NULL, false};
  tolma::host::detail::Pens().insert(p);
  return reinterpret_cast<HPEN>(p);
}

DWORD WINAPI GetSysColor(int index) { return tolma::host::detail::ToColorRef(tolma::host::detail::SysColour(index)); }

HBRUSH WINAPI GetSysColorBrush(int index) {
  std::lock_guard lock(HostMutex());
  return reinterpret_cast<HBRUSH>(tolma::host::detail::SysColourBrush(index));
}

// Fills left..right-1 and top..bottom-1 with the brush; the pen is not used.
int WINAPI FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  GdiBrush* brush = tolma::host::detail::BrushForFill(brushHandle);
  if (dc == nullptr || rect == nullptr || brush == nullptr) return 0;
  GdiBitmap* target = tolma::host::detail::DrawingBitmap(dc);
  if (target == nullptr) return 0;
  if (!brush->null)
    tolma::host::detail::FillPixels(*target, RECTL{rect->left, rect->top, rect->right, rect->bottom},
                                    tolma::host::detail::DrawableArea(dc), brush->colour);
  return 1;
}

// Outlines left..right-1, top..bottom-1 with the pen and fills the inside with the brush; with a null pen the
// filled area is one pixel narrower and lower, as in GDI.
BOOL WINAPI Rectangle(HDC handle, int left, int top, int right, int bottom) {
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  if (dc == nullptr) return FALSE;
  GdiBitmap* target = tolma::host::detail::DrawingBitmap(dc);
  if (target == nullptr) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const RECTL limit = tolma::host::detail::DrawableArea(dc);
  const bool pen = dc->pen != nullptr && !dc->pen->null;
  if (dc->brush != nullptr && !dc->brush->null) {
    const RECTL inside =
        pen ? RECTL{left + 1, top + 1, right - 1, bottom - 1} : RECTL{left, top, right - 1, bottom - 1};
    tolma::host::detail::FillPixels(*target, inside, limit, dc->brush->colour);
  }
  if (pen && right - left >= 1 && bottom - top >= 1) {
    const ULONG c = dc->pen->colour;
    tolma::host::detail::FillPixels(*target, RECTL{left, top, right, top + 1}, limit, c);
    tolma::host::detail::FillPixels(*target, RECTL{left, bottom - 1, right, bottom}, limit, c);
    tolma::host::detail::FillPixels(*target, RECTL{left, top, left + 1, bottom}, limit, c);
    tolma::host::detail::FillPixels(*target, RECTL{right - 1, top, right, bottom}, limit, c);
  }
  return TRUE;
}

// Copies, fills with the brush, or blackens and whitens a block; SRCCOPY reads only pixels inside the source.
BOOL WINAPI BitBlt(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int xSrc, int ySrc,
                   DWORD rop) {
  std::lock_guard lock(HostMutex());
  GdiDc* dest = tolma::host::detail::FindDc(destHandle);
  if (dest == nullptr || width < 0 || height < 0) return FALSE;
  GdiBitmap* target = tolma::host::detail::DrawingBitmap(dest);
  if (target == nullptr) return FALSE;
  const RECTL limit = tolma::host::detail::DrawableArea(dest);
  const RECTL block{x, y, x + width, y + height};
  switch (rop) {
    case BLACKNESS:
    case WHITENESS:
      tolma::host::detail::FillPixels(*target, block, limit, rop == BLACKNESS ? 0x000000 : 0xFFFFFF);
      return TRUE;
    case PATCOPY:
      if (dest->brush != nullptr && !dest->brush->null)
        tolma::host::detail::FillPixels(*target, block, limit, dest->brush->colour);
      return TRUE;
    case SRCCOPY:
      break;
    default:
      return FALSE;
  }
  GdiDc* source = tolma::host::detail::FindDc(sourceHandle);
  GdiBitmap* from = source != nullptr ? tolma::host::detail::DrawingBitmap(source) : nullptr;
  if (from == nullptr) return FALSE;
  // The part of the block whose source pixels exist, one to one.
  const RECTL wanted{xSrc, ySrc, xSrc + width, ySrc + height};
  const RECTL have = Intersect(wanted, from->Plane().Bounds());
  if (IsEmpty(have)) return TRUE;
  const RECTL to{x + (have.left - xSrc), y + (have.top - ySrc), x + (have.right - xSrc), y + (have.bottom - ySrc)};
  ColourMap map;
  map.sourceBpp = from->bpp;
  map.targetBpp = target->bpp;
  tolma::host::detail::StretchPixels(target->Plane(), to, false, false, from->Plane(), have, {limit}, map,
                                     Combine::First);
  return TRUE;
}

// Stretches a source block over a destination block, mirrored where the extents differ in sign; SRCCOPY only.
BOOL WINAPI StretchBlt(HDC destHandle, int xDest, int yDest, int destWidth, int destHeight, HDC sourceHandle, int xSrc,
                       int ySrc, int srcWidth, int srcHeight, DWORD rop) {
  std::lock_guard lock(HostMutex());
  GdiDc* dest = tolma::host::detail::FindDc(destHandle);
  GdiDc* source = tolma::host::detail::FindDc(sourceHandle);
  if (dest == nullptr || source == nullptr || rop != SRCCOPY) return FALSE;
  GdiBitmap* target = tolma::host::detail::DrawingBitmap(dest);
  GdiBitmap* from = tolma::host::detail::DrawingBitmap(source);
  if (target == nullptr || from == nullptr) return FALSE;
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return TRUE;
  const RECTL to = SpanRect(xDest, yDest, destWidth, destHeight);
  const RECTL have = SpanRect(xSrc, ySrc, srcWidth, srcHeight);
  ColourMap map;
  map.sourceBpp = from->bpp;
  map.targetBpp = target->bpp;
  tolma::host::detail::StretchPixels(target->Plane(), to, (destWidth < 0) != (srcWidth < 0),
                                     (destHeight < 0) != (srcHeight < 0), from->Plane(), have,
                                     {tolma::host::detail::DrawableArea(dest)}, map, CombineFor(dest->stretchMode));
  return TRUE;
}

int WINAPI SetStretchBltMode(HDC handle, int mode) {
  std::lock_guard lock(HostMutex());
  GdiDc* dc = tolma::host::detail::FindDc(handle);
  if (dc == nullptr || mode < 1 || mode > 4) return 0;
  const int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

// Describes a bitmap as a BITMAP record (rows rounded to 16 bits, as for device bitmaps).
int WINAPI GetObjectW(HGDIOBJ object, int size, LPVOID out) {
  std::lock_guard lock(HostMutex());
  GdiBitmap* bitmap = tolma::host::detail::FindBitmap(object);
  if (bitmap == nullptr) return 0;
  if (out == nullptr) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP b{};
  b.bmWidth = bitmap->width;
  b.bmHeight = bitmap->height;
  b.bmWidthBytes = static_cast<LONG>((int64_t(bitmap->width) * bitmap->bpp + 15) / 16 * 2);
  b.bmPlanes = 1;
  b.bmBitsPixel = static_cast<WORD>(bitmap->bpp);
  std::memcpy(out, &b, sizeof b);
  return sizeof(BITMAP);
}

}  // extern "C"
