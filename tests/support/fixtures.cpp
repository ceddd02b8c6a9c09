// Shared test helpers.
#include "tests/support/fixtures.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace tolma::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("tolma-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const auto full = path_ / name;
  std::ofstream(full, std::ios::binary) << bytes;
  return full.string();
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  return Write(name, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string BuiltDataFile() { return std::string(TOLMA_BUILD_DIR) + "/Doma.dat"; }
std::string BuiltPreviewPicture() { return std::string(TOLMA_BUILD_DIR) + "/domacc.bmp"; }
std::string BuiltLogoPicture() { return std::string(TOLMA_BUILD_DIR) + "/tlmlogov.bmp"; }
std::string SourcePath(const std::string& relative) { return std::string(TOLMA_SOURCE_DIR) + "/" + relative; }

}  // namespace tolma::test
