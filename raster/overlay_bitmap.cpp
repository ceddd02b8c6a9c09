// The bitmap-based overlay: the file's one-bit image drawn into the 1024 x 640 panel frame and encoded.
#include "common/bitmap_file.h"
#include "common/commands.h"
#include "common/wide.h"
#include "raster/composer.h"
#include "raster/encoder_context.h"
#include "raster/overlay.h"
#include "raster/spool.h"

#include <cstring>
#include <vector>

namespace tolma {
namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 640;
constexpr size_t kFrameRowBytes = kFrameWidth / 8;
constexpr size_t kFrameBytes = kFrameRowBytes * kFrameHeight;  // 81,920 (of the 98,304-byte bits block)
constexpr size_t kBitsBlockSize = 98304;
// A BITMAPINFO with room for the two colours of a one-bit image.
struct MonoBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[2];
};

MonoBitmapInfo FrameInfo() {
  MonoBitmapInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = kFrameWidth;
  info.header.biHeight = kFrameHeight;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biCompression = BI_RGB;
  info.header.biXPelsPerMeter = 11811;  // 300 dpi
  info.header.biYPelsPerMeter = 11811;
  info.colours[1] = {255, 255, 255, 0};
  return info;
}

// Draws the file into the frame and reads the frame back bottom-up into `bits`. False when a resource fails.
// A negative extent covers origin + extent + 1 up to the origin, so the mirrored drawing starts at the last
// column (1023) and the upside-down one at the last row (639): both fill the frame exactly.
bool RenderFrame(const MonoBitmapFile& bmp, bool rotated, uint8_t* bits) {
  bool done = false;
  PAINTSTRUCT paint{};
  HWND window = GetTopWindow(nullptr);
  HDC screen = BeginPaint(window, &paint);
  HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
  MonoBitmapInfo frame = FrameInfo();
  HBITMAP bitmap = memory ? CreateDIBitmap(screen, &frame.header, 0, nullptr, nullptr, DIB_RGB_COLORS) : nullptr;
  HGDIOBJ previous = bitmap ? SelectObject(memory, bitmap) : nullptr;
  if (previous != nullptr) {
    // The file's own header with the colour table black (0) and white (1).
    MonoBitmapInfo source{};
    std::memcpy(&source.header, bmp.block.data(), sizeof source.header);
    source.colours[1] = {255, 255, 255, 0};
    const int drawn = rotated ? StretchDIBits(memory, kFrameWidth - 1, 0, -kFrameWidth, kFrameHeight, 0, 0, bmp.width,
                                              std::abs(bmp.height), bmp.bits.data(),
                                              reinterpret_cast<BITMAPINFO*>(&source), DIB_RGB_COLORS, SRCCOPY)
                              : StretchDIBits(memory, 0, kFrameHeight - 1, kFrameWidth, -kFrameHeight, 0, 0, bmp.width,
                                              std::abs(bmp.height), bmp.bits.data(),
                                              reinterpret_cast<BITMAPINFO*>(&source), DIB_RGB_COLORS, SRCCOPY);
    MonoBitmapInfo readBack = FrameInfo();
    done = drawn != 0 && GetDIBits(memory, bitmap, 0, kFrameHeight, bits, reinterpret_cast<BITMAPINFO*>(&readBack),
                                   DIB_RGB_COLORS) == kFrameHeight;
    SelectObject(memory, previous);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  if (screen != nullptr) EndPaint(window, &paint);
  return done;
}

}  // namespace

bool SendOverlayBitmap(RenderContext& ctx, const OverlayArea& area) {
  const WString path(area.bitmapPath, WideLength(area.bitmapPath, std::size(area.bitmapPath)));
  const std::vector<uint8_t> file = ReadBitmapFileBytes(path);
  const std::optional<MonoBitmapFile> bmp = ParseMonoBitmapFile(file);
  if (!bmp) return false;

  auto* bits = static_cast<uint8_t*>(HeapAllocZero(kBitsBlockSize));
  auto* work = static_cast<uint8_t*>(HeapAllocZero(kMonoWorkBufferSize));
  bool encoded = false;
  if (bits != nullptr && work != nullptr) {
    RenderingLockGuard lock;
    if (RenderFrame(*bmp, area.areaRotate180 != 0, bits)) {
      ResetPanelEncoding(ctx);
      const std::span<uint8_t> workSpan(work, kMonoWorkBufferSize);
      encoded = ScanMonoColumnsPacked(ctx, workSpan, std::span<const uint8_t>(bits, kFrameBytes), false);
      if (encoded) {
        PutMonoByte(ctx, workSpan, 0, true);
        PanelOutput out = PanelOutputOf(ctx);
        out.Put(cmd::kCr);
        StorePanelOutput(ctx, out);
      }
    }
  }
  if (encoded) {
    CommandBuffer<64> header;
    cmd::OverlayBitmapHeader(header, cmd::MonoFormat(ctx.priv.packedPanels != 0));
    WriteUnrecorded(ctx, header.text());
    WritePanelBuffer(ctx.printerHandle, ctx);
  }
  HeapRelease(work);
  HeapRelease(bits);
  return encoded;
}

}  // namespace tolma
