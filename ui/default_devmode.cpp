// Reading the driver data file: the strict loader of the default private image and the default DEVMODE builder.
#include "ui/default_devmode.h"

#include "ui/spooler_calls.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>

namespace tolma::ui {
namespace {

// An open file, closed with the object.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const WCHAR* path) {
    if (path != nullptr)
      handle_ =
          CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~ReadOnlyFile() {
    if (ok()) CloseHandle(handle_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The data file named by a printer's driver information (empty when it cannot be read).
HeapBlock DataFileInfo(HANDLE printer) { return FetchDriverInfo2(printer); }

}  // namespace

int LoadDefaultPrivatePart(HANDLE printer, PrivateDevmode& out) {
  const HeapBlock driver = DataFileInfo(printer);
  const DRIVER_INFO_2W* info = DriverInfo2(driver);
  if (info == nullptr) return -1;
  ReadOnlyFile file(info->pDataFile);
  if (!file.ok()) return -1;
  DWORD high = 0;
  if (GetFileSize(file.get(), &high) != kPrivateDevmodeSize || high != 0) return -1;
  uint8_t bytes[kPrivateDevmodeSize];
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes, kPrivateDevmodeSize, &read, nullptr) || read != kPrivateDevmodeSize) return -1;
  std::memcpy(&out, bytes, sizeof out);
  return 1;
}

int LoadDefaultPrivatePart(PrivateDevmode& out) { return LoadDefaultPrivatePart(State().link.sheetPrinter, out); }

DefaultSource BuildDefaultDevmode(const WCHAR* printerName, std::span<uint8_t> output) {
  if (output.size() < kFullDevmodeSize) return DefaultSource::OutputTooSmall;

  // The data file's name, then the printer is closed again.
  HeapBlock driver;
  {
    OpenedPrinter printer(printerName, 0);
    if (printer) driver = DataFileInfo(printer.get());
  }
  const DRIVER_INFO_2W* info = DriverInfo2(driver);

  // Up to 2224 bytes of the file over the built-in image (which also stands in for a missing file).
  PrivateDevmode image = DefaultPrivateDevmode();
  DefaultSource source = DefaultSource::BuiltIn;
  ReadOnlyFile file(info != nullptr ? info->pDataFile : nullptr);
  DWORD high = 0;
  if (file.ok() && GetFileSize(file.get(), &high) != INVALID_FILE_SIZE) {
    uint8_t bytes[kPrivateDevmodeSize];
    DWORD read = 0;
    ReadFile(file.get(), bytes, kPrivateDevmodeSize, &read, nullptr);
    std::memcpy(&image, bytes, std::min<size_t>(read, kPrivateDevmodeSize));
    source = DefaultSource::DataFile;
  }
  WriteDefaultPublicDevmode(output.first<kPublicDevmodeSize>());
  std::memcpy(output.data() + kPublicDevmodeSize, &image, kPrivateDevmodeSize);
  return source;
}

}  // namespace tolma::ui
