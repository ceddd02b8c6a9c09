// JPEG reading with libjpeg: decoding from memory, CMYK to RGB, EXIF orientation.
//
// libjpeg reports faults through callbacks that must not return; ours longjmp back to a setjmp that sits at
// the top of a small function whose locals are plain values and which creates no C++ object between the
// setjmp and its return, so a jump never skips a destructor. Buffers are owned by the caller. The data are
// read from memory by a source of our own that treats the end of the data as the file being cut short,
// where libjpeg's own would pad it with an end marker and carry on with a grey picture.
#include "tools/lib/jpeg_io.h"

#include "tools/lib/image_file.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <vector>

namespace tolma::tools {
namespace {

enum class JpegFault { None, CutShort, Damaged, Unsupported, TooLarge };

// Everything libjpeg's callbacks share with the reader; value-initialised, reached through client_data.
struct JpegReader {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  int maxScans;
  JpegFault fault;
  char message[JMSG_LENGTH_MAX];
};

JpegReader& ReaderOf(j_common_ptr cinfo) { return *static_cast<JpegReader*>(cinfo->client_data); }

[[noreturn]] void Fail(JpegReader& reader, JpegFault fault, const char* message) {
  if (reader.fault == JpegFault::None) {
    reader.fault = fault;
    std::snprintf(reader.message, sizeof reader.message, "%s", message);
  }
  std::longjmp(reader.jump, 1);
}

// Faults that mean libjpeg cannot decode this kind of file, rather than that the file is damaged.
bool IsUnsupported(int code) {
  switch (code) {
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_ARITH_NOTIMPL:
      return true;
    default:
      return false;
  }
}

[[noreturn]] void OnError(j_common_ptr cinfo) {
  JpegReader& reader = ReaderOf(cinfo);
  char text[JMSG_LENGTH_MAX] = {};
  cinfo->err->format_message(cinfo, text);
  const int code = cinfo->err->msg_code;
  const JpegFault fault = IsUnsupported(code)                                           ? JpegFault::Unsupported
                          : code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY ? JpegFault::TooLarge
                                                                                        : JpegFault::Damaged;
  Fail(reader, fault, text);
}

// Warnings that mean the entropy-coded data are damaged: libjpeg would go on and fill the picture with
// grey or garbage, which must not end up on a card. Other warnings (unknown JFIF versions, stray bytes
// before a marker, a bad ICC marker) leave the picture whole and are ignored.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_JPEG_EOF: {
      char text[JMSG_LENGTH_MAX] = {};
      cinfo->err->format_message(cinfo, text);
      Fail(ReaderOf(cinfo), JpegFault::Damaged, text);
    }
    default:
      break;
  }
}

void OnOutput(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr cinfo) {
  Fail(ReaderOf(reinterpret_cast<j_common_ptr>(cinfo)), JpegFault::CutShort, "the data end early");
}
void SkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& source = *cinfo->src;
  if (static_cast<unsigned long>(count) > source.bytes_in_buffer)
    Fail(ReaderOf(reinterpret_cast<j_common_ptr>(cinfo)), JpegFault::CutShort, "a marker runs past the end");
  source.next_input_byte += count;
  source.bytes_in_buffer -= static_cast<size_t>(count);
}
void TermSource(j_decompress_ptr) {}

// Progressive files are read whole before the first line comes out; a file of thousands of tiny scans
// would take minutes.
void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  JpegReader& reader = ReaderOf(cinfo);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= reader.maxScans) return;
  char text[64] = {};
  std::snprintf(text, sizeof text, "more than %d scans", reader.maxScans);
  Fail(reader, JpegFault::Damaged, text);
}

