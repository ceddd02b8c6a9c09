// windows_raster_jobs: prints the documents of the Windows check with the Linux build, through tolma-print's own
// code, and writes beside each reference stream the job tolma-print ran, for the Windows check program to print
// again with the real DomaRaster.dll.
#include "raster/ddi_functions.h"
#include "tests/support/bitmap_files.h"
#include "tests/windows/job_file.h"
#include "tools/lib/png_io.h"
#include "tools/lib/print_main.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using tolma::tools::PrintJob;

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// The grey pictures: a ramp across the top half, bars of 1 to 8 pixels and a fine checker below.
std::vector<uint8_t> Ramp(int width, int height) {
  std::vector<uint8_t> grey(size_t(width) * height, 255);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t& p = grey[size_t(y) * width + x];
      if (y < height / 2) {
        p = static_cast<uint8_t>(x * 255 / (width - 1));
      } else if (x < width / 2) {
        const int bar = 1 + (x / 64) % 8;  // bars as wide as their gaps, 1 to 8 pixels
        p = (x / bar) % 2 ? 255 : 0;
      } else {
        p = (x + y) % 2 ? 255 : static_cast<uint8_t>(y % 256);
      }
    }
  }
  return grey;
}

std::vector<uint8_t> Transposed(const std::vector<uint8_t>& grey, int width, int height) {
  std::vector<uint8_t> out(grey.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out[size_t(x) * height + y] = grey[size_t(y) * width + x];
  return out;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: windows_raster_jobs DOCUMENTS OUT_DIR\n"
                 "  writes OUT_DIR/pictures/, OUT_DIR/jobs/NAME.job and OUT_DIR/linux/NAME.prn per document\n";
    return 2;
  }
  const fs::path out = argv[2];
  const fs::path pictures = out / "pictures", jobs = out / "jobs", linux = out / "linux";
  for (const fs::path& dir : {pictures, jobs, linux}) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }

  std::string error;
  const std::vector<uint8_t> ramp = Ramp(1024, 640);
  if (!tolma::tools::WriteGreyPng((pictures / "ramp.png").string(), 1024, 640, ramp, error) ||
      !tolma::tools::WriteGreyPng((pictures / "portrait.png").string(), 640, 1024, Transposed(ramp, 1024, 640),
                                  error) ||
      !WriteFile(pictures / "overlay.bmp", tolma::test::OneBitCardBitmap(RECTL{200, 100, 700, 500}))) {
    std::cerr << "windows_raster_jobs: cannot write the pictures: " << error << "\n";
    return 1;
  }

  std::ifstream list(argv[1]);
  if (!list) {
    std::cerr << "windows_raster_jobs: cannot read " << argv[1] << "\n";
    return 1;
  }
  int documents = 0, failed = 0;
  std::string line;
  while (std::getline(list, line)) {
    std::istringstream words(line);
    std::string name;
    if (!(words >> name) || name[0] == '#') continue;
    std::vector<std::string> args;
    for (std::string word; words >> word;) {
      word = Replace(word, "{samples}", TOLMA_SOURCE_DIR "/tools/samples");
      args.push_back(Replace(word, "{pictures}", pictures.string()));
    }
    args.insert(args.end(), {"-q", "-o", (linux / (name + ".prn")).string()});

    // tolma-print itself, with the job it runs kept.
    bool saved = false;
    tolma::tools::PrintEnvironment env{&DrvEnableDriver, &DrvDisableDriver, TOLMA_BUILD_DIR};
    env.jobReady = [&](const PrintJob& job) {
      saved = WriteFile(jobs / (name + ".job"), tolma::wincheck::EncodeJob(job));
    };
    std::ostringstream messages, unused;
    const int status = tolma::tools::PrintMain(args, unused, messages, env);
    std::ofstream(linux / (name + ".log")) << messages.str();
    ++documents;
    if (status != 0 || !saved) {
      ++failed;
      std::cerr << "windows_raster_jobs: " << name << " failed (status " << status << "):\n" << messages.str();
    }
  }
  std::cerr << "windows_raster_jobs: " << documents - failed << " of " << documents << " documents printed on Linux\n";
  return failed == 0 && documents > 0 ? 0 : 1;
}
