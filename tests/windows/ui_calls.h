// The calls the spooler and applications make to DomaUI without opening a window, and a transcript of what they
// return: the same calls on the Linux build and on the real DomaUI.dll under Wine must give the same transcript.
#pragma once

#include "ui/driver_ui.h"

#include <string>

namespace tolma::wincheck {

// DomaUI's exports the calls use: taken from the DLL, or the functions themselves on Linux.
struct UiExports {
  decltype(&DrvDeviceCapabilities) deviceCapabilities = nullptr;
  decltype(&DrvConvertDevMode) convertDevMode = nullptr;
  decltype(&DrvDocumentProperties) documentProperties = nullptr;
};

inline constexpr const char* kUiPrinter = "Tolma Q47x Card Printer";

// Adds the host printer the calls use (its driver data file named as the DLL will open it) and runs the calls:
// every capability the spooler asks, the driver's default DEVMODE and conversions of a DEVMODE, and the document
// properties without a window. Returns one line a call with its result and a digest of what it wrote.
std::string RunUiCalls(const UiExports& ui, const std::string& dataFile, const std::string& driverDirectory);

}  // namespace tolma::wincheck