// Creates the decompressor and reads the header and markers. False when libjpeg gave up.
bool ReadJpegHeader(JpegReader& reader, const uint8_t* data, size_t size) {
  if (setjmp(reader.jump)) return false;
  jpeg_create_decompress(&reader.cinfo);
  reader.source.init_source = InitSource;
  reader.source.fill_input_buffer = FillInput;
  reader.source.skip_input_data = SkipInput;
  reader.source.resync_to_restart = jpeg_resync_to_restart;
  reader.source.term_source = TermSource;
  reader.source.next_input_byte = data;
  reader.source.bytes_in_buffer = size;
  reader.cinfo.src = &reader.source;
  reader.progress.progress_monitor = OnProgress;
  reader.cinfo.progress = &reader.progress;
  jpeg_save_markers(&reader.cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&reader.cinfo, TRUE);
  return true;
}

// Decodes every line into `out` (`components` bytes a pixel, rows packed). False when libjpeg gave up.
bool ReadJpegLines(JpegReader& reader, uint8_t* out, int components) {
  if (setjmp(reader.jump)) return false;
  jpeg_decompress_struct& cinfo = reader.cinfo;
  const JDIMENSION width = cinfo.image_width, height = cinfo.image_height;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width != width || cinfo.output_height != height || cinfo.output_components != components)
    Fail(reader, JpegFault::Unsupported, "unexpected output layout");
  while (cinfo.output_scanline < height) {
    JSAMPROW row = out + size_t{cinfo.output_scanline} * width * components;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) Fail(reader, JpegFault::CutShort, "no line came out");
  }
  return true;
}

// The EXIF orientation of the first APP1 marker that carries EXIF data; 1 without one.
int MarkerOrientation(const jpeg_decompress_struct& cinfo) {
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data == nullptr || m->data_length < sizeof kExif ||
        std::memcmp(m->data, kExif, sizeof kExif) != 0)
      continue;
    return ExifOrientation(std::span<const uint8_t>(m->data + sizeof kExif, m->data_length - sizeof kExif));
  }
  return 1;
}

}  // namespace

int ExifOrientation(std::span<const uint8_t> tiff) {
  if (tiff.size() < 8) return 1;
  bool little = false;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    little = true;
  else if (!(tiff[0] == 'M' && tiff[1] == 'M'))
    return 1;
  // Callers check that [at, at + 2) or [at, at + 4) lies inside.
  auto u16 = [&](size_t at) {
    return little ? unsigned(tiff[at]) | unsigned(tiff[at + 1]) << 8 : unsigned(tiff[at]) << 8 | unsigned(tiff[at + 1]);
  };
  auto u32 = [&](size_t at) {
    return little ? uint32_t{u16(at)} | uint32_t{u16(at + 2)} << 16 : uint32_t{u16(at)} << 16 | uint32_t{u16(at + 2)};
  };
  if (u16(2) != 42) return 1;
  const size_t directory = u32(4);
  if (directory > tiff.size() || tiff.size() - directory < 2) return 1;
  const size_t entries = u16(directory);
  for (size_t i = 0; i < entries; ++i) {
    const size_t entry = directory + 2 + 12 * i;
    if (entry > tiff.size() || tiff.size() - entry < 12) break;
    if (u16(entry) != 0x0112) continue;
    // A SHORT (type 3) with a count of 1 keeps its value in the first two bytes of the value field.
    if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return 1;
    const unsigned value = u16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

RgbImage Orient(const RgbImage& image, int orientation) {
  if (orientation < 2 || orientation > 8) return image;
  const int w = image.width, h = image.height;
  const bool swap = orientation >= 5;
  RgbImage out;
  out.width = swap ? h : w;
  out.height = swap ? w : h;
  out.pixels.resize(image.pixels.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
      }
      std::memcpy(&out.pixels[(size_t(y) * out.width + x) * 3], &image.pixels[(size_t(sy) * w + sx) * 3], 3);
    }
  }
  return out;
}

std::string OrientationWords(int orientation) {
  switch (orientation) {
    case 2:
      return "mirrored left to right";
    case 3:
      return "turned by 180 degrees";
    case 4:
      return "mirrored top to bottom";
    case 5:
      return "mirrored along its diagonal from the top left";
    case 6:
      return "turned by 90 degrees clockwise";
    case 7:
      return "mirrored along its diagonal from the top right";
    case 8:
      return "turned by 90 degrees anticlockwise";
    default:
      return {};
  }
}

