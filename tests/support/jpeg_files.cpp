// JPEG test files, encoded into memory with libjpeg.
#include "tests/support/jpeg_files.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <cstdlib>

namespace tolma::test {

std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& pixels,
                                const JpegSettings& settings) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);  // test inputs are sound: libjpeg's own handler ends the program
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  int components = 3;
  switch (settings.kind) {
    case JpegKind::Colour:
      cinfo.in_color_space = JCS_RGB;
      break;
    case JpegKind::Grey:
      cinfo.in_color_space = JCS_GRAYSCALE;
      components = 1;
      break;
    case JpegKind::Cmyk:
    case JpegKind::Ycck:
      cinfo.in_color_space = JCS_CMYK;
      components = 4;
      break;
  }
  cinfo.input_components = components;
  jpeg_set_defaults(&cinfo);
  if (settings.kind == JpegKind::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  jpeg_set_quality(&cinfo, settings.quality, TRUE);
  if (settings.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = settings.arithmetic ? TRUE : FALSE;
  cinfo.restart_interval = static_cast<unsigned>(settings.restartInterval);
  jpeg_start_compress(&cinfo, TRUE);
  if (!settings.app1.empty())
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, settings.app1.data(), static_cast<unsigned>(settings.app1.size()));
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t{cinfo.next_scanline} * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

std::vector<uint8_t> ExifOrientationApp1(int orientation, bool motorola) {
  std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](unsigned v) {
    if (motorola) {
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v));
    } else {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    }
  };
  auto u32 = [&](uint32_t v) {
    if (motorola) {
      u16(v >> 16);
      u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF);
      u16(v >> 16);
    }
  };
  out.push_back(motorola ? 'M' : 'I');
  out.push_back(motorola ? 'M' : 'I');
  u16(42);
  u32(8);  // the first directory follows the header
  u16(2);  // two entries
  // ImageWidth, a LONG, before the orientation.
  u16(0x0100);
  u16(4);
  u32(1);
  u32(1024);
  // Orientation, a SHORT kept in the value field.
  u16(0x0112);
  u16(3);
  u32(1);
  u16(static_cast<unsigned>(orientation));
  u16(0);
  u32(0);  // no next directory
  return out;
}

std::vector<uint8_t> PatchPicture(int width, int height, uint32_t background, const std::vector<Patch>& patches) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  auto fill = [&](int x0, int y0, int w, int h, uint32_t colour) {
    for (int y = y0; y < y0 + h && y < height; ++y)
      for (int x = x0; x < x0 + w && x < width; ++x) {
        uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        p[0] = static_cast<uint8_t>(colour >> 16);
        p[1] = static_cast<uint8_t>(colour >> 8);
        p[2] = static_cast<uint8_t>(colour);
      }
  };
  fill(0, 0, width, height, background);
  for (const Patch& p : patches) fill(p.x, p.y, p.width, p.height, p.rgb);
  return rgb;
}

}  // namespace tolma::test
