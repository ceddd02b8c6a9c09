// The printer link: raw command jobs, reply-value reads and the removal of replies left under the driver data.
#include "ui/tools/printer_link.h"

#include "ui/spooler_calls.h"

#include <algorithm>
#include <cstring>

namespace tolma::ui {

LinkMode ModeOf(const LinkContext& link) {
  return link.currentPrivate != nullptr && link.currentPrivate->fixedRibbon != 0 ? LinkMode::OneWay : LinkMode::TwoWay;
}

// --- Reply values ---

ReplyValueName::ReplyValueName(std::string_view command) {
  const size_t end = command.find('\0');
  const size_t n = end == std::string_view::npos ? command.size() : end;
  // n command bytes in ceil(n / 2) units, then one whole zero unit (an odd n also gets its zero byte there).
  const size_t units = (n + 1) / 2 + 1;
  units_.assign(units, 0);
  std::memcpy(units_.data(), command.data(), n);
}

std::span<const uint8_t> ReplyValueName::bytes() const {
  return {reinterpret_cast<const uint8_t*>(units_.data()), units_.size() * sizeof(WCHAR)};
}

WString CommandTextName(std::string_view command) {
  WString name;
  for (unsigned char c : command) {
    if (c == 0) break;
    name.push_back(static_cast<WCHAR>(c));
  }
  return name;
}

bool IsPositiveReply(std::span<const uint8_t> buffer, size_t length) {
  return length >= 1 && length <= buffer.size() && buffer[length - 1] == kAck;
}

bool TakePositiveReply(std::span<uint8_t> buffer, size_t length, std::string_view& text) {
  if (!IsPositiveReply(buffer, length)) return false;
  buffer[length - 1] = 0;
  text = std::string_view(reinterpret_cast<const char*>(buffer.data()), length - 1);
  return true;
}

// --- Reads and deletion ---

ReplyRead ReadReplyValue(HANDLE printer, std::string_view command, std::span<uint8_t> buffer) {
  ReplyValueName name(command);
  if (!buffer.empty()) buffer[0] = 0;
  DWORD type = REG_BINARY;
  DWORD reported = 0;
  const DWORD rc =
      GetPrinterDataW(printer, name.get(), &type, buffer.data(), static_cast<DWORD>(buffer.size()), &reported);
  ReplyRead read;
  read.ok = rc == ERROR_SUCCESS;
  read.length = read.ok ? std::min<size_t>(reported, buffer.size()) : 0;
  return read;
}

void DeleteReplyValue(HANDLE printer, const WCHAR* valueName) {
  HeapBlock block = FetchPrinterInfo2(printer);
  const PRINTER_INFO_2W* info = PrinterInfo2(block);
  if (info == nullptr || info->pPrinterName == nullptr || info->pPrinterName[0] == 0) return;

  HKEY printers = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\Print\\Printers", &printers) !=
      ERROR_SUCCESS)
    return;
  HKEY printerKey = nullptr;
  const LONG openedPrinter = RegOpenKeyW(printers, info->pPrinterName, &printerKey);
  RegCloseKey(printers);
  if (openedPrinter != ERROR_SUCCESS) return;
  HKEY driverData = nullptr;
  const LONG openedData = RegOpenKeyW(printerKey, TOLMA_WIDE("PrinterDriverData"), &driverData);
  RegCloseKey(printerKey);
  if (openedData != ERROR_SUCCESS) return;
  RegDeleteValueW(driverData, valueName);
  RegCloseKey(driverData);
}

ReplyRead QueryPrinter(const LinkContext& link, std::string_view command, std::span<uint8_t> buffer) {
  OpenedPrinter opened(link.printerName, PRINTER_ALL_ACCESS);
  HANDLE printer = opened ? opened.get() : link.sheetPrinter;
  const ReplyRead read = ReadReplyValue(printer, command, buffer);
  if (read.ok) {
    ReplyValueName name(command);
    DeleteReplyValue(printer, name.get());
  }
  return read;
}

ReplyRead QuerySheetPrinter(const LinkContext& link, std::string_view command, std::span<uint8_t> buffer) {
  const ReplyRead read = ReadReplyValue(link.sheetPrinter, command, buffer);
  ReplyValueName name(command);
  DeleteReplyValue(link.sheetPrinter, name.get());
  return read;
}

// --- Raw jobs ---

RawJob::RawJob(const LinkContext& link, const WCHAR* jobName, RawJobOptions options) {
  const WCHAR* printerName = link.printerInfo != nullptr ? link.printerInfo->pPrinterName : nullptr;
  if (printerName == nullptr || printerName[0] == 0) return;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, options.allAccess ? &defaults : nullptr)) return;

  DOC_INFO_1W doc{const_cast<LPWSTR>(jobName), nullptr, const_cast<LPWSTR>(TOLMA_WIDE("RAW"))};
  if (StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc)) == 0 && options.stopIfStartDocFails) {
    ClosePrinter(printer);
    return;
  }
  StartPagePrinter(printer);
  printer_ = printer;
}

RawJob::~RawJob() { Finish(); }

bool RawJob::Write(std::span<const uint8_t> bytes) {
  if (printer_ == nullptr) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WritePrinter(printer_, const_cast<uint8_t*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) ||
        written == 0 || written > bytes.size())
      return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

bool RawJob::Write(std::string_view bytes) {
  return Write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

void RawJob::Finish() {
  if (printer_ == nullptr) return;
  EndPagePrinter(printer_);
  EndDocPrinter(printer_);
  ClosePrinter(printer_);
  printer_ = nullptr;
}

bool SendRawJob(const LinkContext& link, const WCHAR* jobName, std::span<const std::string_view> writes,
                RawJobOptions options) {
  RawJob job(link, jobName, options);
  if (!job.started()) return false;
  bool all = true;
  for (std::string_view bytes : writes) all = job.Write(bytes) && all;
  job.Finish();
  return all;
}

}  // namespace tolma::ui
