// Helpers for the printer application's tests: a free loopback port, PWG raster, JPEG and grey PNG
// documents made from PNG images, and PNG files whose header claims a size their data does not have.
#include "printer-app/raster_page.h"
#include "tools/lib/png_io.h"

#include <cups/raster.h>
#include <jpeglib.h>
#include <zlib.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: printer-app-test-helper free-port\n"
               "       printer-app-test-helper pwg IN.png OUT.pwg [grey|apple] [PAGES]\n"
               "       printer-app-test-helper grey IN.png OUT.png\n"
               "       printer-app-test-helper jpeg IN.png OUT.jpg\n"
               "       printer-app-test-helper png-header WIDTH HEIGHT OUT.png\n");
  return 2;
}

// A loopback port nobody listens on at the moment.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    std::perror("free-port");
    return 1;
  }
  std::printf("%d\n", ntohs(a.sin_port));
  close(s);
  return 0;
}

// The image as a PWG (or Apple) raster document of 8-bit sRGB (or sGray) pages at 300 dpi, pixel for pixel.
int Pwg(const std::string& in, const std::string& out, bool grey, bool apple, int pages) {
  tolma::tools::RgbImage image;
  std::string error;
  if (!tolma::tools::ReadPng(in, image, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) return 1;
  cups_raster_t* ras = cupsRasterOpenIO(
      [](void* ctx, unsigned char* buffer, size_t bytes) -> ssize_t {
        return static_cast<ssize_t>(std::fwrite(buffer, 1, bytes, static_cast<FILE*>(ctx)));
      },
      f, apple ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
  for (int page = 0; page < pages; ++page) {
    cups_page_header2_t h;
    pwg_media_t* media = pwgMediaForPWG("iso_id-1_53.98x85.6mm");
    cupsRasterInitPWGHeader(&h, media, grey ? "sgray_8" : "srgb_8", 300, 300, "one-sided", nullptr);
    h.cupsWidth = static_cast<unsigned>(image.width);
    h.cupsHeight = static_cast<unsigned>(image.height);
    h.cupsBytesPerLine = h.cupsWidth * (grey ? 1 : 3);
    h.PageSize[0] = h.cupsWidth * 72 / 300;
    h.PageSize[1] = h.cupsHeight * 72 / 300;
    h.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = static_cast<unsigned>(pages);
    cupsRasterWriteHeader2(ras, &h);
    std::vector<unsigned char> line(h.cupsBytesPerLine);
    for (int y = 0; y < image.height; ++y) {
      const unsigned char* row = image.pixels.data() + static_cast<size_t>(y) * image.width * 3;
      if (grey) {
        for (int x = 0; x < image.width; ++x) line[x] = row[x * 3];
      } else {
        std::memcpy(line.data(), row, line.size());
      }
      cupsRasterWritePixels(ras, line.data(), h.cupsBytesPerLine);
    }
  }
  cupsRasterClose(ras);
  return std::fclose(f) == 0 ? 0 : 1;
}

// The image in grey as the printer application makes monochrome pictures.
int Grey(const std::string& in, const std::string& out) {
  tolma::tools::RgbImage image;
  std::string error;
  if (!tolma::tools::ReadPng(in, image, error)) return 1;
  tolma::printerapp::MakeGrey(image);
  std::vector<uint8_t> grey(static_cast<size_t>(image.width) * image.height);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = image.pixels[i * 3];
  return tolma::tools::WriteGreyPng(out, image.width, image.height, grey, error) ? 0 : 1;
}

// The image as a baseline JPEG file.
int Jpeg(const std::string& in, const std::string& out) {
  tolma::tools::RgbImage image;
  std::string error;
  if (!tolma::tools::ReadPng(in, image, error)) return 1;
  FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) return 1;
  jpeg_compress_struct c{};
  jpeg_error_mgr e{};
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(image.width);
  c.image_height = static_cast<JDIMENSION>(image.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = image.pixels.data() + static_cast<size_t>(c.next_scanline) * image.width * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0 ? 0 : 1;
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
  auto u32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
  };
  u32(static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  u32(static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// A PNG file with a valid header chunk of the given size and no image data.
int PngHeader(uint32_t width, uint32_t height, const std::string& out) {
  std::vector<unsigned char> bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<unsigned char> ihdr;
  for (uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<unsigned char>(v >> s));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  Chunk(bytes, "IHDR", ihdr);
  Chunk(bytes, "IEND", {});
  FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) return 1;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "free-port") return FreePort();
  if (args.size() >= 3 && args.size() <= 5 && args[0] == "pwg") {
    const bool grey = args.size() >= 4 && args[3] == "grey";
    const bool apple = args.size() >= 4 && args[3] == "apple";
    const int pages = args.size() == 5 ? std::stoi(args[4]) : 1;
    return Pwg(args[1], args[2], grey, apple, pages);
  }
  if (args.size() == 3 && args[0] == "grey") return Grey(args[1], args[2]);
  if (args.size() == 3 && args[0] == "jpeg") return Jpeg(args[1], args[2]);
  if (args.size() == 4 && args[0] == "png-header")
    return PngHeader(static_cast<uint32_t>(std::stoul(args[1])), static_cast<uint32_t>(std::stoul(args[2])), args[3]);
  return Usage();
}
