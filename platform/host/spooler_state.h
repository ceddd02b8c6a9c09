// Internal: the host spooler's printers and handles, shared by the spooler's modules.
#pragma once

#include "platform/host/host.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tolma::host::detail {

struct HostPrinter {
  PrinterSetup setup;
};

// An open printer handle and what was written through it.
struct HostPrinterHandle {
  std::string printerName;
  bool open = true;
  std::vector<uint8_t> written;
  std::vector<DWORD> requests;
};

struct SpoolerState {
  std::map<std::string, HostPrinter> printers;
  std::vector<std::unique_ptr<HostPrinterHandle>> handles;  // kept after closing, until Reset
  DWORD writeChunk = 0;
};

// The spooler state; callers hold HostMutex().
SpoolerState& Spooler();
// The handle record behind a HANDLE, or nullptr (closed handles only when `allowClosed`).
HostPrinterHandle* FindPrinterHandle(HANDLE handle, bool allowClosed = false);
HostPrinter* FindPrinter(const std::string& name);

}  // namespace tolma::host::detail
