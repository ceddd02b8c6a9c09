// The card preview of the overlay area dialogs: the mapping of card points into the frame and the painting.
#include "ui/adjust/area_preview.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tolma::ui {
namespace {

constexpr int64_t kCardWidth = 1024;
constexpr int64_t kCardHeight = 640;

}  // namespace

PreviewFrame FitPreviewFrame(const RECT& inside) {
  const int64_t available = std::max<int64_t>(0, int64_t{inside.right} - inside.left);
  const int64_t tall = std::max<int64_t>(0, int64_t{inside.bottom} - inside.top);
  // The pixels the card covers, wide x high, in its proportions 8 : 5.
  int64_t wide = available, high = available * 5 / 8;
  if (high > tall) {
    high = tall;
    wide = tall * 8 / 5;
  }
  PreviewFrame frame;
  frame.left = static_cast<int>(inside.left + (available - wide) / 2);
  frame.top = static_cast<int>(inside.top + (tall - high) / 2);
  frame.width = static_cast<int>(std::max<int64_t>(0, wide - 1));
  frame.height = static_cast<int>(std::max<int64_t>(0, high - 1));
  return frame;
}

POINT PreviewPoint(const PreviewFrame& frame, int64_t x, int64_t y, bool rotated) {
  x = std::clamp<int64_t>(x, 0, kCardWidth);
  y = std::clamp<int64_t>(y, 0, kCardHeight);
  const int64_t dx = int64_t{frame.width} * x / kCardWidth;
  const int64_t dy = int64_t{frame.height} * y / kCardHeight;
  if (rotated)
    return POINT{static_cast<LONG>(frame.left + frame.width - dx), static_cast<LONG>(frame.top + frame.height - dy)};
  return POINT{static_cast<LONG>(frame.left + dx), static_cast<LONG>(frame.top + dy)};
}

RECT PreviewRectangle(const PreviewFrame& frame, int64_t left, int64_t top, int64_t right, int64_t bottom,
                      bool rotated) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const POINT from = rotated ? PreviewPoint(frame, right, bottom, true) : PreviewPoint(frame, left, top, false);
  const POINT to = rotated ? PreviewPoint(frame, left, top, true) : PreviewPoint(frame, right, bottom, false);
  return RECT{from.x, from.y, to.x + 1, to.y + 1};
}

void PaintAreaPreview(HDC dc, const PreviewFrame& frame, PreviewKind kind, const CardRect& area, bool rotated) {
  const RECT card = PreviewRectangle(frame, 0, 0, kCardWidth, kCardHeight, rotated);
  const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const auto white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  switch (kind) {
    case PreviewKind::kFull:
      FillRect(dc, &card, black);
      return;
    case PreviewKind::kNone:
      FillRect(dc, &card, white);
      return;
    case PreviewKind::kArea:
    case PreviewKind::kAreaBlank:
    case PreviewKind::kWindow: {
      // The card in one colour, the rectangle in the other, outlined by the context's pen.
      const bool varnished = kind == PreviewKind::kArea;
      FillRect(dc, &card, varnished ? white : black);
      const RECT r = PreviewRectangle(frame, area.left, area.top, area.right, area.bottom, rotated);
      HGDIOBJ previous = SelectObject(dc, varnished ? black : white);
      Rectangle(dc, r.left, r.top, r.right, r.bottom);
      if (previous != nullptr) SelectObject(dc, previous);
      return;
    }
    case PreviewKind::kBitmap:
      return;  // drawn from its file by PaintBitmapPreview
  }
}

MonoBitmapInfo ForcedMonoInfo(const MonoBitmapFile& bitmap) {
  MonoBitmapInfo info{};
  std::memcpy(&info.header, bitmap.block.data(), sizeof info.header);
  info.header.biClrUsed = 0;
  info.header.biClrImportant = 0;
  info.header.biSizeImage = 0;
  info.colours[0] = RGBQUAD{0, 0, 0, 0};
  info.colours[1] = RGBQUAD{255, 255, 255, 0};
  return info;
}

bool PaintBitmapPreview(HDC dc, const PreviewFrame& frame, const MonoBitmapFile& bitmap, bool rotated) {
  const MonoBitmapInfo info = ForcedMonoInfo(bitmap);
  const int wide = frame.width + 1, high = frame.height + 1;
  // A negative extent covers its origin and the pixels before it: from the right-bottom corner the turned picture
  // covers exactly the frame.
  const int x = rotated ? frame.left + frame.width : frame.left;
  const int y = rotated ? frame.top + frame.height : frame.top;
  const int drawn = StretchDIBits(dc, x, y, rotated ? -wide : wide, rotated ? -high : high, 0, 0, bitmap.width,
                                  bitmap.height < 0 ? -bitmap.height : bitmap.height, bitmap.bits.data(),
                                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
  return drawn != 0;
}

}  // namespace tolma::ui
