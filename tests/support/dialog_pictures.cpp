// Writing dialog views as PNG files with libpng.
#include "tests/support/dialog_pictures.h"

#include <png.h>
#ifdef TOLMA_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

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
  void Blend(LONG x, LONG y, ULONG c, unsigned alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    const uint8_t ink[3] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
    for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>((ink[i] * alpha + p[i] * (255 - alpha)) / 255);
  }
  void Frame(const RECT& r, ULONG c) {
    Fill(r.left, r.top, r.right, r.top + 1, c);
    Fill(r.left, r.bottom - 1, r.right, r.bottom, c);
    Fill(r.left, r.top, r.left + 1, r.bottom, c);
    Fill(r.right - 1, r.top, r.right, r.bottom, c);
  }
};

#ifdef TOLMA_HAVE_FREETYPE
// Control texts drawn with a sans-serif font of about the size of a dialog's (11 pixels), when one is installed.
class TextPainter {
 public:
  TextPainter() {
    if (FT_Init_FreeType(&library_) != 0) return;
    for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"})
      if (FT_New_Face(library_, path, 0, &face_) == 0) break;
    if (face_ != nullptr) FT_Set_Pixel_Sizes(face_, 0, 11);
  }
  ~TextPainter() {
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  bool ok() const { return face_ != nullptr; }
  // Draws `text` from (x, baseline), blending the glyphs' coverage over the canvas, up to `right`.
  void Draw(Canvas& canvas, LONG x, LONG baseline, const std::string& text, ULONG ink, LONG right) const {
    for (WCHAR unit : host::Wide(text)) {
      if (unit == u'&') continue;  // mnemonic marks
      if (FT_Load_Char(face_, unit, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot g = face_->glyph;
      if (x + g->bitmap_left + static_cast<LONG>(g->bitmap.width) > right) return;
      for (unsigned row = 0; row < g->bitmap.rows; ++row)
        for (unsigned col = 0; col < g->bitmap.width; ++col) {
          const unsigned a = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
          if (a != 0) canvas.Blend(x + g->bitmap_left + LONG(col), baseline - g->bitmap_top + LONG(row), ink, a);
        }
      x += g->advance.x >> 6;
    }
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};
#else
class TextPainter {
 public:
  bool ok() const { return false; }
  void Draw(Canvas&, LONG, LONG, const std::string&, ULONG, LONG) const {}
};
#endif

// A control's text: in letters when a font is there, else as a bar of about its length.
void Text(Canvas& canvas, const TextPainter& font, LONG x, LONG top, LONG bottom, const std::string& text, ULONG ink,
          LONG right) {
  if (text.empty()) return;
  const LONG middle = (top + bottom) / 2;
  if (font.ok()) {
    font.Draw(canvas, x, middle + 4, text, ink, right);
    return;
  }
  canvas.Fill(x, middle - 2, std::min<LONG>(x + static_cast<LONG>(text.size()) * 5, right), middle + 2, ink);
}

void Outline(Canvas& canvas, const TextPainter& font, const host::ControlView& c) {
  if (!c.visible) return;
  const ULONG ink = c.enabled ? 0x202020 : 0xA0A0A0;
  const RECT& r = c.rect;
  switch (c.kind) {
    case host::ControlKind::Button:
      if ((c.style & BS_TYPEMASK) == BS_GROUPBOX) {
        canvas.Frame(RECT{r.left, r.top + 6, r.right, r.bottom}, 0xB0B0B0);
        if (!c.text.empty()) {
          canvas.Fill(r.left + 6, r.top,
                      std::min<LONG>(r.left + 10 + static_cast<LONG>(c.text.size()) * 6, r.right - 6), r.top + 12,
                      0xF0F0F0);
          Text(canvas, font, r.left + 8, r.top, r.top + 12, c.text, ink, r.right - 6);
        }
      } else if ((c.style & BS_TYPEMASK) == BS_PUSHBUTTON || (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        canvas.Fill(r.left, r.top, r.right, r.bottom, 0xE1E1E1);
        canvas.Frame(r, (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? 0x0078D7 : 0xADADAD);
        const LONG width = static_cast<LONG>(c.text.size()) * 6;
        Text(canvas, font, std::max<LONG>(r.left + 4, (r.left + r.right - width) / 2), r.top, r.bottom, c.text, ink,
             r.right - 2);
      } else {
        const LONG y = (r.top + r.bottom) / 2;
        const bool radio = (c.style & BS_TYPEMASK) == BS_RADIOBUTTON || (c.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        canvas.Fill(r.left, y - 6, r.left + 13, y + 7, 0xFFFFFF);
        canvas.Frame(RECT{r.left, y - 6, r.left + 13, y + 7}, radio ? 0x707070 : ink);
        if (c.checked) canvas.Fill(r.left + 3, y - 3, r.left + 10, y + 4, ink);
        Text(canvas, font, r.left + 17, r.top, r.bottom, c.text, ink, r.right);
      }
      return;
    case host::ControlKind::Edit:
    case host::ControlKind::ComboBox:
      canvas.Fill(r.left, r.top, r.right, r.bottom, c.enabled && !c.readOnly() ? 0xFFFFFF : 0xF0F0F0);
      canvas.Frame(r, 0x7A7A7A);
      Text(canvas, font, r.left + 3, r.top, r.bottom, c.text, ink, r.right - 2);
      return;
    case host::ControlKind::Static:
      Text(canvas, font, r.left, r.top, r.top + 12, c.text, ink, r.right + 4);
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
  if (outlines) {
    const TextPainter font;
    for (const host::ControlView& c : view.controls) Outline(canvas, font, c);
  }
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
