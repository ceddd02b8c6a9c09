// Output files that appear whole or not at all: written to a temporary file beside the target, then
// renamed over it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::tools {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // removes the temporary file unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file beside `path`, so that an unwritable place is found before any work.
  // Returns false with a one-line reason.
  bool Open(const std::string& path, std::string& error);
  // Writes the bytes to the temporary file and renames it to the path.
  bool Commit(std::span<const uint8_t> bytes, std::string& error);

 private:
  std::string path_;
  std::string temp_;
  int fd_ = -1;
};

// Reads a whole file; false with a reason when it cannot be read or is larger than `limit` bytes.
bool ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace tolma::tools
