// Writing dialog views as PNG files with libpng.
#include "tests/support/dialog_pictures.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace tolma::test {
namespace {

// An RGB picture to draw the outlines on.
struct Canvas {
  LONG width;
  LONG height;
  std::vector<uint8_t> rgb;

  void Set(LONG x, LONG y, ULONG c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = static_cast<uint8_t>(c >> 16);
    p[1] = static_cast<uint8_t>(c >> 8);
    p[2] = static_cast<uint8_t>(c);
  }
  void Fill(LONG l, LONG t, LONG r, LONG b, ULONG c) {
    for (LONG y = t; y < b; ++y)
      for (LONG x = l; x < r; ++x) Set(x, y, c);
  }
  void Frame(const RECT& r, ULONG c) {
    Fill(r.left, r.top, r.right, r.top + 1, c);
    Fill(r.left, r.bottom - 1, r.right, r.bottom, c);
    Fill(r.left, r.top, r.left + 1, r.bottom, c);
    Fill(r.right - 1, r.top, r.right, r.bottom, c);
  }
};

void Outline(Canvas& canvas, const host::ControlView& c) {
  if (!c.visible) return;
  const ULONG ink = c.enabled ? 0x202020 : 0xA8A8A8;
  const RECT& r = c.rect;
  const LONG textWidth = std::min<LONG>(static_cast<LONG>(c.text.size()) * 5, r.right - r.left);
  switch (c.kind) {
    case host::ControlKind::Button:
      if ((c.style & BS_TYPEMASK) == BS_GROUPBOX) {
        canvas.Frame(RECT{r.left, r.top + 6, r.right, r.bottom}, 0x909090);
        canvas.Fill(r.left + 6, r.top + 4, r.left + 6 + textWidth, r.top + 8, ink);
      } else if ((c.style & BS_TYPEMASK) == BS_PUSHBUTTON || (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        canvas.Fill(r.left, r.top, r.right, r.bottom, 0xE1E1E1);
        canvas.Frame(r, (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? 0x0078D7 : 0xADADAD);
        const LONG mid = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        canvas.Fill(mid - textWidth / 2, y - 2, mid + textWidth / 2, y + 2, ink);
      } else {
        const LONG y = (r.top + r.bottom) / 2;
        canvas.Frame(RECT{r.left, y - 6, r.left + 13, y + 7}, ink);
        if (c.checked) canvas.Fill(r.left + 3, y - 3, r.left + 10, y + 4, ink);
        canvas.Fill(r.left + 17, y - 2, r.left + 17 + textWidth, y + 2, ink);
      }
      return;
    case host::ControlKind::Edit:
    case host::ControlKind::ComboBox:
      canvas.Fill(r.left, r.top, r.right, r.bottom, c.enabled && !c.readOnly() ? 0xFFFFFF : 0xF0F0F0);
      canvas.Frame(r, 0x7A7A7A);
      canvas.Fill(r.left + 3, r.top + 4, r.left + 3 + textWidth, r.bottom - 4, ink);
      return;
    case host::ControlKind::Static:
      canvas.Fill(r.left, r.top + 2, r.left + textWidth, r.bottom - 2, ink);
      return;
    case host::ControlKind::Trackbar: {
      const LONG y = r.top + (r.bottom - r.top) / 2 - 2;
      canvas.Fill(r.left + 6, y, r.right - 6, y + 3, c.enabled ? 0x9A9A9A : 0xD0D0D0);
      const LONG span = std::max<LONG>(c.maximum - c.minimum, 1);
      const LONG x = r.left + 6 + (r.right - r.left - 12) * (c.position - c.minimum) / span;
      canvas.Fill(x - 3, r.top + 2, x + 3, r.bottom - 3, c.enabled ? 0x0078D7 : 0xC0C0C0);
      return;
    }
    case host::ControlKind::UpDown:
      canvas.Fill(r.left, r.top, r.right, r.bottom, 0xE1E1E1);
      canvas.Frame(r, 0xADADAD);
      canvas.Fill(r.left, (r.top + r.bottom) / 2, r.right, (r.top + r.bottom) / 2 + 1, 0xADADAD);
      return;
    default:
      canvas.Frame(r, 0xFF00FF);
  }
}

// Writes rows of red, green and blue bytes as an 8-bit RGB PNG.
bool WriteRgbPng(std::FILE* file, LONG width, LONG height, const uint8_t* rgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (LONG y = 0; y < height; ++y) png_write_row(png, rgb + static_cast<size_t>(y) * static_cast<size_t>(width) * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteDialogPng(const host::DialogView& view, const std::string& path, bool outlines) {
  if (view.width <= 0 || view.height <= 0) return false;
  Canvas canvas{view.width, view.height, view.pixels};
  if (outlines)
    for (const host::ControlView& c : view.controls) Outline(canvas, c);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = WriteRgbPng(file, canvas.width, canvas.height, canvas.rgb.data());
  return std::fclose(file) == 0 && written;
}

std::string SaveDialogPicture(const host::DialogView& view, const std::string& name) {
  const char* folder = std::getenv("TOLMA_DIALOG_PNG_DIR");
  if (folder == nullptr || folder[0] == 0) return {};
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string path = std::string(folder) + "/" + name + ".png";
  return WriteDialogPng(view, path) ? path : std::string();
}

}  // namespace tolma::test
