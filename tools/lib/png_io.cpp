// PNG reading and writing with libpng.
//
// libpng reports errors by a longjmp back to the setjmp of the caller. Every setjmp here sits at the top
// of a small function whose own locals are plain values and which creates no C++ object between the
// setjmp and its return, so a jump never skips a destructor; buffers are owned by the callers.
#include "tools/lib/png_io.h"

#include "tools/lib/image_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tolma::tools {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What libpng's callbacks share with the reader: the input, the read position and the first fault.
struct PngSource {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t at = 0;
  bool cutShort = false;  // a read asked for bytes past the end of the data
  char message[160] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  if (auto* source = static_cast<PngSource*>(png_get_error_ptr(png)); source != nullptr && source->message[0] == 0)
    std::snprintf(source->message, sizeof source->message, "%s", message != nullptr ? message : "unknown fault");
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->at) {
    source->cutShort = true;
    png_error(png, "the data end early");
  }
  std::memcpy(out, source->data + source->at, count);
  source->at += count;
}

// Reads the header and sets up the conversion to 8-bit RGBA. False when libpng gave up.
bool ReadPngHeader(png_structp png, png_infop info, png_uint_32& width, png_uint_32& height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  // Everything becomes 8-bit RGBA; alpha is laid over white afterwards.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

// Decodes every row into the caller's row pointers. False when libpng gave up.
bool ReadPngRows(png_structp png, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

// Writes a whole image whose rows lie `rowBytes` apart. False when libpng gave up.
bool WritePngRows(png_structp png, png_infop info, std::FILE* file, png_uint_32 width, png_uint_32 height,
                  int colourType, const uint8_t* data, size_t rowBytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(data + y * rowBytes));
  png_write_end(png, nullptr);
  return true;
}

bool WritePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& data,
              std::string& error) {
  if (width <= 0 || height <= 0 || data.size() != size_t(width) * height * channels) {
    error = "bad image size for " + path;
    return false;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  PngSource faults;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &faults, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    error = "out of memory writing " + path;
    return false;
  }
  const bool written =
      WritePngRows(png, info, file.get(), static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                   channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, data.data(), size_t(width) * channels);
  png_destroy_write_struct(&png, &info);
  if (!written) {
    error = path + ": " + faults.message;
    return false;
  }
  if (std::fflush(file.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
               std::string& error) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    error = name + " is not a PNG file";
    return false;
  }
  PngSource source{bytes.data(), bytes.size()};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "out of memory reading " + name;
    return false;
  }
  png_set_read_fn(png, &source, ReadFromMemory);

  png_uint_32 width = 0, height = 0;
  bool ok = ReadPngHeader(png, info, width, height);
  bool tooLarge = false;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  if (ok) {
    tooLarge = uint64_t{width} * height > limits.maxPixels;
    ok = !tooLarge && png_get_rowbytes(png, info) == size_t{width} * 4;
  }
  if (ok) {
    rgba.resize(size_t{width} * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = rgba.data() + size_t{y} * width * 4;
    ok = ReadPngRows(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (tooLarge) {
    error = TooLargeMessage(name, width, height, limits);
    return false;
  }
  if (!ok) {
    error = source.cutShort ? name + " is cut short: the PNG file ends before the end of its picture"
                            : name + " is a damaged PNG file (" +
                                  (source.message[0] != 0 ? std::string(source.message) : "unreadable data") + ")";
    return false;
  }

  RgbImage result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.pixels.resize(size_t{width} * height * 3);
  for (size_t i = 0, n = size_t{width} * height; i < n; ++i) {
    const unsigned alpha = rgba[i * 4 + 3];
    for (int c = 0; c < 3; ++c)
      result.pixels[i * 3 + c] = static_cast<uint8_t>((rgba[i * 4 + c] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
  image = std::move(result);
  return true;
}

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadPictureBytes(path, bytes, error)) return false;
  return DecodePng(bytes, path, DecodeLimits{}, image, error);
}

bool WriteGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey,
                  std::string& error) {
  return WritePng(path, width, height, 1, grey, error);
}

bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, std::string& error) {
  return WritePng(path, width, height, 3, rgb, error);
}

}  // namespace tolma::tools
