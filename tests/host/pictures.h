// Test helpers: small pictures as rows of characters, written to and read from host bitmaps and DIBs.
// '.' white, '#' black, 'r' red, 'b' blue, '?' any other colour.
#pragma once

#include "platform/host/draw_host.h"

#include <string>
#include <vector>

namespace tolma::test {

using Picture = std::vector<std::string>;

inline ULONG ColourOf(char c) {
  switch (c) {
    case '.':
      return host::kWhite;
    case 'r':
      return 0xFF0000;
    case 'b':
      return 0x0000FF;
    default:
      return host::kBlack;
  }
}

inline char CharOf(ULONG colour) {
  switch (colour) {
    case host::kWhite:
      return '.';
    case host::kBlack:
      return '#';
    case 0xFF0000:
      return 'r';
    case 0x0000FF:
      return 'b';
    default:
      return '?';
  }
}

// A stored value of a `bpp` bitmap as a picture character, and back.
inline char CharOfStored(ULONG stored, int bpp) {
  return bpp == 1 ? (stored == 1 ? '.' : stored == 0 ? '#' : '?') : CharOf(stored);
}
inline ULONG StoredOf(char c, int bpp) { return bpp == 1 ? (c == '.' ? 1u : 0u) : ColourOf(c); }

// An engine bitmap of the picture's size (top-down) holding the picture.
inline HSURF NewSurface(const Picture& picture, int bpp) {
  const SIZEL size{static_cast<LONG>(picture[0].size()), static_cast<LONG>(picture.size())};
  auto surface =
      reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, bpp == 1 ? BMF_1BPP : BMF_24BPP, BMF_TOPDOWN, nullptr));
  for (LONG y = 0; y < size.cy; ++y)
    for (LONG x = 0; x < size.cx; ++x) host::WritePixel(surface, x, y, StoredOf(picture[y][x], bpp));
  return surface;
}

// A blank engine bitmap of `width` x `height` filled with `fill`.
inline HSURF NewSurface(LONG width, LONG height, int bpp, char fill = '.') {
  return NewSurface(Picture(height, std::string(width, fill)), bpp);
}

inline Picture ReadSurface(HSURF surface) {
  const host::SurfaceInfo info = host::DescribeSurface(surface);
  const int bpp = info.format == BMF_1BPP ? 1 : 24;
  Picture out(info.size.cy, std::string(info.size.cx, ' '));
  for (LONG y = 0; y < info.size.cy; ++y)
    for (LONG x = 0; x < info.size.cx; ++x) out[y][x] = CharOfStored(host::ReadPixel(surface, x, y), bpp);
  return out;
}

// A device-independent bitmap of a picture: 1 bit (colour table black, white unless given) or 24 bits,
// bottom-up (rows stored from the last) or top-down.
struct TestDib {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  std::vector<uint8_t> bits;
  const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(&info); }
};

inline TestDib MakeDib(const Picture& picture, int bpp, bool bottomUp = true, ULONG colour0 = host::kBlack,
                       ULONG colour1 = host::kWhite) {
  TestDib dib;
  const LONG width = static_cast<LONG>(picture[0].size()), height = static_cast<LONG>(picture.size());
  BITMAPINFOHEADER& h = dib.info.header;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = bottomUp ? height : -height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bpp);
  h.biCompression = BI_RGB;
  const ULONG colours[2] = {colour0, colour1};
  for (int i = 0; i < 2; ++i)
    dib.info.colours[i] = RGBQUAD{BYTE(colours[i]), BYTE(colours[i] >> 8), BYTE(colours[i] >> 16), 0};
  const size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  dib.bits.assign(stride * height, 0);
  for (LONG y = 0; y < height; ++y) {
    uint8_t* row = dib.bits.data() + stride * (bottomUp ? height - 1 - y : y);
    for (LONG x = 0; x < width; ++x) {
      const char c = picture[y][x];
      if (bpp == 1) {
        // Index 1 for the colour of entry 1.
        if (ColourOf(c) == colour1) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        const ULONG v = ColourOf(c);
        row[3 * x] = BYTE(v);
        row[3 * x + 1] = BYTE(v >> 8);
        row[3 * x + 2] = BYTE(v >> 16);
      }
    }
  }
  dib.info.header.biSizeImage = static_cast<DWORD>(dib.bits.size());
  return dib;
}

// The pixels of a GDI bitmap of `bpp` bits.
inline Picture ReadBitmap(HBITMAP bitmap, LONG width, LONG height, int bpp) {
  Picture out(height, std::string(width, ' '));
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) out[y][x] = CharOfStored(host::BitmapPixel(bitmap, x, y), bpp);
  return out;
}

}  // namespace tolma::test
