// A named pipe between the framework's log and its destination, with the track values taken out.
#include "printer-app/log_pump.h"

#include "printer-app/job_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pappl/pappl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <thread>
#include <unistd.h>

namespace tolma::printerapp {
namespace {

constexpr off_t kRotateSize = 1 << 20;  // the log file moves to FILE.O beyond this size

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

// Where the redacted lines go.
class Sink {
 public:
  explicit Sink(std::string destination) : destination_(std::move(destination)) {
    if (destination_ == "syslog") {
      openlog("tolma-printer-app", LOG_PID, LOG_LPR);
    } else if (destination_ != "-") {
      Open();
    }
  }

  void Line(const std::string& line) {
    if (destination_ == "-") {
      WriteAll(2, line + "\n");
    } else if (destination_ == "syslog") {
      const char level = line.empty() ? 'I' : line[0];
      const int priority = level == 'D'   ? LOG_DEBUG
                           : level == 'W' ? LOG_WARNING
                           : level == 'E' ? LOG_ERR
                           : level == 'F' ? LOG_CRIT
                                          : LOG_INFO;
      syslog(priority, "%s", line.c_str());
    } else {
      struct stat info {};
      if (fd_ >= 0 && fstat(fd_, &info) == 0 && info.st_size > kRotateSize) {
        close(fd_);
        rename(destination_.c_str(), (destination_ + ".O").c_str());
        Open();
      }
      if (fd_ >= 0) WriteAll(fd_, line + "\n");
    }
  }

 private:
  void Open() { fd_ = open(destination_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600); }

  std::string destination_;
  int fd_ = -1;
};

void Pump(int fd, std::string destination) {
  Sink sink(std::move(destination));
  std::string pending;
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
      sink.Line(RedactLogLine(std::string_view(pending).substr(start, end - start)));
    pending.erase(0, start);
    // A line longer than any the framework writes is passed on in pieces.
    if (pending.size() > 65536) {
      sink.Line(RedactLogLine(pending));
      pending.clear();
    }
  }
  close(fd);
}

}  // namespace

bool StartLogPump(const std::string& destination, std::string& logPath, std::string& error) {
  std::string folder = std::string(papplGetTempDir()) + "/tolma-printer-app-log.XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    error = "cannot create a folder for the log pipe: " + std::string(std::strerror(errno));
    return false;
  }
  const std::string path = folder + "/log";
  if (mkfifo(path.c_str(), 0600) != 0) {
    error = "cannot create the log pipe: " + std::string(std::strerror(errno));
    rmdir(folder.c_str());
    return false;
  }
  // Read and write: the pipe never reaches its end, and the framework's open never waits for a reader.
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open the log pipe: " + std::string(std::strerror(errno));
    unlink(path.c_str());
    rmdir(folder.c_str());
    return false;
  }
  std::thread(Pump, fd, destination).detach();
  logPath = path;
  return true;
}

void ForgetLogPumpPath(const std::string& logPath) {
  unlink(logPath.c_str());
  rmdir(std::filesystem::path(logPath).parent_path().c_str());
}

}  // namespace tolma::printerapp
