// The hologram lamination jobs: raw "MERIDOHOLOGRAM" jobs that laminate the whole card, a rectangle, everything but
// a rectangle, or the shape of a one-bit bitmap file, on one or both sides.
#pragma once

#include "common/bitmap_file.h"
#include "common/devmode.h"
#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tolma::ui {

inline constexpr uint16_t kMaxHologramCopies = 1500;
inline constexpr UINT kStrTooManyCopies = 2131;  // "The number of copies cannot be more than 1500."

// The lamination mask: 640 rows of 128 bytes read back bottom row first, and the 1024 lines of 80 bytes sent.
inline constexpr size_t kMaskRowBytes = 128;
inline constexpr size_t kMaskRows = 640;
inline constexpr size_t kMaskBytes = kMaskRowBytes * kMaskRows;  // 81,920
inline constexpr size_t kMaskLineBytes = 80;
inline constexpr size_t kMaskLines = 1024;

// The numbers x, y, width, height of the hologram area's rectangle: (left, top, right - left, bottom - top), or
// turned by 180 degrees (1023 - right, 639 - bottom, the same width and height).
std::array<int64_t, 4> LaminationRectNumbers(const HologramArea& area);

// The commands of one lamination job of area type 0, 1 or 2 in write order (one write each); empty for the other
// types. Two-sided (`printBothSides`) jobs laminate the back after "\eMF\r".
std::vector<std::string> LaminationCommands(const PrivateDevmode& pd);

// How many jobs types 0 to 2 send: one per copy, and one for 0 copies.
int LaminationJobCount(uint16_t copies);

// The lines of the mask: line k is pixel column 1023 - k of the rows, its 640 bits taken from the rows in memory
// order, eight to a byte with the first in the top bit; the bits are not inverted.
std::vector<uint8_t> LaminationLines(std::span<const uint8_t> rows);

// Encodes the lines in the one-bit run-length form with a fresh encoder state, every 0x5B doubled, handing each part
// the encoder moves out to `write` as it goes. False when the encoder's output did not fit (never for 1024 lines).
bool EncodeLaminationMask(std::span<const uint8_t> lines, const std::function<void(std::span<const uint8_t>)>& write);

// Draws a one-bit bitmap file over the 1024 x 640 mask through GDI (a memory context compatible with the dialog's
// paint context; upside down, or turned by 180 degrees when `rotated`) and reads the rows back into `rows`
// (kMaskBytes). False when the paint context or a GDI resource cannot be had.
bool DrawLaminationMask(HWND dialog, const MonoBitmapFile& bitmap, bool rotated, std::span<uint8_t> rows);

// The printer the hologram jobs go to: the open sheet's printer, else the device sheet's printer information.
WString HologramPrinterName(const LinkContext& link);

enum class LaminationResult : uint8_t {
  kDone,         // the jobs went to the spooler (or the printer could not be opened: nothing is said)
  kSystemError,  // the paint context or the bitmap file could not be had: nothing was sent
  kNoJob,        // an area type above 3: nothing to send
};

// Runs the lamination of the private part's hologram area with `hologramCopies` copies (the caller refuses more than
// 1500): one job per copy for types 0 to 2, one job carrying the mask once for type 3.
LaminationResult LaminateHologram(HWND dialog, const LinkContext& link, const PrivateDevmode& pd);

}  // namespace tolma::ui
