// Heap blocks, printer handles and the spooler's two-call size protocol for level-2 information.
#include "ui/spooler_calls.h"

#include "common/devmode.h"

#include <algorithm>
#include <utility>

namespace tolma::ui {

HeapBlock::HeapBlock(size_t bytes) {
  data_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
  size_ = data_ != nullptr ? bytes : 0;
}

HeapBlock::~HeapBlock() {
  if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
}

HeapBlock::HeapBlock(HeapBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

HeapBlock& HeapBlock::operator=(HeapBlock&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

OpenedPrinter::OpenedPrinter(const WCHAR* name, DWORD access) {
  if (name == nullptr || name[0] == 0) return;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
  if (!OpenPrinterW(const_cast<LPWSTR>(name), &handle_, access != 0 ? &defaults : nullptr)) handle_ = nullptr;
}

OpenedPrinter::~OpenedPrinter() {
  if (handle_ != nullptr) ClosePrinter(handle_);
}

HeapBlock FetchPrinterInfo2(HANDLE printer) {
  DWORD needed = 0;
  if (GetPrinterW(printer, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
      needed < sizeof(PRINTER_INFO_2W))
    return {};
  HeapBlock block(needed);
  if (!block || !GetPrinterW(printer, 2, block.data(), needed, &needed)) return {};
  return block;
}

HeapBlock FetchDriverInfo2(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_2W)) return {};
  HeapBlock block(needed);
  if (!block || !GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) return {};
  return block;
}

std::span<uint8_t> DevmodeInBlock(const HeapBlock& block, DEVMODEW* devmode) {
  auto* start = reinterpret_cast<uint8_t*>(devmode);
  if (devmode == nullptr || start < block.data() || start + kPublicDevmodeSize > block.data() + block.size()) return {};
  const size_t room = static_cast<size_t>(block.data() + block.size() - start);
  return {start, std::min(room, size_t{devmode->dmSize} + devmode->dmDriverExtra)};
}

}  // namespace tolma::ui
