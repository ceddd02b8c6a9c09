// Host stand-in for the spooler's printer settings, raw documents and printer-data reads (reply monitor).
#include "platform/host/registry_state.h"
#include "platform/host/spooler_state.h"
#include "platform/host/state.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

using tolma::host::FailPoint;
using tolma::host::WideString;
using tolma::host::detail::FindPrinter;
using tolma::host::detail::FindPrinterHandle;
using tolma::host::detail::HostMutex;
using tolma::host::detail::ShouldFail;
using tolma::host::detail::Spooler;

namespace {

constexpr DWORD kErrorNotReady = 21;               // the printer gave no answer
constexpr DWORD kErrorInvalidPrinterState = 1906;  // document or page calls out of order
constexpr size_t kDevmodeSizeFields = 72;          // bytes up to and including dmDriverExtra

// The declared size of a DEVMODE image (dmSize + dmDriverExtra), or 0 when it is too short to say.
size_t DeclaredDevmodeSize(const std::vector<uint8_t>& dm) {
  if (dm.size() < kDevmodeSizeFields) return 0;
  const size_t size = dm[68] | (dm[69] << 8);
  const size_t extra = dm[70] | (dm[71] << 8);
  return size + extra;
}

// The stored DEVMODE as handed out: at least as long as it declares itself (padded with zeros).
std::vector<uint8_t> HandedOutDevmode(const std::vector<uint8_t>& stored) {
  std::vector<uint8_t> out = stored;
  const size_t declared = DeclaredDevmodeSize(stored);
  if (out.size() < declared) out.resize(declared, 0);
  return out;
}

std::string AsciiOf(const WCHAR* text) { return text != nullptr ? tolma::host::Utf8(text) : std::string(); }

// The command a reply-value name carries: its storage read byte by byte up to the first zero byte.
std::string CommandOfName(const WCHAR* name) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  std::string command;
  for (size_t i = 0; bytes[i] != 0; ++i) command.push_back(static_cast<char>(bytes[i]));
  return command;
}

// Reads a whole host file named by a single-byte Windows path; false when it cannot be read.
bool ReadTransferFile(const std::string& windowsPath, std::vector<uint8_t>& bytes) {
  std::string path = windowsPath;
  for (char& c : path)
    if (c == '\\') c = '/';
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The transfer kind of a command ("download", "sendfile", "sendcmds"), or empty.
std::string TransferKind(const std::string& command) {
  for (const char* kind : {"download", "sendfile", "sendcmds"}) {
    const std::string prefix = std::string(kind) + ":";
    if (command.compare(0, prefix.size(), prefix) == 0) return kind;
  }
  return {};
}

// Copies an answer into the caller's buffer; ERROR_MORE_DATA when it does not fit.
DWORD Deliver(const std::vector<uint8_t>& answer, DWORD answerType, LPDWORD type, LPBYTE data, DWORD size,
              LPDWORD needed) {
  if (needed != nullptr) *needed = static_cast<DWORD>(answer.size());
  if (type != nullptr) *type = answerType;
  if (answer.size() > size || (data == nullptr && !answer.empty())) return ERROR_MORE_DATA;
  if (!answer.empty()) std::memcpy(data, answer.data(), answer.size());
  return ERROR_SUCCESS;
}

}  // namespace

namespace tolma::host {
namespace detail {

void RecordJobWrite(HostPrinterHandle& handle, const uint8_t* bytes, DWORD count) {
  if (handle.job < 0) return;
  RawJob& job = Spooler().jobs[static_cast<size_t>(handle.job)];
  job.data.insert(job.data.end(), bytes, bytes + count);
  job.writes.push_back(count);
}

}  // namespace detail

void SetStoredDevmode(const std::string& printer, const std::vector<uint8_t>& devmode) {
  std::lock_guard lock(HostMutex());
  if (auto* p = FindPrinter(printer)) p->setup.devmode = devmode;
}

std::vector<uint8_t> StoredDevmode(const std::string& printer) {
  std::lock_guard lock(HostMutex());
  auto* p = FindPrinter(printer);
  return p ? p->setup.devmode : std::vector<uint8_t>{};
}

std::vector<PrinterHandleInfo> PrinterHandleLog() {
  std::lock_guard lock(HostMutex());
  std::vector<PrinterHandleInfo> log;
  for (const auto& h : Spooler().handles) log.push_back({h.get(), h->printerName, h->access, h->open});
  return log;
}

int OpenPrinterHandleCount() {
  std::lock_guard lock(HostMutex());
  int n = 0;
  for (const auto& h : Spooler().handles) n += h->open ? 1 : 0;
  return n;
}

std::vector<RawJob> RawJobs() {
  std::lock_guard lock(HostMutex());
  return Spooler().jobs;
}

void SetPrinterReply(const std::string& printer, const std::string& command, const std::string& answer) {
  std::lock_guard lock(HostMutex());
  Spooler().monitor.replies[{printer, command}] = answer;
}

void ClearPrinterReply(const std::string& printer, const std::string& command) {
  std::lock_guard lock(HostMutex());
  Spooler().monitor.replies.erase({printer, command});
}

std::vector<MonitorRequest> MonitorRequests() {
  std::lock_guard lock(HostMutex());
  return Spooler().monitor.requests;
}

std::vector<MonitorTransfer> MonitorTransfers() {
  std::lock_guard lock(HostMutex());
  return Spooler().monitor.transfers;
}

void SetReplyStorage(ReplyStorage storage) {
  std::lock_guard lock(HostMutex());
  Spooler().monitor.storage = storage;
}

}  // namespace tolma::host

