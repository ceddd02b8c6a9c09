// The card preview of the overlay area dialogs: where card points land inside the preview group box, and the
// painting of an area type (whole card, rectangles, fixed windows or a one-bit bitmap file).
#pragma once

#include "common/bitmap_file.h"
#include "platform/win32.h"

#include <cstdint>

namespace tolma::ui {

// The card in the preview: card x 0..1024 maps onto client pixels left..left + width, card y 0..640 onto
// top..top + height (both ends drawn).
struct PreviewFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The largest frame of the card's proportions (1024 : 640) centred in `inside` (client pixels, right and bottom
// excluded).
PreviewFrame FitPreviewFrame(const RECT& inside);

// Where a card point is drawn: (left + width x x / 1024, top + height x y / 640), or, rotated by 180 degrees,
// (left + width - width x x / 1024, top + height - height x y / 640). Coordinates are taken within 0..1024 and
// 0..640 first, so nothing lands outside the frame.
POINT PreviewPoint(const PreviewFrame& frame, int64_t x, int64_t y, bool rotated);

// The rectangle drawn for the card rectangle (left, top)..(right, bottom): from its left-top point to its
// right-bottom point plus one pixel, or rotated from the turned right-bottom corner to the turned left-top corner
// plus one (right and bottom excluded, as GDI's Rectangle and FillRect take them).
RECT PreviewRectangle(const PreviewFrame& frame, int64_t left, int64_t top, int64_t right, int64_t bottom,
                      bool rotated);

// What an area type shows.
enum class PreviewKind : uint8_t {
  kFull,       // the whole card black (varnished)
  kNone,       // the whole card white
  kArea,       // white card, the area's rectangle black
  kAreaBlank,  // black card, the area's rectangle white
  kBitmap,     // the bitmap file
  kWindow,     // black card, a fixed window white
};

// A card rectangle in card pixels.
struct CardRect {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

// Paints the preview of one area: `area` is the record's rectangle (kArea, kAreaBlank) or the fixed window
// (kWindow). Uses the stock black and white brushes and the context's pen.
void PaintAreaPreview(HDC dc, const PreviewFrame& frame, PreviewKind kind, const CardRect& area, bool rotated);

// Stretches a one-bit bitmap file over the frame with its colour table forced to black (0) and white (1);
// rotated, it is drawn from the frame's right-bottom corner with negative extents. False when nothing was drawn.
bool PaintBitmapPreview(HDC dc, const PreviewFrame& frame, const MonoBitmapFile& bitmap, bool rotated);

// A BITMAPINFO for a file's one-bit bitmap: its own 40-byte header with the colour table forced to black (entry 0)
// and white (entry 1), and the header's colour counts and image size cleared (the reader checked the rows).
struct MonoBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[2];
};
MonoBitmapInfo ForcedMonoInfo(const MonoBitmapFile& bitmap);

}  // namespace tolma::ui
