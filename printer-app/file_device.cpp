// A device scheme of the printer application that writes each job's stream to a file of its own.
#include "printer-app/file_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tolma::printerapp {
namespace {

constexpr uint32_t kMagic = 0x544F4C46;  // "TOLF"

struct FileDevice {
  uint32_t magic = kMagic;
  std::string folder;
  std::string name;  // file name of the current job, without ".prn"
  int fd = -1;
  bool failed = false;
  unsigned sequence = 0;  // for writes outside a job
};

FileDevice* Data(pappl_device_t* device) {
  auto* data = static_cast<FileDevice*>(papplDeviceGetData(device));
  return data != nullptr && data->magic == kMagic ? data : nullptr;
}

std::string PartPath(const FileDevice& d) { return d.folder + "/" + d.name + ".prn.part"; }
std::string FinalPath(const FileDevice& d) { return d.folder + "/" + d.name + ".prn"; }

// Closes the current file: renamed to its final name when kept, removed otherwise.
bool Finish(FileDevice& d, bool keep) {
  if (d.fd < 0) return !d.failed;
  bool ok = !d.failed;
  if (close(d.fd) != 0) ok = false;
  d.fd = -1;
  if (keep && ok) {
    ok = rename(PartPath(d).c_str(), FinalPath(d).c_str()) == 0;
  } else {
    unlink(PartPath(d).c_str());
  }
  d.failed = false;
  return ok;
}

bool OpenFolder(pappl_device_t* device, const char* uri, const char*) {
  char scheme[32], userpass[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, userpass, sizeof userpass, host, sizeof host,
                      &port, resource, sizeof resource) < HTTP_URI_STATUS_OK ||
      resource[0] != '/') {
    papplDeviceError(device, "The device URI \"%s\" names no folder (tolma-file:///FOLDER).", uri);
    return false;
  }
  struct stat info {};
  if (stat(resource, &info) != 0 || !S_ISDIR(info.st_mode) || access(resource, W_OK | X_OK) != 0) {
    papplDeviceError(device, "The folder \"%s\" of the file device is missing or not writable.", resource);
    return false;
  }
  auto* data = new FileDevice;
  data->folder = resource;
  while (data->folder.size() > 1 && data->folder.back() == '/') data->folder.pop_back();
  papplDeviceSetData(device, data);
  return true;
}

void CloseFolder(pappl_device_t* device) {
  if (FileDevice* d = Data(device)) {
    Finish(*d, true);
    delete d;
    papplDeviceSetData(device, nullptr);
  }
}

ssize_t WriteFile(pappl_device_t* device, const void* buffer, size_t bytes) {
  FileDevice* d = Data(device);
  if (d == nullptr) return -1;
  if (d->fd < 0) {
    if (d->name.empty()) d->name = "output-" + std::to_string(getpid()) + "-" + std::to_string(++d->sequence);
    d->fd = open(PartPath(*d).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (d->fd < 0) {
      papplDeviceError(device, "Unable to create \"%s\": %s", PartPath(*d).c_str(), strerror(errno));
      return -1;
    }
  }
  const auto* p = static_cast<const char*>(buffer);
  size_t left = bytes;
  while (left > 0) {
    const ssize_t n = write(d->fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      d->failed = true;
      papplDeviceError(device, "Unable to write \"%s\": %s", PartPath(*d).c_str(), strerror(errno));
      return -1;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(bytes);
}

ssize_t ReadNothing(pappl_device_t*, void*, size_t) { return 0; }

pappl_preason_t StatusNone(pappl_device_t*) { return PAPPL_PREASON_NONE; }

char* DeviceId(pappl_device_t*, char* buffer, size_t size) {
  papplCopyString(buffer, "MFG:Tolma;MDL:Q47x Card Printer;CMD:TOLMA;", size);
  return buffer;
}

bool ListNone(pappl_device_cb_t, void*, pappl_deverror_cb_t, void*) { return false; }

bool IsFileDevice(pappl_printer_t* printer) {
  const char* uri = printer ? papplPrinterGetDeviceURI(printer) : nullptr;
  const size_t n = std::strlen(kFileScheme);
  return uri != nullptr && std::strncmp(uri, kFileScheme, n) == 0 && uri[n] == ':';
}

}  // namespace

void RegisterFileDevice() {
  papplDeviceAddScheme(kFileScheme, PAPPL_DEVTYPE_CUSTOM_LOCAL, ListNone, OpenFolder, CloseFolder, ReadNothing,
                       WriteFile, StatusNone, DeviceId);
}

void BeginDeviceJob(pappl_printer_t* printer, pappl_device_t* device, int jobId) {
  if (!IsFileDevice(printer)) return;
  if (FileDevice* d = Data(device)) {
    papplDeviceFlush(device);
    Finish(*d, true);
    d->name = "job-" + std::to_string(jobId);
  }
}

bool EndDeviceJob(pappl_printer_t* printer, pappl_device_t* device, bool keep) {
  if (!IsFileDevice(printer)) return true;
  FileDevice* d = Data(device);
  if (d == nullptr) return false;
  papplDeviceFlush(device);
  const bool ok = Finish(*d, keep);
  d->name.clear();
  return ok;
}

}  // namespace tolma::printerapp
