// Internal: the host GDI's objects (bitmaps, brushes, pens, device contexts) and window canvases, shared by the
// GDI functions and the window manager.
#pragma once

#include "platform/host/draw_state.h"
#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tolma::host::detail {

struct GdiDc;

// A device-dependent bitmap: top-down rows, DWORD-aligned, 1 or 24 bits a pixel.
struct GdiBitmap {
  LONG width = 0;
  LONG height = 0;
  int bpp = 1;
  size_t stride = 0;
  std::vector<uint8_t> bits;
  GdiDc* selectedIn = nullptr;  // the memory device context it is selected into
  bool stock = false;

  PixelPlane Plane() { return PixelPlane{bits.data(), static_cast<ptrdiff_t>(stride), width, height, bpp}; }
};

// A solid brush or a pen of one colour (0xRRGGBB); a null one draws nothing.
struct GdiBrush {
  ULONG colour = 0;
  bool null = false;
  bool stock = false;
};
struct GdiPen {
  ULONG colour = 0;
  bool null = false;
  bool stock = false;
};

// A memory device context (with its selected bitmap) or a window's device context (on its canvas, limited to
// `clip` when `clipped`: the update rectangle of a paint).
struct GdiDc {
  bool memory = true;
  HWND window = nullptr;
  std::shared_ptr<GdiBitmap> canvas;
  GdiBitmap* selected = nullptr;
  GdiBrush* brush = nullptr;
  GdiPen* pen = nullptr;
  RECTL clip{};
  bool clipped = false;
  bool fromGetDc = false;  // made by GetDC (released by ReleaseDC), else by BeginPaint
  int stretchMode = 1;
};

// Bytes of a DWORD-aligned row.
size_t StrideOf(int64_t width, int bpp);
// A new zero-filled bitmap; none for unsupported sizes or depths.
std::unique_ptr<GdiBitmap> NewBitmap(int64_t width, int64_t height, int bpp);
// Makes a bitmap a live GDI object and returns its handle.
HBITMAP AdoptBitmap(std::unique_ptr<GdiBitmap> bitmap);

// Live objects by handle (nullptr for anything else).
GdiDc* FindDc(HDC dc);
GdiBitmap* FindBitmap(HGDIOBJ object);
GdiBrush* FindBrush(HGDIOBJ object);
GdiPen* FindPen(HGDIOBJ object);
GdiBrush* StockBrush(int index);
GdiPen* StockPen(int index);
// Deletes a brush or pen made by CreateSolidBrush or CreatePen (stock ones stay); FALSE for anything else.
BOOL DeleteBrushOrPen(HGDIOBJ object);
int LiveBrushAndPenCount();

// The bitmap a device context draws on: its selected bitmap, or the window's canvas.
GdiBitmap* DrawingBitmap(GdiDc* dc);
// The rectangle a device context may draw in: its bitmap, within the clip of a window paint.
RECTL DrawableArea(GdiDc* dc);

// Window canvases: the client area of a host window as pixels.
std::shared_ptr<GdiBitmap> CanvasOf(HWND window, bool create);
void MakeCanvas(HWND window, LONG width, LONG height, ULONG colour);
void DropCanvas(HWND window);
// A new device context on a window's canvas (made when missing), limited to `clip`.
GdiDc* NewWindowDc(HWND window, const RECTL& clip, bool clipped);
void FreeWindowDc(GdiDc* dc);

// Fills a rectangle of a bitmap with a colour (0xRRGGBB), within `limit`.
void FillPixels(GdiBitmap& target, const RECTL& rect, const RECTL& limit, ULONG colour);

// A COLORREF (0x00BBGGRR) as 0xRRGGBB, and back.
inline ULONG FromColorRef(DWORD c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline DWORD ToColorRef(ULONG c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

}  // namespace tolma::host::detail
