// PNG reading and writing with libpng.
#include "tools/lib/png_io.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace tolma::tools {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Collects libpng's error text and unwinds with longjmp.
void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error != nullptr) *error = message;
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature || png_sig_cmp(signature, 0, 8)) {
    error = path + " is not a PNG file";
    return false;
  }
  std::string pngError;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &pngError, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "out of memory reading " + path;
    return false;
  }
  RgbImage result;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = path + ": " + (pngError.empty() ? "damaged PNG data" : pngError);
    return false;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, 20000, 20000);
  png_read_info(png, info);

  // Everything becomes 8-bit RGBA, then alpha is laid over white.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  result.width = static_cast<int>(png_get_image_width(png, info));
  result.height = static_cast<int>(png_get_image_height(png, info));
  std::vector<uint8_t> rgba(static_cast<size_t>(result.width) * result.height * 4);
  rows.resize(static_cast<size_t>(result.height));
  for (int y = 0; y < result.height; ++y) rows[y] = rgba.data() + static_cast<size_t>(y) * result.width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  result.pixels.resize(static_cast<size_t>(result.width) * result.height * 3);
  for (size_t i = 0, n = static_cast<size_t>(result.width) * result.height; i < n; ++i) {
    const unsigned alpha = rgba[i * 4 + 3];
    for (int c = 0; c < 3; ++c)
      result.pixels[i * 3 + c] = static_cast<uint8_t>((rgba[i * 4 + c] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
  image = std::move(result);
  return true;
}

bool WriteGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey,
                  std::string& error) {
  if (width <= 0 || height <= 0 || grey.size() != static_cast<size_t>(width) * height) {
    error = "bad image size for " + path;
    return false;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  std::string pngError;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    error = "out of memory writing " + path;
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = path + ": " + pngError;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(grey.data() + static_cast<size_t>(y) * width));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tolma::tools
