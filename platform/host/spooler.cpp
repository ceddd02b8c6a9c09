// Host stand-in for the print spooler: named printers, printer handles, driver information and raw writes.
#include "platform/host/registry_state.h"
#include "platform/host/spooler_state.h"
#include "platform/host/state.h"

#include <algorithm>
#include <cstring>
#include <mutex>

using tolma::host::FailPoint;
using tolma::host::detail::HostMutex;
using tolma::host::detail::ShouldFail;

namespace tolma::host {
namespace detail {

SpoolerState& Spooler() {
  static SpoolerState state;
  return state;
}

void ResetSpooler() { Spooler() = SpoolerState{}; }

HostPrinterHandle* FindPrinterHandle(HANDLE handle, bool allowClosed) {
  for (auto& h : Spooler().handles)
    if (h.get() == handle) return (h->open || allowClosed) ? h.get() : nullptr;
  return nullptr;
}

HostPrinter* FindPrinter(const std::string& name) {
  auto it = Spooler().printers.find(name);
  return it == Spooler().printers.end() ? nullptr : &it->second;
}

}  // namespace detail

void AddPrinter(const PrinterSetup& setup) {
  std::lock_guard lock(HostMutex());
  detail::Spooler().printers[setup.name] = detail::HostPrinter{setup};
  detail::CreatePrinterKeys(setup.name);
}

std::vector<uint8_t> WrittenBytes(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = detail::FindPrinterHandle(printer, true);
  return h ? h->written : std::vector<uint8_t>{};
}

std::vector<DWORD> WriteRequests(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = detail::FindPrinterHandle(printer, true);
  return h ? h->requests : std::vector<DWORD>{};
}

void ClearWritten(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  if (auto* h = detail::FindPrinterHandle(printer, true)) {
    h->written.clear();
    h->requests.clear();
  }
}

void SetWriteChunk(DWORD bytes) {
  std::lock_guard lock(HostMutex());
  detail::Spooler().writeChunk = bytes;
}

}  // namespace tolma::host

namespace {

// Lays out a DRIVER_INFO_2W followed by its strings in the caller's buffer.
class StringPacker {
 public:
  explicit StringPacker(size_t fixed) : size_(fixed) {}
  void Add(const std::basic_string<WCHAR>& s) {
    strings_.push_back(s);
    size_ += (s.size() + 1) * sizeof(WCHAR);
  }
  size_t Size() const { return size_; }
  // Copies the strings after `fixed` bytes of `buffer` and returns their addresses in order.
  std::vector<LPWSTR> Place(LPBYTE buffer, size_t fixed) const {
    std::vector<LPWSTR> out;
    auto* cursor = buffer + fixed;
    for (const auto& s : strings_) {
      auto* dest = reinterpret_cast<LPWSTR>(cursor);
      std::memcpy(dest, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
      out.push_back(dest);
      cursor += (s.size() + 1) * sizeof(WCHAR);
    }
    return out;
  }

 private:
  size_t size_;
  std::vector<std::basic_string<WCHAR>> strings_;
};

}  // namespace

extern "C" {

BOOL WINAPI OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (printer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *printer = nullptr;
  std::lock_guard lock(HostMutex());
  const std::string wanted = tolma::host::Utf8(name);
  if (ShouldFail(FailPoint::OpenPrinter) || tolma::host::detail::FindPrinter(wanted) == nullptr) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  auto handle = std::make_unique<tolma::host::detail::HostPrinterHandle>();
  handle->printerName = wanted;
  handle->access = defaults != nullptr ? defaults->DesiredAccess : 0;
  *printer = handle.get();
  tolma::host::detail::Spooler().handles.push_back(std::move(handle));
  return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = tolma::host::detail::FindPrinterHandle(printer);
  if (h == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  h->open = false;
  return TRUE;
}

BOOL WINAPI GetPrinterDriverW(HANDLE printer, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  std::lock_guard lock(HostMutex());
  auto* h = tolma::host::detail::FindPrinterHandle(printer);
  auto* p = h ? tolma::host::detail::FindPrinter(h->printerName) : nullptr;
  if (p == nullptr || ShouldFail(FailPoint::GetPrinterDriver)) {
    if (needed != nullptr) *needed = 0;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (level != 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  using tolma::host::Wide;
  const auto& setup = p->setup;
  StringPacker packer(sizeof(DRIVER_INFO_2W));
  packer.Add(Wide("Tolma Q47x Card Printer"));
  packer.Add(Wide("Windows x64"));
  packer.Add(Wide(setup.driverDirectory + "\\" + setup.driverFile));
  packer.Add(Wide(setup.dataFile));
  packer.Add(Wide(setup.driverDirectory + "\\DomaUI.dll"));
  if (needed != nullptr) *needed = static_cast<DWORD>(packer.Size());
  if (buffer == nullptr || size < packer.Size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const auto strings = packer.Place(buffer, sizeof(DRIVER_INFO_2W));
  DRIVER_INFO_2W info{};
  info.cVersion = 3;
  info.pName = strings[0];
  info.pEnvironment = strings[1];
  info.pDriverPath = strings[2];
  info.pDataFile = strings[3];
  info.pConfigFile = strings[4];
  std::memcpy(buffer, &info, sizeof info);
  return TRUE;
}

BOOL WINAPI WritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written) {
  std::lock_guard lock(HostMutex());
  if (written != nullptr) *written = 0;
  auto* h = tolma::host::detail::FindPrinterHandle(printer);
  if (h == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  h->requests.push_back(size);
  if (ShouldFail(FailPoint::WritePrinter)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const DWORD chunk = tolma::host::detail::Spooler().writeChunk;
  const DWORD accepted = chunk == 0 ? size : std::min(size, chunk);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  h->written.insert(h->written.end(), bytes, bytes + accepted);
  tolma::host::detail::RecordJobWrite(*h, bytes, accepted);
  if (written != nullptr) *written = accepted;
  return TRUE;
}

}  // extern "C"
