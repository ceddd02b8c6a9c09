// Host stand-in for LoadImageW: bitmaps from ".bmp" files or from a module's bitmap resources.
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

using tolma::host::detail::GdiBitmap;
using tolma::host::detail::HostMutex;
using tolma::host::detail::PixelPlane;

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Decodes a device-independent bitmap (an information header, its colour table and its pixels) into a host
// bitmap: 1 bit a pixel when the colours are black and white, else 24 bits. `pixelOffset` is where the pixels
// start in `dib` (0: right after the colour table). Uncompressed 1, 4, 8, 24 and 32 bits only; nothing is read
// outside `dib`.
std::unique_ptr<GdiBitmap> DecodeDib(std::span<const uint8_t> dib, size_t pixelOffset) {
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return nullptr;
  const uint8_t* p = dib.data();
  const uint32_t headerSize = U32(p);
  const auto width = static_cast<int32_t>(U32(p + 4));
  const auto rawHeight = static_cast<int32_t>(U32(p + 8));
  const uint16_t bpp = U16(p + 14);
  const uint32_t compression = U32(p + 16);
  uint32_t colours = U32(p + 32);
  if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > dib.size() || U16(p + 12) != 1 || compression != BI_RGB)
    return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
  const int64_t height = rawHeight < 0 ? -int64_t(rawHeight) : rawHeight;
  if (width <= 0 || width > 65536 || height == 0 || height > 65536) return nullptr;
  if (bpp <= 8 && colours == 0) colours = 1u << bpp;
  if (bpp > 8) colours = 0;
  if (colours > 256 || headerSize + size_t(colours) * 4 > dib.size()) return nullptr;
  const uint8_t* table = p + headerSize;
  auto tableColour = [&](uint32_t index) -> ULONG {
    if (index >= colours) return 0;
    const uint8_t* q = table + index * 4;
    return (ULONG(q[2]) << 16) | (ULONG(q[1]) << 8) | q[0];
  };

  const size_t stride = tolma::host::detail::StrideOf(width, bpp);
  const size_t start = pixelOffset != 0 ? pixelOffset : headerSize + size_t(colours) * 4;
  if (start > dib.size() || (dib.size() - start) / stride < static_cast<size_t>(height)) return nullptr;

  const bool mono = bpp == 1 && tableColour(0) == 0x000000 && tableColour(1) == 0xFFFFFF;
  std::unique_ptr<GdiBitmap> out = tolma::host::detail::NewBitmap(width, height, mono ? 1 : 24);
  if (out == nullptr) return nullptr;
  const PixelPlane plane = out->Plane();
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* line = dib.data() + start + stride * static_cast<size_t>(rawHeight > 0 ? height - 1 - row : row);
    for (int32_t x = 0; x < width; ++x) {
      ULONG colour = 0;
      switch (bpp) {
        case 1:
          colour = tableColour((line[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          colour = tableColour((line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
          break;
        case 8:
          colour = tableColour(line[x]);
          break;
        default: {
          const uint8_t* q = line + static_cast<size_t>(x) * (bpp / 8);
          colour = (ULONG(q[2]) << 16) | (ULONG(q[1]) << 8) | q[0];
        }
      }
      plane.Set(x, static_cast<LONG>(row), tolma::host::detail::ColourToStored(colour, out->bpp));
    }
  }
  return out;
}

// A ".bmp" file: the file header, then a device-independent bitmap whose pixels start at bfOffBits.
std::unique_ptr<GdiBitmap> DecodeBmpFile(const std::vector<uint8_t>& file) {
  if (file.size() < sizeof(BITMAPFILEHEADER) || file[0] != 'B' || file[1] != 'M') return nullptr;
  const uint32_t offBits = U32(file.data() + 10);
  if (offBits < sizeof(BITMAPFILEHEADER) || offBits > file.size()) return nullptr;
  const std::span<const uint8_t> dib(file.data() + sizeof(BITMAPFILEHEADER), file.size() - sizeof(BITMAPFILEHEADER));
  return DecodeDib(dib, offBits - sizeof(BITMAPFILEHEADER));
}

// The bitmap stretched to `width` x `height` (either 0: the bitmap's own).
std::unique_ptr<GdiBitmap> Resized(std::unique_ptr<GdiBitmap> bitmap, int width, int height) {
  if (bitmap == nullptr || ((width == 0 || width == bitmap->width) && (height == 0 || height == bitmap->height)))
    return bitmap;
  std::unique_ptr<GdiBitmap> out = tolma::host::detail::NewBitmap(width == 0 ? bitmap->width : width,
                                                                  height == 0 ? bitmap->height : height, bitmap->bpp);
  if (out == nullptr) return nullptr;
  tolma::host::detail::ColourMap map;
  map.sourceBpp = map.targetBpp = bitmap->bpp;
  const PixelPlane target = out->Plane();
  tolma::host::detail::StretchPixels(target, target.Bounds(), false, false, bitmap->Plane(), bitmap->Plane().Bounds(),
                                     {target.Bounds()}, map, tolma::host::detail::Combine::First);
  return out;
}

}  // namespace

extern "C" {

HANDLE WINAPI LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  if (name == nullptr || type != IMAGE_BITMAP || width < 0 || height < 0) return nullptr;
  if (flags & LR_DEFAULTSIZE) width = height = 0;
  std::unique_ptr<GdiBitmap> bitmap;
  if (flags & LR_LOADFROMFILE) {
    std::ifstream in(tolma::host::HostPath(name), std::ios::binary);
    if (!in) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    bitmap = DecodeBmpFile(file);
  } else {
    const std::optional<std::vector<uint8_t>> dib = tolma::host::detail::ModuleResource(instance, RT_BITMAP, name);
    if (!dib) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    bitmap = DecodeDib(*dib, 0);
  }
  bitmap = Resized(std::move(bitmap), width, height);
  if (bitmap == nullptr) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::lock_guard lock(HostMutex());
  return tolma::host::detail::AdoptBitmap(std::move(bitmap));
}

}  // extern "C"
