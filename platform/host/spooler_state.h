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

// The reply monitor's script and record.
struct ReplyMonitorState {
  std::map<std::pair<std::string, std::string>, std::string> replies;  // (printer, command) -> answer
  std::vector<MonitorRequest> requests;
  std::vector<MonitorTransfer> transfers;
  ReplyStorage storage = ReplyStorage::SameName;
};

// An open printer handle and what was written through it.
struct HostPrinterHandle {
  std::string printerName;
  bool open = true;
  std::vector<uint8_t> written;
  std::vector<DWORD> requests;
  DWORD access = 0;  // DesiredAccess asked for when opening
  int job = -1;      // index into SpoolerState::jobs of the document open on this handle, or -1
  bool inPage = false;
};

struct SpoolerState {
  std::map<std::string, HostPrinter> printers;
  std::vector<std::unique_ptr<HostPrinterHandle>> handles;  // kept after closing, until Reset
  DWORD writeChunk = 0;
  std::vector<RawJob> jobs;
  ReplyMonitorState monitor;
};

// The spooler state; callers hold HostMutex().
SpoolerState& Spooler();
// The handle record behind a HANDLE, or nullptr (closed handles only when `allowClosed`).
HostPrinterHandle* FindPrinterHandle(HANDLE handle, bool allowClosed = false);
HostPrinter* FindPrinter(const std::string& name);
// Adds bytes that WritePrinter accepted to the document open on the handle, if any.
void RecordJobWrite(HostPrinterHandle& handle, const uint8_t* bytes, DWORD count);

}  // namespace tolma::host::detail