bool DecodeJpeg(std::span<const uint8_t> bytes, const std::string& name, const DecodeLimits& limits, RgbImage& image,
                JpegDetails& details, std::string& error) {
  if (SniffImageFormat(bytes) != ImageFormat::Jpeg) {
    error = name + " is not a JPEG file";
    return false;
  }
  JpegReader reader{};
  reader.maxScans = limits.maxJpegScans;
  reader.cinfo.err = jpeg_std_error(&reader.errors);
  reader.errors.error_exit = OnError;
  reader.errors.emit_message = OnMessage;
  reader.errors.output_message = OnOutput;
  reader.cinfo.client_data = &reader;

  bool ok = ReadJpegHeader(reader, bytes.data(), bytes.size());
  JpegDetails found;
  std::vector<uint8_t> raw;
  int components = 3;
  uint64_t width = 0, height = 0;
  if (ok) {
    jpeg_decompress_struct& cinfo = reader.cinfo;
    width = cinfo.image_width;
    height = cinfo.image_height;
    found.orientation = MarkerOrientation(cinfo);
    found.progressive = jpeg_has_multiple_scans(&cinfo) != 0;
    switch (cinfo.jpeg_color_space) {
      case JCS_GRAYSCALE:
      case JCS_YCbCr:
      case JCS_RGB:
        cinfo.out_color_space = JCS_RGB;
        break;
      case JCS_CMYK:
      case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        components = 4;
        found.cmyk = true;
        break;
      default:
        reader.fault = JpegFault::Unsupported;
        std::snprintf(reader.message, sizeof reader.message, "%d colour components of an unknown kind",
                      cinfo.num_components);
        ok = false;
        break;
    }
    // Room for the decoder's whole-image buffers of progressive files, then no more.
    cinfo.mem->max_memory_to_use = static_cast<long>(limits.maxPixels * 8 + (16 << 20));
    if (ok && width * height > limits.maxPixels) {
      reader.fault = JpegFault::TooLarge;
      ok = false;
    }
  }
  if (ok) {
    raw.resize(size_t(width * height) * components);
    ok = ReadJpegLines(reader, raw.data(), components);
  }
  const bool invertedCmyk = reader.cinfo.saw_Adobe_marker != 0;
  jpeg_destroy_decompress(&reader.cinfo);

  if (!ok) {
    switch (reader.fault) {
      case JpegFault::CutShort:
        error = name + " is cut short: the JPEG file ends before the end of its picture";
        break;
      case JpegFault::Unsupported:
        error = name + " is a JPEG file of a kind that cannot be read here (" + reader.message + ")";
        break;
      case JpegFault::TooLarge:
        error = width * height > limits.maxPixels ? TooLargeMessage(name, width, height, limits)
                                                  : name + " is a JPEG file that needs more memory to decode than " +
                                                        "a picture may take (" + reader.message + ")";
        break;
      default:
        error = name + " is a damaged JPEG file (" +
                (reader.message[0] != 0 ? std::string(reader.message) : "unreadable data") + ")";
        break;
    }
    return false;
  }

  RgbImage result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  if (components == 3) {
    result.pixels = std::move(raw);
  } else {
    // Adobe's files keep CMYK inverted (255: no ink); others keep the ink amounts.
    result.pixels.resize(size_t(width * height) * 3);
    for (size_t i = 0, n = size_t(width * height); i < n; ++i) {
      const uint8_t* p = &raw[i * 4];
      const unsigned white = invertedCmyk ? p[3] : 255u - p[3];
      for (int c = 0; c < 3; ++c) {
        const unsigned clear = invertedCmyk ? p[c] : 255u - p[c];
        result.pixels[i * 3 + c] = static_cast<uint8_t>((clear * white + 127) / 255);
      }
    }
  }
  image = found.orientation == 1 ? std::move(result) : Orient(result, found.orientation);
  details = found;
  return true;
}

}  // namespace tolma::tools