extern "C" {

BOOL WINAPI GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  auto* p = h ? FindPrinter(h->printerName) : nullptr;
  if (needed != nullptr) *needed = 0;
  if (p == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (ShouldFail(FailPoint::GetPrinter)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  using tolma::host::Wide;
  const std::vector<uint8_t> devmode = HandedOutDevmode(p->setup.devmode);
  const std::vector<WideString> strings = {Wide(p->setup.name),     Wide(""),
                                           Wide(p->setup.portName), Wide("Tolma Q47x Card Printer"),
                                           Wide("winprint"),        Wide("RAW")};
  // Fixed part, then the DEVMODE (8-byte aligned), then the strings.
  size_t total = sizeof(PRINTER_INFO_2W) + ((devmode.size() + 7) & ~size_t{7});
  for (const auto& s : strings) total += (s.size() + 1) * sizeof(WCHAR);
  if (needed != nullptr) *needed = static_cast<DWORD>(total);
  if (buffer == nullptr || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, total);
  PRINTER_INFO_2W info{};
  uint8_t* cursor = buffer + sizeof(PRINTER_INFO_2W);
  if (!devmode.empty()) {
    std::memcpy(cursor, devmode.data(), devmode.size());
    info.pDevMode = reinterpret_cast<LPDEVMODEW>(cursor);
  }
  cursor += (devmode.size() + 7) & ~size_t{7};
  std::vector<LPWSTR> placed;
  for (const auto& s : strings) {
    std::memcpy(cursor, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    placed.push_back(reinterpret_cast<LPWSTR>(cursor));
    cursor += (s.size() + 1) * sizeof(WCHAR);
  }
  info.pPrinterName = placed[0];
  info.pShareName = placed[1];
  info.pComment = placed[1];
  info.pLocation = placed[1];
  info.pSepFile = placed[1];
  info.pParameters = placed[1];
  info.pPortName = placed[2];
  info.pDriverName = placed[3];
  info.pPrintProcessor = placed[4];
  info.pDatatype = placed[5];
  info.Attributes = 0x00000040;  // local printer
  info.Priority = 1;
  std::memcpy(buffer, &info, sizeof info);
  return TRUE;
}

BOOL WINAPI SetPrinterW(HANDLE printer, DWORD level, LPBYTE infoBytes, DWORD command) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  auto* p = h ? FindPrinter(h->printerName) : nullptr;
  if (p == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (ShouldFail(FailPoint::SetPrinter)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (level != 2 || infoBytes == nullptr || command != 0) {
    SetLastError(level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(infoBytes);
  if (info->pDevMode != nullptr) {
    const auto* dm = reinterpret_cast<const uint8_t*>(info->pDevMode);
    const size_t declared = size_t{info->pDevMode->dmSize} + info->pDevMode->dmDriverExtra;
    p->setup.devmode.assign(dm, dm + declared);
  }
  return TRUE;
}

DWORD WINAPI StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE docInfo) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  if (h == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (level != 1 || docInfo == nullptr) {
    SetLastError(level != 1 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (h->job >= 0) {
    SetLastError(kErrorInvalidPrinterState);
    return 0;
  }
  if (ShouldFail(FailPoint::StartDocPrinter)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const auto* doc = reinterpret_cast<const DOC_INFO_1W*>(docInfo);
  tolma::host::RawJob job;
  job.printer = h->printerName;
  job.docName = AsciiOf(doc->pDocName);
  job.outputFile = AsciiOf(doc->pOutputFile);
  job.datatype = AsciiOf(doc->pDatatype);
  auto& jobs = Spooler().jobs;
  jobs.push_back(std::move(job));
  h->job = static_cast<int>(jobs.size() - 1);
  h->inPage = false;
  return static_cast<DWORD>(jobs.size());
}

BOOL WINAPI StartPagePrinter(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  if (h == nullptr || h->job < 0 || h->inPage) {
    SetLastError(h == nullptr ? ERROR_INVALID_HANDLE : kErrorInvalidPrinterState);
    return FALSE;
  }
  if (ShouldFail(FailPoint::StartPagePrinter)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  h->inPage = true;
  ++Spooler().jobs[static_cast<size_t>(h->job)].pagesStarted;
  return TRUE;
}

BOOL WINAPI EndPagePrinter(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  if (h == nullptr || h->job < 0 || !h->inPage) {
    SetLastError(h == nullptr ? ERROR_INVALID_HANDLE : kErrorInvalidPrinterState);
    return FALSE;
  }
  if (ShouldFail(FailPoint::EndPagePrinter)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  h->inPage = false;
  ++Spooler().jobs[static_cast<size_t>(h->job)].pagesEnded;
  return TRUE;
}

BOOL WINAPI EndDocPrinter(HANDLE printer) {
  std::lock_guard lock(HostMutex());
  auto* h = FindPrinterHandle(printer);
  if (h == nullptr || h->job < 0) {
    SetLastError(h == nullptr ? ERROR_INVALID_HANDLE : kErrorInvalidPrinterState);
    return FALSE;
  }
  if (ShouldFail(FailPoint::EndDocPrinter)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  Spooler().jobs[static_cast<size_t>(h->job)].ended = true;
  h->job = -1;
  h->inPage = false;
  return TRUE;
}

DWORD WINAPI GetPrinterDataW(HANDLE printer, LPWSTR valueName, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed) {
  std::lock_guard lock(HostMutex());
  if (needed != nullptr) *needed = 0;
  auto* h = FindPrinterHandle(printer);
  if (h == nullptr || FindPrinter(h->printerName) == nullptr) return ERROR_INVALID_HANDLE;
  if (valueName == nullptr) return ERROR_INVALID_PARAMETER;
  if (ShouldFail(FailPoint::GetPrinterData)) return ERROR_NOT_ENOUGH_MEMORY;

  // A value left under the driver data answers without reaching the printer.
  const WideString name(valueName);
  if (const auto* stored = tolma::host::detail::FindDriverData(h->printerName, name))
    return Deliver(stored->data, stored->type, type, data, size, needed);

  // Otherwise the reply monitor sends the command the name carries and hands back the answer.
  auto& monitor = Spooler().monitor;
  const std::string command = CommandOfName(valueName);
  monitor.requests.push_back({h->printerName, command, size});
  std::string answer;
  const auto scripted = monitor.replies.find({h->printerName, command});
  const std::string kind = TransferKind(command);
  if (!kind.empty()) {
    tolma::host::MonitorTransfer transfer{h->printerName, kind, command.substr(kind.size() + 1), {}};
    if (!ReadTransferFile(transfer.path, transfer.bytes)) return ERROR_FILE_NOT_FOUND;
    monitor.transfers.push_back(std::move(transfer));
    const auto byKind = monitor.replies.find({h->printerName, kind + ":"});
    answer = scripted != monitor.replies.end() ? scripted->second
             : byKind != monitor.replies.end() ? byKind->second
                                               : std::string("\x06");
  } else if (scripted != monitor.replies.end()) {
    answer = scripted->second;
  } else {
    return kErrorNotReady;
  }
  const std::vector<uint8_t> bytes(answer.begin(), answer.end());
  const DWORD result = Deliver(bytes, REG_BINARY, type, data, size, needed);
  if (result != ERROR_SUCCESS) return result;

  // The reply stays under the printer's driver data until someone deletes it.
  if (monitor.storage == tolma::host::ReplyStorage::SameName) {
    tolma::host::detail::StoreDriverData(h->printerName, name, REG_BINARY, bytes);
  } else if (monitor.storage == tolma::host::ReplyStorage::CommandText) {
    WideString text;
    for (unsigned char c : command) text.push_back(static_cast<WCHAR>(c));
    tolma::host::detail::StoreDriverData(h->printerName, text, REG_BINARY, bytes);
  }
  return ERROR_SUCCESS;
}

}  // extern "C"
