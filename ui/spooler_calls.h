// Small owners for spooler resources used across DomaUI: heap blocks, printer handles and level-2 information.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma::ui {

// A zero-filled block of the process heap, freed with the object.
class HeapBlock {
 public:
  HeapBlock() = default;
  explicit HeapBlock(size_t bytes);
  ~HeapBlock();
  HeapBlock(HeapBlock&& other) noexcept;
  HeapBlock& operator=(HeapBlock&& other) noexcept;
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;

  BYTE* data() const { return data_; }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  BYTE* data_ = nullptr;
  size_t size_ = 0;
};

// A printer handle opened here and closed with the object.
class OpenedPrinter {
 public:
  // Opens the printer by name; with `access` non-zero the defaults ask for that access (and nothing else).
  OpenedPrinter(const WCHAR* name, DWORD access);
  ~OpenedPrinter();
  OpenedPrinter(const OpenedPrinter&) = delete;
  OpenedPrinter& operator=(const OpenedPrinter&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

// PRINTER_INFO_2 of a printer (GetPrinterW level 2 after a size query that fails with
// ERROR_INSUFFICIENT_BUFFER); an empty block when it cannot be read.
HeapBlock FetchPrinterInfo2(HANDLE printer);

// DRIVER_INFO_2 of a printer (GetPrinterDriverW level 2 after a size query); an empty block on failure.
HeapBlock FetchDriverInfo2(HANDLE printer);

// The information records inside fetched blocks (nullptr for an empty block).
inline const PRINTER_INFO_2W* PrinterInfo2(const HeapBlock& block) {
  return block.size() >= sizeof(PRINTER_INFO_2W) ? reinterpret_cast<const PRINTER_INFO_2W*>(block.data()) : nullptr;
}
inline PRINTER_INFO_2W* MutablePrinterInfo2(HeapBlock& block) {
  return block.size() >= sizeof(PRINTER_INFO_2W) ? reinterpret_cast<PRINTER_INFO_2W*>(block.data()) : nullptr;
}
// The bytes of a DEVMODE inside a fetched information block: as many as it declares (dmSize + dmDriverExtra), never
// past the block's end; empty when the DEVMODE does not start inside the block with its public part.
std::span<uint8_t> DevmodeInBlock(const HeapBlock& block, DEVMODEW* devmode);

inline const DRIVER_INFO_2W* DriverInfo2(const HeapBlock& block) {
  return block.size() >= sizeof(DRIVER_INFO_2W) ? reinterpret_cast<const DRIVER_INFO_2W*>(block.data()) : nullptr;
}

}  // namespace tolma::ui
