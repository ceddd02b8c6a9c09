// Whole-or-nothing output files and whole-file reads.
#include "tools/lib/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tolma::tools {

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
  struct stat info {};
  if (path.empty()) {
    error = "no output path given";
    return false;
  }
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    error = "cannot write \"" + path + "\": it is a folder";
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  const std::string suffix = ".partial-XXXXXX";
  name.insert(name.end(), suffix.begin(), suffix.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  fd_ = fd;
  path_ = path;
  temp_ = name.data();
  return true;
}

bool AtomicFile::Commit(std::span<const uint8_t> bytes, std::string& error) {
  if (fd_ < 0) {
    error = "no output file is open";
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = "cannot write \"" + path_ + "\": " + std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  // The temporary file is private to its creator; the output gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 || ::rename(temp_.c_str(), path_.c_str()) != 0) {
    error = "cannot write \"" + path_ + "\": " + std::strerror(errno);
    return false;
  }
  temp_.clear();
  return true;
}

bool ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot read \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  size_t n = 0;
  bool tooLarge = false;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (data.size() + n > limit) {
      tooLarge = true;
      break;
    }
    data.insert(data.end(), chunk, chunk + n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (tooLarge) {
    error = "\"" + path + "\" is larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  if (failed) {
    error = "cannot read \"" + path + "\"";
    return false;
  }
  bytes = std::move(data);
  return true;
}

}  // namespace tolma::tools
