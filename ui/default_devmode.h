// The driver's default settings: the default private image from the driver data file, and the default DEVMODE.
#pragma once

#include "common/devmode.h"
#include "platform/win32.h"

#include <span>

namespace tolma::ui {

// Fills `out` from the data file of the printer behind `printer` (GetPrinterDriverW level 2, pDataFile); the
// file must hold exactly 2224 bytes. Returns 1 on success and -1 on failure, when `out` is left untouched.
int LoadDefaultPrivatePart(HANDLE printer, PrivateDevmode& out);
// The same on the current printer handle (the handle of the open sheet).
int LoadDefaultPrivatePart(PrivateDevmode& out);

// Where BuildDefaultDevmode took the private part from.
enum class DefaultSource {
  DataFile,        // the driver data file (its first 2224 bytes; a shorter file's missing tail is built in)
  BuiltIn,         // the data file could not be read: the built-in default image
  OutputTooSmall,  // the output cannot hold 2436 bytes: nothing was written
};

// Writes the driver's default DEVMODE (the public template and the default private image) into `output`, for
// the printer of that name.
DefaultSource BuildDefaultDevmode(const WCHAR* printerName, std::span<uint8_t> output);

}  // namespace tolma::ui
