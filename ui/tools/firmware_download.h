// "Firmware Download": choosing a firmware image meant for this printer family, and loading it into the printer,
// by a raw job of our own (one-way link) or through the reply monitor (two-way link).
#pragma once

#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tolma::ui {

// The file check reads the first 15 bytes: the 6-byte model field at offset 8 and the check byte at offset 14.
inline constexpr size_t kFirmwareCheckBytes = 15;
// The body goes to the printer in writes of up to this many bytes.
inline constexpr size_t kFirmwareChunkBytes = 4096;

struct FirmwareImageCheck {
  bool valid = false;  // the model field names this printer family ("RKB", "RKA" or "RKG")
  uint8_t checkByte = 0;
};
// Checks the first bytes of a firmware file (`head` may be shorter than 15 bytes: missing bytes count as zeros).
// The model field is read as a zero-terminated text.
FirmwareImageCheck CheckFirmwareImage(std::span<const uint8_t> head);

// The check byte as the dialog shows it: "0x%02XFF" ("0x3AFF" for 0x3A).
std::string CheckSumText(uint8_t checkByte);

// How copying a firmware body ended.
enum class FirmwareBody {
  Sent,         // exactly the announced size was written and the file had nothing more
  ReadFailed,   // a read failed
  SizeChanged,  // the file ended before the announced size or went on after it
  WriteFailed,  // a write to the printer failed
};
// Reads up to `buffer.size()` bytes into `buffer` and reports how many came (0 at the end); false on failure.
using FirmwareReader = std::function<bool(std::span<uint8_t> buffer, size_t& got)>;
// Writes bytes to the printer; false on failure.
using FirmwareWriter = std::function<bool(std::span<const uint8_t> bytes)>;
// Copies a body of `size` bytes from `read` to `write` in pieces of up to 4096 bytes, in file order, never writing
// more than `size` bytes, so that the body always agrees with the header's size or the transfer fails. Holds one
// piece in memory at a time.
FirmwareBody CopyFirmwareBody(uint32_t size, const FirmwareReader& read, const FirmwareWriter& write);

// The one-way transfer: the raw job "MERIDOTLMAFWDW" with the 8-byte header ("\eDC " and the file size, most
// significant byte first), the file, and the trailer 0xFF 0x0D. A printer that cannot be opened fails without a
// message; a file that cannot be opened (2087), whose size cannot be had or does not fit 32 bits (2088), or that
// cannot be read or changes size while it is sent (2089) fails with its message, after which the job is ended with
// what was written. Returns true when the whole job went.
bool SendFirmwareJob(const LinkContext& link, const WCHAR* path);

// "Select File": the file-open dialog, then the check of the chosen file. A valid file shows its type and check
// byte, goes into the path edit and enables the path edit and "Start Firmware Download"; a file of another family
// gets message 2099 and changes nothing. Returns true when a valid file was chosen.
bool ChooseFirmwareFile(HWND dialog);

// "Start Firmware Download": loads the file named by the path edit, with the status texts 2081, then 2080 and
// 2079 and message 2133 on success, or 2086 on failure.
void StartFirmwareDownload(HWND dialog);

// The dialog procedure of template 116; it ends with IDCANCEL ("Close" or the close box).
INT_PTR CALLBACK FirmwareDownloadProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR RunFirmwareDownload(HWND owner);

}  // namespace tolma::ui
